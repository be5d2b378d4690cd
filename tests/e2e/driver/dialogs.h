// The program's message boxes and pop-up menus, seen from outside.
// A message box is a visible "#32770" window of the program's process whose
// "Static" child holds the text; a pop-up menu is a visible "#32768" window.
// Menu items cannot be read across processes, so they are chosen by keyboard.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "driver/wait.h"

namespace quorlan::e2e {

struct MessageBoxSeen {
  HWND window = nullptr;
  std::string captionGbk;
  std::string textGbk;
  HWND owner = nullptr;
};

// The message box the process shows now, if any.
std::optional<MessageBoxSeen> FindMessageBox(DWORD processId);
std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId,
                                                Milliseconds timeout = kDefaultTimeout);
bool IsMessageBoxShowing(DWORD processId);
// Presses OK (WM_COMMAND IDOK) and waits until the box is gone.
bool PressOk(HWND box, Milliseconds timeout = kDefaultTimeout);

HWND FindPopupMenu(DWORD processId);
HWND WaitForPopupMenu(DWORD processId, Milliseconds timeout = kDefaultTimeout);
bool PostMenuKey(HWND menu, UINT virtualKey);
// Chooses the item at `index` (from 0) of an open menu: no item is selected
// when a menu opens, so index + 1 presses of the down arrow, then Enter.
// Waits for the menu to close.
bool ChooseMenuItem(HWND menu, int index, Milliseconds timeout = kDefaultTimeout);
// Closes an open menu without choosing (Escape).
bool DismissMenu(HWND menu, Milliseconds timeout = kDefaultTimeout);

}  // namespace quorlan::e2e
