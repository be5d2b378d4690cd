// The dialect of the regular-expression engine, construct by construct, seen
// through RegexMatcher. Each row states every match and every group.
#include <gtest/gtest.h>

#include <string>

#include "capture/regex_matcher.h"
#include "regex_test_support.h"

namespace quorlan {
namespace {

struct DialectCase {
  const char* name;
  const char16_t* pattern;
  const char16_t* subject;
  const char* flags;        // see OptionsFrom
  const char16_t* expected;  // see Describe
};

const DialectCase kDialect[] = {
    // Literals and escaped punctuation.
    {"literal, all matches", u"abc", u"xabcabc", "", u"[abc][abc]"},
    {"escaped dot is a dot", u"a\\.b", u"axb a.b", "", u"[a.b]"},
    {"escaped metacharacters", u"\\(\\)\\[\\]\\{\\}\\*\\+\\?\\|\\^\\$\\\\\\/", u"()[]{}*+?|^$\\/", "",
     u"[()[]{}*+?|^$\\/]"},
    {"brace that is no quantifier is literal", u"a{,2}b{", u"a{,2}b{", "", u"[a{,2}b{]"},
    {"closing bracket and brace outside a class are literal", u"]}", u"]}", "", u"[]}]"},
    {"chinese literal", u"\u70B9\u6211", u"x\u70B9\u6211y", "", u"[\u70B9\u6211]"},
    {"escaped chinese character is itself", u"\\\u4E2D", u"\u4E2D", "", u"[\u4E2D]"},

    // The dot.
    {"dot is anything but LF", u"a.c", u"abc a\nc a\rc a\u4E2Dc", "", u"[abc][a\rc][a\u4E2Dc]"},

    // Classes.
    {"range", u"[b-d]+", u"abcde", "c", u"[bcd]"},
    {"negated range", u"[^b-d]+", u"abcde", "c", u"[a][e]"},
    {"class escape and dot inside a class", u"[\\d.]+", u"v1.25x", "", u"[1.25]"},
    {"hyphen first and last is literal", u"[-a][a-]", u"-aa-", "", u"[-a][a-]"},
    {"hyphen after a class escape at the end", u"[\\w-]+", u"a-b c", "", u"[a-b][c]"},
    {"escaped bracket and caret inside", u"[\\]^]+", u"a]^]b", "", u"[]^]]"},
    {"backspace inside a class", u"[\\b]", u"a\bb", "", u"[\b]"},
    {"hex and unicode escapes in a range", u"[\\x41-\\x43\\u4E2D]+", u"ABCD\u4E2D", "c",
     u"[ABC][\u4E2D]"},
    {"negated class takes non-ASCII", u"[^a]", u"a\u4E2D", "", u"[\u4E2D]"},

    // Predefined classes.
    {"digits", u"\\d+", u"ab12c345", "", u"[12][345]"},
    {"non-digits", u"\\D+", u"ab12c", "", u"[ab][c]"},
    {"word characters are ASCII only", u"\\w+", u"ab_1 \u4E2D\u6587x", "", u"[ab_1][x]"},
    {"every non-ASCII character is \\W", u"\\W+", u"a\u4E2D b\uFF1A", "", u"[\u4E2D ][\uFF1A]"},
    {"the six spaces", u"\\s", u" \t\n\v\f\r", "", u"[ ][\t][\n][\v][\f][\r]"},
    {"ideographic space is not \\s", u"\\S+", u"a\u3000b c", "", u"[a\u3000b][c]"},

    // Character escapes.
    {"control escapes", u"\\t\\n\\r\\f\\v", u"\t\n\r\f\v", "", u"[\t\n\r\f\v]"},
    {"hex escape", u"\\x41\\x7a", u"Az", "c", u"[Az]"},
    {"unicode escape", u"\\u4E2D\\u6587", u"\u4E2D\u6587", "", u"[\u4E2D\u6587]"},
    {"NUL escape never matches a Text", u"a\\0", u"a", "", u""},

    // Groups and alternation.
    {"groups numbered by opening parenthesis", u"((a)(b))(c)", u"abc", "", u"[abc](ab)(a)(b)(c)"},
    {"non-capturing group is not numbered", u"(?:a)(b)", u"ab", "", u"[ab](b)"},
    {"leftmost alternative first", u"a|ab", u"ab", "", u"[a]"},
    {"longer alternative when written first", u"ab|a", u"ab", "", u"[ab]"},
    {"empty alternative", u"a(b|)c", u"ac abc", "", u"[ac]()[abc](b)"},
    {"group that takes no part", u"(a)|(b)", u"b", "", u"[b]()(b)"},

    // Repetition.
    {"star greedy", u"a*", u"aaa", "", u"[aaa][]"},
    {"plus lazy", u"a+?", u"aaa", "", u"[a][a][a]"},
    {"question lazy prefers nothing", u"a??b", u"ab", "", u"[ab]"},
    {"exact count", u"a{2}", u"aaaaa", "", u"[aa][aa]"},
    {"at least", u"a{2,}", u"a aaaaa", "", u"[aaaaa]"},
    {"bounded greedy", u"a{2,3}", u"aaaaa", "", u"[aaa][aa]"},
    {"bounded lazy", u"a{2,3}?", u"aaaaa", "", u"[aa][aa]"},
    {"zero count matches empty", u"ba{0}", u"baa", "", u"[b]"},
    {"greedy submatches", u"(a+)(a*)", u"aaa", "", u"[aaa](aaa)()"},
    {"lazy submatches", u"(a+?)(a*)", u"aaa", "", u"[aaa](a)(aa)"},
    {"greedy dot runs to the last delimiter", u"<(.*)>", u"<a><b>", "", u"[<a><b>](a><b)"},
    {"lazy dot stops at the first delimiter", u"<(.*?)>", u"<a><b>", "", u"[<a>](a)[<b>](b)"},
    {"group in a repetition reports its last iteration", u"(a|b)+", u"abba", "", u"[abba](a)"},
    {"last iteration keeps a group the iteration skipped", u"(?:(a)|b)+", u"ab", "", u"[ab](a)"},
    {"repeated group of counted copies", u"(\\d){3}", u"123", "", u"[123](3)"},
    {"nested repetition of something empty", u"(a*)*b", u"b", "", u"[b]()"},

    // Anchors.
    {"^ at every line start, CR or LF", u"^\\w", u"ab\ncd\ref", "", u"[a][c][e]"},
    {"$ before every CR and every LF", u"\\w$", u"ab\ncd\ref", "", u"[b][d][f]"},
    {"CRLF holds a line end and a line start", u"^$", u"\r\n", "", u"[][][]"},
    {"^ only at the start without Multiline", u"^a", u"a\na", "s", u"[a]"},
    {"$ only at the end without Multiline", u"a$", u"a\na", "s", u"[a]"},
    {"$ without Multiline is not before a final LF", u"a$", u"a\n", "s", u""},

    // Word boundaries.
    {"word boundary", u"\\bfoo\\b", u"foo.foobar foo", "", u"[foo][foo]"},
    {"non-ASCII next to a word is a boundary", u"\\bfoo", u"\u4E2Dfoo", "", u"[foo]"},
    {"not a word boundary", u"\\Bo", u"oo o", "", u"[o]"},
    {"boundaries as empty matches", u"\\b", u"ab cd", "", u"[][][][]"},

    // Empty matches under Global move on by one code unit.
    {"empty and non-empty matches interleave", u"a*", u"baaa", "", u"[][aaa][]"},
    {"empty pattern on empty subject", u"", u"", "", u"[]"},
    {"empty matches between Chinese characters", u"x*", u"\u4E2D\u6587", "", u"[][][]"},
    {"Global off gives the first match only", u"\\d", u"1 2 3", "1", u"[1]"},

    // Case folding: ASCII letters, also in classes and ranges.
    {"lower-case class matches capitals by default", u"[a-z]+", u"ABC def", "", u"[ABC][def]"},
    {"negated lower-case class refuses capitals", u"[^a-z]", u"Q1", "", u"[1]"},
    {"capital range matches lower case", u"[Q-T]+", u"rQs", "", u"[rQs]"},
    {"literal folds", u"Quorlan", u"qUORLAN", "", u"[qUORLAN]"},
    {"escape of a letter folds", u"\\x51", u"q", "", u"[q]"},
    {"range across the letters folds only letters", u"[Z-a]+", u"z[_`A", "", u"[z[_`A]"},
    {"case-sensitive class", u"[a-z]", u"Q", "c", u""},
    {"case-sensitive negated class", u"[^a-z]", u"Q", "c", u"[Q]"},
    {"case-sensitive literal", u"a", u"A", "c", u""},
};

TEST(RegexDialect, EachConstructMatchesAsDocumented) {
  for (const DialectCase& c : kDialect) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RunAndDescribe(Gbk(c.pattern), Gbk(c.subject), c.flags), Gbk(c.expected));
  }
}

