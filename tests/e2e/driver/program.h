// ProgramUnderTest: one run of the real Quorlan.exe. It starts the program,
// finds its (hidden) main window, and ends the process in its destructor if it
// still runs, so that every test leaves no process behind even when it fails.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "driver/wait.h"

namespace quorlan::e2e {

inline constexpr wchar_t kMainWindowClass[] = L"QuorlanMainWindow";
inline constexpr wchar_t kMainWindowTitle[] = L"Quorlan";

struct StartOptions {
  // Windows path of the program; empty: the one that QUORLAN_EXE names.
  std::wstring executable;
  // Appended to the command line after the quoted program path.
  std::wstring arguments;
  // Empty: the driver's own current directory.
  std::wstring currentDirectory;
  // Added to (or replacing, names compared without case) the driver's environment.
  std::vector<std::pair<std::wstring, std::wstring>> extraEnvironment;
};

// The Windows path of Quorlan.exe from the environment variable QUORLAN_EXE
// (a Unix path, as CTest hands it over); empty when the variable is not set.
std::wstring ProgramPathFromEnvironment();

// The main window of another process than `exceptProcessId`, or null: a
// Quorlan left running would make a new start end as a second instance.
HWND FindMainWindowOfAnotherProcess(DWORD exceptProcessId = 0);

class ProgramUnderTest {
 public:
  explicit ProgramUnderTest(StartOptions options = {});
  ~ProgramUnderTest();
  ProgramUnderTest(const ProgramUnderTest&) = delete;
  ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

  // Starts the process; false with Error() set when CreateProcess fails.
  bool Start();
  // Waits for the program's top-level window (class and title, owned by this
  // process), hidden or not. Null when it does not appear in time or the
  // process ends first.
  HWND WaitForMainWindow(Milliseconds timeout = kDefaultTimeout);
  // Waits until start-up is over: the program's thread waits for input in its
  // message loop (or in a message box that start-up shows). The window exists
  // before that, while its controls may still be missing.
  bool WaitForIdle(Milliseconds timeout = kDefaultTimeout);
  // Start(), WaitForMainWindow() and WaitForIdle() in one.
  bool StartAndWaitForWindow(Milliseconds timeout = kDefaultTimeout);

  HWND MainWindow() const { return mainWindow_; }
  HANDLE Process() const { return process_.hProcess; }
  DWORD ProcessId() const { return process_.dwProcessId; }
  DWORD ThreadId() const { return process_.dwThreadId; }
  // When CreateProcess was called.
  Clock::time_point StartedAt() const { return startedAt_; }
  const std::string& Error() const { return error_; }

  bool IsRunning() const;
  // True when the process is still running after `duration` (used to show
  // that something did not end the program).
  bool StillRunningAfter(Milliseconds duration) const;
  // Waits for the process to end; gives false on timeout.
  bool WaitForExit(Milliseconds timeout = kDefaultTimeout);
  // The exit code once the process has ended; STILL_ACTIVE while it runs.
  DWORD ExitCode() const;
  // Ends the process if it still runs, and waits for it.
  void Terminate();

 private:
  StartOptions options_;
  PROCESS_INFORMATION process_{};
  HWND mainWindow_ = nullptr;
  Clock::time_point startedAt_{};
  std::string error_;
};

}  // namespace quorlan::e2e
