// The main window's two pop-up menus. Neither is ever a menu bar; each is
// built afresh when it pops up and destroyed right after.
#pragma once

#include <windows.h>

#include <cstddef>

namespace quorlan {

struct MenuItem {
  unsigned command;     // reaches the owner window as WM_COMMAND
  const char* caption;  // GBK
};

struct MenuDefinition {
  const char* caption;  // GBK; names the menu, never shown
  const MenuItem* items;
  size_t count;
};

extern const MenuDefinition TrayMenu;  // "显示", "关闭"
extern const MenuDefinition ListMenu;  // "全选", "反选", "直链", "清空"

// Builds the pop-up menu of a definition: enabled, unticked string items in
// order, no separators. The caller destroys it. Null when it cannot be made.
HMENU BuildPopupMenu(const MenuDefinition& menu);

// Pops the menu up 3 pixels right of and below the cursor, owned by the
// window (also while the window is hidden). The chosen item arrives later as
// WM_COMMAND from the message loop.
void PopupMenu(const MenuDefinition& menu, HWND owner);

}  // namespace quorlan
