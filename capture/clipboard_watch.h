// The clipboard watch: makes the main window hear of every change of the
// clipboard's content and starts one worker thread per change. Windows only;
// everything here runs on the main window's thread.
//
// The window joins the clipboard viewer chain and its window procedure is
// replaced by ClipboardWatchProc, which sees each message before the
// window's own procedure does.
#pragma once

#include <windows.h>

namespace quorlan {

// Joins the chain with the window, then puts ClipboardWatchProc in front of
// the window's procedure. The notice that joining sends arrives before the
// procedure is replaced, so the content on the clipboard at this moment is not
// examined. Each later notice starts a thread running workerMain with the
// window's handle as its argument; the thread is never waited for.
void InstallClipboardWatch(HWND window, LPTHREAD_START_ROUTINE workerMain);

// Takes the window out of the chain; its procedure stays replaced and keeps
// passing the last messages on until the window is gone.
void RemoveClipboardWatch(HWND window);

LRESULT CALLBACK ClipboardWatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quorlan
