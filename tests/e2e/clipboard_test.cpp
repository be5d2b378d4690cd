// The whole road from a copy to rows: the driver copies text (GBK CF_TEXT, as
// a user's copy arrives), the program recognises a share link, asks the
// resolver stand-in, and appends the files to its list.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/clipboard.h"
#include "driver/fixture.h"
#include "driver/gbk.h"
#include "driver/process_stats.h"
#include "driver/remote_list.h"
#include "driver/standin_client.h"

namespace quorlan::e2e {
namespace {

std::string Gbk(const wchar_t* text) { return WideToGbk(text); }
std::string Utf8(const wchar_t* text) { return WideToUtf8(text); }

struct Cell3 {
  std::string link, name, size;  // GBK, as the list holds them
};

HWND ListOf(HWND main) {
  const std::vector<HWND> children = ChildrenInZOrder(main);
  for (HWND child : children) {
    if (ClassName(child) == L"SysListView32") return child;
  }
  return nullptr;
}

// A route whose rows name their share, so that a row tells where it came from.
StandinRoute RouteWithRows(const std::string& share, int rows, int delayMs = 0) {
  StandinRoute route;
  route.share = share;
  for (int i = 0; i < rows; ++i) {
    const std::string n = std::to_string(i);
    route.rows.push_back({share + "-" + n + Utf8(L"-文件.zip"), share + "/" + n,
                          "http://files.example/" + share + "/" + n + "?sig=%41" + n});
  }
  if (delayMs > 0) route.delayMs = delayMs;
  return route;
}

// The row i of a route as the list shows it: the escape decoded, GBK.
Cell3 ExpectedRow(const std::string& share, int i) {
  const std::string n = std::to_string(i);
  return {"http://files.example/" + share + "/" + n + "?sig=A" + n,
          share + "-" + n + Gbk(L"-文件.zip"), share + "/" + n};
}

class ClipboardRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(standin_.IsRunning()) << "the resolver stand-in is not running on port " << kStandinPort;
    ASSERT_TRUE(standin_.Reset());
    ASSERT_EQ(FindMainWindowOfAnotherProcess(), nullptr) << "another Quorlan is running";
    ASSERT_TRUE(EmptyClipboardNow());
  }

  // Starts a fresh program (ending the previous one of this test, if any).
  void StartProgram() {
    list_.reset();
    program_.reset();
    program_ = std::make_unique<ProgramUnderTest>();
    ASSERT_TRUE(program_->StartAndWaitForWindow()) << program_->Error();
    main_ = program_->MainWindow();
    HWND list = ListOf(main_);
    ASSERT_NE(list, nullptr);
    list_ = std::make_unique<RemoteList>(program_->Process(), list);
    // The watch is installed before the window can take a copy: give the
    // start-up a moment so that the first copy is not lost to it.
    PumpFor(Milliseconds{300});
  }

  std::vector<Cell3> Rows() const {
    std::vector<Cell3> rows;
    const int n = list_->RowCount();
    for (int i = 0; i < n; ++i) {
      rows.push_back({list_->CellTextGbk(i, 0).value_or("?"), list_->CellTextGbk(i, 1).value_or("?"),
                      list_->CellTextGbk(i, 2).value_or("?")});
    }
    return rows;
  }

  bool WaitForRows(int count, Milliseconds timeout = kDefaultTimeout) {
    return WaitUntil([&] { return list_->RowCount() >= count; }, timeout);
  }

  std::string RequestLog() const {
    std::string log;
    if (auto requests = standin_.Requests()) {
      for (const auto& r : *requests) log += "\n  " + r.requestLine;
    }
    return log;
  }

  size_t RequestCount() const {
    auto requests = standin_.Requests();
    return requests ? requests->size() : 0;
  }

  StandinClient standin_;
  std::unique_ptr<ProgramUnderTest> program_;
  HWND main_ = nullptr;
  std::unique_ptr<RemoteList> list_;
};

// ---------------------------------------------------------------------------

struct ShareText {
  const char* name;
  const wchar_t* text;  // what the user copies
  const char* share;    // what the resolver must receive
  const char* pwd;
};

const ShareText kShareTexts[] = {
    {"label and code on one line", L"链接: https://pan.baidu.com/s/1AbCdEf 提取码: x7k2", "1AbCdEf", "x7k2"},
    {"two lines, CR LF", L"链接：https://pan.baidu.com/s/1AbCdEf\r\n提取码：x7k2", "1AbCdEf", "x7k2"},
    {"code in the short link", L"https://pan.baidu.com/s/1AbCdEf?pwd=x7k2", "1AbCdEf", "x7k2"},
    {"code in the long link", L"https://pan.baidu.com/share/init?surl=AbCdEf&pwd=x7k2", "AbCdEf", "x7k2"},
    {"long link, label and code", L"https://pan.baidu.com/share/init?surl=AbCdEf 提取码: x7k2", "AbCdEf",
     "x7k2"},
    {"short link alone", L"https://pan.baidu.com/s/1AbCdEf", "1AbCdEf", ""},
    {"capitals in domain and code", L"HTTPS://PAN.BAIDU.COM/s/1AbCdEf 提取码: X7K2", "1AbCdEf", "X7K2"},
};

