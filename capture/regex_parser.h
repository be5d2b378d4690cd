// Pattern parser of the regular-expression engine: UTF-16 pattern -> syntax tree.
//
// The tree is a flat vector of nodes in post-order: every node's children have
// smaller indices than the node itself, and the root is the last node. The
// compiler walks the vector once from the front, so neither the parser nor the
// compiler recurses, whatever the pattern.
//
// Dialect: literals, "\" before punctuation, ".", bracketed classes with
// ranges and escapes, \d \D \w \W \s \S, \t \n \r \f \v \xHH \uHHHH \0,
// capturing and non-capturing groups, alternation, greedy and lazy
// * + ? {n} {n,} {n,m}, the anchors ^ $ and the word boundaries \b \B.
// Everything else is refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorlan::regex {

// Nesting of groups deeper than this is refused, and so is a counted
// repetition bound above kMaxRepeatCount.
constexpr int kMaxNesting = 1000;
constexpr int kMaxRepeatCount = 1000;

// A set of UTF-16 code units as sorted, disjoint, non-adjacent closed ranges.
struct CharSet {
  struct Range {
    char16_t lo, hi;
  };
  std::vector<Range> ranges;

  void Add(char16_t lo, char16_t hi);
  void AddSet(const CharSet& other);
  // Adds the other case of every ASCII letter in the set.
  void FoldAsciiCase();
  void Negate();
  bool Contains(char16_t c) const;

 private:
  // Sorts and merges the ranges; every public change leaves the set normalised.
  void Normalise();
};

// The predefined classes of the dialect.
CharSet DigitSet();       // \d
CharSet WordSet();        // \w
CharSet SpaceSet();       // \s

enum class AssertKind : uint8_t {
  kLineStart,      // ^
  kLineEnd,        // $
  kWordBoundary,   // \b
  kNotWordBoundary // \B
};

enum class NodeKind : uint8_t {
  kEmpty,      // matches the empty string
  kLiteral,    // one code unit: ch
  kAnyButLf,   // .
  kClass,      // set (or its complement when negated)
  kAssert,     // assertion
  kConcat,     // children in order
  kAlternate,  // children, leftmost first
  kRepeat,     // children[0] repeated min..max (max -1: unbounded)
  kCapture,    // children[0] as group number `group`
};

struct Node {
  NodeKind kind = NodeKind::kEmpty;
  AssertKind assertion = AssertKind::kLineStart;
  bool greedy = true;    // kRepeat
  bool negated = false;  // kClass: the node matches the complement of `set`
  char16_t ch = 0;
  int min = 0;
  int max = 0;
  int group = 0;
  CharSet set;
  std::vector<int> children;
};

struct Ast {
  std::vector<Node> nodes;  // post-order; the root is nodes.back()
  int groupCount = 0;       // capturing groups, numbered 1.. by opening parenthesis
};

// Parses the pattern. False when it is refused (syntax error, unsupported
// construct, nesting or repetition bound exceeded); `ast` is then unspecified.
bool Parse(const std::u16string& pattern, Ast& ast);

}  // namespace quorlan::regex
