// MainWindow: the program's single top-level window, created hidden, with its
// results list and its download button. It lives from start-up to the
// program's end; only the window's thread touches it.
#pragma once

#include <windows.h>

#include "app/result_list.h"

namespace quorlan {

// Window class of the main window; the end-to-end driver finds it by this.
inline constexpr wchar_t kMainWindowClass[] = L"QuorlanMainWindow";

class MainWindow {
 public:
  // Creates the window (hidden, centred, 320 x 332 outer size) and its
  // controls. False when the window cannot be created.
  bool Create(HINSTANCE instance, WNDPROC procedure);
  void Destroy();

  HWND WindowHandle() const { return window_; }
  bool IsVisible() const;  // true also while minimized
  void SetVisible(bool visible);
  ResultList& List() { return list_; }
  HWND DownloadButton() const { return button_; }

 private:
  HWND window_ = nullptr;
  HWND button_ = nullptr;
  ResultList list_;
};

}  // namespace quorlan
