// The program's frame seen from outside: start-up, the main window and its
// controls, hiding instead of closing, and the two ways the program ends.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "driver/fixture.h"
#include "driver/gbk.h"
#include "driver/process_stats.h"
#include "driver/remote_list.h"

namespace quorlan::e2e {
namespace {

constexpr char kDownloadCaption[] = "\xCF\xC2\xD4\xD8";  // 下载
constexpr char kColumnFileName[] = "\xCE\xC4\xBC\xFE\xC3\xFB";  // 文件名
constexpr char kColumnSize[] = "\xB4\xF3\xD0\xA1";  // 大小

constexpr int kOuterWidth = 320;
constexpr int kOuterHeight = 332;

// The two children, topmost first; the test fails (and gives nulls) unless
// there are exactly these two.
struct Controls {
  HWND button = nullptr;
  HWND list = nullptr;
};

Controls ControlsOf(HWND main) {
  const std::vector<HWND> children = ChildrenInZOrder(main);
  EXPECT_EQ(children.size(), 2u) << "the window should have the button and the list, nothing else";
  if (children.size() != 2) return {};
  return {children[0], children[1]};
}

void ExpectBits(DWORD value, DWORD present, DWORD absent, const char* what) {
  EXPECT_EQ(value & present, present) << what << ": missing bits 0x" << std::hex
                                      << (present & ~value);
  EXPECT_EQ(value & absent, 0u) << what << ": unwanted bits 0x" << std::hex << (value & absent);
}

// ---------------------------------------------------------------------------

class FrameStart : public ProgramTest {};

TEST_F(FrameStart, RunsWithItsWindowHiddenAndShowsNothing) {
  // Give a wrongly shown window or box a moment to appear.
  ASSERT_TRUE(program_.StillRunningAfter(Milliseconds{500}));
  EXPECT_TRUE(IsWindow(main_));
  EXPECT_FALSE(IsVisible(main_));
  EXPECT_EQ(Style(main_) & WS_VISIBLE, 0u);
  const std::vector<HWND> visible = VisibleTopLevelWindowsOf(program_.ProcessId());
  EXPECT_TRUE(visible.empty()) << "first visible window: class "
                               << (visible.empty() ? "" : WideToUtf8(ClassName(visible[0])));
}

class FrameWindow : public ProgramTest {};

TEST_F(FrameWindow, HasItsSizePositionAndStyles) {
  EXPECT_EQ(ClassName(main_), L"QuorlanMainWindow");
  EXPECT_EQ(WindowTextWide(main_), L"Quorlan");

  const RECT r = WindowRect(main_);
  EXPECT_EQ(Width(r), kOuterWidth);
  EXPECT_EQ(Height(r), kOuterHeight);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - kOuterWidth) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - kOuterHeight) / 2);

  ExpectBits(Style(main_), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
             WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD | WS_POPUP | WS_VISIBLE | WS_MINIMIZE |
                 WS_MAXIMIZE | WS_DISABLED | WS_VSCROLL | WS_HSCROLL,
             "window style");
  // The system gives every captioned window WS_EX_WINDOWEDGE by itself;
  // anything else (topmost, tool window, layered, ...) the program asked for.
  EXPECT_EQ(ExStyle(main_) & ~static_cast<DWORD>(WS_EX_WINDOWEDGE), 0u)
      << "extended style 0x" << std::hex << ExStyle(main_);
  EXPECT_EQ(GetMenu(main_), nullptr);
  EXPECT_EQ(Owner(main_), nullptr);
  EXPECT_EQ(GetAncestor(main_, GA_PARENT), GetDesktopWindow());
}

// The program's own texts, read through the wide functions and converted with
// code page 936 by the driver; these also run under a non-Chinese locale.
class FrameTexts : public ProgramTest {};

