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
  // Show the window and bring it to the foreground; a run of rows follows.
  kRequestShowAndRaise = WM_APP + 1,
  kRequestAppendRow = WM_APP + 2,  // lParam: const RowCells*; result: the new row's index
  kRequestEndOfRows = WM_APP + 3,  // the run of rows that ShowAndRaise began is over
};

struct RowCells {
  Text Link;
  Text FileName;
  Text Size;
};

// Worker side: synchronous requests to the window. They return once the
// window's thread has carried them out (at once when the window is gone).
//
// While runs of rows are coming in, the list does not repaint after every
// row: a visible list that repaints for each of a thousand rows takes seconds
// instead of a fraction of one. It repaints once when the last run ends, so
// every ShowAndRaise must be followed by one EndOfRows (RowRun does that).
void RequestShowAndRaise(HWND window);
int RequestAppendRow(HWND window, const RowCells& cells);
void RequestEndOfRows(HWND window);

}  // namespace quorlan
