// ResultList: the main window's list-view control with check boxes and the
// columns "S" (direct link), "文件名" (file name) and "大小" (size).
// Rows count from 0; a row index that does not exist makes an operation do
// nothing (GetStateImage gives -1, GetCellText the empty Text). Used on the
// window's thread only.
#pragma once

#include <windows.h>

#include "platform/text.h"

namespace quorlan {

class ResultList {
 public:
  // Creates the control as a child of the parent, with its styles, columns,
  // extended styles and colours. Null handle when it cannot be created.
  static ResultList Create(HWND parent, HINSTANCE instance, HFONT font);

  ResultList() = default;
  explicit ResultList(HWND control) : control_(control) {}
  HWND Handle() const { return control_; }

  int RowCount() const;
  int AppendRow();  // a new last row with empty cells and the empty check box
  void SetCellText(int row, int column, const Text& text);
  Text GetCellText(int row, int column) const;
  // The row's state image less one: -1 none, 0 the empty box, 1 ticked.
  int GetStateImage(int row) const;
  void SetStateImage(int row, int value);
  int SelectedRow() const;  // -1 when none
  void DeleteAllRows();

 private:
  HWND control_ = nullptr;
};

}  // namespace quorlan