TEST_F(ClipboardRoad, TypicalShareTextsBringTheHiddenWindowForwardWithTheRowsInPageOrder) {
  for (const ShareText& c : kShareTexts) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(standin_.Reset());
    ASSERT_TRUE(standin_.AddRoute(RouteWithRows(c.share, 3)));
    StartProgram();
    ASSERT_FALSE(IsVisible(main_));

    ASSERT_TRUE(SetClipboardText(Gbk(c.text)));
    ASSERT_TRUE(WaitForRows(3)) << "rows: " << list_->RowCount();
    EXPECT_TRUE(IsVisible(main_));
    EXPECT_EQ(GetForegroundWindow(), main_);
    const std::vector<Cell3> rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      const Cell3 want = ExpectedRow(c.share, i);
      EXPECT_EQ(rows[i].link, want.link);
      EXPECT_EQ(rows[i].name, want.name);
      EXPECT_EQ(rows[i].size, want.size);
      EXPECT_EQ(list_->StateImage(i), 0) << "a new row has the empty box";
    }
    auto requests = standin_.Requests();
    ASSERT_TRUE(requests);
    ASSERT_EQ(requests->size(), 1u);
    EXPECT_EQ((*requests)[0].share, c.share);
    EXPECT_EQ((*requests)[0].pwd, c.pwd);
    program_.reset();
  }
}

TEST_F(ClipboardRoad, TwoQuickChangesGiveTwoRequestsAndTheRowsTwice) {
  ASSERT_TRUE(standin_.AddRoute(RouteWithRows("1Twice", 2)));
  StartProgram();
  const std::string text = Gbk(L"链接: https://pan.baidu.com/s/1Twice 提取码: abcd");
  ASSERT_TRUE(SetClipboardText(text));
  ASSERT_TRUE(SetClipboardText(text));
  ASSERT_TRUE(WaitForRows(4));
  PumpFor(Milliseconds{500});
  EXPECT_EQ(RequestCount(), 2u);
  const std::vector<Cell3> rows = Rows();
  ASSERT_EQ(rows.size(), 4u);
  // Each share's rows arrive as a unit per row; the two workers' rows may
  // interleave, but every row is a whole row of the page.
  int seen[2] = {0, 0};
  for (const Cell3& row : rows) {
    bool matched = false;
    for (int i = 0; i < 2; ++i) {
      const Cell3 want = ExpectedRow("1Twice", i);
      if (row.link == want.link && row.name == want.name && row.size == want.size) {
        ++seen[i];
        matched = true;
      }
    }
    EXPECT_TRUE(matched) << "row with mixed cells: " << row.link << " | " << row.size;
  }
  EXPECT_EQ(seen[0], 2);
  EXPECT_EQ(seen[1], 2);
}

TEST_F(ClipboardRoad, AChangeDuringASlowAnswerStartsAFurtherWorkerAtOnce) {
  ASSERT_TRUE(standin_.AddRoute(RouteWithRows("1Slow", 1, 4000)));
  ASSERT_TRUE(standin_.AddRoute(RouteWithRows("1Fast", 1)));
  StartProgram();
  ASSERT_TRUE(SetClipboardText(Gbk(L"https://pan.baidu.com/s/1Slow 提取码: abcd")));
  ASSERT_TRUE(WaitUntil([&] { return RequestCount() >= 1; })) << RequestLog();
  EXPECT_EQ(RequestCount(), 1u) << RequestLog();
  ASSERT_TRUE(SetClipboardText(Gbk(L"https://pan.baidu.com/s/1Fast 提取码: abcd")));
  // The fast share's row comes while the slow one is still being answered.
  ASSERT_TRUE(WaitForRows(1, Milliseconds{3000}));
  EXPECT_EQ(Rows()[0].size, ExpectedRow("1Fast", 0).size);
  ASSERT_TRUE(WaitForRows(2));
  EXPECT_EQ(Rows()[1].size, ExpectedRow("1Slow", 0).size);
}

