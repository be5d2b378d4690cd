// RegexMatcher over the program's own engine. A Run compiles the pattern,
// converts the subject to UTF-16 once, and collects every match's capture
// positions; the queries cut the texts out of the stored subject.
#include "capture/regex_matcher.h"

#include <vector>

#include "capture/regex_compiler.h"
#include "capture/regex_parser.h"
#include "capture/regex_vm.h"
#include "platform/codepage.h"

namespace quorlan {

namespace {

// "#引号" in GBK.
constexpr char kQuoteMarker[] = "#\xD2\xFD\xBA\xC5";
constexpr size_t kQuoteMarkerSize = sizeof kQuoteMarker - 1;

// Replaces every quote marker by '"', scanning character by character so
// that a match never starts on the second byte of a double-byte character
// (a byte of 0x80 or above starts one).
Text ReplaceQuoteMarkers(const Text& pattern) {
  const std::string_view p = pattern.view();
  std::string out;
  out.reserve(p.size());
  size_t i = 0;
  while (i < p.size()) {
    if (p.compare(i, kQuoteMarkerSize, kQuoteMarker) == 0) {
      out.push_back('"');
      i += kQuoteMarkerSize;
    } else if (static_cast<unsigned char>(p[i]) >= 0x80 && i + 1 < p.size()) {
      out.append(p, i, 2);
      i += 2;
    } else {
      out.push_back(p[i]);
      ++i;
    }
  }
  return Text(out);
}

}  // namespace

struct RegexMatcher::State {
  bool ran = false;       // a Run happened: the pattern is known
  bool compiled = false;  // the last Run's pattern compiled
  Text pattern;           // after the quote-marker replacement
  WideText subject;
  int groupCount = 0;
  int slotCount = 2;
  // Capture positions of all matches, slotCount per match; -1: no part.
  std::vector<int> slots;
  int matchCount = 0;

  const int* Match(int match) const {
    if (!compiled || match < 1 || match > matchCount) return nullptr;
    return &slots[size_t(match - 1) * slotCount];
  }
  Text Slice(int begin, int end) const {
    if (begin < 0 || end < begin) return Text();
    return WideToGbk(subject.substr(size_t(begin), size_t(end - begin)));
  }
};

RegexMatcher::RegexMatcher() : state_(std::make_unique<State>()) {}
RegexMatcher::~RegexMatcher() = default;

bool RegexMatcher::Run(const Text& pattern, const Text& subject, const RegexOptions& options) {
  State& st = *state_;
  st = State{};
  st.ran = true;
  st.pattern = options.QuoteMarker ? ReplaceQuoteMarkers(pattern) : pattern;
  st.subject = GbkToWide(subject);

  regex::Ast ast;
  regex::Program program;
  regex::CompileOptions copt;
  copt.ignoreCase = !options.CaseSensitive;
  copt.multiline = options.Multiline;
  if (!regex::Parse(GbkToWide(st.pattern), ast) || !regex::Compile(ast, copt, program)) {
    return false;
  }
  st.compiled = true;
  st.groupCount = program.groupCount;
  st.slotCount = program.slotCount;

  regex::Vm vm(program);
  std::vector<int> found;
  const char16_t* s = st.subject.data();
  const size_t n = st.subject.size();
  size_t pos = 0;
  while (pos <= n && vm.Search(s, n, pos, found)) {
    st.slots.insert(st.slots.end(), found.begin(), found.end());
    ++st.matchCount;
    if (!options.Global) break;
    // The next search starts where this match ended; after an empty match
    // one code unit further, so the search always moves on.
    size_t end = size_t(found[1]);
    pos = end == size_t(found[0]) ? end + 1 : end;
  }
  return true;
}

Text RegexMatcher::GetPattern() const { return state_->ran ? state_->pattern : Text(); }

Text RegexMatcher::ReplaceMatches(const Text& replacement) const {
  const State& st = *state_;
  if (!st.compiled) return Text();
  const WideText rep = GbkToWide(replacement);
  const WideText& s = st.subject;
  WideText out;
  out.reserve(s.size());
  size_t copied = 0;  // subject copied up to here
  for (int m = 1; m <= st.matchCount; ++m) {
    const int* slot = st.Match(m);
    const size_t begin = size_t(slot[0]), end = size_t(slot[1]);
    out.append(s, copied, begin - copied);
    for (size_t i = 0; i < rep.size(); ++i) {
      char16_t c = rep[i];
      if (c != '$' || i + 1 >= rep.size()) {
        out.push_back(c);
        continue;
      }
      char16_t d = rep[i + 1];
      if (d == '$') {
        out.push_back('$');
        ++i;
      } else if (d == '&') {
        out.append(s, begin, end - begin);
        ++i;
      } else if (d == '`') {
        out.append(s, 0, begin);
        ++i;
      } else if (d == '\'') {
        out.append(s, end, WideText::npos);
        ++i;
      } else if (d >= '0' && d <= '9') {
        // $nn when group nn exists, else $n when group n exists, else literal.
        int group = 0;
        size_t used = 0;
        if (i + 2 < rep.size() && rep[i + 2] >= '0' && rep[i + 2] <= '9') {
          int two = (d - '0') * 10 + (rep[i + 2] - '0');
          if (two >= 1 && two <= st.groupCount) {
            group = two;
            used = 2;
          }
        }
        if (used == 0 && d >= '1' && d - '0' <= st.groupCount) {
          group = d - '0';
          used = 1;
        }
        if (used == 0) {
          out.push_back('$');
          continue;
        }
        int gb = slot[2 * group], ge = slot[2 * group + 1];
        if (gb >= 0 && ge >= gb) out.append(s, size_t(gb), size_t(ge - gb));
        i += used;
      } else {
        out.push_back('$');
      }
    }
    copied = end;
  }
  out.append(s, copied, WideText::npos);
  return WideToGbk(out);
}

int RegexMatcher::MatchCount() const { return state_->compiled ? state_->matchCount : 0; }

Text RegexMatcher::MatchText(int match) const {
  const int* slot = state_->Match(match);
  return slot ? state_->Slice(slot[0], slot[1]) : Text();
}

Text RegexMatcher::SubMatchText(int match, int group) const {
  const int* slot = state_->Match(match);
  if (!slot || group < 1 || group > state_->groupCount) return Text();
  return state_->Slice(slot[2 * group], slot[2 * group + 1]);
}

int RegexMatcher::SubMatchCount() const {
  return state_->Match(1) ? state_->groupCount : 0;
}

}  // namespace quorlan
