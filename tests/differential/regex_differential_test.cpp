// The engine against PCRE2 (16-bit library, interpreter) over generated
// patterns and subjects: the same matches and the same groups, for the first
// match (compared by position, unset groups included) and for all matches
// under Global (compared through RegexMatcher's texts).
//
// How the two dialects are made to agree:
// - PCRE2 runs without PCRE2_UTF and PCRE2_UCP, so \d \w \s \b and caseless
//   matching are ASCII-only, as ours. Subjects use ASCII plus a few
//   characters above U+00FF (no Latin-1: PCRE2's tables could classify them).
// - Newlines are PCRE2_NEWLINE_ANYCRLF, so that with PCRE2_MULTILINE ^ and $
//   see both CR and LF as ours do; PCRE2_DOLLAR_ENDONLY makes $ without
//   Multiline the end of the subject only, and PCRE2_ALT_CIRCUMFLEX lets ^
//   match after a line break that ends the subject, as ours does. ANYCRLF also takes CR out of ".",
//   which ours keeps, so a subject for a pattern with "." has no CR. And
//   PCRE2 treats CR LF as one line break (it never starts a search between
//   them after a failed attempt), so no subject holds CR followed by LF; the
//   unit tests cover CR LF in our dialect.
// - Our \v is the VT character, PCRE2's a class; \uHHHH is PCRE2's \x{HHHH}:
//   the generator writes each pattern in both spellings.
// - No repetition of a body that can match the empty string: backtracking
//   engines do not agree among themselves there (JavaScript fails an empty
//   iteration, PCRE2 accepts it and stops the loop), and ours drops it.
#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "capture/regex_compiler.h"
#include "capture/regex_matcher.h"
#include "capture/regex_parser.h"
#include "capture/regex_vm.h"
#include "platform/codepage.h"

namespace quorlan {
namespace {

using std::u16string;

struct Generated {
  u16string ours;
  u16string pcre;
  bool nullable = false;  // can match the empty string
  bool usesDot = false;
};

class PatternGenerator {
 public:
  explicit PatternGenerator(uint32_t seed) : rng_(seed) {}

  Generated Pattern() {
    Generated g = Alternation(3);
    return g;
  }

  u16string Subject(bool withCr) {
    static const char16_t kAlphabet[] = u"aabbcABC_ -.12\n\t\x0B\u4E2D\u3000<>";
    u16string s;
    int len = Pick(0, 12);
    for (int i = 0; i < len; ++i) {
      char16_t c = kAlphabet[Pick(0, int(sizeof kAlphabet / sizeof(char16_t)) - 2)];
      s.push_back(c);
    }
    if (withCr && Pick(0, 1) == 0) {
      // A lone CR: never right before an LF (see the top of the file).
      size_t at = size_t(Pick(0, int(s.size())));
      if (at == s.size() || s[at] != '\n') s.insert(at, u"\r");
    }
    return s;
  }

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  void Add(Generated& g, const char16_t* ours, const char16_t* pcre = nullptr) {
    g.ours += ours;
    g.pcre += pcre ? pcre : ours;
  }

  Generated Alternation(int depth) {
    Generated g = Sequence(depth);
    while (Pick(0, 3) == 0) {
      Generated h = Sequence(depth);
      Add(g, u"|");
      g.ours += h.ours;
      g.pcre += h.pcre;
      g.nullable = g.nullable || h.nullable;
      g.usesDot = g.usesDot || h.usesDot;
    }
    return g;
  }

  Generated Sequence(int depth) {
    Generated g;
    g.nullable = true;
    int items = Pick(0, 4);
    for (int i = 0; i < items; ++i) {
      Generated item = Quantified(depth);
      g.ours += item.ours;
      g.pcre += item.pcre;
      g.nullable = g.nullable && item.nullable;
      g.usesDot = g.usesDot || item.usesDot;
    }
    return g;
  }

