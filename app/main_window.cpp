#include "app/main_window.h"

#include <commctrl.h>

#include "app/command_ids.h"
#include "app/resources/resource_ids.h"
#include "app/ui_texts.h"
#include "platform/codepage.h"

namespace quorlan {
namespace {

constexpr int kOuterWidth = 320;
constexpr int kOuterHeight = 332;
// A fixed frame: a caption, the system menu and minimize, nothing to resize
// or maximize with.
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON |
                               BS_CENTER | BS_VCENTER | BS_MULTILINE;

const wchar_t* Wide(const WideText& w) { return reinterpret_cast<const wchar_t*>(w.c_str()); }

bool RegisterMainWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORLAN), IMAGE_ICON, 32, 32, 0));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORLAN), IMAGE_ICON, 16, 16, 0));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kMainWindowClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

bool MainWindow::Create(HINSTANCE instance, WNDPROC procedure) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!RegisterMainWindowClass(instance, procedure)) return false;

  // Centred on the primary screen, each division truncated toward zero.
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kOuterWidth) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - kOuterHeight) / 2;
  const WideText title = GbkToWide(Text(ui::kWindowTitle));
  window_ = CreateWindowExW(0, kMainWindowClass, Wide(title), kWindowStyle, left, top, kOuterWidth,
                            kOuterHeight, nullptr, nullptr, instance, nullptr);
  if (window_ == nullptr) return false;
  RECT outer = {};
  GetWindowRect(window_, &outer);
  if (outer.right - outer.left != kOuterWidth || outer.bottom - outer.top != kOuterHeight) {
    SetWindowPos(window_, nullptr, 0, 0, kOuterWidth, kOuterHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  HICON big = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORLAN), IMAGE_ICON, 32, 32, 0));
  HICON smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUORLAN), IMAGE_ICON, 16, 16, 0));
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  list_ = ResultList::Create(window_, instance, font);
  const WideText caption = GbkToWide(Text(ui::kDownloadCaption));
  button_ = CreateWindowExW(0, WC_BUTTONW, Wide(caption), kButtonStyle, 248, 264, 48, 24, window_,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kIdDownloadButton)), instance,
                            nullptr);
  if (button_ != nullptr) SendMessageW(button_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  // The button lies over the list's lower right corner: it comes first in the
  // children's Z order and the list right after it, so it stays visible and
  // takes the clicks there.
  if (button_ != nullptr) {
    SetWindowPos(button_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (list_.Handle() != nullptr) {
      SetWindowPos(list_.Handle(), button_, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  return true;
}

void MainWindow::Destroy() {
  if (window_ != nullptr) DestroyWindow(window_);
  window_ = nullptr;
  button_ = nullptr;
  list_ = ResultList();
}

bool MainWindow::IsVisible() const { return IsWindowVisible(window_) != FALSE; }

void MainWindow::SetVisible(bool visible) { ShowWindow(window_, visible ? SW_SHOW : SW_HIDE); }

}  // namespace quorlan
