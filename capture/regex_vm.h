// Matcher core of the regular-expression engine: runs a compiled program over
// UTF-16 code units, with a bounded backtracker in front of a Pike VM.
//
// Time is proportional to the program's size times the length of the text
// searched; memory is fixed by the program (two thread lists, each with one
// capture array per consuming instruction), whatever the subject's length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/regex_compiler.h"

namespace quorlan::regex {

class Vm {
 public:
  explicit Vm(const Program& program);

  // Finds the leftmost match starting at or after `start` in s[0..n) and,
  // among the matches starting there, the one a backtracking engine would
  // give. On success `slots` holds program.slotCount positions (-1 for a
  // group that took no part). The whole subject is passed so that ^, $, \b
  // see the code units around `start`.
  //
  // A search first tries the bounded backtracker over a window of the
  // subject; when the answer depends on text past the window it falls back
  // to the Pike VM from there. Both give the same answer.
  bool Search(const char16_t* s, size_t n, size_t start, std::vector<int>& slots);
  // The same search with the Pike VM alone.
  bool SearchPike(const char16_t* s, size_t n, size_t start, std::vector<int>& slots);

 private:
  enum class Outcome { kMatch, kNoMatch, kUndecided };
  Outcome TryAt(size_t p0, size_t windowStart, size_t windowEnd, std::vector<int>& slots);

  // A sparse set of pcs in insertion (priority) order, with one capture
  // array per pc; clearing is O(1).
  struct ThreadList {
    std::vector<int> sparse;  // sparse[pc]: index into dense, valid if dense agrees
    std::vector<int> dense;   // pcs in priority order
    std::vector<int> caps;    // caps[thread * slotCount ...]: captures of the thread
                              // waiting at the instruction with that thread index
    int size = 0;

    bool Contains(int pc) const {
      int i = sparse[pc];
      return i < size && dense[i] == pc;
    }
    void Insert(int pc) {
      sparse[pc] = size;
      dense[size++] = pc;
    }
  };

  struct StackEntry {
    int pc;    // instruction to follow, or -1 for a restore
    size_t pos;  // backtracker only: position of the job
    int slot;  // restore: work_[slot] = old
    int old;
  };

  void AddThread(ThreadList& list, int pc, size_t pos, const int* caps);
  bool AssertionHolds(Assertion a, size_t pos) const;
  size_t NextCandidate(size_t pos) const;
  bool CanStart(size_t pos) const;

  const Program& prog_;
  const int slots_;
  ThreadList lists_[2];
  std::vector<StackEntry> stack_;
  std::vector<int> work_;
  std::vector<int> seed_;
  // Backtracker: visited[pc * span_ + p - windowStart] == stamp_ marks a
  // state already tried in this window (span_: the window's positions, its
  // end included). Its size is fixed, so the window is at most
  // kBacktrackStates / insts positions long.
  size_t window_ = 0;
  size_t span_ = 0;
  std::vector<uint32_t> visited_;
  uint32_t stamp_ = 0;
  std::vector<StackEntry> jobs_;
  const char16_t* s_ = nullptr;
  size_t n_ = 0;
};

}  // namespace quorlan::regex
