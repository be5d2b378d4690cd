// Compiler: one pass over the post-ordered syntax tree, building each node's
// code from its children's code.
//
// Invariants:
// - code[i] is the finished code of node i, position-independent: the jump
//   targets (x, y) of kSplit and kJmp are relative to the instruction itself
//   while code is being built, and turned absolute only at the end. Code can
//   therefore be appended and copied (counted repetition) as it is.
// - A node's code runs from its first instruction and leaves by falling off
//   its end (one past the last instruction); no jump leaves a node's code
//   except to that end.
// - Every node is the child of exactly one parent, so a child's code is moved
//   into its parent and freed; nodes are visited in index order, children
//   first (the parser's post-order), so the walk needs no recursion.
// - Before any code grows, the new size is checked against kMaxProgramSize.
#include "capture/regex_compiler.h"

#include <algorithm>

namespace quorlan::regex {

bool ClassBits::ContainsHigh(char16_t c) const {
  auto it = std::upper_bound(high.begin(), high.end(), c,
                             [](char16_t v, const CharSet::Range& r) { return v < r.lo; });
  return it != high.begin() && c <= (it - 1)->hi;
}

namespace {

using Code = std::vector<Inst>;

bool IsAsciiLetter(char16_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

Inst Make(Op op, int32_t x = 0, int32_t y = 0) {
  Inst i;
  i.op = op;
  i.x = x;
  i.y = y;
  return i;
}

ClassBits MakeClass(const CharSet& set) {
  ClassBits bits;
  for (const CharSet::Range& r : set.ranges) {
    for (int c = r.lo; c <= r.hi && c < 256; ++c) bits.low[c >> 5] |= 1u << (c & 31);
    if (r.hi >= 256) bits.high.push_back({char16_t(std::max<int>(r.lo, 256)), r.hi});
  }
  return bits;
}

class Compiler {
 public:
  Compiler(const Ast& ast, const CompileOptions& o, Program& p) : ast_(ast), opt_(o), prog_(p) {}

  bool Run() {
    prog_ = Program{};
    prog_.groupCount = ast_.groupCount;
    prog_.slotCount = 2 * (ast_.groupCount + 1);
    if (ast_.nodes.empty()) return false;
    std::vector<Code> code(ast_.nodes.size());
    for (size_t i = 0; i < ast_.nodes.size(); ++i) {
      if (!Build(ast_.nodes[i], code, code[i])) return false;
    }
    Code& root = code.back();
    if (root.size() + 3 > kMaxProgramSize) return false;
    prog_.insts.reserve(root.size() + 3);
    prog_.insts.push_back(Make(Op::kSave, 0));
    prog_.insts.insert(prog_.insts.end(), root.begin(), root.end());
    prog_.insts.push_back(Make(Op::kSave, 1));
    prog_.insts.push_back(Make(Op::kMatch));
    for (size_t pc = 0; pc < prog_.insts.size(); ++pc) {
      Inst& in = prog_.insts[pc];
      switch (in.op) {
        case Op::kSplit:
        case Op::kJmp:
          in.x += int32_t(pc);
          in.y += int32_t(pc);
          break;
        case Op::kSave:
        case Op::kAssert:
          break;
        default:
          in.thread = prog_.threadCount++;
          break;
      }
    }
    if (size_t(prog_.threadCount) * size_t(prog_.slotCount) > kMaxThreadSlots) return false;
    Analyse();
    return true;
  }

 private:
  bool Fits(size_t size) const { return size <= kMaxProgramSize; }

  static void Append(Code& to, const Code& from) { to.insert(to.end(), from.begin(), from.end()); }

  bool Build(const Node& n, std::vector<Code>& code, Code& out) {
    switch (n.kind) {
      case NodeKind::kEmpty:
        return true;
      case NodeKind::kLiteral: {
        Inst in = Make(Op::kChar);
        in.c1 = in.c2 = n.ch;
        if (opt_.ignoreCase && IsAsciiLetter(n.ch)) {
          in.op = Op::kChar2;
          in.c1 = char16_t(n.ch | 0x20);
          in.c2 = char16_t(n.ch & ~0x20);
        }
        out.push_back(in);
        return true;
      }
      case NodeKind::kAnyButLf:
        out.push_back(Make(Op::kAnyButLf));
        return true;
      case NodeKind::kClass: {
        CharSet set = n.set;
        if (opt_.ignoreCase) set.FoldAsciiCase();  // fold first, then negate
        if (n.negated) set.Negate();
        prog_.classes.push_back(MakeClass(set));
        out.push_back(Make(Op::kClass, int32_t(prog_.classes.size() - 1)));
        return true;
      }
      case NodeKind::kAssert: {
        Inst in = Make(Op::kAssert);
        switch (n.assertion) {
          case AssertKind::kLineStart:
            in.assertion = opt_.multiline ? Assertion::kBeginLine : Assertion::kBeginText;
            break;
          case AssertKind::kLineEnd:
            in.assertion = opt_.multiline ? Assertion::kEndLine : Assertion::kEndText;
            break;
          case AssertKind::kWordBoundary: in.assertion = Assertion::kWordBoundary; break;
          case AssertKind::kNotWordBoundary: in.assertion = Assertion::kNotWordBoundary; break;
        }
        out.push_back(in);
        return true;
      }
      case NodeKind::kConcat: {
        size_t total = 0;
        for (int c : n.children) total += code[c].size();
        if (!Fits(total)) return false;
        out.reserve(total);
        for (int c : n.children) {
          Append(out, code[c]);
          Code().swap(code[c]);
        }
        return true;
      }
      case NodeKind::kAlternate: {
        // Split(next branch) b1 Jmp(end)  Split ... bk: every branch but the
        // last is tried first and jumps over the rest when it is done.
        size_t total = 0;
        for (int c : n.children) total += code[c].size() + 2;
        if (!Fits(total)) return false;
        out.reserve(total);
        std::vector<size_t> jumps;
        for (size_t k = 0; k < n.children.size(); ++k) {
          Code& branch = code[n.children[k]];
          if (k + 1 < n.children.size()) {
            out.push_back(Make(Op::kSplit, 1, int32_t(branch.size() + 2)));
            Append(out, branch);
            jumps.push_back(out.size());
            out.push_back(Make(Op::kJmp));
          } else {
            Append(out, branch);
          }
          Code().swap(branch);
        }
        for (size_t j : jumps) out[j].x = int32_t(out.size() - j);
        return true;
      }
      case NodeKind::kCapture: {
        Code& inner = code[n.children[0]];
        if (!Fits(inner.size() + 2)) return false;
        out.reserve(inner.size() + 2);
        out.push_back(Make(Op::kSave, 2 * n.group));
        Append(out, inner);
        out.push_back(Make(Op::kSave, 2 * n.group + 1));
        Code().swap(inner);
        return true;
      }
      case NodeKind::kRepeat:
        return BuildRepeat(n, code[n.children[0]], out);
    }
    return false;
  }

  // A split whose preferred branch is the next instruction (greedy) or the
  // target `away` (lazy), relative to the split itself.
  static Inst SplitToward(bool greedy, int32_t next, int32_t away) {
    return greedy ? Make(Op::kSplit, next, away) : Make(Op::kSplit, away, next);
  }

  bool BuildRepeat(const Node& n, Code& body, Code& out) {
    const size_t len = body.size();
    // Copies: min mandatory ones; then either one loop (unbounded) or
    // max - min optional ones, each a split plus the body.
    size_t copies = n.max < 0 ? std::max(n.min, 1) : size_t(n.max);
    size_t total = copies * (len + 1) + 1;
    if (len != 0 && total / (len + 1) < copies) return false;  // overflow
    if (!Fits(total)) return false;
    out.reserve(total);
    if (n.max < 0) {
      if (n.min == 0) {
        // L: Split(body, out)  body  Jmp L
        out.push_back(SplitToward(n.greedy, 1, int32_t(len + 2)));
        Append(out, body);
        out.push_back(Make(Op::kJmp, -int32_t(len + 1)));
      } else {
        // body x (min-1), then L: body  Split(L, out)
        for (int k = 0; k + 1 < n.min; ++k) Append(out, body);
        Append(out, body);
        // Here looping back is the greedy choice, leaving the lazy one.
        out.push_back(n.greedy ? Make(Op::kSplit, -int32_t(len), 1)
                               : Make(Op::kSplit, 1, -int32_t(len)));
      }
    } else {
      for (int k = 0; k < n.min; ++k) Append(out, body);
      // Optional copies: each Split either enters its copy or leaves for the
      // common end; the exits are patched once the end is known.
      std::vector<size_t> splits;
      for (int k = n.min; k < n.max; ++k) {
        splits.push_back(out.size());
        out.push_back(Make(Op::kSplit));
        Append(out, body);
      }
      for (size_t s : splits) {
        int32_t away = int32_t(out.size() - s);
        out[s] = SplitToward(n.greedy, 1, away);
      }
    }
    Code().swap(body);
    return true;
  }

  // Derives the search accelerators from the finished program.
  void Analyse() {
    MarkLazyDotScans();
    const std::vector<Inst>& insts = prog_.insts;
    // Literal prefix: the straight run of literals from pc 0.
    size_t pc = 0;
    while (pc < insts.size()) {
      const Inst& in = insts[pc];
      if (in.op == Op::kSave) {
        ++pc;
      } else if (in.op == Op::kChar || in.op == Op::kChar2) {
        prog_.prefix.push_back({in.c1, in.c2});
        ++pc;
      } else {
        break;
      }
    }
    for (pc = 0; pc < insts.size() && insts[pc].op == Op::kSave; ++pc) {
    }
    prog_.anchoredAtStart = pc < insts.size() && insts[pc].op == Op::kAssert &&
                            insts[pc].assertion == Assertion::kBeginText;

    // First code units: every consuming instruction reachable from pc 0
    // without consuming. Assertions are passed through (they may hold).
    // Reaching Match means an empty match is possible: no skipping.
    std::vector<char> seen(insts.size(), 0);
    std::vector<int32_t> stack{0};
    uint32_t bits[8] = {};
    auto set = [&](unsigned c) { bits[(c & 0xFF) >> 5] |= 1u << (c & 31); };
    while (!stack.empty()) {
      int32_t p = stack.back();
      stack.pop_back();
      if (seen[p]) continue;
      seen[p] = 1;
      const Inst& in = insts[p];
      switch (in.op) {
        case Op::kMatch:
          return;  // canSkip stays false
        case Op::kJmp:
          stack.push_back(in.x);
          break;
        case Op::kSplit:
          stack.push_back(in.x);
          stack.push_back(in.y);
          break;
        case Op::kSave:
        case Op::kAssert:
          stack.push_back(p + 1);
          break;
        case Op::kChar:
        case Op::kChar2:
          set(in.c1);
          set(in.c2);
          break;
        case Op::kAnyButLf:
          return;  // nearly everything can start a match
        case Op::kClass: {
          const ClassBits& cls = prog_.classes[in.x];
          for (int k = 0; k < 8; ++k) bits[k] |= cls.low[k];
          for (const CharSet::Range& r : cls.high) {
            if (r.hi - r.lo >= 255) {
              for (uint32_t& b : bits) b = ~0u;
              break;
            }
            for (unsigned c = r.lo; c <= r.hi; ++c) set(c);
          }
          break;
        }
      }
    }
    bool full = true;
    for (int k = 0; k < 8; ++k) {
      prog_.firstBits[k] = bits[k];
      if (bits[k] != ~0u) full = false;
    }
    prog_.canSkip = !full;
  }

  void MarkLazyDotScans() {
    std::vector<Inst>& insts = prog_.insts;
    for (size_t pc = 0; pc + 2 < insts.size(); ++pc) {
      Inst& split = insts[pc];
      if (split.op != Op::kSplit || size_t(split.y) != pc + 1 || insts[pc + 1].op != Op::kAnyButLf ||
          insts[pc + 2].op != Op::kJmp || size_t(insts[pc + 2].x) != pc) {
        continue;
      }
      size_t next = size_t(split.x);
      while (next < insts.size() && insts[next].op == Op::kSave) ++next;
      if (next >= insts.size()) continue;
      const Inst& first = insts[next];
      if (first.op != Op::kChar && first.op != Op::kChar2) continue;
      split.lazyDotScan = true;
      split.c1 = first.c1;
      split.c2 = first.c2;
    }
  }

  const Ast& ast_;
  const CompileOptions& opt_;
  Program& prog_;
};

}  // namespace

bool Compile(const Ast& ast, const CompileOptions& options, Program& program) {
  return Compiler(ast, options, program).Run();
}

}  // namespace quorlan::regex