TEST_F(FrameTexts, ButtonCaptionAndColumnHeadersAreTheirGbkTexts) {
  EXPECT_EQ(WindowTextWide(main_), L"Quorlan");
  const Controls c = ControlsOf(main_);
  ASSERT_NE(c.button, nullptr);
  EXPECT_EQ(WindowTextGbk(c.button), kDownloadCaption);

  RemoteList list(program_.Process(), c.list);
  const char* headers[] = {"S", kColumnFileName, kColumnSize};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const auto column = list.Column(i);
    ASSERT_TRUE(column.has_value());
    EXPECT_EQ(column->headerGbk, headers[i]);
  }
}

TEST_F(FrameTexts, AnsiViewsMatchWhereTheCodePageIsGbk) {
  if (GetACP() != 936) GTEST_SKIP() << "the ANSI code page here is " << GetACP();
  const Controls c = ControlsOf(main_);
  ASSERT_NE(c.button, nullptr);
  EXPECT_EQ(WindowTextAnsi(c.button), kDownloadCaption);
  RemoteList list(program_.Process(), c.list);
  EXPECT_EQ(list.ColumnHeaderAnsi(1), std::optional<std::string>(kColumnFileName));
  EXPECT_EQ(list.ColumnHeaderAnsi(2), std::optional<std::string>(kColumnSize));
}

class FrameControls : public ProgramTest {};

TEST_F(FrameControls, ButtonLiesOverTheListsCornerAndTakesItsClicks) {
  const Controls c = ControlsOf(main_);
  ASSERT_NE(c.button, nullptr);
  struct Expected {
    const char* name;
    HWND hwnd;
    const wchar_t* className;
    int id;
    RECT rect;  // client coordinates of the main window
  } expected[] = {
      {"button", c.button, L"Button", 2001, {248, 264, 248 + 48, 264 + 24}},
      {"list", c.list, L"SysListView32", 2002, {8, 8, 8 + 296, 8 + 288}},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(ClassName(e.hwnd), e.className);
    EXPECT_EQ(ControlId(e.hwnd), e.id);
    const RECT r = RectInParentClient(e.hwnd);
    EXPECT_EQ(r.left, e.rect.left);
    EXPECT_EQ(r.top, e.rect.top);
    EXPECT_EQ(r.right, e.rect.right);
    EXPECT_EQ(r.bottom, e.rect.bottom);
  }
  // A point in the corner where both lie hits the button, the topmost.
  EXPECT_EQ(ChildWindowFromPointEx(main_, POINT{272, 276}, CWP_ALL), c.button);
  // Outside the button, inside the list.
  EXPECT_EQ(ChildWindowFromPointEx(main_, POINT{100, 100}, CWP_ALL), c.list);
}

TEST_F(FrameControls, ButtonAndListStyles) {
  const Controls c = ControlsOf(main_);
  ASSERT_NE(c.button, nullptr);
  const DWORD button = Style(c.button);
  // BS_PUSHBUTTON is type 0 of the low four bits: not the default button.
  EXPECT_EQ(button & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON)) << std::hex << button;
  ExpectBits(button,
             BS_CENTER | BS_VCENTER | BS_MULTILINE | WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP |
                 WS_VISIBLE,
             WS_DISABLED, "button style");

  const DWORD list = Style(c.list);
  EXPECT_EQ(list & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT)) << std::hex << list;
  ExpectBits(list,
             WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_TABSTOP | WS_VISIBLE |
                 LVS_SINGLESEL | LVS_NOSORTHEADER,
             LVS_SHOWSELALWAYS | LVS_EDITLABELS | LVS_SORTASCENDING | LVS_SORTDESCENDING |
                 LVS_NOCOLUMNHEADER | WS_DISABLED,
             "list style");
  ExpectBits(ExStyle(c.list), 0, WS_EX_CLIENTEDGE | WS_EX_STATICEDGE, "list extended style");
}

class FrameList : public ProgramTest {};

