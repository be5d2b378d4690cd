// quorlan_e2e.exe: the end-to-end cases, and one helper mode for
// scripts/screenshot.sh:
//   quorlan_e2e.exe --show-window-for-screenshot DIR
// starts Quorlan.exe (QUORLAN_EXE), shows its window with the "显示" command,
// creates DIR/shown, waits (at most a minute) for DIR/done, then ends the
// program with "关闭". DIR is a Unix path.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "driver/gbk.h"
#include "driver/program.h"
#include "driver/wait.h"
#include "driver/window.h"

namespace {

using namespace quorlan::e2e;

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int ShowWindowForScreenshot(const std::string& unixDir) {
  const std::wstring shown = UnixPathToWine(unixDir + "/shown");
  const std::wstring done = UnixPathToWine(unixDir + "/done");
  ProgramUnderTest program;
  if (!program.StartAndWaitForWindow()) {
    std::fprintf(stderr, "screenshot helper: %s\n", program.Error().c_str());
    return 1;
  }
  PostCommand(program.MainWindow(), kCommandToggleWindow);
  if (!WaitUntilVisible(program.MainWindow(), true)) {
    std::fprintf(stderr, "screenshot helper: the window did not become visible\n");
    return 1;
  }
  HANDLE marker = CreateFileW(shown.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "screenshot helper: cannot create %s\n", WideToUtf8(shown).c_str());
    return 1;
  }
  CloseHandle(marker);
  const bool released = WaitUntil([&] { return FileExists(done); }, Milliseconds{60000},
                                  Milliseconds{50});
  PostCommand(program.MainWindow(), kCommandExit);
  program.WaitForExit(Milliseconds{10000});
  return released ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--show-window-for-screenshot") == 0) {
    return ShowWindowForScreenshot(argv[2]);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
