// The program's list-view control read and ticked from the driver's process.
// Messages that carry a pointer get one into the program's address space:
// the structure and its text buffer live in memory allocated there.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quorlan::e2e {

// A block of memory in another process, freed on destruction.
class RemoteMemory {
 public:
  RemoteMemory(HANDLE process, size_t size);
  ~RemoteMemory();
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  bool ok() const { return address_ != nullptr; }
  // The block's address in the other process, offset by `offset` bytes.
  LPARAM At(size_t offset = 0) const {
    return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
  }
  size_t size() const { return size_; }
  bool Write(size_t offset, const void* data, size_t n);
  bool Read(size_t offset, void* data, size_t n) const;

 private:
  HANDLE process_;
  void* address_ = nullptr;
  size_t size_ = 0;
};

struct ListColumn {
  int format = 0;  // LVCFMT_* as the control gives it
  int width = 0;
  std::string headerGbk;  // read wide, converted with code page 936
};

class RemoteList {
 public:
  RemoteList(HANDLE process, HWND list) : process_(process), list_(list) {}

  HWND Handle() const { return list_; }
  // -1 when the request fails (a hung program, say).
  int RowCount() const;
  // The header control's item count; -1 when there is no header.
  int ColumnCount() const;
  // LVM_GETCOLUMNW; nullopt when the column does not exist.
  std::optional<ListColumn> Column(int index) const;
  // The header through LVM_GETCOLUMNA: bytes in the program's ANSI code page.
  std::optional<std::string> ColumnHeaderAnsi(int index) const;
  // nullopt when the request fails.
  std::optional<DWORD> ExtendedStyle() const;
  std::optional<COLORREF> TextColor() const;
  std::optional<COLORREF> TextBackgroundColor() const;
  std::optional<COLORREF> BackgroundColor() const;

  // LVM_GETITEMTEXTA from a 512-byte buffer, doubled while the text fills it:
  // bytes in the program's ANSI code page. nullopt when the request fails.
  std::optional<std::string> CellTextAnsi(int row, int column) const;
  // LVM_GETITEMTEXTW, converted with code page 936.
  std::optional<std::string> CellTextGbk(int row, int column) const;
  // The check state as the program sees it: state image index less one
  // (-1 no box, 0 empty box, 1 ticked).
  int StateImage(int row) const;
  bool IsChecked(int row) const { return StateImage(row) == 1; }
  // LVM_SETITEMSTATE with LVIS_STATEIMAGEMASK and (value + 1) << 12.
  bool SetStateImage(int row, int value) const;
  bool SetChecked(int row, bool checked) const { return SetStateImage(row, checked ? 1 : 0); }
  // LVM_GETNEXTITEM from -1 with LVNI_SELECTED: -1 when nothing is selected.
  int SelectedRow() const;

 private:
  std::optional<LRESULT> Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  std::optional<std::string> CellText(int row, int column, bool wide) const;

  HANDLE process_;
  HWND list_;
};

}  // namespace quorlan::e2e