TEST_F(FrameList, ReportViewWithThreeColumnsItsStylesAndColoursAndNoRows) {
  const Controls c = ControlsOf(main_);
  ASSERT_NE(c.list, nullptr);
  RemoteList list(program_.Process(), c.list);

  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.SelectedRow(), -1);
  EXPECT_EQ(list.ColumnCount(), 3);
  struct ExpectedColumn {
    const char* header;
    int width;
    int alignment;
  } columns[] = {
      {"S", 20, LVCFMT_LEFT},
      {kColumnFileName, 200, LVCFMT_LEFT},
      {kColumnSize, 75, LVCFMT_CENTER},
  };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const auto column = list.Column(i);
    ASSERT_TRUE(column.has_value());
    EXPECT_EQ(column->headerGbk, columns[i].header);
    EXPECT_EQ(column->width, columns[i].width);
    EXPECT_EQ(column->format & LVCFMT_JUSTIFYMASK, columns[i].alignment);
  }
  EXPECT_FALSE(list.Column(3).has_value());

  EXPECT_EQ(list.ExtendedStyle(),
            std::optional<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT |
                                 LVS_EX_FLATSB | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES));
  EXPECT_EQ(list.TextColor(), std::optional<COLORREF>(RGB(0, 0, 0)));
  EXPECT_EQ(list.TextBackgroundColor(), std::optional<COLORREF>(RGB(255, 255, 255)));
  EXPECT_EQ(list.BackgroundColor(), std::optional<COLORREF>(RGB(255, 255, 255)));
}

// ---------------------------------------------------------------------------

class FrameLifecycle : public ProgramTest {};

TEST_F(FrameLifecycle, CloseHidesAndTheProcessStaysShowCommandShowsAgain) {
  ShowWindowByCommand();
  ASSERT_TRUE(Post(main_, WM_CLOSE));
  EXPECT_TRUE(WaitUntilVisible(main_, false)) << "WM_CLOSE did not hide the window";
  EXPECT_TRUE(program_.StillRunningAfter(Milliseconds{300}));
  EXPECT_TRUE(IsWindow(main_));
  ShowWindowByCommand();
  // The toggle hides a visible window.
  ASSERT_TRUE(PostCommand(main_, kCommandToggleWindow));
  EXPECT_TRUE(WaitUntilVisible(main_, false)) << "command 1001 did not hide the window";
}

TEST_F(FrameLifecycle, MinimizedThenHiddenComesBackMinimized) {
  ShowWindowByCommand();
  ASSERT_TRUE(Post(main_, WM_SYSCOMMAND, SC_MINIMIZE, 0));
  ASSERT_TRUE(WaitUntil([&] { return IsMinimized(main_); })) << "SC_MINIMIZE did not minimize";
  ASSERT_TRUE(Post(main_, WM_CLOSE));
  ASSERT_TRUE(WaitUntilVisible(main_, false));
  ShowWindowByCommand();
  EXPECT_TRUE(IsMinimized(main_));
}

TEST_F(FrameLifecycle, QueryEndSessionHidesAndLetsTheSessionEnd) {
  ShowWindowByCommand();
  LRESULT answer = FALSE;
  ASSERT_TRUE(SendWithTimeout(main_, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &answer))
      << "no answer to WM_QUERYENDSESSION";
  EXPECT_EQ(answer, TRUE) << "the program must not block the end of the session";
  EXPECT_FALSE(IsVisible(main_));
  EXPECT_TRUE(program_.IsRunning()) << "the query alone must not end the program";

  // The session then ends: the program ends as "关闭" does. The answer of a
  // process that ends inside the message does not matter.
  SendWithTimeout(main_, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, nullptr);
  ASSERT_TRUE(program_.WaitForExit()) << "WM_ENDSESSION TRUE did not end the program";
  EXPECT_EQ(program_.ExitCode(), 0u);
}

