#include "driver/remote_list.h"

#include <commctrl.h>

#include <vector>

#include "driver/gbk.h"
#include "driver/window.h"

namespace quorlan::e2e {
namespace {

// Longest text read back; far beyond anything the program puts in a cell.
constexpr size_t kMaxTextBytes = 1 << 22;

}  // namespace

RemoteMemory::RemoteMemory(HANDLE process, size_t size) : process_(process), size_(size) {
  address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!address_) size_ = 0;
}

RemoteMemory::~RemoteMemory() {
  if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteMemory::Write(size_t offset, const void* data, size_t n) {
  if (!address_ || offset > size_ || n > size_ - offset) return false;
  SIZE_T done = 0;
  return WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, n, &done) &&
         done == n;
}

bool RemoteMemory::Read(size_t offset, void* data, size_t n) const {
  if (!address_ || offset > size_ || n > size_ - offset) return false;
  SIZE_T done = 0;
  return ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, n, &done) &&
         done == n;
}

std::optional<LRESULT> RemoteList::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
  LRESULT result = 0;
  if (!SendWithTimeout(list_, message, wParam, lParam, &result)) return std::nullopt;
  return result;
}

int RemoteList::RowCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT).value_or(-1)); }

int RemoteList::ColumnCount() const {
  HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER).value_or(0));
  if (!header) return -1;
  LRESULT count = -1;
  if (!SendWithTimeout(header, HDM_GETITEMCOUNT, 0, 0, &count)) return -1;
  return static_cast<int>(count);
}

std::optional<ListColumn> RemoteList::Column(int index) const {
  constexpr size_t kChars = 256;
  RemoteMemory memory(process_, sizeof(LVCOLUMNW) + kChars * sizeof(wchar_t));
  if (!memory.ok()) return std::nullopt;
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
  column.pszText = reinterpret_cast<LPWSTR>(memory.At(sizeof column));
  column.cchTextMax = kChars;
  const wchar_t empty = 0;
  if (!memory.Write(0, &column, sizeof column) || !memory.Write(sizeof column, &empty, sizeof empty))
    return std::nullopt;
  if (!Send(LVM_GETCOLUMNW, static_cast<WPARAM>(index), memory.At()).value_or(0))
    return std::nullopt;
  if (!memory.Read(0, &column, sizeof column)) return std::nullopt;
  std::vector<wchar_t> text(kChars);
  if (!memory.Read(sizeof column, text.data(), kChars * sizeof(wchar_t))) return std::nullopt;
  text.back() = 0;
  ListColumn result;
  result.format = column.fmt;
  result.width = column.cx;
  // The control may point pszText at its own copy instead of filling ours.
  if (column.pszText != reinterpret_cast<LPWSTR>(memory.At(sizeof column))) return std::nullopt;
  result.headerGbk = WideToGbk(text.data());
  return result;
}

std::optional<std::string> RemoteList::ColumnHeaderAnsi(int index) const {
  constexpr size_t kBytes = 256;
  RemoteMemory memory(process_, sizeof(LVCOLUMNA) + kBytes);
  if (!memory.ok()) return std::nullopt;
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT;
  column.pszText = reinterpret_cast<LPSTR>(memory.At(sizeof column));
  column.cchTextMax = kBytes;
  const char empty = 0;
  if (!memory.Write(0, &column, sizeof column) || !memory.Write(sizeof column, &empty, 1))
    return std::nullopt;
  if (!Send(LVM_GETCOLUMNA, static_cast<WPARAM>(index), memory.At()).value_or(0))
    return std::nullopt;
  std::vector<char> text(kBytes);
  if (!memory.Read(sizeof column, text.data(), kBytes)) return std::nullopt;
  text.back() = 0;
  return std::string(text.data());
}

namespace {
template <typename T>
std::optional<T> As(std::optional<LRESULT> r) {
  if (!r) return std::nullopt;
  return static_cast<T>(*r);
}
}  // namespace

std::optional<DWORD> RemoteList::ExtendedStyle() const {
  return As<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE));
}
std::optional<COLORREF> RemoteList::TextColor() const { return As<COLORREF>(Send(LVM_GETTEXTCOLOR)); }
std::optional<COLORREF> RemoteList::TextBackgroundColor() const {
  return As<COLORREF>(Send(LVM_GETTEXTBKCOLOR));
}
std::optional<COLORREF> RemoteList::BackgroundColor() const {
  return As<COLORREF>(Send(LVM_GETBKCOLOR));
}

std::optional<std::string> RemoteList::CellText(int row, int column, bool wide) const {
  const size_t unit = wide ? sizeof(wchar_t) : 1;
  for (size_t chars = 512; chars * unit <= kMaxTextBytes; chars *= 2) {
    static_assert(sizeof(LVITEMA) == sizeof(LVITEMW), "one layout for both");
    RemoteMemory memory(process_, sizeof(LVITEMA) + chars * unit);
    if (!memory.ok()) return std::nullopt;
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<LPSTR>(memory.At(sizeof item));
    item.cchTextMax = static_cast<int>(chars);
    const wchar_t empty = 0;
    if (!memory.Write(0, &item, sizeof item) || !memory.Write(sizeof item, &empty, unit))
      return std::nullopt;
    LRESULT length = 0;
    if (!SendWithTimeout(list_, wide ? LVM_GETITEMTEXTW : LVM_GETITEMTEXTA,
                         static_cast<WPARAM>(row), memory.At(), &length))
      return std::nullopt;
    // A length one short of the buffer may mean the text was cut: try again
    // with twice the room.
    if (static_cast<size_t>(length) >= chars - 1) continue;
    std::vector<char> text(static_cast<size_t>(length) * unit);
    if (!text.empty() && !memory.Read(sizeof item, text.data(), text.size())) return std::nullopt;
    if (!wide) return std::string(text.begin(), text.end());
    std::wstring w(reinterpret_cast<const wchar_t*>(text.data()), static_cast<size_t>(length));
    return WideToGbk(w);
  }
  return std::nullopt;
}

std::optional<std::string> RemoteList::CellTextAnsi(int row, int column) const {
  return CellText(row, column, false);
}

std::optional<std::string> RemoteList::CellTextGbk(int row, int column) const {
  return CellText(row, column, true);
}

int RemoteList::StateImage(int row) const {
  const auto state = static_cast<UINT>(
      Send(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK).value_or(0));
  return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12) - 1;
}

bool RemoteList::SetStateImage(int row, int value) const {
  RemoteMemory memory(process_, sizeof(LVITEMA));
  LVITEMA item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(value + 1 < 0 ? 0 : value + 1);
  if (!memory.Write(0, &item, sizeof item)) return false;
  LRESULT ok = 0;
  return SendWithTimeout(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), memory.At(), &ok) &&
         ok != 0;
}

int RemoteList::SelectedRow() const {
  LRESULT row = -1;
  if (!SendWithTimeout(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, &row))
    return -1;
  return static_cast<int>(row);
}

}  // namespace quorlan::e2e
