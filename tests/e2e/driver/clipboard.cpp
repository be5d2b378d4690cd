#include "driver/clipboard.h"

#include <windows.h>

#include <cstring>

#include "driver/wait.h"

namespace quorlan::e2e {
namespace {

// Opens the clipboard, waiting a little while another process (the program
// reading it) holds it.
bool OpenWithRetry(HWND owner) {
  return WaitUntil([&] { return OpenClipboard(owner) != FALSE; }, Milliseconds{5000},
                   Milliseconds{10});
}

// A window that owns the clipboard while the driver writes to it.
class TemporaryOwner {
 public:
  TemporaryOwner()
      : hwnd_(CreateWindowExW(0, L"STATIC", L"quorlan-e2e clipboard owner", 0, 0, 0, 0, 0,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
  ~TemporaryOwner() {
    if (hwnd_) DestroyWindow(hwnd_);
  }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

// Empties the clipboard and, when `format` is not 0, puts `data` there.
bool Replace(UINT format, HANDLE data) {
  TemporaryOwner owner;
  if (!owner.get() || !OpenWithRetry(owner.get())) {
    if (data && format != CF_BITMAP) GlobalFree(data);
    if (data && format == CF_BITMAP) DeleteObject(data);
    return false;
  }
  bool ok = EmptyClipboard() != FALSE;
  if (ok && format != 0) {
    ok = SetClipboardData(format, data) != nullptr;
    if (!ok) {
      if (format == CF_BITMAP) DeleteObject(data);
      else GlobalFree(data);
    }
  }
  CloseClipboard();
  return ok;
}

}  // namespace

bool SetClipboardText(const std::string& bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size() + 1);
  if (!memory) return false;
  char* p = static_cast<char*>(GlobalLock(memory));
  std::memcpy(p, bytes.data(), bytes.size());
  p[bytes.size()] = '\0';
  GlobalUnlock(memory);
  return Replace(CF_TEXT, memory);
}

bool SetClipboardBitmapOnly() {
  const WORD pixel[1] = {0};
  HBITMAP bitmap = CreateBitmap(1, 1, 1, 1, pixel);
  if (!bitmap) return false;
  return Replace(CF_BITMAP, bitmap);
}

bool EmptyClipboardNow() { return Replace(0, nullptr); }

std::optional<std::string> ClipboardText() {
  if (!OpenWithRetry(nullptr)) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      const size_t room = GlobalSize(data);
      text = std::string(p, strnlen(p, room));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace quorlan::e2e
