#include "platform/clipboard.h"

#include <windows.h>

#include <cstring>

namespace quorlan {

Text ReadClipboardText() {
  if (!OpenClipboard(nullptr)) return Text();
  Text text;
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data != nullptr) {
    if (const void* bytes = GlobalLock(data)) {
      // The block should end with a zero byte, but any program can put a
      // block without one on the clipboard: never look past its size.
      const size_t size = GlobalSize(data);
      const void* zero = std::memchr(bytes, '\0', size);
      const size_t length =
          zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) -
                                                static_cast<const char*>(bytes))
                          : size;
      text = Text(static_cast<const char*>(bytes), length);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace quorlan
