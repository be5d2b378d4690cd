// The search shortcuts of the engine: a lazy ".*?" that steps straight to the
// next code unit where the rest of the pattern can begin, and the window of
// the backtracker. Every row states the whole outcome through RegexMatcher
// and is also checked against the Pike VM alone, which takes no shortcut.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/regex_compiler.h"
#include "capture/regex_parser.h"
#include "capture/regex_vm.h"
#include "platform/codepage.h"
#include "regex_test_support.h"

namespace quorlan {
namespace {

// Every match's slots, searched as RegexMatcher does, with Search or with
// the Pike VM alone.
std::vector<int> AllSlots(const std::u16string& pattern, const std::u16string& subject, const char* flags,
                          bool pikeOnly) {
  const RegexOptions o = OptionsFrom(flags);
  regex::Ast ast;
  regex::Program program;
  regex::CompileOptions copt;
  copt.ignoreCase = !o.CaseSensitive;
  copt.multiline = o.Multiline;
  EXPECT_TRUE(regex::Parse(pattern, ast) && regex::Compile(ast, copt, program));
  regex::Vm vm(program);
  std::vector<int> all, found;
  size_t pos = 0;
  while (pos <= subject.size()) {
    const bool hit = pikeOnly ? vm.SearchPike(subject.data(), subject.size(), pos, found)
                              : vm.Search(subject.data(), subject.size(), pos, found);
    if (!hit) break;
    all.insert(all.end(), found.begin(), found.end());
    const size_t end = size_t(found[1]);
    pos = end == size_t(found[0]) ? end + 1 : end;
  }
  return all;
}

struct ScanCase {
  const char* name;
  const char16_t* pattern;
  std::u16string subject;
  const char* flags;
  std::u16string expected;  // see Describe
};

std::u16string Repeat(const char16_t* s, size_t times) {
  std::u16string out;
  for (size_t i = 0; i < times; ++i) out += s;
  return out;
}

TEST(RegexScan, LazyDotStopsOnlyWhereTheRestCanBegin) {
  const std::u16string longX(20000, u'x');
  const ScanCase cases[] = {
      {"a LF ends the dot's run", u"<(.*?)>", u"<a\nb><c>", "", u"[<c>](c)"},
      {"a LF before any stop unit", u"a(.*?)b", u"axx\nxxb ab", "", u"[ab]()"},
      {"a stop unit that is LF itself", u"a(.*?)\\nb", u"ax\nc ax\nb", "", u"[ax\nb](x)"},
      {"stop unit folded: the first either case", u"x(.*?)END", u"xabendEND", "", u"[xabend](ab)"},
      {"stop unit case-sensitive", u"x(.*?)END", u"xabendEND", "c", u"[xabendEND](abend)"},
      {"stop unit inside the group: the rest fails there", u"<td>(.*?)</td>", u"<td>a<b<</tr></td>", "",
       u"[<td>a<b<</tr></td>](a<b<</tr>)"},
      {"the rest fails at its last code unit", u"a(.*?)bcd", u"abcbcbcdx", "", u"[abcbcbcd](bcbc)"},
      {"empty run", u"a(.*?)b", u"ab", "", u"[ab]()"},
      {"no stop unit before the end", u"a(.*?)b", u"axxxx", "", u""},
      {"stop unit at the very end", u"a(.*?)b", u"axxb", "", u"[axxb](xx)"},
      {"groups closing and opening before the stop unit", u"(a.*?)(b)", u"axxbb", "",
       u"[axxb](axx)(b)"},
      {"an assertion after the run", u"a(.*?)$", u"abc\nd", "", u"[abc](bc)"},
      {"a class after the run", u"a(.*?)[0-9]", u"axy7", "", u"[axy7](xy)"},
      {"two runs sharing a stop unit", u"<(.*?)><(.*?)>", u"<a><b<c>", "", u"[<a><b<c>](a)(b<c)"},
      {"non-ASCII stop unit", u"\u70B9(.*?)\u4E0B", u"\u70B9\u6211\u70B9\u4E0B", "",
       u"[\u70B9\u6211\u70B9\u4E0B](\u6211\u70B9)"},
      {"many starts on one line, no end", u"<td>(.*?)</td>", Repeat(u"<td>x", 5000), "", u""},
      {"a run longer than the backtracker's window", u"<td>(.*?)</td>",
       u"<td>" + longX + u"</td><td>y</td>", "", u"[<td>" + longX + u"</td>](" + longX + u")[<td>y</td>](y)"},
      {"rows across the window's end", u"<td>(.*?)</td>", Repeat(u"<td>0123456789abcdef</td>\n", 2000), "",
       Repeat(u"[<td>0123456789abcdef</td>](0123456789abcdef)", 2000)},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RunAndDescribe(WideToGbk(c.pattern), WideToGbk(c.subject), c.flags), WideToGbk(c.expected));
    EXPECT_EQ(AllSlots(c.pattern, c.subject, c.flags, false), AllSlots(c.pattern, c.subject, c.flags, true));
  }
}

}  // namespace
}  // namespace quorlan
