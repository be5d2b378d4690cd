// Arbitrary (options, pattern, subject) through the regex engine and the
// matcher: never crashes, never trips a sanitizer, and every answer keeps its
// shape (positions inside the subject, groups inside their match, matches in
// order and not overlapping, the first match the same with Global off, the
// backtracker and the Pike VM in agreement).
//
// Input: byte 0 the options (bit 0 CaseSensitive, 1 Multiline, 2 Global,
// 3 QuoteMarker), then the pattern, a zero byte, and the subject.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture/regex_compiler.h"
#include "capture/regex_matcher.h"
#include "capture/regex_parser.h"
#include "capture/regex_vm.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The engine's own view: positions of every match of the global walk.
void CheckEngine(const quorlan::Text& pattern, const quorlan::Text& subject, bool ignoreCase,
                 bool multiline) {
  using namespace quorlan::regex;
  Ast ast;
  Program program;
  if (!Parse(quorlan::GbkToWide(pattern), ast) || !Compile(ast, {ignoreCase, multiline}, program)) {
    return;
  }
  Check(program.insts.size() <= kMaxProgramSize);
  const std::u16string s = quorlan::GbkToWide(subject);
  Vm vm(program);
  std::vector<int> slots, pike;
  size_t pos = 0;
  int previousEnd = -1;
  for (;;) {
    const bool found = pos <= s.size() && vm.Search(s.data(), s.size(), pos, slots);
    // The backtracker and the Pike VM answer alike.
    Check(found == (pos <= s.size() && vm.SearchPike(s.data(), s.size(), pos, pike)));
    if (!found) break;
    Check(slots == pike);
    Check(slots.size() == size_t(program.slotCount));
    const int b = slots[0], e = slots[1];
    Check(b >= int(pos) && b <= e && e <= int(s.size()));
    Check(b >= previousEnd);
    for (int g = 1; g <= program.groupCount; ++g) {
      const int gb = slots[2 * g], ge = slots[2 * g + 1];
      Check((gb < 0) == (ge < 0));
      if (gb >= 0) Check(b <= gb && gb <= ge && ge <= e);
    }
    previousEnd = e;
    pos = e == b ? size_t(e) + 1 : size_t(e);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  const char* rest = reinterpret_cast<const char*>(data + 1);
  const size_t restSize = size - 1;
  const void* zero = std::memchr(rest, 0, restSize);
  const size_t patternSize = zero ? size_t(static_cast<const char*>(zero) - rest) : restSize;
  const quorlan::Text pattern(rest, patternSize);
  const quorlan::Text subject =
      zero ? quorlan::Text(rest + patternSize + 1, restSize - patternSize - 1) : quorlan::Text();

  quorlan::RegexOptions options;
  options.CaseSensitive = flags & 1;
  options.Multiline = flags & 2;
  options.Global = flags & 4;
  options.QuoteMarker = flags & 8;

  quorlan::RegexMatcher m;
  const bool ran = m.Run(pattern, subject, options);
  const int count = m.MatchCount();
  Check(count >= 0);
  Check(ran || (count == 0 && m.SubMatchCount() == 0));
  if (!options.Global) Check(count <= 1);
  for (int i = 0; i <= count + 1; ++i) {
    const quorlan::Text text = m.MatchText(i);
    if (i == 0 || i > count) Check(text.empty());
    for (int g = -1; g <= m.SubMatchCount() + 1; ++g) {
      const quorlan::Text group = m.SubMatchText(i, g);
      if (i == 0 || i > count || g < 1 || g > m.SubMatchCount()) Check(group.empty());
    }
  }
  m.ReplaceMatches(quorlan::Text("<$1$&$`$'$$$99$>"));

  if (ran && count > 0 && options.Global) {
    quorlan::RegexMatcher once;
    quorlan::RegexOptions first = options;
    first.Global = false;
    Check(once.Run(pattern, subject, first));
    Check(once.MatchCount() == 1 && once.MatchText(1) == m.MatchText(1));
  }

  const quorlan::Text effective = m.GetPattern();
  if (ran) CheckEngine(effective, subject, !options.CaseSensitive, options.Multiline);
  return 0;
}
