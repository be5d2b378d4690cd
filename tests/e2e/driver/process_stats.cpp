#include "driver/process_stats.h"

#include <psapi.h>

namespace quorlan::e2e {
namespace {
double ToMs(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<double>(v.QuadPart) / 10000.0;  // 100 ns units
}
}  // namespace

std::optional<double> CpuTimeMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return std::nullopt;
  return ToMs(kernel) + ToMs(user);
}

std::optional<MemoryUse> MemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return std::nullopt;
  MemoryUse use;
  use.workingSet = counters.WorkingSetSize;
  use.peakWorkingSet = counters.PeakWorkingSetSize;
  return use;
}

}  // namespace quorlan::e2e
