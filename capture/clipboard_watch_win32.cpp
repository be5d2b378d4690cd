#include "capture/clipboard_watch.h"

namespace quorlan {
namespace {

// The watch's one record. Written by InstallClipboardWatch and by the chain's
// own notices, read by ClipboardWatchProc: all on the window's thread.
struct ClipboardWatchState {
  WNDPROC PreviousProc = nullptr;  // the window's procedure before the watch
  HWND NextViewer = nullptr;       // the window after ours in the viewer chain
  LPTHREAD_START_ROUTINE WorkerMain = nullptr;
  bool InChain = false;
};
ClipboardWatchState ClipboardWatch;

void StartWorker(HWND window) {
  // One thread per change, started at once and never waited for: several
  // run side by side when changes follow quickly.
  HANDLE thread = CreateThread(nullptr, 0, ClipboardWatch.WorkerMain, window, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
}

}  // namespace

void InstallClipboardWatch(HWND window, LPTHREAD_START_ROUTINE workerMain) {
  ClipboardWatch.WorkerMain = workerMain;
  ClipboardWatch.NextViewer = SetClipboardViewer(window);
  ClipboardWatch.InChain = true;
  ClipboardWatch.PreviousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ClipboardWatchProc)));
}

void RemoveClipboardWatch(HWND window) {
  if (!ClipboardWatch.InChain) return;
  ChangeClipboardChain(window, ClipboardWatch.NextViewer);
  ClipboardWatch.InChain = false;
  ClipboardWatch.NextViewer = nullptr;
}

LRESULT CALLBACK ClipboardWatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWCLIPBOARD:
      if (ClipboardWatch.WorkerMain != nullptr) StartWorker(window);
      // A good member of the chain passes every notice on, so the viewers
      // that joined before this window keep hearing of changes.
      if (ClipboardWatch.InChain && ClipboardWatch.NextViewer != nullptr) {
        SendMessageW(ClipboardWatch.NextViewer, message, wParam, lParam);
      }
      break;
    case WM_CHANGECBCHAIN:
      // A window leaves the chain: when it is the one after ours, its
      // successor follows us now; otherwise the notice travels on.
      if (reinterpret_cast<HWND>(wParam) == ClipboardWatch.NextViewer) {
        ClipboardWatch.NextViewer = reinterpret_cast<HWND>(lParam);
      } else if (ClipboardWatch.InChain && ClipboardWatch.NextViewer != nullptr) {
        SendMessageW(ClipboardWatch.NextViewer, message, wParam, lParam);
      }
      break;
    default:
      break;
  }
  if (ClipboardWatch.PreviousProc == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return CallWindowProcW(ClipboardWatch.PreviousProc, window, message, wParam, lParam);
}

}  // namespace quorlan