  Generated Quantified(int depth) {
    if (Pick(0, 9) == 0) {
      Generated a;
      static const char16_t* kAnchors[] = {u"^", u"$", u"\\b", u"\\B"};
      Add(a, kAnchors[Pick(0, 3)]);
      a.nullable = true;
      return a;
    }
    Generated g = Atom(depth);
    if (g.nullable || Pick(0, 2) != 0) return g;
    static const char16_t* kQuantifiers[] = {u"*", u"+", u"?", u"{2}", u"{1,}", u"{0,2}", u"{2,3}"};
    int q = Pick(0, 6);
    Add(g, kQuantifiers[q]);
    if (q == 0 || q == 2 || q == 5) g.nullable = true;
    if (Pick(0, 2) == 0) Add(g, u"?");
    return g;
  }

  Generated Atom(int depth) {
    Generated g;
    int kind = Pick(0, depth > 0 ? 9 : 6);
    switch (kind) {
      case 0:
      case 1: {
        static const char16_t* kLiterals[] = {u"a", u"b", u"c", u"A", u"B", u"_", u" ",
                                              u"1", u"\\.", u"-", u"\\-", u"<", u"\u4E2D"};
        Add(g, kLiterals[Pick(0, 12)]);
        break;
      }
      case 2:
        Add(g, u".");
        g.usesDot = true;
        break;
      case 3: {
        static const char16_t* kClasses[] = {u"\\d", u"\\D", u"\\w", u"\\W", u"\\s", u"\\S"};
        Add(g, kClasses[Pick(0, 5)]);
        break;
      }
      case 4: {
        struct Escape {
          const char16_t* ours;
          const char16_t* pcre;
        } kEscapes[] = {{u"\\t", u"\\t"},         {u"\\n", u"\\n"},
                        {u"\\r", u"\\r"},         {u"\\v", u"\\x0B"},
                        {u"\\x41", u"\\x41"},     {u"\\u0062", u"\\x{0062}"},
                        {u"\\u4E2D", u"\\x{4E2D}"}, {u"\\u3000", u"\\x{3000}"}};
        const Escape& e = kEscapes[Pick(0, 7)];
        Add(g, e.ours, e.pcre);
        break;
      }
      case 5:
      case 6:
        BracketClass(g);
        break;
      default: {
        Generated inner = Alternation(depth - 1);
        bool capture = Pick(0, 2) != 0;
        Add(g, capture ? u"(" : u"(?:");
        g.ours += inner.ours;
        g.pcre += inner.pcre;
        Add(g, u")");
        g.nullable = inner.nullable;
        g.usesDot = inner.usesDot;
        break;
      }
    }
    return g;
  }

  void BracketClass(Generated& g) {
    Add(g, u"[");
    if (Pick(0, 2) == 0) Add(g, u"^");
    int items = Pick(1, 3);
    for (int i = 0; i < items; ++i) {
      switch (Pick(0, 4)) {
        case 0: {
          static const char16_t* kSingles[] = {u"a", u"B", u"_", u" ", u"\\-", u"\\]", u"1", u"\u4E2D",
                                               u"\\n", u"\\r"};
          Add(g, kSingles[Pick(0, 9)]);
          break;
        }
        case 1: {
          static const char16_t* kRanges[] = {u"a-c", u"A-B", u"0-9", u"Z-a", u"b-b", u"\\x20-\\x2E"};
          Add(g, kRanges[Pick(0, 5)]);
          break;
        }
        default: {
          static const char16_t* kClasses[] = {u"\\d", u"\\D", u"\\w", u"\\W", u"\\s", u"\\S"};
          Add(g, kClasses[Pick(0, 5)]);
          break;
        }
      }
    }
    Add(g, u"]");
  }

  std::mt19937 rng_;
};

class Pcre {
 public:
  Pcre(const u16string& pattern, bool ignoreCase, bool multiline) {
    ctx_ = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(ctx_, PCRE2_NEWLINE_ANYCRLF);
    uint32_t flags = PCRE2_DOLLAR_ENDONLY;
    if (ignoreCase) flags |= PCRE2_CASELESS;
    if (multiline) flags |= PCRE2_MULTILINE | PCRE2_ALT_CIRCUMFLEX;
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), flags,
                          &error, &offset, ctx_);
    if (code_) data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
  }
  ~Pcre() {
    if (data_) pcre2_match_data_free(data_);
    if (code_) pcre2_code_free(code_);
    pcre2_compile_context_free(ctx_);
  }
  bool ok() const { return code_ != nullptr; }

