#include "resolver/percent_decode.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace quorlan {
namespace {

struct DecodeCase {
  const char* name;
  const char* input;
  bool convert;
  const char* expected;  // bytes
};

const DecodeCase kDecodeCases[] = {
    {"ordinary escape", "a%20b", false, "a b"},
    {"upper-case digits", "%E4%B8%AD", false, "\xE4\xB8\xAD"},
    {"lower-case digits", "%e4%b8%ad", false, "\xE4\xB8\xAD"},
    {"mixed-case digits", "%fF", false, "\xFF"},
    {"zero byte is never appended", "%00", false, ""},
    {"zero byte inside text", "x%00y", false, "xy"},
    {"percent at the very end: both digits beyond the end", "100%", false, "100"},
    {"lone percent", "%", false, ""},
    {"one digit at the very end: low digit beyond the end", "%4", false, "\x40"},
    {"non-digit high, low beyond the end: 16 * -2 + 0", "%z", false, "\xE0"},
    {"two non-digits: 16 * -2 - 2", "%zz", false, "\xDE"},
    {"non-digit high, digit low", "%G1", false, "\xE1"},
    {"second percent is a digit of the first escape", "%%41", false, "\xE4" "1"},
    {"an escape that yields % is not decoded again", "%2541", false, "%41"},
    {"percent swallows both bytes of a GBK character", "%\xD6\xD0x", false, "\xDE" "x"},
    {"plus stays plus", "a+b", false, "a+b"},
    {"text without percent is unchanged", "<td>a.txt</td> \xD6\xD0\xCE\xC4 &amp;", false,
     "<td>a.txt</td> \xD6\xD0\xCE\xC4 &amp;"},
    {"empty", "", false, ""},
    {"escaped UTF-8 converted to GBK", "%E4%B8%AD", true, "\xD6\xD0"},  // 中
    {"lower-case escaped UTF-8 converted", "%e4%b8%ad%e6%96%87", true, "\xD6\xD0\xCE\xC4"},  // 中文
    {"raw UTF-8 converted to GBK", "\xE4\xB8\xAD.txt", true, "\xD6\xD0.txt"},  // 中
    {"ASCII unchanged by the conversion", "a%20b+c", true, "a b+c"},
    {"lone invalid byte becomes ?", "%zz", true, "?"},
    {"invalid bytes among text", "a%zzb\xFF" "c", true, "a?b?c"},
    {"empty with conversion", "", true, ""},
};

TEST(PercentDecode, EdgeCases) {
  for (const auto& c : kDecodeCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PercentDecode(Text(c.input), c.convert), Text(c.expected));
  }
}

TEST(PercentDecode, PageLongerThanAnyFixedBufferConvertsWhole) {
  // 200,000 escaped characters between plain runs of varying length: the
  // output must hold every one of them, converted, in order.
  std::string input;
  Text expected;
  for (int i = 0; i < 200000; ++i) {
    input += "%E4%B8%AD";  // 中
    expected += "\xD6\xD0";
    const std::string plain(static_cast<size_t>(i % 7), static_cast<char>('a' + i % 26));
    input += plain;
    expected += plain.c_str();
  }
  input += "%E6%96%87";  // 文, last: nothing may be cut at the end
  expected += "\xCE\xC4";
  const Text decoded = PercentDecode(Text(input), true);
  ASSERT_EQ(decoded.size(), expected.size());
  EXPECT_TRUE(decoded == expected);
}

TEST(Utf8ToGbk, ConvertsAndReplaces) {
  struct Case {
    const char* name;
    const char* utf8;
    Text gbk;
  } cases[] = {
      {"chinese", "\xE7\x82\xB9\xE6\x88\x91\xE4\xB8\x8B\xE8\xBD\xBD", Gbk(u"点我下载")},
      {"ascii", "abc <td>", Text("abc <td>")},
      {"character outside GBK", "x\xED\x95\x9C" "y", Text("x?y")},  // a Hangul syllable
      {"empty", "", Text()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToGbk(Text(c.utf8)), c.gbk);
  }
}

}  // namespace
}  // namespace quorlan
