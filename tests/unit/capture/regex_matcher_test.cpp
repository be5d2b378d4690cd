// RegexMatcher: the answers of its queries around the edges, its options,
// the quote marker and the replacement syntax.
#include "capture/regex_matcher.h"

#include <gtest/gtest.h>

#include <string>

#include "regex_test_support.h"

namespace quorlan {
namespace {

// Every query of a matcher that holds no match.
void ExpectNothing(const RegexMatcher& m) {
  EXPECT_EQ(m.MatchCount(), 0);
  EXPECT_EQ(m.SubMatchCount(), 0);
  for (int match : {-1, 0, 1, 2}) {
    EXPECT_EQ(m.MatchText(match), Text());
    for (int group : {-1, 0, 1, 2}) EXPECT_EQ(m.SubMatchText(match, group), Text());
  }
}

TEST(RegexMatcher, NoMatchIsASuccessfulRunWithNothingInIt) {
  struct Case {
    const char* name;
    const char* pattern;
    const char* subject;
  } cases[] = {
      {"pattern absent from the subject", "(x)(y)", "abc"},
      {"empty subject, pattern needs a character", "(a)", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexMatcher m;
    EXPECT_TRUE(m.Run(Text(c.pattern), Text(c.subject)));
    ExpectNothing(m);
  }
}

TEST(RegexMatcher, RejectedPatternFailsAndLeavesNothing) {
  RegexMatcher m;
  ASSERT_TRUE(m.Run(Text("(a)"), Text("a")));
  EXPECT_FALSE(m.Run(Text("(a"), Text("a")));
  ExpectNothing(m);
  EXPECT_EQ(m.ReplaceMatches(Text("x")), Text());
  // The pattern was still set.
  EXPECT_EQ(m.GetPattern(), Text("(a"));
}

TEST(RegexMatcher, BeforeAnyRunEverythingIsEmpty) {
  RegexMatcher m;
  ExpectNothing(m);
  EXPECT_EQ(m.GetPattern(), Text());
  EXPECT_EQ(m.ReplaceMatches(Text("x")), Text());
}

TEST(RegexMatcher, EachRunReplacesTheLastOne) {
  RegexMatcher m;
  ASSERT_TRUE(m.Run(Text("(\\d)(\\d)"), Text("12 34")));
  EXPECT_EQ(m.MatchCount(), 2);
  ASSERT_TRUE(m.Run(Text("x"), Text("x")));
  EXPECT_EQ(m.MatchCount(), 1);
  EXPECT_EQ(m.SubMatchCount(), 0);
  EXPECT_EQ(m.MatchText(2), Text());
  EXPECT_EQ(m.SubMatchText(1, 1), Text());
  EXPECT_EQ(m.GetPattern(), Text("x"));
}

TEST(RegexMatcher, NumbersOutsideTheMatchesGiveEmptyTexts) {
  RegexMatcher m;
  ASSERT_TRUE(m.Run(Text("(\\w)(\\d)?"), Text("a1 b")));
  ASSERT_EQ(m.MatchCount(), 2);
  ASSERT_EQ(m.SubMatchCount(), 2);
  EXPECT_EQ(m.MatchText(1), Text("a1"));
  EXPECT_EQ(m.MatchText(2), Text("b"));
  EXPECT_EQ(m.SubMatchText(1, 2), Text("1"));
  // Group 2 took no part in match 2: empty, like a group that matched nothing.
  EXPECT_EQ(m.SubMatchText(2, 2), Text());
  EXPECT_EQ(m.SubMatchText(2, 1), Text("b"));
  for (int bad : {0, -1, -1000, 3, 1 << 30}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(m.MatchText(bad), Text());
    EXPECT_EQ(m.SubMatchText(bad, 1), Text());
    EXPECT_EQ(m.SubMatchText(1, bad), Text());
  }
}

TEST(RegexMatcher, DefaultOptionsFoldCaseCountAllAndEndEveryLine) {
  RegexMatcher m;
  ASSERT_TRUE(m.Run(Text("[a-z]+$"), Text("one\r\nTWO\nThree")));
  ASSERT_EQ(m.MatchCount(), 3);
  EXPECT_EQ(m.MatchText(1), Text("one"));
  EXPECT_EQ(m.MatchText(2), Text("TWO"));
  EXPECT_EQ(m.MatchText(3), Text("Three"));
}

TEST(RegexMatcher, GlobalOffGivesAtMostOneMatch) {
  RegexOptions once;
  once.Global = false;
  RegexMatcher m;
  ASSERT_TRUE(m.Run(Text("\\d"), Text("1 2 3"), once));
  EXPECT_EQ(m.MatchCount(), 1);
  EXPECT_EQ(m.MatchText(1), Text("1"));
  EXPECT_EQ(m.ReplaceMatches(Text("#")), Text("# 2 3"));
}

TEST(RegexMatcher, TextsComeBackAsGbk) {
  // The resolver's row pattern over a page cell with Chinese text.
  const Text pattern = Gbk(u"<td>(.*?)</td><td><a href=\"(.*?)\">\u70B9\u6211\u4E0B\u8F7D</a>");
  const Text page = Gbk(u"<td>\u6587\u4EF6.zip</td><td><a href=\"http://h/\u4E2D\">"
                        u"\u70B9\u6211\u4E0B\u8F7D</a>");
  RegexMatcher m;
  ASSERT_TRUE(m.Run(pattern, page));
  ASSERT_EQ(m.MatchCount(), 1);
  EXPECT_EQ(m.MatchText(1), page);
  EXPECT_EQ(m.SubMatchText(1, 1), Gbk(u"\u6587\u4EF6.zip"));
  EXPECT_EQ(m.SubMatchText(1, 2), Gbk(u"http://h/\u4E2D"));
}

TEST(RegexMatcher, QuoteMarker) {
  const Text marker = Gbk(u"#\u5F15\u53F7");  // #引号
  ASSERT_EQ(marker, Text("#\xD2\xFD\xBA\xC5"));
  struct Case {
    const char* name;
    Text pattern;
    const char* flags;
    Text expectedPattern;
  } cases[] = {
      {"two markers become quotes", Text("href=") + marker + "(.*?)" + marker, "q",
       Text("href=\"(.*?)\"")},
      {"off: the pattern is unchanged", Text("href=") + marker, "", Text("href=") + marker},
      {"after a double-byte character", Gbk(u"\u4E2D") + marker, "q", Gbk(u"\u4E2D\"")},
      {"markers back to back", marker + marker, "q", Text("\"\"")},
      // A byte of 0x80 or above starts a double-byte character, so the '#'
      // right after it is that character's second byte, not a marker.
      {"bytes starting inside a double-byte character", Text("\x81") + marker, "q",
       Text("\x81") + marker},
      {"a broken marker stays", Text("#\xD2\xFD\xBA"), "q", Text("#\xD2\xFD\xBA")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexMatcher m;
    m.Run(c.pattern, Text(""), OptionsFrom(c.flags));
    EXPECT_EQ(m.GetPattern(), c.expectedPattern);
  }

  RegexMatcher m;
  const Text subject = Text("<a href=\"x\"> href=") + marker;
  ASSERT_TRUE(m.Run(Text("href=") + marker + "(\\w*)" + marker, subject, OptionsFrom("q")));
  EXPECT_EQ(Describe(m, true), Text("[href=\"x\"](x)"));
  ASSERT_TRUE(m.Run(Text("href=") + marker, subject));
  EXPECT_EQ(Describe(m, true), Text("[href=") + marker + "]");
}

TEST(RegexMatcher, ReplacementSyntax) {
  struct Case {
    const char* name;
    const char* pattern;
    const char* subject;
    const char* replacement;
    const char* flags;
    const char* expected;
  } cases[] = {
      {"groups", "(\\w+)@(\\w+)", "x a@b y c@d", "$2@$1", "", "x b@a y d@c"},
      {"whole match", "\\d+", "a12b3", "[$&]", "", "a[12]b[3]"},
      {"before the match", "b", "abc", "<$`>", "", "a<a>c"},
      {"after the match", "b", "abc", "<$'>", "", "a<c>c"},
      {"dollar dollar", "b", "abc", "$$", "", "a$c"},
      {"dollar at the end is literal", "b", "abc", "x$", "", "ax$c"},
      {"unknown dollar sequences are literal", "b", "abc", "$x$0$", "", "a$x$0$c"},
      {"group that does not exist is literal", "(b)", "abc", "$2", "", "a$2c"},
      {"one digit when two-digit group does not exist", "(b)", "abc", "$10", "", "ab0c"},
      {"leading zero", "(b)", "abc", "$01", "", "abc"},
      {"two digits when the group exists", "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "abcdefghij", "$10$1",
       "", "ja"},
      {"group that took no part is empty", "(x)?b", "abc", "<$1>", "", "a<>c"},
      {"only the first without Global", "\\d", "1 2", "#", "1", "# 2"},
      {"no match leaves the subject", "z", "abc", "#", "", "abc"},
      {"empty matches", "x*", "ab", "-", "", "-a-b-"},
      {"empty replacement deletes", "\\s+", "a b  c", "", "", "abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexMatcher m;
    ASSERT_TRUE(m.Run(Text(c.pattern), Text(c.subject), OptionsFrom(c.flags)));
    EXPECT_EQ(m.ReplaceMatches(Text(c.replacement)), Text(c.expected));
  }
  RegexMatcher m;
  ASSERT_TRUE(m.Run(Text("(\\d)"), Gbk(u"\u4E2D1\u6587")));
  EXPECT_EQ(m.ReplaceMatches(Gbk(u"<$1\u5B57>")), Gbk(u"\u4E2D<1\u5B57>\u6587"));
}

TEST(RegexMatcher, TenMegabyteSubjectRunsInConstantStack) {
  // 10 MB of text with one line break near the end: the whole first line is
  // one match of a repetition over ten million characters.
  std::string big(10 * 1000 * 1000, 'a');
  big[big.size() - 2] = '\n';
  RegexMatcher m;
  ASSERT_TRUE(m.Run(Text("^(a|b)+$"), Text(big)));
  ASSERT_EQ(m.MatchCount(), 2);
  EXPECT_EQ(m.MatchText(1).size(), big.size() - 2);
  EXPECT_EQ(m.SubMatchText(1, 1), Text("a"));
  EXPECT_EQ(m.MatchText(2), Text("a"));
  // Lazy row pattern over a subject where nothing matches.
  ASSERT_TRUE(m.Run(Text("<td>(.*?)</td>"), Text(std::string(10 * 1000 * 1000, '<'))));
  EXPECT_EQ(m.MatchCount(), 0);
}

}  // namespace
}  // namespace quorlan
