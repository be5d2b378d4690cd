// Compiler of the regular-expression engine: syntax tree -> instruction
// program for the Pike VM (regex_vm.h).
//
// The program is a vector of instructions; pc 0 starts a match attempt. Every
// program begins with Save 0 and ends with Save 1, Match, so slots 0 and 1
// hold the whole match and slots 2g, 2g+1 group g.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/regex_parser.h"

namespace quorlan::regex {

// Bounds that keep a compiled program, and the VM's thread storage (places
// where a thread can wait, times capture slots), small whatever the pattern.
constexpr size_t kMaxProgramSize = 20000;
constexpr size_t kMaxThreadSlots = size_t(1) << 21;

enum class Op : uint8_t {
  kChar,      // code unit c1
  kChar2,     // code unit c1 or c2 (an ASCII letter in either case)
  kClass,     // code unit in classes[x]
  kAnyButLf,  // any code unit but LF
  kSplit,     // continue at x, and with lower priority at y
  kJmp,       // continue at x
  kSave,      // slot x := current position
  kAssert,    // zero-width test `assertion`
  kMatch,     // a match ends here
};

enum class Assertion : uint8_t {
  kBeginText,        // ^ without Multiline
  kEndText,          // $ without Multiline
  kBeginLine,        // ^ with Multiline: at the start or after CR or LF
  kEndLine,          // $ with Multiline: at the end or before CR or LF
  kWordBoundary,     // \b
  kNotWordBoundary,  // \B
};

struct Inst {
  Op op = Op::kMatch;
  Assertion assertion = Assertion::kBeginText;
  char16_t c1 = 0, c2 = 0;
  int32_t x = 0, y = 0;
  // Consuming instructions and Match: the index of the instruction's capture
  // array in a thread list (0 .. Program::threadCount - 1).
  int32_t thread = -1;
  // kSplit of a lazy ".*?" loop (Split x=continuation y=pc+1, AnyButLf, Jmp
  // back to the split) whose continuation, past Saves only, must first match
  // c1 or c2: the loop can only leave at one of those code units, so the
  // matcher may step over any other code unit but LF without trying to leave.
  bool lazyDotScan = false;
};

// A compiled class: a bitmap for the code units below 256, sorted ranges for
// the rest. Case folding and negation are already applied.
struct ClassBits {
  uint32_t low[8] = {};
  std::vector<CharSet::Range> high;

  bool Contains(char16_t c) const {
    if (c < 256) return (low[c >> 5] >> (c & 31)) & 1u;
    return ContainsHigh(c);
  }
  bool ContainsHigh(char16_t c) const;
};

struct Program {
  std::vector<Inst> insts;
  std::vector<ClassBits> classes;
  int groupCount = 0;
  int slotCount = 2;  // 2 * (groupCount + 1)
  int threadCount = 0;  // consuming instructions plus Match: where a thread can wait

  // Search acceleration, derived from the instructions.
  // Every match starts with these code units (each pair: either unit).
  std::vector<std::pair<char16_t, char16_t>> prefix;
  // When canSkip: a match can only start at a code unit c whose bit
  // (c & 0xFF) is set in firstBits (false positives allowed); no match is
  // empty.
  bool canSkip = false;
  uint32_t firstBits[8] = {};
  // The pattern starts with ^ without Multiline: only position 0 can match.
  bool anchoredAtStart = false;
};

struct CompileOptions {
  bool ignoreCase = false;
  bool multiline = false;
};

// False when the program would exceed the bounds above.
bool Compile(const Ast& ast, const CompileOptions& options, Program& program);

}  // namespace quorlan::regex
