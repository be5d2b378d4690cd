#include <windows.h>

#include "platform/codepage.h"
#include "platform/message.h"

namespace quorlan {
namespace {
constexpr char kMessageCaption[] = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
}

void ShowMessage(const Text& text) {
  const WideText body = GbkToWide(text);
  const WideText caption = GbkToWide(Text(kMessageCaption));
  MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(body.c_str()),
              reinterpret_cast<const wchar_t*>(caption.c_str()), MB_OK | MB_TASKMODAL);
}

void PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (msg.message == WM_QUIT) return;  // left in the queue
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace quorlan