TEST_F(ClipboardRoad, TextWithoutALinkAPictureOrAnEmptyClipboardChangeNothing) {
  StandinRoute any = RouteWithRows("*", 1);
  ASSERT_TRUE(standin_.AddRoute(any));
  StartProgram();
  ASSERT_TRUE(SetClipboardText(Gbk(L"会议记录：下午三点 https://example.com/s/abc")));
  ASSERT_TRUE(SetClipboardBitmapOnly());
  ASSERT_TRUE(EmptyClipboardNow());
  PumpFor(Milliseconds{1500});
  EXPECT_EQ(RequestCount(), 0u) << RequestLog();
  EXPECT_EQ(list_->RowCount(), 0);
  EXPECT_FALSE(IsVisible(main_));
}

TEST_F(ClipboardRoad, WhatIsOnTheClipboardAtStartIsNotExaminedCopyingItAgainIs) {
  ASSERT_TRUE(standin_.AddRoute(RouteWithRows("1Before", 1)));
  const std::string text = Gbk(L"https://pan.baidu.com/s/1Before 提取码: abcd");
  ASSERT_TRUE(SetClipboardText(text));
  StartProgram();
  PumpFor(Milliseconds{1500});
  EXPECT_EQ(RequestCount(), 0u) << RequestLog();
  EXPECT_EQ(list_->RowCount(), 0);
  ASSERT_TRUE(SetClipboardText(text));
  EXPECT_TRUE(WaitForRows(1));
  EXPECT_EQ(RequestCount(), 1u);
}

// ---------------------------------------------------------------------------
// Other clipboard viewers keep hearing of changes while the program is in the
// chain and after it has left.

class CountingViewer {
 public:
  CountingViewer() {
    static ATOM atom = [] {
      WNDCLASSW wc = {};
      wc.lpfnWndProc = &CountingViewer::Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QuorlanE2eViewer";
      return RegisterClassW(&wc);
    }();
    (void)atom;
    window_ = CreateWindowW(L"QuorlanE2eViewer", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~CountingViewer() { Leave(); DestroyWindow(window_); }

  void Join() {
    joining_ = true;
    next_ = SetClipboardViewer(window_);
    joining_ = false;
    inChain_ = true;
    changes_ = 0;
  }
  void Leave() {
    if (inChain_) ChangeClipboardChain(window_, next_);
    inChain_ = false;
  }
  int Changes() const { return changes_; }

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<CountingViewer*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(w, m, wp, lp);
    if (m == WM_DRAWCLIPBOARD) {
      if (!self->joining_) ++self->changes_;
      if (self->next_ != nullptr) SendMessageW(self->next_, m, wp, lp);
      return 0;
    }
    if (m == WM_CHANGECBCHAIN) {
      if (reinterpret_cast<HWND>(wp) == self->next_) {
        self->next_ = reinterpret_cast<HWND>(lp);
      } else if (self->next_ != nullptr) {
        SendMessageW(self->next_, m, wp, lp);
      }
      return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
  }

  HWND window_ = nullptr;
  HWND next_ = nullptr;
  bool inChain_ = false;
  bool joining_ = false;
  int changes_ = 0;
};

TEST_F(ClipboardRoad, ViewersBeforeAndAfterTheProgramHearEveryChangeWhileItRunsAndAfterItEnds) {
  CountingViewer before;
  before.Join();
  StartProgram();
  CountingViewer after;
  after.Join();

  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(SetClipboardText("no link " + std::to_string(i)));
    PumpFor(Milliseconds{100});
  }
  EXPECT_TRUE(WaitUntil([&] { return before.Changes() >= 3 && after.Changes() >= 3; }, Milliseconds{3000}));
  EXPECT_EQ(before.Changes(), 3) << "the viewer that joined before the program";
  EXPECT_EQ(after.Changes(), 3) << "the viewer that joined after the program";

  ASSERT_TRUE(PostCommand(main_, kCommandExit));
  ASSERT_TRUE(program_->WaitForExit());
  EXPECT_EQ(program_->ExitCode(), 0u);
  PumpFor(Milliseconds{200});

  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(SetClipboardText("after " + std::to_string(i)));
    PumpFor(Milliseconds{100});
  }
  EXPECT_TRUE(WaitUntil([&] { return before.Changes() >= 5 && after.Changes() >= 5; }, Milliseconds{3000}));
  EXPECT_EQ(before.Changes(), 5) << "the chain was not relinked when the program left it";
  EXPECT_EQ(after.Changes(), 5);
  after.Leave();
  before.Leave();
}

// ---------------------------------------------------------------------------

