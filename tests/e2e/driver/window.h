// Looking at windows of another process, and sending them input.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "driver/wait.h"

namespace quorlan::e2e {

// Command numbers and messages of the program's main window.
inline constexpr WORD kCommandToggleWindow = 1001;  // tray menu "显示"
inline constexpr WORD kCommandExit = 1002;          // tray menu "关闭"
inline constexpr WORD kCommandCheckAll = 1101;
inline constexpr WORD kCommandUncheckAll = 1102;
inline constexpr WORD kCommandCopyLinks = 1103;
inline constexpr WORD kCommandClear = 1104;
inline constexpr int kDownloadButtonId = 2001;
inline constexpr int kResultListId = 2002;
inline constexpr UINT kTrayCallbackMessage = 0x2DA5;
inline constexpr WPARAM kTrayIconId = 1;

std::wstring ClassName(HWND hwnd);
// The caption as the system keeps it (wide), and as GBK bytes converted with
// code page 936 whatever the driver's own code page is.
std::wstring WindowTextWide(HWND hwnd);
std::string WindowTextGbk(HWND hwnd);
// The caption through GetWindowTextA: bytes in the driver's ANSI code page.
std::string WindowTextAnsi(HWND hwnd);

DWORD Style(HWND hwnd);
DWORD ExStyle(HWND hwnd);
RECT WindowRect(HWND hwnd);  // screen coordinates
RECT ClientRect(HWND hwnd);
// A child's outer rectangle in its parent's client coordinates.
RECT RectInParentClient(HWND child);
inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }

// Direct children in Z order, topmost first.
std::vector<HWND> ChildrenInZOrder(HWND parent);
int ControlId(HWND hwnd);
DWORD ProcessOf(HWND hwnd);
bool IsVisible(HWND hwnd);
bool IsMinimized(HWND hwnd);
HWND Owner(HWND hwnd);

// Top-level windows of a process, hidden ones included, in Z order.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);
std::vector<HWND> VisibleTopLevelWindowsOf(DWORD processId);
// The first visible top-level window of the process with this class, or null.
HWND FindVisibleWindowOf(DWORD processId, const wchar_t* className);

bool WaitUntilVisible(HWND hwnd, bool visible, Milliseconds timeout = kDefaultTimeout);

// Posted input. All of them give PostMessage's result.
bool Post(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
bool PostCommand(HWND mainWindow, WORD command);
// The notification-area icon's callback, as the shell posts it
// (wParam the icon number, lParam the mouse message).
bool PostTrayCallback(HWND mainWindow, UINT mouseMessage);
// A click on a push button: BM_CLICK to the button itself...
bool ClickButton(HWND button);
// ...or the notification that a click produces, posted to its parent.
bool PostButtonClicked(HWND parent, HWND button);

// A sent message that gives up after `timeout` (a hung program must fail
// the test, not hang the driver). False on timeout or failure.
bool SendWithTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                     Milliseconds timeout = Milliseconds{10000});

}  // namespace quorlan::e2e
