// Helpers for the regular-expression tests: run a pattern and describe every
// match in one string, so that a table row can state the whole outcome.
#pragma once

#include <string>

#include "capture/regex_matcher.h"
#include "test_support.h"

namespace quorlan {

// Options from letters: c = CaseSensitive, s = Multiline off,
// 1 = Global off, q = QuoteMarker; every other option at its default.
inline RegexOptions OptionsFrom(const char* flags) {
  RegexOptions o;
  for (const char* f = flags; *f; ++f) {
    switch (*f) {
      case 'c': o.CaseSensitive = true; break;
      case 's': o.Multiline = false; break;
      case '1': o.Global = false; break;
      case 'q': o.QuoteMarker = true; break;
    }
  }
  return o;
}

// "!" when Run refuses the pattern; otherwise every match as "[text]"
// followed by "(group)" for each of its groups; "" when nothing matched.
inline Text Describe(const RegexMatcher& m, bool ran) {
  if (!ran) return Text("!");
  Text out;
  for (int i = 1; i <= m.MatchCount(); ++i) {
    out += "[";
    out += m.MatchText(i);
    out += "]";
    for (int g = 1; g <= m.SubMatchCount(); ++g) {
      out += "(";
      out += m.SubMatchText(i, g);
      out += ")";
    }
  }
  return out;
}

inline Text RunAndDescribe(const Text& pattern, const Text& subject, const char* flags = "") {
  RegexMatcher m;
  bool ran = m.Run(pattern, subject, OptionsFrom(flags));
  return Describe(m, ran);
}

}  // namespace quorlan
