#include "driver/dialogs.h"

#include "driver/window.h"

namespace quorlan::e2e {

std::optional<MessageBoxSeen> FindMessageBox(DWORD processId) {
  HWND box = FindVisibleWindowOf(processId, L"#32770");
  if (!box) return std::nullopt;
  MessageBoxSeen seen;
  seen.window = box;
  seen.captionGbk = WindowTextGbk(box);
  seen.owner = Owner(box);
  // The text is the Static child that has text (an icon, when there is one,
  // is a Static child without).
  for (HWND child : ChildrenInZOrder(box)) {
    if (ClassName(child) == L"Static") {
      std::string text = WindowTextGbk(child);
      if (!text.empty()) {
        seen.textGbk = std::move(text);
        break;
      }
    }
  }
  return seen;
}

std::optional<MessageBoxSeen> WaitForMessageBox(DWORD processId, Milliseconds timeout) {
  std::optional<MessageBoxSeen> seen;
  WaitUntil([&] { return (seen = FindMessageBox(processId)).has_value(); }, timeout);
  return seen;
}

bool IsMessageBoxShowing(DWORD processId) { return FindMessageBox(processId).has_value(); }

bool PressOk(HWND box, Milliseconds timeout) {
  if (!Post(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0)) return false;
  return WaitUntil([&] { return !IsWindow(box) || !IsVisible(box); }, timeout);
}

HWND FindPopupMenu(DWORD processId) { return FindVisibleWindowOf(processId, L"#32768"); }

HWND WaitForPopupMenu(DWORD processId, Milliseconds timeout) {
  HWND menu = nullptr;
  WaitUntil([&] { return (menu = FindPopupMenu(processId)) != nullptr; }, timeout);
  return menu;
}

bool PostMenuKey(HWND menu, UINT virtualKey) {
  return Post(menu, WM_KEYDOWN, virtualKey, 1) && Post(menu, WM_KEYUP, virtualKey, 0xC0000001);
}

namespace {
bool WaitClosed(HWND menu, Milliseconds timeout) {
  return WaitUntil([&] { return !IsWindow(menu) || !IsVisible(menu); }, timeout);
}
}  // namespace

bool ChooseMenuItem(HWND menu, int index, Milliseconds timeout) {
  for (int i = 0; i <= index; ++i) {
    if (!PostMenuKey(menu, VK_DOWN)) return false;
  }
  return PostMenuKey(menu, VK_RETURN) && WaitClosed(menu, timeout);
}

bool DismissMenu(HWND menu, Milliseconds timeout) {
  return PostMenuKey(menu, VK_ESCAPE) && WaitClosed(menu, timeout);
}

}  // namespace quorlan::e2e
