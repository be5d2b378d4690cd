// The fixture most end-to-end cases start from: the program started, its
// main window found, and no other Quorlan around that could make this one
// end as a second instance.
#pragma once

#include <gtest/gtest.h>

#include "driver/program.h"
#include "driver/window.h"

namespace quorlan::e2e {

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HWND stale = FindMainWindowOfAnotherProcess();
    ASSERT_EQ(stale, nullptr) << "another Quorlan (process " << ProcessOf(stale)
                              << ") is running in this Wine prefix";
    ASSERT_TRUE(program_.StartAndWaitForWindow()) << program_.Error();
    main_ = program_.MainWindow();
  }

  // Shows the window through the "显示" command and waits for it.
  void ShowWindowByCommand() {
    ASSERT_TRUE(PostCommand(main_, kCommandToggleWindow));
    ASSERT_TRUE(WaitUntilVisible(main_, true)) << "command 1001 did not show the window";
  }

  ProgramUnderTest program_;
  HWND main_ = nullptr;
};

}  // namespace quorlan::e2e
