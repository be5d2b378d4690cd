// ReadClipboardText against the real clipboard (Wine's, in the test prefix).
#include "platform/clipboard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"

namespace quorlan {
namespace {

// A clipboard owner: SetClipboardData needs the clipboard opened by a window.
class ClipboardOwner {
 public:
  ClipboardOwner()
      : window_(CreateWindowExA(0, "STATIC", "clipboard test", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr)) {}
  ~ClipboardOwner() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  ClipboardOwner(const ClipboardOwner&) = delete;
  ClipboardOwner& operator=(const ClipboardOwner&) = delete;

  // Empties the clipboard and, given bytes, puts them there in one format.
  bool Put(UINT format, const void* bytes, size_t size) {
    if (window_ == nullptr || !OpenClipboard(window_)) return false;
    bool ok = EmptyClipboard() != 0;
    if (ok && bytes != nullptr) {
      HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
      ok = block != nullptr;
      if (ok) {
        std::memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
        ok = SetClipboardData(format, block) != nullptr;
        if (!ok) GlobalFree(block);
      }
    }
    CloseClipboard();
    return ok;
  }
  bool Empty() { return Put(0, nullptr, 0); }

 private:
  HWND window_;
};

TEST(Clipboard, ReadsAnsiTextUpToItsZeroByte) {
  ClipboardOwner owner;
  const Text text = Gbk(u"链接: https://pan.baidu.com/s/1AbCdEf 提取码: x7k2");
  ASSERT_TRUE(owner.Put(CF_TEXT, text.c_str(), text.size() + 1));
  EXPECT_EQ(ReadClipboardText(), text);

  // Bytes after the first zero byte are not part of the text.
  const char withTail[] = "abc\0def";
  ASSERT_TRUE(owner.Put(CF_TEXT, withTail, sizeof withTail));
  EXPECT_EQ(ReadClipboardText(), Text("abc"));
}

TEST(Clipboard, UnicodeTextArrivesInTheAnsiCodePage) {
  if (GetACP() != kCodePageGbk) GTEST_SKIP() << "the system's ANSI code page is not GBK";
  ClipboardOwner owner;
  const std::u16string wide = u"文件名 \u4E2D\u6587 abc";
  ASSERT_TRUE(owner.Put(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(char16_t)));
  EXPECT_EQ(ReadClipboardText(), Gbk(u"文件名 中文 abc"));
}

TEST(Clipboard, NoTextGivesEmpty) {
  ClipboardOwner owner;
  ASSERT_TRUE(owner.Empty());
  EXPECT_EQ(ReadClipboardText(), Text());
}

TEST(Clipboard, BlockWithoutZeroByteIsNeverReadPastItsEnd) {
  ClipboardOwner owner;
  // A multiple of the heap's granularity, so that the block has no slack
  // after it that could happen to hold a zero byte. The system may end the
  // text it hands over with a zero in place of the last byte (Wine does);
  // either way nothing from beyond the block may appear.
  const std::string bytes(256, 'x');
  ASSERT_TRUE(owner.Put(CF_TEXT, bytes.data(), bytes.size()));
  const Text read = ReadClipboardText();
  EXPECT_GE(read.size(), bytes.size() - 1);
  EXPECT_LE(read.size(), bytes.size());
  EXPECT_EQ(read.view().find_first_not_of('x'), std::string_view::npos);
}

struct Holder {
  HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  BOOL held = FALSE;
};

// Holds the clipboard open until told to let go (or for ten seconds at most).
DWORD WINAPI HoldClipboard(void* arg) {
  auto* h = static_cast<Holder*>(arg);
  HWND window = CreateWindowExA(0, "STATIC", "clipboard holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  h->held = window != nullptr && OpenClipboard(window);
  SetEvent(h->opened);
  WaitForSingleObject(h->release, 10000);
  if (h->held) CloseClipboard();
  if (window != nullptr) DestroyWindow(window);
  return 0;
}

// While another thread holds the clipboard open, a read gives empty at once.
TEST(Clipboard, HeldOpenElsewhereGivesEmptyWithoutWaiting) {
  ClipboardOwner owner;
  const Text text("https://pan.baidu.com/s/1AbCdEf");
  ASSERT_TRUE(owner.Put(CF_TEXT, text.c_str(), text.size() + 1));

  Holder holder;
  HANDLE thread = CreateThread(nullptr, 0, HoldClipboard, &holder, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(WaitForSingleObject(holder.opened, 10000), WAIT_OBJECT_0);
  ASSERT_TRUE(holder.held);

  const DWORD start = GetTickCount();
  const Text whileHeld = ReadClipboardText();
  const DWORD elapsed = GetTickCount() - start;
  SetEvent(holder.release);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  CloseHandle(holder.opened);
  CloseHandle(holder.release);

  EXPECT_EQ(whileHeld, Text());
  EXPECT_LT(elapsed, 2000u);
  // Once it is released the same text reads again.
  EXPECT_EQ(ReadClipboardText(), text);
}

}  // namespace
}  // namespace quorlan
