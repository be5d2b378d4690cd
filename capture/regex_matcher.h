// RegexMatcher: runs one pattern over one subject Text and answers questions
// about the matches. It runs on the program's own engine (regex_parser,
// regex_compiler, regex_vm): a Pike VM over the UTF-16 code units of the
// subject, linear in the subject's length, with no recursion that grows with it.
//
// Numbering: match and group numbers count from 1. Every failure gives false,
// 0 or the empty Text; nothing is thrown or shown. One object per use, on the
// thread that uses it; never copied.
#pragma once

#include <memory>

#include "platform/text.h"

namespace quorlan {

struct RegexOptions {
  bool CaseSensitive = false;  // ASCII letters match in either case when false
  bool Multiline = true;       // ^ and $ also at line breaks (CR or LF)
  bool Global = true;          // all matches, not only the first
  bool QuoteMarker = false;    // every "#引号" in the pattern becomes a double quote
};

class RegexMatcher {
 public:
  RegexMatcher();
  ~RegexMatcher();
  RegexMatcher(const RegexMatcher&) = delete;
  RegexMatcher& operator=(const RegexMatcher&) = delete;

  // Compiles the pattern and collects the matches in the subject. True when
  // the pattern compiled (the collection may hold no match).
  bool Run(const Text& pattern, const Text& subject, const RegexOptions& options = {});
  Text GetPattern() const;
  Text ReplaceMatches(const Text& replacement) const;
  int MatchCount() const;
  Text MatchText(int match) const;
  Text SubMatchText(int match, int group) const;
  int SubMatchCount() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorlan
