#include "app/window_requests.h"

namespace quorlan {

void RequestShowAndRaise(HWND window) { SendMessageW(window, kRequestShowAndRaise, 0, 0); }

int RequestAppendRow(HWND window, const RowCells& cells) {
  return static_cast<int>(SendMessageW(window, kRequestAppendRow, 0, reinterpret_cast<LPARAM>(&cells)));
}

void RequestEndOfRows(HWND window) { SendMessageW(window, kRequestEndOfRows, 0, 0); }

}  // namespace quorlan
