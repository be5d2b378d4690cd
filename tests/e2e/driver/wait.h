// Waiting in the driver. Every wait polls and, between polls, dispatches the
// driver's own messages, so that a window of the driver (a clipboard owner,
// say) never holds up the program under test while the driver waits.
#pragma once

#include <chrono>
#include <functional>

namespace quorlan::e2e {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// How long the driver waits for anything the program should do by itself.
constexpr Milliseconds kDefaultTimeout{20000};

// Dispatches every message waiting for the calling thread.
void PumpMessages();

// Sleeps for the duration while dispatching the thread's messages.
void PumpFor(Milliseconds duration);

// Polls `done` (every `interval`) until it gives true or the timeout passes;
// gives its last answer.
bool WaitUntil(const std::function<bool()>& done, Milliseconds timeout = kDefaultTimeout,
               Milliseconds interval = Milliseconds{10});

}  // namespace quorlan::e2e
