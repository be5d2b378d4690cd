// Two ways to run a program, with the same answers: a bounded backtracker
// over a window of the subject (fast on the program's row pattern, and exact
// whenever it decides), and the Pike VM, which decides every case.
//
// Pike VM: all threads advance in lock step, one code unit at a time.
// Invariants:
// - clist holds the threads at position pos, in priority order: the order in
//   which a backtracking engine would try them. Each thread is a pc at a
//   consuming instruction (or Match) with its own capture array.
// - A pc is in a list at most once. The first thread to reach a pc at a
//   position has the higher priority, and any later one at the same pc and
//   position would behave identically from there on, so it is dropped. This
//   bounds the work per position by the program's size.
// - AddThread follows the non-consuming instructions (Jmp, Split, Save,
//   Assert) with an explicit stack: Split pushes its second branch below the
//   first, Save pushes a restore of the slot it overwrites, so the capture
//   array `work_` always holds the captures of the path being followed.
// - A new attempt (pc 0) is added after the threads carried over from the
//   previous position, so earlier starts keep priority (leftmost match).
// - When a thread reaches Match, the threads after it in clist have lower
//   priority and are cut; the threads before it are still alive in nlist and
//   may replace the match with one of higher priority. No new attempt starts
//   once a match is found.
#include "capture/regex_vm.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quorlan::regex {

