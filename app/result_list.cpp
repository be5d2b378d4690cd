#include "app/result_list.h"

#include <commctrl.h>

#include <string>

#include "app/command_ids.h"
#include "app/ui_texts.h"
#include "platform/codepage.h"

namespace quorlan {
namespace {

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER |
                             WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER;
constexpr DWORD kListExStyle = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT |
                               LVS_EX_FLATSB | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;

struct Column {
  const char* header;
  int width;
  int format;
};
const Column kColumns[] = {
    {ui::kColumnLink, 20, LVCFMT_LEFT},
    {ui::kColumnFileName, 200, LVCFMT_LEFT},
    {ui::kColumnSize, 75, LVCFMT_CENTER},
};

bool RowExists(HWND list, int row) {
  return row >= 0 && row < static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

}  // namespace

ResultList ResultList::Create(HWND parent, HINSTANCE instance, HFONT font) {
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", kListStyle, 8, 8, 296, 288, parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kIdResultList)),
                              instance, nullptr);
  if (list == nullptr) return ResultList();
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, kListExStyle, kListExStyle);
  SendMessageW(list, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
  SendMessageW(list, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
  int index = 0;
  for (const Column& c : kColumns) {
    WideText header = GbkToWide(Text(c.header));
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = c.format;
    column.cx = c.width;
    column.pszText = reinterpret_cast<wchar_t*>(&header[0]);
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
    ++index;
  }
  return ResultList(list);
}

int ResultList::RowCount() const {
  return static_cast<int>(SendMessageW(control_, LVM_GETITEMCOUNT, 0, 0));
}

int ResultList::AppendRow() {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = RowCount();
  wchar_t empty[] = L"";
  item.pszText = empty;
  return static_cast<int>(SendMessageW(control_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void ResultList::SetCellText(int row, int column, const Text& text) {
  if (!RowExists(control_, row)) return;
  WideText wide = GbkToWide(text);
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(wide.c_str()));
  SendMessageW(control_, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

Text ResultList::GetCellText(int row, int column) const {
  if (!RowExists(control_, row)) return Text();
  // The control copies at most the buffer's size; a text that fills the
  // buffer may have been cut, so the buffer grows until it does not.
  std::wstring buffer(512, L'\0');
  for (;;) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = &buffer[0];
    item.cchTextMax = static_cast<int>(buffer.size());
    const int length = static_cast<int>(
        SendMessageW(control_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
    if (length < static_cast<int>(buffer.size()) - 1 || buffer.size() >= (1u << 26)) {
      const size_t n = length > 0 ? static_cast<size_t>(length) : 0;
      return WideToGbk(WideText(reinterpret_cast<const char16_t*>(buffer.data()), n));
    }
    buffer.assign(buffer.size() * 2, L'\0');
  }
}

int ResultList::GetStateImage(int row) const {
  if (!RowExists(control_, row)) return -1;
  const UINT state = static_cast<UINT>(SendMessageW(control_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
  return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12) - 1;
}

void ResultList::SetStateImage(int row, int value) {
  if (!RowExists(control_, row)) return;
  const int index = value + 1 < 0 ? 0 : value + 1;
  LVITEMW item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(index) & 0xF);
  SendMessageW(control_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int ResultList::SelectedRow() const {
  return static_cast<int>(SendMessageW(control_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ResultList::DeleteAllRows() { SendMessageW(control_, LVM_DELETEALLITEMS, 0, 0); }

}  // namespace quorlan
