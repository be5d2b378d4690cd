#include "app/program.h"

#include "app/clipboard_worker.h"
#include "app/command_ids.h"
#include "app/menus.h"
#include "app/ui_texts.h"
#include "app/window_requests.h"
#include "capture/clipboard_watch.h"
#include "platform/message.h"

namespace quorlan {

Text DownloadManagerPath;

namespace {

MainWindow g_mainWindow;
// Set by ExitProgram: from then on no event handler of the program runs,
// except the steps of the window's own destruction.
bool g_ending = false;
void (*g_exitRoutine)() = nullptr;

// --- Handlers of the main window's events -------------------------------

void OnCommand(unsigned command) {
  switch (command) {
    case kCmdTrayShow:
      ToggleMainWindow();
      break;
    case kCmdTrayClose:
      ExitProgram(0);
    default:
      break;  // the list menu's items are bound with the list commands
  }
}

void OnMainWindowDestroying() { RemoveClipboardWatch(TheMainWindow().WindowHandle()); }

// --- Requests of worker threads -------------------------------------------

// Runs of rows that workers are adding right now; the list repaints when
// the last one ends.
int g_rowRuns = 0;

void OnShowAndRaise() {
  MainWindow& window = TheMainWindow();
  window.SetVisible(true);
  SetForegroundWindow(window.WindowHandle());
  if (g_rowRuns++ == 0) {
    // Paint what is there now, then hold the list's repainting until the
    // run of rows is over.
    UpdateWindow(window.WindowHandle());
    SendMessageW(window.List().Handle(), WM_SETREDRAW, FALSE, 0);
  }
}

void OnEndOfRows() {
  if (g_rowRuns == 0) return;
  if (--g_rowRuns == 0) {
    HWND list = TheMainWindow().List().Handle();
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
  }
}

LRESULT OnAppendRow(const RowCells* cells) {
  if (cells == nullptr) return -1;
  ResultList& list = TheMainWindow().List();
  const int row = list.AppendRow();
  if (row < 0) return row;
  list.SetCellText(row, 0, cells->Link);
  list.SetCellText(row, 1, cells->FileName);
  list.SetCellText(row, 2, cells->Size);
  return row;
}

}  // namespace

MainWindow& TheMainWindow() { return g_mainWindow; }

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_ending && message != WM_DESTROY && message != WM_NCDESTROY) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  switch (message) {
    case WM_CLOSE:
      OnMainWindowCloseQuery();
      return 0;  // refused: the window only hides
    case WM_QUERYENDSESSION:
      // The window hides, but the end of the session is never refused: a
      // tray tool must not keep the user from logging off or shutting down.
      OnMainWindowCloseQuery();
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != FALSE) ExitProgram(0);  // leaves nothing behind: icon, chain
      return 0;
    case WM_DESTROY:
      OnMainWindowDestroying();
      return 0;
    case WM_COMMAND:
      // Menu items arrive with a zero lParam; control notifications name
      // their control there.
      if (lParam == 0) OnCommand(LOWORD(wParam));
      return 0;
    case kRequestShowAndRaise:
      OnShowAndRaise();
      return 0;
    case kRequestAppendRow:
      return OnAppendRow(reinterpret_cast<const RowCells*>(lParam));
    case kRequestEndOfRows:
      OnEndOfRows();
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void CreateGlobals() {
  // The notification-area icon object is constructed here.
}

void ReleaseGlobals() {
  DownloadManagerPath.clear();
}

void OnMainWindowCreated() {
  // The start-up stages, in this order: the single-instance guard, the
  // download manager's location, the clipboard watch, the notification-area
  // icon and its event routine. Because the watch is installed before the
  // icon's event routine, each message passes the icon's procedure first,
  // then the watch's, then reaches MainWindowProc.
  InstallClipboardWatch(TheMainWindow().WindowHandle(), ClipboardWorkerMain);
}

void OnMainWindowCloseQuery() { TheMainWindow().SetVisible(false); }

void ToggleMainWindow() { TheMainWindow().SetVisible(!TheMainWindow().IsVisible()); }

void ExitProgram(int exitCode) {
  g_ending = true;
  TheMainWindow().Destroy();
  if (g_exitRoutine != nullptr) {
    void (*routine)() = g_exitRoutine;
    g_exitRoutine = nullptr;  // runs once
    routine();
  }
  ExitProcess(static_cast<UINT>(exitCode));
}

int ProgramMain(HINSTANCE instance) {
  CreateGlobals();
  g_exitRoutine = ReleaseGlobals;
  if (!g_mainWindow.Create(instance, MainWindowProc)) {
    ShowMessage(Text(ui::kCreateWindowFailed));
    ExitProcess(static_cast<UINT>(-1));  // the exit routine does not run
  }
  OnMainWindowCreated();
  // The window stays hidden: the program is reached through its icon.
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace quorlan
