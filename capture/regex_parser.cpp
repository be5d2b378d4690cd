// Pattern parser: one left-to-right pass over the pattern with an explicit
// stack of open groups.
//
// Invariants of the pass:
// - frames.back() is the innermost open group; frames[0] is the whole pattern.
// - A frame holds the finished alternatives of its group (`branches`, one node
//   each) and the items of the alternative being read (`items`).
// - A node is appended to ast.nodes only once all its children are there, so
//   the vector is in post-order: children before parents, the root last.
// - `repeatable` tells whether the last item may take a quantifier: true right
//   after an atom, false at the start of an alternative, after an assertion and
//   after a quantifier (so "a**" and "^*" are refused, as "nothing to repeat").
#include "capture/regex_parser.h"

#include <algorithm>

namespace quorlan::regex {

void CharSet::Add(char16_t lo, char16_t hi) {
  ranges.push_back({lo, hi});
  Normalise();
}

void CharSet::AddSet(const CharSet& other) {
  ranges.insert(ranges.end(), other.ranges.begin(), other.ranges.end());
  Normalise();
}

void CharSet::FoldAsciiCase() {
  std::vector<Range> extra;
  for (const Range& r : ranges) {
    // The part of the range inside A-Z maps to a-z and the other way round.
    int lo = std::max<int>(r.lo, 'A'), hi = std::min<int>(r.hi, 'Z');
    if (lo <= hi) extra.push_back({char16_t(lo + 32), char16_t(hi + 32)});
    lo = std::max<int>(r.lo, 'a');
    hi = std::min<int>(r.hi, 'z');
    if (lo <= hi) extra.push_back({char16_t(lo - 32), char16_t(hi - 32)});
  }
  ranges.insert(ranges.end(), extra.begin(), extra.end());
  Normalise();
}

void CharSet::Negate() {
  std::vector<Range> out;
  int next = 0;  // first code unit not yet covered
  for (const Range& r : ranges) {
    if (r.lo > next) out.push_back({char16_t(next), char16_t(r.lo - 1)});
    next = r.hi + 1;
  }
  if (next <= 0xFFFF) out.push_back({char16_t(next), char16_t(0xFFFF)});
  ranges = std::move(out);
}

bool CharSet::Contains(char16_t c) const {
  auto it = std::upper_bound(ranges.begin(), ranges.end(), c,
                             [](char16_t v, const Range& r) { return v < r.lo; });
  return it != ranges.begin() && c <= (it - 1)->hi;
}

void CharSet::Normalise() {
  std::sort(ranges.begin(), ranges.end(),
            [](const Range& a, const Range& b) { return a.lo < b.lo; });
  std::vector<Range> out;
  for (const Range& r : ranges) {
    if (!out.empty() && int(r.lo) <= int(out.back().hi) + 1) {
      out.back().hi = std::max(out.back().hi, r.hi);
    } else {
      out.push_back(r);
    }
  }
  ranges = std::move(out);
}

CharSet DigitSet() {
  CharSet s;
  s.Add('0', '9');
  return s;
}

CharSet WordSet() {
  CharSet s;
  s.Add('0', '9');
  s.Add('A', 'Z');
  s.Add('_', '_');
  s.Add('a', 'z');
  return s;
}

CharSet SpaceSet() {
  // Exactly TAB, LF, VT, FF, CR and space; no other (no U+3000, no U+00A0).
  CharSet s;
  s.Add('\t', '\r');
  s.Add(' ', ' ');
  return s;
}

namespace {

bool IsHex(char16_t c, int& value) {
  if (c >= '0' && c <= '9') value = c - '0';
  else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  else return false;
  return true;
}

bool IsAsciiAlnum(char16_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What one escape stands for.
struct Escape {
  enum Kind { kChar, kSet, kAssert } kind = kChar;
  char16_t ch = 0;
  CharSet set;
  AssertKind assertion = AssertKind::kWordBoundary;
};

class Parser {
 public:
  Parser(const std::u16string& p, Ast& ast) : p_(p), ast_(ast) {}

  bool Run() {
    ast_.nodes.clear();
    ast_.groupCount = 0;
    frames_.push_back(Frame{});
    while (i_ < p_.size()) {
      char16_t c = p_[i_++];
      switch (c) {
        case '(':
          if (!OpenGroup()) return false;
          break;
        case ')':
          if (frames_.size() == 1) return false;  // unbalanced
          CloseGroup();
          break;
        case '|':
          EndBranch();
          break;
        case '*':
          if (!Quantify(0, -1)) return false;
          break;
        case '+':
          if (!Quantify(1, -1)) return false;
          break;
        case '?':
          if (!Quantify(0, 1)) return false;
          break;
        case '{': {
          int min = 0, max = 0;
          size_t after = 0;
          int counted = ReadCount(i_, min, max, after);
          if (counted < 0) return false;
          if (counted == 0) {
            AddAtom(Literal('{'));  // not a quantifier: the brace itself
          } else {
            i_ = after;
            if (!Quantify(min, max)) return false;
          }
          break;
        }
        case '^':
          AddAssert(AssertKind::kLineStart);
          break;
        case '$':
          AddAssert(AssertKind::kLineEnd);
          break;
        case '.': {
          Node n;
          n.kind = NodeKind::kAnyButLf;
          AddAtom(Push(std::move(n)));
          break;
        }
        case '[':
          if (!ParseClass()) return false;
          break;
        case '\\': {
          Escape e;
          if (!ParseEscape(false, e)) return false;
          if (e.kind == Escape::kAssert) {
            AddAssert(e.assertion);
          } else if (e.kind == Escape::kSet) {
            AddAtom(SetNode(std::move(e.set)));
          } else {
            AddAtom(Literal(e.ch));
          }
          break;
        }
        default:
          AddAtom(Literal(c));
          break;
      }
    }
    if (frames_.size() != 1) return false;  // a group left open
    FinishFrame(frames_.back());
    return true;
  }

 private:
  struct Frame {
    std::vector<int> branches;
    std::vector<int> items;
    int group = -1;  // capture number, -1 for (?: ) and for the whole pattern
    bool repeatable = false;
  };

  int Push(Node n) {
    ast_.nodes.push_back(std::move(n));
    return int(ast_.nodes.size()) - 1;
  }

  int Literal(char16_t c) {
    Node n;
    n.kind = NodeKind::kLiteral;
    n.ch = c;
    return Push(std::move(n));
  }

  int SetNode(CharSet s) {
    Node n;
    n.kind = NodeKind::kClass;
    n.set = std::move(s);
    return Push(std::move(n));
  }

  void AddAtom(int node) {
    frames_.back().items.push_back(node);
    frames_.back().repeatable = true;
  }

  void AddAssert(AssertKind k) {
    Node n;
    n.kind = NodeKind::kAssert;
    n.assertion = k;
    frames_.back().items.push_back(Push(std::move(n)));
    frames_.back().repeatable = false;
  }

  bool OpenGroup() {
    if (int(frames_.size()) > kMaxNesting) return false;
    Frame f;
    if (i_ < p_.size() && p_[i_] == '?') {
      // Only (?: ) is known. Look-ahead (?= ) (?! ), look-behind (?<= ) (?<! ),
      // named groups and inline options are refused: the Pike VM runs one
      // forward pass and keeps no look-around machinery.
      if (i_ + 1 < p_.size() && p_[i_ + 1] == ':') {
        i_ += 2;
      } else {
        return false;
      }
    } else {
      f.group = ++ast_.groupCount;
    }
    frames_.push_back(std::move(f));
    return true;
  }

  void CloseGroup() {
    Frame f = std::move(frames_.back());
    frames_.pop_back();
    int inner = FinishFrame(f);
    if (f.group > 0) {
      Node n;
      n.kind = NodeKind::kCapture;
      n.group = f.group;
      n.children.push_back(inner);
      inner = Push(std::move(n));
    }
    AddAtom(inner);
  }

  // The items of the current alternative as one node.
  int ItemsNode(std::vector<int>& items) {
    int node;
    if (items.empty()) {
      node = Push(Node{});
    } else if (items.size() == 1) {
      node = items[0];
    } else {
      Node n;
      n.kind = NodeKind::kConcat;
      n.children = std::move(items);
      node = Push(std::move(n));
    }
    items.clear();
    return node;
  }

  void EndBranch() {
    Frame& f = frames_.back();
    f.branches.push_back(ItemsNode(f.items));
    f.repeatable = false;
  }

  int FinishFrame(Frame& f) {
    int last = ItemsNode(f.items);
    if (f.branches.empty()) return last;
    f.branches.push_back(last);
    Node n;
    n.kind = NodeKind::kAlternate;
    n.children = std::move(f.branches);
    return Push(std::move(n));
  }

  bool Quantify(int min, int max) {
    Frame& f = frames_.back();
    if (!f.repeatable) return false;  // nothing to repeat
    Node n;
    n.kind = NodeKind::kRepeat;
    n.min = min;
    n.max = max;
    if (i_ < p_.size() && p_[i_] == '?') {
      n.greedy = false;
      ++i_;
    }
    n.children.push_back(f.items.back());
    f.items.back() = Push(std::move(n));
    f.repeatable = false;
    return true;
  }

  // Reads "n}", "n,}" or "n,m}" from position `at` (just after "{").
  // 1: a quantifier, ending before `after`; 0: not a quantifier (the brace is
  // a literal); -1: a quantifier that is refused (bound too large, m < n).
  int ReadCount(size_t at, int& min, int& max, size_t& after) {
    auto number = [&](size_t& k, int& v) {
      size_t start = k;
      long long value = 0;
      while (k < p_.size() && p_[k] >= '0' && p_[k] <= '9') {
        if (value <= kMaxRepeatCount) value = value * 10 + (p_[k] - '0');
        ++k;
      }
      v = value > kMaxRepeatCount ? kMaxRepeatCount + 1 : int(value);
      return k > start;
    };
    size_t k = at;
    if (!number(k, min)) return 0;
    if (k < p_.size() && p_[k] == '}') {
      max = min;
    } else if (k < p_.size() && p_[k] == ',') {
      ++k;
      if (k < p_.size() && p_[k] == '}') {
        max = -1;
      } else if (!number(k, max) || k >= p_.size() || p_[k] != '}') {
        return 0;
      }
    } else {
      return 0;
    }
    after = k + 1;
    if (min > kMaxRepeatCount || max > kMaxRepeatCount) return -1;
    if (max >= 0 && max < min) return -1;
    return 1;
  }

  // Reads the escape after a backslash. Inside a class \b is the backspace and
  // the assertions are refused.
  bool ParseEscape(bool inClass, Escape& e) {
    if (i_ >= p_.size()) return false;  // trailing backslash
    char16_t c = p_[i_++];
    e.kind = Escape::kChar;
    switch (c) {
      case 'd': e.kind = Escape::kSet; e.set = DigitSet(); return true;
      case 'w': e.kind = Escape::kSet; e.set = WordSet(); return true;
      case 's': e.kind = Escape::kSet; e.set = SpaceSet(); return true;
      case 'D': e.kind = Escape::kSet; e.set = DigitSet(); e.set.Negate(); return true;
      case 'W': e.kind = Escape::kSet; e.set = WordSet(); e.set.Negate(); return true;
      case 'S': e.kind = Escape::kSet; e.set = SpaceSet(); e.set.Negate(); return true;
      case 't': e.ch = '\t'; return true;
      case 'n': e.ch = '\n'; return true;
      case 'r': e.ch = '\r'; return true;
      case 'f': e.ch = '\f'; return true;
      case 'v': e.ch = '\v'; return true;
      case '0':
        // \0 followed by a digit would read as an octal escape elsewhere: refused.
        if (i_ < p_.size() && p_[i_] >= '0' && p_[i_] <= '9') return false;
        e.ch = 0;
        return true;
      case 'x':
      case 'u': {
        int digits = c == 'x' ? 2 : 4, value = 0;
        for (int k = 0; k < digits; ++k) {
          int d;
          if (i_ >= p_.size() || !IsHex(p_[i_], d)) return false;
          value = value * 16 + d;
          ++i_;
        }
        e.ch = char16_t(value);
        return true;
      }
      case 'b':
        if (inClass) {
          e.ch = '\b';
        } else {
          e.kind = Escape::kAssert;
          e.assertion = AssertKind::kWordBoundary;
        }
        return true;
      case 'B':
        if (inClass) return false;
        e.kind = Escape::kAssert;
        e.assertion = AssertKind::kNotWordBoundary;
        return true;
      default:
        // \1..\9 are back-references, refused: they cannot be matched in
        // time linear in the subject. Every other letter or digit is unknown.
        if (IsAsciiAlnum(c)) return false;
        e.ch = c;  // punctuation and every other character stand for themselves
        return true;
    }
  }

  bool ParseClass() {
    CharSet set;
    bool negated = false;
    if (i_ < p_.size() && p_[i_] == '^') {
      negated = true;
      ++i_;
    }
    // "[]" and "[^]" mean different things in different dialects: refused.
    if (i_ < p_.size() && p_[i_] == ']') return false;
    while (true) {
      if (i_ >= p_.size()) return false;  // unterminated class
      char16_t c = p_[i_++];
      if (c == ']') break;
      Escape lo;
      if (c == '\\') {
        if (!ParseEscape(true, lo)) return false;
      } else {
        lo.ch = c;
      }
      bool range = i_ + 1 < p_.size() && p_[i_] == '-' && p_[i_ + 1] != ']';
      if (!range) {
        if (lo.kind == Escape::kSet) set.AddSet(lo.set);
        else set.Add(lo.ch, lo.ch);
        continue;
      }
      ++i_;  // the hyphen
      Escape hi;
      char16_t h = p_[i_++];
      if (h == '\\') {
        if (!ParseEscape(true, hi)) return false;
      } else {
        hi.ch = h;
      }
      // A class escape cannot end a range, and a range cannot run backwards.
      if (lo.kind != Escape::kChar || hi.kind != Escape::kChar) return false;
      if (hi.ch < lo.ch) return false;
      set.Add(lo.ch, hi.ch);
    }
    // The set stays positive here: with IgnoreCase the compiler folds it
    // first and negates afterwards, so that [^a-z] does not match 'Q'.
    Node n;
    n.kind = NodeKind::kClass;
    n.set = std::move(set);
    n.negated = negated;
    AddAtom(Push(std::move(n)));
    return true;
  }

  const std::u16string& p_;
  Ast& ast_;
  size_t i_ = 0;
  std::vector<Frame> frames_;
};

}  // namespace

bool Parse(const std::u16string& pattern, Ast& ast) {
  return Parser(pattern, ast).Run();
}

}  // namespace quorlan::regex
