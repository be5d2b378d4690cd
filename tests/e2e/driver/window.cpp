#include "driver/window.h"

#include "driver/gbk.h"

namespace quorlan::e2e {

std::wstring ClassName(HWND hwnd) {
  wchar_t buf[256];
  const int n = GetClassNameW(hwnd, buf, 256);
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring WindowTextWide(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int n = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

std::string WindowTextGbk(HWND hwnd) { return WideToGbk(WindowTextWide(hwnd)); }

std::string WindowTextAnsi(HWND hwnd) {
  // Twice the wide length covers every double-byte code page.
  const int room = 2 * GetWindowTextLengthW(hwnd) + 2;
  std::string text(static_cast<size_t>(room), '\0');
  const int n = GetWindowTextA(hwnd, text.data(), room);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)); }
DWORD ExStyle(HWND hwnd) { return static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)); }

RECT WindowRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

RECT ClientRect(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  return r;
}

RECT RectInParentClient(HWND child) {
  RECT r = WindowRect(child);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<HWND> ChildrenInZOrder(HWND parent) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    children.push_back(c);
  }
  return children;
}

int ControlId(HWND hwnd) { return GetDlgCtrlID(hwnd); }

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

bool IsVisible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }
bool IsMinimized(HWND hwnd) { return IsIconic(hwnd) != FALSE; }
HWND Owner(HWND hwnd) { return GetWindow(hwnd, GW_OWNER); }

namespace {
struct WindowSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND hwnd, LPARAM p) {
  auto* search = reinterpret_cast<WindowSearch*>(p);
  if (ProcessOf(hwnd) == search->pid) search->found.push_back(hwnd);
  return TRUE;
}
}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> VisibleTopLevelWindowsOf(DWORD processId) {
  std::vector<HWND> visible;
  for (HWND hwnd : TopLevelWindowsOf(processId)) {
    if (IsVisible(hwnd)) visible.push_back(hwnd);
  }
  return visible;
}

HWND FindVisibleWindowOf(DWORD processId, const wchar_t* className) {
  for (HWND hwnd : VisibleTopLevelWindowsOf(processId)) {
    if (ClassName(hwnd) == className) return hwnd;
  }
  return nullptr;
}

bool WaitUntilVisible(HWND hwnd, bool visible, Milliseconds timeout) {
  return WaitUntil([&] { return IsVisible(hwnd) == visible; }, timeout);
}

bool Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageW(hwnd, message, wParam, lParam) != FALSE;
}

bool PostCommand(HWND mainWindow, WORD command) {
  return Post(mainWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

bool PostTrayCallback(HWND mainWindow, UINT mouseMessage) {
  return Post(mainWindow, kTrayCallbackMessage, kTrayIconId, static_cast<LPARAM>(mouseMessage));
}

bool ClickButton(HWND button) { return Post(button, BM_CLICK); }

bool PostButtonClicked(HWND parent, HWND button) {
  return Post(parent, WM_COMMAND, MAKEWPARAM(ControlId(button), BN_CLICKED),
              reinterpret_cast<LPARAM>(button));
}

bool SendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                     Milliseconds timeout) {
  DWORD_PTR answer = 0;
  const LRESULT ok = SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL,
                                         static_cast<UINT>(timeout.count()), &answer);
  if (result) *result = static_cast<LRESULT>(answer);
  return ok != 0;
}

}  // namespace quorlan::e2e
