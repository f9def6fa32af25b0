// The blocking pause that paces the device. Injected into the session so that
// unit tests run without real waiting.
#pragma once

#include <functional>

namespace intercom {

// Blocks the calling thread for `ms` milliseconds and dispatches nothing.
using Pause = std::function<void(int ms)>;

// The real pause: sleeps until `ms` milliseconds after the call (on Linux to
// an absolute deadline on the monotonic clock, whatever signals arrive
// meanwhile; Sleep on Windows).
void SleepPause(int ms);

}  // namespace intercom
