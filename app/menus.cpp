#include "app/menus.h"

#include <iterator>

#include "app/command_ids.h"
#include "app/ui_texts.h"
#include "platform/codepage.h"

namespace quorlan {
namespace {

const MenuItem kTrayItems[] = {
    {kCmdTrayShow, ui::kTrayShow},
    {kCmdTrayClose, ui::kTrayClose},
};

const MenuItem kListItems[] = {
    {kCmdListCheckAll, ui::kListCheckAll},
    {kCmdListUncheckAll, ui::kListUncheckAll},
    {kCmdListCopyLinks, ui::kListCopyLinks},
    {kCmdListClear, ui::kListClear},
};

}  // namespace

const MenuDefinition TrayMenu = {ui::kTrayMenuCaption, kTrayItems, std::size(kTrayItems)};
const MenuDefinition ListMenu = {ui::kListMenuCaption, kListItems, std::size(kListItems)};

HMENU BuildPopupMenu(const MenuDefinition& menu) {
  HMENU popup = CreatePopupMenu();
  if (popup == nullptr) return nullptr;
  for (size_t i = 0; i < menu.count; ++i) {
    const WideText caption = GbkToWide(Text(menu.items[i].caption));
    AppendMenuW(popup, MF_STRING, menu.items[i].command,
                reinterpret_cast<const wchar_t*>(caption.c_str()));
  }
  return popup;
}

void PopupMenu(const MenuDefinition& menu, HWND owner) {
  HMENU popup = BuildPopupMenu(menu);
  if (popup == nullptr) return;
  POINT at = {0, 0};
  GetCursorPos(&at);
  TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x + 3, at.y + 3, 0, owner, nullptr);
  DestroyMenu(popup);
}

}  // namespace quorlan
