// The body of the thread that the clipboard watch starts for every change of
// the clipboard's content: recognise a share link in the clipboard's text and,
// when there is one, resolve it into rows of the main window's list.
#pragma once

#include <windows.h>

namespace quorlan {

// The argument is the main window's handle, the target of the rows.
DWORD WINAPI ClipboardWorkerMain(LPVOID mainWindow);

}  // namespace quorlan
