// What a process costs: CPU time and memory.
#pragma once

#include <windows.h>

#include <optional>

namespace quorlan::e2e {

// User plus kernel time so far, in milliseconds.
std::optional<double> CpuTimeMs(HANDLE process);
// The working set and its peak, in bytes (psapi). Wine leaves the private
// byte count at 0, so it is not offered.
struct MemoryUse {
  size_t workingSet = 0;
  size_t peakWorkingSet = 0;
};
std::optional<MemoryUse> MemoryOf(HANDLE process);

}  // namespace quorlan::e2e