TEST_F(FrameLifecycle, CancelledSessionEndKeepsTheProgramRunning) {
  LRESULT answer = FALSE;
  ASSERT_TRUE(SendWithTimeout(main_, WM_QUERYENDSESSION, 0, 0, &answer));
  EXPECT_EQ(answer, TRUE);
  // Another program refused: the session goes on, and so must this one.
  EXPECT_TRUE(SendWithTimeout(main_, WM_ENDSESSION, FALSE, 0, nullptr));
  EXPECT_TRUE(program_.StillRunningAfter(Milliseconds{500}));
  ShowWindowByCommand();
}

TEST(FrameEnd, CloseCommandEndsWithCodeZero) {
  struct Case {
    const char* name;
    bool visible;
  } cases[] = {{"hidden", false}, {"visible", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(FindMainWindowOfAnotherProcess(), nullptr) << "another Quorlan is running";
    ProgramUnderTest program;
    ASSERT_TRUE(program.StartAndWaitForWindow()) << program.Error();
    HWND main = program.MainWindow();
    if (c.visible) {
      ASSERT_TRUE(PostCommand(main, kCommandToggleWindow));
      ASSERT_TRUE(WaitUntilVisible(main, true));
    }
    ASSERT_TRUE(PostCommand(main, kCommandExit));
    ASSERT_TRUE(program.WaitForExit()) << "command 1002 did not end the program";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_FALSE(IsWindow(main));
  }
}

// ---------------------------------------------------------------------------

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

TEST(FrameCost, StartTimeAndIdleCpu) {
  ASSERT_EQ(FindMainWindowOfAnotherProcess(), nullptr) << "another Quorlan is running";
  std::vector<double> startMs, idleMs;
  for (int i = 0; i < 5; ++i) {
    ProgramUnderTest program;
    ASSERT_TRUE(program.Start()) << program.Error();
    ASSERT_NE(program.WaitForMainWindow(), nullptr) << program.Error();
    startMs.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - program.StartedAt()).count());
    ASSERT_TRUE(program.WaitForIdle()) << program.Error();
    idleMs.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - program.StartedAt()).count());
    ASSERT_TRUE(PostCommand(program.MainWindow(), kCommandExit));
    ASSERT_TRUE(program.WaitForExit());
  }
  std::printf("[ figures  ] start to hidden window, median of 5: %.0f ms (min %.0f, max %.0f)\n",
              Median(startMs), *std::min_element(startMs.begin(), startMs.end()),
              *std::max_element(startMs.begin(), startMs.end()));
  std::printf("[ figures  ] start to message loop (input idle), median of 5: %.0f ms\n",
              Median(idleMs));

  ProgramUnderTest program;
  ASSERT_TRUE(program.StartAndWaitForWindow()) << program.Error();
  PumpFor(Milliseconds{1000});  // let start-up finish
  const auto before = CpuTimeMs(program.Process());
  ASSERT_TRUE(before.has_value());
  // Start-up costs something: a reading of 0 here would mean the figure
  // below says nothing.
  EXPECT_GT(*before, 0.0) << "GetProcessTimes reports no CPU time for start-up";
  PumpFor(Milliseconds{3000});
  const auto after = CpuTimeMs(program.Process());
  ASSERT_TRUE(after.has_value());
  const double idleCpuMs = *after - *before;
  const auto memory = MemoryOf(program.Process());
  std::printf("[ figures  ] CPU time of the idle program over 3 s: %.1f ms\n", idleCpuMs);
  if (memory) {
    std::printf("[ figures  ] working set %zu KiB (peak %zu KiB)\n", memory->workingSet / 1024,
                memory->peakWorkingSet / 1024);
  }
  RecordProperty("start_median_ms", static_cast<int>(Median(startMs)));
  RecordProperty("idle_cpu_ms_per_3s", static_cast<int>(idleCpuMs));
  // An idle program waits for messages; a timer or polling loop shows here.
  EXPECT_LT(idleCpuMs, 50.0);
  EXPECT_TRUE(memory.has_value()) << "GetProcessMemoryInfo failed";
}

}  // namespace
}  // namespace quorlan::e2e