TEST(RegexDialect, RefusedPatternsMakeRunFail) {
  struct Refused {
    const char* name;
    const char16_t* pattern;
  } cases[] = {
      {"unbalanced open", u"(ab"},
      {"unbalanced close", u"ab)"},
      {"open non-capturing group", u"(?:a"},
      {"unterminated class", u"[ab"},
      {"reversed range", u"[z-a]"},
      {"reversed counted bounds", u"a{3,2}"},
      {"count above the bound", u"a{1001}"},
      {"nothing to repeat at the start", u"*a"},
      {"nothing to repeat after a bar", u"a|+b"},
      {"nothing to repeat in an empty group", u"(*)"},
      {"quantifier after a quantifier", u"a**"},
      {"counted quantifier after a quantifier", u"a{2}{3}"},
      {"quantifier after an assertion", u"^*"},
      {"back-reference", u"(a)\\1"},
      {"look-ahead", u"a(?=b)"},
      {"negative look-ahead", u"a(?!b)"},
      {"look-behind", u"(?<=a)b"},
      {"negative look-behind", u"(?<!a)b"},
      {"named group", u"(?<n>a)"},
      {"inline option", u"(?i)a"},
      {"trailing backslash", u"a\\"},
      {"unknown letter escape", u"\\q"},
      {"short hex escape", u"\\x4"},
      {"short unicode escape", u"\\u12G4"},
      {"octal-looking escape", u"\\012"},
      {"empty class", u"[]"},
      {"empty negated class", u"[^]"},
      {"class escape starts a range", u"[\\d-z]"},
      {"class escape ends a range", u"[a-\\d]"},
      {"non-boundary inside a class", u"[\\B]"},
      {"program too large", u"(?:(?:a{1000}){1000}){1000}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RunAndDescribe(Gbk(c.pattern), Text("aab")), Text("!"));
  }
}

TEST(RegexDialect, NestingIsBoundedAtOneThousandGroups) {
  auto nested = [](int depth) {
    return Text(std::string(size_t(depth), '(') + "a" + std::string(size_t(depth), ')'));
  };
  RegexMatcher m;
  ASSERT_TRUE(m.Run(nested(1000), Text("a")));
  EXPECT_EQ(m.SubMatchCount(), 1000);
  EXPECT_EQ(m.SubMatchText(1, 1000), Text("a"));
  EXPECT_FALSE(m.Run(nested(1001), Text("a")));
  EXPECT_EQ(m.MatchCount(), 0);
  // Non-capturing groups count as nesting too.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "(?:";
  EXPECT_FALSE(m.Run(Text(deep), Text("a")));
}

TEST(RegexDialect, LongPatternsDoNotRecurse) {
  // A flat pattern of 2,000 alternatives and one of 10,000 literals compile
  // and run without any recursion growing with them. The alternatives also
  // show leftmost-first priority: "x4" comes before "x1999" in the list.
  std::string alternatives = "x0";
  for (int i = 1; i < 2000; ++i) alternatives += "|x" + std::to_string(i);
  EXPECT_EQ(RunAndDescribe(Text(alternatives), Text("x1999 x7")), Text("[x1][x7]"));
  std::string literals;
  unsigned seed = 12345;
  for (int i = 0; i < 10000; ++i) {
    seed = seed * 1103515245u + 12345u;
    literals += char('a' + (seed >> 16) % 26);
  }
  EXPECT_EQ(RunAndDescribe(Text(literals), Text(literals)), Text("[" + literals + "]"));
}

}  // namespace
}  // namespace quorlan