TEST_F(ClipboardRoad, ABurstOfChangesAgainstASlowResolverKeepsEveryRowWholeAndTheWindowAnswering) {
  constexpr int kChanges = 200;
  for (int i = 0; i < kChanges; ++i) {
    ASSERT_TRUE(standin_.AddRoute(RouteWithRows("1Burst" + std::to_string(i), 2, 300)));
  }
  StartProgram();
  const auto before = MemoryOf(program_->Process());
  ASSERT_TRUE(before);

  Milliseconds slowest{0};
  for (int i = 0; i < kChanges; ++i) {
    ASSERT_TRUE(SetClipboardText(Gbk(L"链接: https://pan.baidu.com/s/1Burst") + std::to_string(i) +
                                 Gbk(L" 提取码: abcd")));
    if (i % 10 == 0) {
      // The window's thread keeps answering while workers are busy.
      const auto t0 = Clock::now();
      LRESULT r = 0;
      EXPECT_TRUE(SendWithTimeout(main_, WM_NULL, 0, 0, &r, Milliseconds{1000}))
          << "the window did not answer within a second at change " << i;
      slowest = std::max(slowest, std::chrono::duration_cast<Milliseconds>(Clock::now() - t0));
    }
  }
  // Every change starts a worker. A worker reads the clipboard afresh for
  // each pattern it tries, so in a burst it may find a later change's link
  // (that share is then resolved twice and another not at all), or meet the
  // clipboard held open by another worker for a read. So the count of
  // requests is not fixed; wait until the stand-in hears nothing new.
  size_t settled = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        const size_t n = RequestCount();
        const bool same = n == settled && n > 0;
        settled = n;
        return same;
      },
      Milliseconds{120000}, Milliseconds{3000}));
  EXPECT_GE(settled, kChanges * 3u / 4u) << "most changes should reach the resolver";
  auto requests = standin_.Requests();
  ASSERT_TRUE(requests);
  size_t answeredWithRows = 0;
  for (const RecordedRequest& r : *requests) {
    if (r.share.rfind("1Burst", 0) == 0 && r.share.size() <= 9 && std::stoi(r.share.substr(6)) < kChanges) {
      ++answeredWithRows;
    }
  }
  int stable = -1;
  ASSERT_TRUE(WaitUntil(
      [&] {
        const int n = list_->RowCount();
        const bool same = n == stable;
        stable = n;
        return same;
      },
      Milliseconds{60000}, Milliseconds{1500}));
  const std::vector<Cell3> rows = Rows();
  EXPECT_EQ(rows.size(), 2u * answeredWithRows) << "two rows for every request of a known share";
  for (const Cell3& row : rows) {
    // "1BurstN/i" is the size; the link and name must be of that same file.
    const size_t slash = row.size.find('/');
    ASSERT_NE(slash, std::string::npos) << row.size;
    const std::string share = row.size.substr(0, slash);
    const int i = std::stoi(row.size.substr(slash + 1));
    const Cell3 want = ExpectedRow(share, i);
    EXPECT_EQ(row.link, want.link);
    EXPECT_EQ(row.name, want.name);
  }
  PumpFor(Milliseconds{1000});
  const auto after = MemoryOf(program_->Process());
  ASSERT_TRUE(after);
  std::printf("[ figures  ] burst of %d changes: working set %.1f MB before, %.1f MB after, "
              "peak %.1f MB; slowest answer of the window %lld ms\n",
              kChanges, before->workingSet / 1048576.0, after->workingSet / 1048576.0,
              after->peakWorkingSet / 1048576.0, static_cast<long long>(slowest.count()));
  // The rows stay; the workers' threads, connections and pages are gone.
  EXPECT_LT(after->workingSet, before->workingSet + 24u * 1048576u);
}

TEST_F(ClipboardRoad, LatencyFromCopyToTheLastRowOfAThousandRowPage) {
  ASSERT_TRUE(standin_.AddRoute(RouteWithRows("1Thousand", 1000)));
  std::vector<double> ms;
  for (int run = 0; run < 5; ++run) {
    program_.reset();
    StartProgram();
    const auto t0 = Clock::now();
    ASSERT_TRUE(SetClipboardText(Gbk(L"https://pan.baidu.com/s/1Thousand 提取码: abcd")));
    ASSERT_TRUE(WaitUntil([&] { return list_->RowCount() == 1000; }, kDefaultTimeout, Milliseconds{50}))
        << "rows: " << list_->RowCount() << RequestLog();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    std::printf("[ figures  ] run %d: %.0f ms\n", run, ms.back());
    EXPECT_EQ(list_->CellTextGbk(999, 2).value_or(""), ExpectedRow("1Thousand", 999).size);
    program_.reset();
  }
  std::sort(ms.begin(), ms.end());
  std::printf("[ figures  ] copy to last of 1000 rows: median %.0f ms (min %.0f, max %.0f)\n", ms[2],
              ms.front(), ms.back());
}

}  // namespace
}  // namespace quorlan::e2e
