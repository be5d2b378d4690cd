// The rig's window readers against windows of the driver itself, made on a
// thread of their own: what they read is known, so a fault of the reader
// shows here rather than as a puzzling failure of a program case.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "driver/dialogs.h"
#include "driver/gbk.h"
#include "driver/remote_list.h"
#include "driver/window.h"

namespace quorlan::e2e {
namespace {

TEST(DriverDialogs, MessageBoxIsFoundReadAndAnsweredWithOk) {
  const std::string caption = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
  const std::string text = "\xCE\xB4\xD5\xD2\xB5\xBD IDM";  // 未找到 IDM
  std::atomic<int> answer{0};
  std::thread box([&] {
    answer = MessageBoxW(nullptr, GbkToWide(text).c_str(), GbkToWide(caption).c_str(),
                         MB_OK | MB_TASKMODAL);
  });
  const auto seen = WaitForMessageBox(GetCurrentProcessId(), Milliseconds{10000});
  if (!seen) {
    box.detach();  // nothing to close; the process ends with the test run
    FAIL() << "no message box found";
  }
  EXPECT_EQ(seen->captionGbk, caption);
  EXPECT_EQ(seen->textGbk, text);
  EXPECT_EQ(seen->owner, nullptr);
  EXPECT_TRUE(PressOk(seen->window));
  box.join();
  EXPECT_EQ(answer, IDOK);
  EXPECT_FALSE(IsMessageBoxShowing(GetCurrentProcessId()));
}

TEST(DriverDialogs, MenuItemIsChosenByItsIndex) {
  for (int index = 0; index < 3; ++index) {
    SCOPED_TRACE(index);
    std::atomic<int> chosen{-1};
    std::atomic<HWND> owner{nullptr};
    std::thread menu([&] {
      HWND w = CreateWindowExW(0, L"STATIC", L"menu owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
      owner = w;
      HMENU m = CreatePopupMenu();
      AppendMenuW(m, MF_STRING, 11, L"one");
      AppendMenuW(m, MF_STRING, 12, L"two");
      AppendMenuW(m, MF_STRING, 13, L"three");
      chosen = static_cast<int>(TrackPopupMenu(m, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                               100, 100, 0, w, nullptr));
      DestroyMenu(m);
      DestroyWindow(w);
    });
    HWND popup = WaitForPopupMenu(GetCurrentProcessId(), Milliseconds{10000});
    const bool ok = popup && ChooseMenuItem(popup, index, Milliseconds{10000});
    if (!ok && owner.load()) Post(owner.load(), WM_CANCELMODE);
    menu.join();
    ASSERT_TRUE(ok) << "menu not found or not closed by the keys";
    EXPECT_EQ(chosen, 11 + index);
  }
}

// A list view with known contents on a thread of its own, read through the
// remote-memory path (the driver's own process stands in for the program).
class DriverList : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    thread_ = std::thread([this] { Run(); });
    ASSERT_TRUE(WaitUntil([&] { return list_.load() != nullptr; }, Milliseconds{10000}));
  }
  void TearDown() override {
    while (threadId_ == 0) Sleep(1);
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }

  void Run() {
    HWND top = CreateWindowExW(0, L"STATIC", L"list host", WS_POPUP, 0, 0, 300, 200, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0,
                                300, 200, top, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_CENTER;
    column.cx = 75;
    column.pszText = const_cast<wchar_t*>(L"\u5927\u5C0F");  // 大小
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    for (int row = 0; row < 2; ++row) {
      LVITEMW item{};
      item.iItem = row;
      SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    LVITEMW cell{};
    cell.pszText = const_cast<wchar_t*>(longText_.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&cell));
    cell.pszText = const_cast<wchar_t*>(L"\u6587.txt");  // 文.txt
    SendMessageW(list, LVM_SETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&cell));
    threadId_ = GetCurrentThreadId();
    list_ = list;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    DestroyWindow(top);
  }

  // Far past the first 512-byte buffer; the doubling must bring it home whole.
  const std::wstring longText_ = std::wstring(3000, L'a') + L"\u4E0B";
  std::thread thread_;
  std::atomic<DWORD> threadId_{0};
  std::atomic<HWND> list_{nullptr};
};

TEST_F(DriverList, CellsColumnsAndChecksReadAndSetThroughRemoteMemory) {
  RemoteList list(GetCurrentProcess(), list_);
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.ColumnCount(), 1);
  const auto column = list.Column(0);
  ASSERT_TRUE(column.has_value());
  EXPECT_EQ(column->headerGbk, "\xB4\xF3\xD0\xA1");
  EXPECT_EQ(column->width, 75);
  EXPECT_EQ(column->format & LVCFMT_JUSTIFYMASK, LVCFMT_CENTER);
  EXPECT_FALSE(list.Column(1).has_value());

  const std::string longGbk = std::string(3000, 'a') + "\xCF\xC2";
  EXPECT_EQ(list.CellTextGbk(0, 0), std::optional<std::string>(longGbk));
  EXPECT_EQ(list.CellTextGbk(1, 0), std::optional<std::string>("\xCE\xC4.txt"));
  if (GetACP() == 936) {
    EXPECT_EQ(list.CellTextAnsi(0, 0), std::optional<std::string>(longGbk));
  }
  // A row that does not exist reads as empty with no box.
  EXPECT_EQ(list.StateImage(5), -1);

  // A new row has the empty box; ticking and unticking one row leaves the other.
  EXPECT_EQ(list.StateImage(0), 0);
  EXPECT_EQ(list.StateImage(1), 0);
  ASSERT_TRUE(list.SetChecked(1, true));
  EXPECT_EQ(list.StateImage(0), 0);
  EXPECT_TRUE(list.IsChecked(1));
  ASSERT_TRUE(list.SetChecked(1, false));
  EXPECT_EQ(list.StateImage(1), 0);
  EXPECT_EQ(list.SelectedRow(), -1);
}

}  // namespace
}  // namespace quorlan::e2e