namespace {

// Size of the backtracker's visited table (states of program times window).
constexpr size_t kBacktrackStates = size_t(1) << 18;

bool IsWord(char16_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

}  // namespace

Vm::Vm(const Program& program) : prog_(program), slots_(program.slotCount) {
  const size_t size = program.insts.size();
  for (ThreadList& l : lists_) {
    l.sparse.assign(size, 0);
    l.dense.assign(size, 0);
    l.caps.assign(size_t(program.threadCount) * size_t(slots_), -1);
  }
  // Every instruction pushes at most one entry per visit, and each pc is
  // visited at most once per list.
  stack_.reserve(2 * size + 1);
  work_.assign(size_t(slots_), -1);
  // The backtracker pays off when its window holds at least a few lines.
  if (size != 0 && kBacktrackStates / size > 256) {
    window_ = kBacktrackStates / size - 1;
  }
  seed_.assign(size_t(slots_), -1);
}

bool Vm::AssertionHolds(Assertion a, size_t pos) const {
  switch (a) {
    case Assertion::kBeginText: return pos == 0;
    case Assertion::kEndText: return pos == n_;
    case Assertion::kBeginLine:
      return pos == 0 || s_[pos - 1] == '\n' || s_[pos - 1] == '\r';
    case Assertion::kEndLine:
      return pos == n_ || s_[pos] == '\n' || s_[pos] == '\r';
    case Assertion::kWordBoundary:
    case Assertion::kNotWordBoundary: {
      bool before = pos > 0 && IsWord(s_[pos - 1]);
      bool after = pos < n_ && IsWord(s_[pos]);
      return (before != after) == (a == Assertion::kWordBoundary);
    }
  }
  return false;
}

void Vm::AddThread(ThreadList& list, int pc0, size_t pos, const int* caps) {
  std::memcpy(work_.data(), caps, sizeof(int) * size_t(slots_));
  stack_.clear();
  stack_.push_back({pc0, 0, 0, 0});
  while (!stack_.empty()) {
    StackEntry e = stack_.back();
    stack_.pop_back();
    if (e.pc < 0) {
      work_[e.slot] = e.old;
      continue;
    }
    int pc = e.pc;
    // Follow the chain of non-consuming instructions from pc.
    while (!list.Contains(pc)) {
      list.Insert(pc);
      const Inst& in = prog_.insts[pc];
      switch (in.op) {
        case Op::kJmp:
          pc = in.x;
          continue;
        case Op::kSplit:
          stack_.push_back({in.y, 0, 0, 0});
          pc = in.x;
          continue;
        case Op::kSave:
          stack_.push_back({-1, 0, in.x, work_[in.x]});
          work_[in.x] = int(pos);
          ++pc;
          continue;
        case Op::kAssert:
          if (!AssertionHolds(in.assertion, pos)) break;
          ++pc;
          continue;
        default:
          // A consuming instruction or Match: the thread waits here.
          std::memcpy(&list.caps[size_t(in.thread) * slots_], work_.data(),
                      sizeof(int) * size_t(slots_));
          break;
      }
      break;
    }
  }
}

size_t Vm::NextCandidate(size_t pos) const {
  const auto& prefix = prog_.prefix;
  if (!prefix.empty()) {
    const char16_t a = prefix[0].first, b = prefix[0].second;
    const size_t len = prefix.size();
    for (; pos + len <= n_; ++pos) {
      char16_t c = s_[pos];
      if (c != a && c != b) continue;
      size_t k = 1;
      while (k < len && (s_[pos + k] == prefix[k].first || s_[pos + k] == prefix[k].second)) ++k;
      if (k == len) return pos;
    }
    return n_ + 1;
  }
  if (prog_.canSkip) {
    for (; pos < n_; ++pos) {
      unsigned c = s_[pos] & 0xFF;
      if ((prog_.firstBits[c >> 5] >> (c & 31)) & 1u) return pos;
    }
    return n_ + 1;  // a match needs at least one code unit
  }
  return pos;
}

// Whether a new attempt at pos can get past its first code unit; attempts
// that cannot are not started at all.
bool Vm::CanStart(size_t pos) const {
  if (!prog_.prefix.empty()) {
    if (pos >= n_) return false;
    const char16_t c = s_[pos];
    return c == prog_.prefix[0].first || c == prog_.prefix[0].second;
  }
  if (prog_.canSkip) {
    if (pos >= n_) return false;
    const unsigned c = s_[pos] & 0xFF;
    return (prog_.firstBits[c >> 5] >> (c & 31)) & 1u;
  }
  return true;
}

// The bounded backtracker (as RE2's BitState): a depth-first walk of the
// program from (pc 0, p0) in priority order (a Split's first branch before its
// second), so the first Match it reaches is the one a backtracking engine
// gives. Invariants:
// - A state (pc, p) is tried at most once per window (its mark is
//   visited[pc * span + p - windowStart], so the marks of one pc lie side by
//   side): whether a match can be
//   reached from it does not depend on the captures, so a state tried before
//   (from this start or an earlier one) has already failed. This bounds the
//   work, and the job stack, by the size of the visited table.
// - jobs_ holds the branches still to try, most urgent last, and the capture
//   restores that undo a Save when the walk backs out past it.
// - Reading past the window (a code unit or a look at the next one by $ or
//   \b at windowEnd, when windowEnd is not the end of the subject) makes the
//   answer depend on text the window does not hold: kUndecided.
Vm::Outcome Vm::TryAt(size_t p0, size_t windowStart, size_t windowEnd, std::vector<int>& slots) {
  const bool truncated = windowEnd < n_;
  std::fill(work_.begin(), work_.end(), -1);
  jobs_.clear();
  jobs_.push_back({0, p0, 0, 0});
  while (!jobs_.empty()) {
    const StackEntry j = jobs_.back();
    jobs_.pop_back();
    if (j.pc < 0) {
      work_[j.slot] = j.old;
      continue;
    }
    int pc = j.pc;
    size_t p = j.pos;
    for (;;) {
      uint32_t* const row = visited_.data() + size_t(pc) * span_;
      if (row[p - windowStart] == stamp_) break;  // tried already: it fails
      row[p - windowStart] = stamp_;
      const Inst& in = prog_.insts[pc];
      bool ok;
      switch (in.op) {
        case Op::kMatch:
          slots.assign(work_.begin(), work_.end());
          return Outcome::kMatch;
        case Op::kJmp:
          pc = in.x;
          continue;
        case Op::kSplit:
          if (in.lazyDotScan) {
            // At a code unit that is neither a stop unit nor LF, leaving the
            // loop fails at once and the dot takes the unit: the walk would
            // come back to this split one unit further. Go there directly,
            // marking each position as the walk would have.
            bool seen = false;
            while (p < windowEnd) {
              const char16_t c = s_[p];
              if (c == in.c1 || c == in.c2 || c == '\n') break;
              ++p;
              if (row[p - windowStart] == stamp_) {
                seen = true;
                break;
              }
              row[p - windowStart] = stamp_;
            }
            if (seen) break;
          }
          jobs_.push_back({in.y, p, 0, 0});
          pc = in.x;
          continue;
        case Op::kSave:
          jobs_.push_back({-1, 0, in.x, work_[in.x]});
          work_[in.x] = int(p);
          ++pc;
          continue;
        case Op::kAssert:
          if (p == windowEnd && truncated && in.assertion != Assertion::kBeginText &&
              in.assertion != Assertion::kEndText && in.assertion != Assertion::kBeginLine) {
            return Outcome::kUndecided;
          }
          if (!AssertionHolds(in.assertion, p)) break;
          ++pc;
          continue;
        default: {
          if (p == windowEnd) {
            if (truncated) return Outcome::kUndecided;
            break;
          }
          const char16_t c = s_[p];
          switch (in.op) {
            case Op::kChar: ok = c == in.c1; break;
            case Op::kChar2: ok = c == in.c1 || c == in.c2; break;
            case Op::kAnyButLf: ok = c != '\n'; break;
            default: ok = prog_.classes[in.x].Contains(c); break;
          }
          if (!ok) break;
          ++pc;
          ++p;
          continue;
        }
      }
      break;
    }
  }
  return Outcome::kNoMatch;
}

bool Vm::Search(const char16_t* s, size_t n, size_t start, std::vector<int>& slots) {
  s_ = s;
  n_ = n;
  if (window_ == 0 || start > n) return SearchPike(s, n, start, slots);
  size_t pos = start;
  for (;;) {
    // A new window from pos: a fresh stamp forgets every earlier visit.
    const size_t windowStart = pos;
    const size_t windowEnd = std::min(n, pos + window_);
    // The table grows to what the subject needs (new entries are 0, never a
    // stamp), so short subjects do not pay for the longest window.
    span_ = windowEnd - windowStart + 1;
    const size_t needed = span_ * prog_.insts.size();
    if (visited_.size() < needed) visited_.resize(needed, 0u);
    if (++stamp_ == 0) {
      std::fill(visited_.begin(), visited_.end(), 0u);
      stamp_ = 1;
    }
    size_t p = pos;
    for (;;) {
      if (prog_.anchoredAtStart && p > 0) return false;
      p = NextCandidate(p);
      if (p > n) return false;
      if (p >= windowEnd && windowEnd < n) break;  // past this window: slide
      switch (TryAt(p, windowStart, windowEnd, slots)) {
        case Outcome::kMatch: return true;
        case Outcome::kUndecided: return SearchPike(s, n, p, slots);
        case Outcome::kNoMatch: break;
      }
      if (p == n) return false;
      ++p;
    }
    pos = p;
  }
}

bool Vm::SearchPike(const char16_t* s, size_t n, size_t start, std::vector<int>& slots) {
  s_ = s;
  n_ = n;
  ThreadList* clist = &lists_[0];
  ThreadList* nlist = &lists_[1];
  clist->size = nlist->size = 0;
  bool matched = false;
  slots.assign(size_t(slots_), -1);
  size_t pos = start;
  if (pos > n) return false;

  for (;;) {
    if (clist->size == 0) {
      if (matched) break;
      if (prog_.anchoredAtStart && pos > 0) break;
      pos = NextCandidate(pos);
      if (pos > n) break;
    }
    if (!matched && (!prog_.anchoredAtStart || pos == 0) && CanStart(pos)) {
      AddThread(*clist, 0, pos, seed_.data());
    }

    const bool atEnd = pos == n;
    const char16_t c = atEnd ? 0 : s[pos];
    for (int i = 0; i < clist->size; ++i) {
      const int pc = clist->dense[i];
      const Inst& in = prog_.insts[pc];
      const int* caps = in.thread < 0 ? nullptr : &clist->caps[size_t(in.thread) * slots_];
      bool step = false;
      switch (in.op) {
        case Op::kMatch:
          std::memcpy(slots.data(), caps, sizeof(int) * size_t(slots_));
          matched = true;
          i = clist->size;  // cut the threads of lower priority
          continue;
        case Op::kChar: step = !atEnd && c == in.c1; break;
        case Op::kChar2: step = !atEnd && (c == in.c1 || c == in.c2); break;
        case Op::kAnyButLf: step = !atEnd && c != '\n'; break;
        case Op::kClass: step = !atEnd && prog_.classes[in.x].Contains(c); break;
        default: break;  // non-consuming instructions only mark visits
      }
      if (step) AddThread(*nlist, pc + 1, pos + 1, caps);
    }
    std::swap(clist, nlist);
    nlist->size = 0;
    if (atEnd) break;
    ++pos;
  }
  return matched;
}

}  // namespace quorlan::regex