  // Slots as our VM gives them (-1 for unset); empty when nothing matched.
  std::vector<int> Search(const u16string& s, size_t start) {
    int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), start, 0, data_,
                         nullptr);
    if (rc < 0) {
      EXPECT_EQ(rc, PCRE2_ERROR_NOMATCH);
      return {};
    }
    uint32_t pairs = pcre2_get_ovector_count(data_);
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data_);
    std::vector<int> slots;
    for (uint32_t i = 0; i < 2 * pairs; ++i) slots.push_back(ov[i] == PCRE2_UNSET ? -1 : int(ov[i]));
    return slots;
  }

 private:
  pcre2_compile_context* ctx_ = nullptr;
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
};

std::string Show(const u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      char buf[12];
      std::snprintf(buf, sizeof buf, "\\u%04X", unsigned(c));
      out += buf;
    }
  }
  return out;
}

TEST(RegexDifferential, SameMatchesAndGroupsAsPcre2) {
  int compared = 0, matched = 0;
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    PatternGenerator gen(seed);
    const Generated p = gen.Pattern();
    const bool ignoreCase = gen.Pick(0, 1) == 0;
    const bool multiline = gen.Pick(0, 1) == 0;
    SCOPED_TRACE("seed " + std::to_string(seed) + " pattern " + Show(p.ours) + " pcre " +
                 Show(p.pcre) + (ignoreCase ? " i" : "") + (multiline ? " m" : ""));

    Pcre pcre(p.pcre, ignoreCase, multiline);
    ASSERT_TRUE(pcre.ok());
    regex::Ast ast;
    ASSERT_TRUE(regex::Parse(p.ours, ast));
    regex::Program program;
    ASSERT_TRUE(regex::Compile(ast, {ignoreCase, multiline}, program));
    regex::Vm vm(program);

    for (int k = 0; k < 4; ++k) {
      const u16string subject = gen.Subject(!p.usesDot);
      SCOPED_TRACE("subject " + Show(subject));
      ++compared;

      // First match, by position, every group included.
      std::vector<int> ours;
      bool found = vm.Search(subject.data(), subject.size(), 0, ours);
      std::vector<int> theirs = pcre.Search(subject, 0);
      ASSERT_EQ(found, !theirs.empty());
      // The Pike VM alone decides the same (the search above is decided by
      // the backtracker whenever the subject fits its window).
      std::vector<int> pike;
      EXPECT_EQ(vm.SearchPike(subject.data(), subject.size(), 0, pike), found);
      if (!found) continue;
      EXPECT_EQ(pike, ours);
      ++matched;
      theirs.resize(ours.size(), -1);
      EXPECT_EQ(ours, theirs);

      // All matches, through the matcher, against the same walk over PCRE2:
      // the next search starts at the end, one further after an empty match.
      RegexMatcher m;
      RegexOptions o;
      o.CaseSensitive = !ignoreCase;
      o.Multiline = multiline;
      ASSERT_TRUE(m.Run(WideToGbk(p.ours), WideToGbk(subject), o));
      std::vector<u16string> expected;
      size_t pos = 0;
      while (pos <= subject.size()) {
        std::vector<int> s = pcre.Search(subject, pos);
        if (s.empty()) break;
        expected.push_back(subject.substr(size_t(s[0]), size_t(s[1] - s[0])));
        for (int g = 1; g <= program.groupCount; ++g) {
          int b = g * 2 < int(s.size()) ? s[2 * g] : -1;
          int e = g * 2 + 1 < int(s.size()) ? s[2 * g + 1] : -1;
          expected.push_back(b < 0 ? u16string() : subject.substr(size_t(b), size_t(e - b)));
        }
        pos = s[1] == s[0] ? size_t(s[1]) + 1 : size_t(s[1]);
      }
      std::vector<u16string> got;
      for (int i = 1; i <= m.MatchCount(); ++i) {
        got.push_back(GbkToWide(m.MatchText(i)));
        for (int g = 1; g <= program.groupCount; ++g) got.push_back(GbkToWide(m.SubMatchText(i, g)));
      }
      EXPECT_EQ(got, expected);
    }
    if (HasFailure()) break;  // one pattern's report is enough to work from
  }
  // The generator has to exercise matching, not only failing.
  EXPECT_GT(matched, compared / 4);
}

}  // namespace
}  // namespace quorlan
