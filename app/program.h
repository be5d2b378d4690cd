// The program's frame: start-up, the process-wide objects, the handlers bound
// to the main window's events, and the one orderly end. Everything here runs
// on the window's thread, the program's first thread.
#pragma once

#include <windows.h>

#include "app/main_window.h"
#include "platform/text.h"

namespace quorlan {

// The process exit code; reached only if the message loop ends.
int ProgramMain(HINSTANCE instance);

// The single main window; exists from start-up to ExitProgram.
MainWindow& TheMainWindow();

// IDM's executable path as the registry gives it, possibly empty.
extern Text DownloadManagerPath;

void CreateGlobals();
void ReleaseGlobals();

void OnMainWindowCreated();
// A close request or the session-end query: hides the window.
void OnMainWindowCloseQuery();
void ToggleMainWindow();

// The program's one orderly end: destroys the window (which leaves the
// clipboard chain), releases the globals (which removes the icon) and ends
// the process with the code. Never returns.
[[noreturn]] void ExitProgram(int exitCode);

// The window procedure of the main window, innermost of its chain.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quorlan
