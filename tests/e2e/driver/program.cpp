#include "driver/program.h"

#include <algorithm>
#include <cwctype>
#include <map>

#include "driver/gbk.h"

namespace quorlan::e2e {
namespace {

std::wstring Upper(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
  return s;
}

// The driver's environment with the extra variables applied, as a sorted
// Unicode environment block.
std::wstring EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& extra) {
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> vars;  // by upper-case name
  if (wchar_t* env = GetEnvironmentStringsW()) {
    for (const wchar_t* p = env; *p; p += wcslen(p) + 1) {
      std::wstring entry(p);
      // Names of the per-drive directories ("=C:") start with "=".
      const size_t eq = entry.find(L'=', 1);
      if (eq == std::wstring::npos) continue;
      std::wstring name = entry.substr(0, eq);
      vars[Upper(name)] = {name, entry.substr(eq + 1)};
    }
    FreeEnvironmentStringsW(env);
  }
  for (const auto& [name, value] : extra) vars[Upper(name)] = {name, value};
  std::wstring block;
  for (const auto& [key, entry] : vars) {
    block += entry.first + L"=" + entry.second;
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

bool IsMainWindowOf(HWND hwnd, DWORD processId) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid == processId;
}

}  // namespace

std::wstring ProgramPathFromEnvironment() {
  const char* path = std::getenv("QUORLAN_EXE");
  if (path == nullptr || *path == '\0') return {};
  // CTest hands over a Unix path; a Windows path is taken as it is.
  if (path[0] != '/') return Utf8ToWide(path);
  return UnixPathToWine(path);
}

HWND FindMainWindowOfAnotherProcess(DWORD exceptProcessId) {
  HWND hwnd = nullptr;
  while ((hwnd = FindWindowExW(nullptr, hwnd, kMainWindowClass, kMainWindowTitle)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != exceptProcessId) return hwnd;
  }
  return nullptr;
}

ProgramUnderTest::ProgramUnderTest(StartOptions options) : options_(std::move(options)) {
  if (options_.executable.empty()) options_.executable = ProgramPathFromEnvironment();
}

ProgramUnderTest::~ProgramUnderTest() {
  Terminate();
  if (process_.hThread) CloseHandle(process_.hThread);
  if (process_.hProcess) CloseHandle(process_.hProcess);
}

bool ProgramUnderTest::Start() {
  if (process_.hProcess) {
    error_ = "already started";
    return false;
  }
  if (options_.executable.empty()) {
    error_ = "no program to start: QUORLAN_EXE is not set";
    return false;
  }
  std::wstring commandLine = L"\"" + options_.executable + L"\"";
  if (!options_.arguments.empty()) commandLine += L" " + options_.arguments;
  std::wstring environment = EnvironmentBlock(options_.extraEnvironment);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startedAt_ = Clock::now();
  if (!CreateProcessW(options_.executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, environment.data(),
                      options_.currentDirectory.empty() ? nullptr
                                                        : options_.currentDirectory.c_str(),
                      &startup, &process_)) {
    error_ = "CreateProcess failed for " + WideToUtf8(options_.executable) + ", error " +
             std::to_string(GetLastError());
    process_ = {};
    return false;
  }
  return true;
}

HWND ProgramUnderTest::WaitForMainWindow(Milliseconds timeout) {
  if (!process_.hProcess) {
    error_ = "not started";
    return nullptr;
  }
  if (mainWindow_ && IsWindow(mainWindow_)) return mainWindow_;
  mainWindow_ = nullptr;
  bool ended = false;
  WaitUntil(
      [&] {
        HWND hwnd = nullptr;
        while ((hwnd = FindWindowExW(nullptr, hwnd, kMainWindowClass, kMainWindowTitle))) {
          if (IsMainWindowOf(hwnd, process_.dwProcessId)) {
            mainWindow_ = hwnd;
            return true;
          }
        }
        ended = !IsRunning();
        return ended;
      },
      timeout, Milliseconds{5});
  if (!mainWindow_) {
    error_ = ended ? "the program ended with code " + std::to_string(ExitCode()) +
                         " before its window appeared"
                   : "no window of class QuorlanMainWindow, title Quorlan appeared within " +
                         std::to_string(timeout.count()) + " ms";
  }
  return mainWindow_;
}

bool ProgramUnderTest::WaitForIdle(Milliseconds timeout) {
  if (!process_.hProcess) {
    error_ = "not started";
    return false;
  }
  const DWORD result = WaitForInputIdle(process_.hProcess, static_cast<DWORD>(timeout.count()));
  if (result == 0) return true;
  error_ = result == WAIT_TIMEOUT
               ? "the program did not reach its message loop within " +
                     std::to_string(timeout.count()) + " ms"
               : "WaitForInputIdle failed, error " + std::to_string(GetLastError());
  return false;
}

bool ProgramUnderTest::StartAndWaitForWindow(Milliseconds timeout) {
  return Start() && WaitForMainWindow(timeout) != nullptr && WaitForIdle(timeout);
}

bool ProgramUnderTest::IsRunning() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ProgramUnderTest::StillRunningAfter(Milliseconds duration) const {
  PumpFor(duration);
  return IsRunning();
}

bool ProgramUnderTest::WaitForExit(Milliseconds timeout) {
  if (!process_.hProcess) return true;
  return WaitUntil([&] { return !IsRunning(); }, timeout, Milliseconds{5});
}

DWORD ProgramUnderTest::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_.hProcess) GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

void ProgramUnderTest::Terminate() {
  if (!IsRunning()) return;
  TerminateProcess(process_.hProcess, 0xDEAD);
  WaitForSingleObject(process_.hProcess, 10000);
}

}  // namespace quorlan::e2e
