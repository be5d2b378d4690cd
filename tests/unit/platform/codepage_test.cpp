// One table of conversion vectors, run against the iconv backend natively and
// against the Win32 backend under Wine.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "app/ui_texts.h"
#include "test_support.h"

namespace quorlan {
namespace {

struct GbkVector {
  const char* name;
  const char* gbk;      // GBK bytes
  const char16_t* wide;  // the same text in UTF-16
};

// Both directions hold for these.
const GbkVector kRoundTrip[] = {
    {"ascii", "Quorlan 1.0 <a href=\"x\">", u"Quorlan 1.0 <a href=\"x\">"},
    {"chinese", "\xD6\xD0\xCE\xC4\xCE\xC4\xBC\xFE\xC3\xFB", u"\u4E2D\u6587\u6587\u4EF6\u540D"},
    {"mixed", "a\xB5\xE3\xCE\xD2\xCF\xC2\xD4\xD8" "b", u"a\u70B9\u6211\u4E0B\u8F7Db"},
    {"euro byte 0x80", "\x80", u"\u20AC"},
    {"full-width colon and ideographic space", "\xA3\xBA\xA1\xA1", u"\uFF1A\u3000"},
    {"empty", "", u""},
};

TEST(CodePage, GbkVectorsConvertBothWays) {
  for (const auto& v : kRoundTrip) {
    SCOPED_TRACE(v.name);
    EXPECT_EQ(TextToWide(Text(v.gbk), kCodePageGbk), WideText(v.wide));
    EXPECT_EQ(WideToText(WideText(v.wide), kCodePageGbk), Text(v.gbk));
  }
}

TEST(CodePage, CharactersOutsideGbkBecomeQuestionMarksNeverLookAlikes) {
  struct Case {
    const char* name;
    const char16_t* wide;
    const char* gbk;
  } cases[] = {
      {"broken bar (best fit would give |)", u"a\u00A6b", "a?b"},
      {"replacement character", u"\uFFFD", "?"},
      {"Hangul syllable", u"x\uD55Cy", "x?y"},
      {"a-circumflex (best fit would give a)", u"\u00E2", "?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WideToText(WideText(c.wide), kCodePageGbk), Text(c.gbk));
  }
}

TEST(CodePage, Utf8DecodesAndInvalidBytesBecomeReplacementCharacters) {
  struct Case {
    const char* name;
    const char* utf8;
    const char16_t* wide;
  } cases[] = {
      {"ascii", "abc", u"abc"},
      {"chinese", "\xE4\xB8\xAD\xE6\x96\x87", u"\u4E2D\u6587"},
      {"supplementary plane", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"lone continuation-less lead byte", "a\xDE" "b", u"a\uFFFDb"},
      {"lone continuation byte", "a\x80" "b", u"a\uFFFDb"},
      {"invalid byte 0xFF", "\xFF", u"\uFFFD"},
      {"empty", "", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TextToWide(Text(c.utf8)), WideText(c.wide));
  }
}

TEST(CodePage, InvalidUtf8EndsAsQuestionMarkInGbk) {
  EXPECT_EQ(WideToText(TextToWide(Text("x\xDEy")), kCodePageGbk), Text("x?y"));
}

TEST(CodePage, TextLongerThanAnyFixedBufferConvertsWhole) {
  // 300,000 characters of Chinese and ASCII: far past every internal buffer.
  Text gbk;
  WideText wide;
  for (int i = 0; i < 100000; ++i) {
    gbk += "\xD6\xD0" "a\xCE\xC4";
    wide += u"\u4E2Da\u6587";
  }
  EXPECT_EQ(TextToWide(gbk, kCodePageGbk), wide);
  EXPECT_EQ(WideToText(wide, kCodePageGbk), gbk);
}

TEST(CodePage, LiteralsAreStoredAsTheirGbkBytes) {
  // The tree writes Chinese literals as GBK bytes; one check that they are.
  EXPECT_EQ(GbkToWide(Text(ui::kColumnFileName)), WideText(u"文件名"));
  EXPECT_EQ(GbkToWide(Text(ui::kColumnSize)), WideText(u"大小"));
}

TEST(TextType, EndsAtTheFirstZeroByte) {
  const char bytes[] = {'a', 'b', '\0', 'c'};
  EXPECT_EQ(Text(bytes, sizeof bytes), Text("ab"));
  Text t("x");
  t.Append(std::string_view(bytes, sizeof bytes));
  t.Append('\0');
  EXPECT_EQ(t, Text("xab"));
  EXPECT_EQ(Text(static_cast<const char*>(nullptr)), Text());
  // An empty view may hold a null pointer (undefined behaviour for memchr).
  EXPECT_EQ(Text(std::string_view()), Text());
  EXPECT_EQ(Text("a").Append(std::string_view()), Text("a"));
}

}  // namespace
}  // namespace quorlan
