// How worker threads reach the main window. The window and its list belong to
// the window's thread, so a worker never touches them: it sends a message and
// waits while the window's thread carries the request out (in the message
// loop, inside a message box, a pop-up menu or a pumping wait). One message
// appends a row together with its three cells, so the rows of two workers
// never mix, and a row emptied away meanwhile never receives another's cells.
#pragma once

#include <windows.h>

#include "platform/text.h"

namespace quorlan {

enum WindowRequest : UINT {
  kRequestShowAndRaise = WM_APP + 1,  // show the window and bring it to the foreground
  kRequestAppendRow = WM_APP + 2,     // lParam: const RowCells*; result: the new row's index
};

struct RowCells {
  Text Link;
  Text FileName;
  Text Size;
};

// Worker side: synchronous requests to the window. They return once the
// window's thread has carried them out (at once when the window is gone).
void RequestShowAndRaise(HWND window);
int RequestAppendRow(HWND window, const RowCells& cells);

}  // namespace quorlan
