#include "driver/wait.h"

#include <windows.h>

namespace quorlan::e2e {

void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void PumpFor(Milliseconds duration) {
  const auto end = Clock::now() + duration;
  for (;;) {
    PumpMessages();
    const auto now = Clock::now();
    if (now >= end) return;
    const auto left = std::chrono::duration_cast<Milliseconds>(end - now).count();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
  }
}

bool WaitUntil(const std::function<bool()>& done, Milliseconds timeout, Milliseconds interval) {
  const auto end = Clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= end) return done();
    PumpFor(interval);
  }
}

}  // namespace quorlan::e2e
