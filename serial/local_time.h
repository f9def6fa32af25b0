// The machine's local wall clock, to the millisecond.
#pragma once

#include <chrono>
#include <functional>

namespace intercom {

// A moment on the local wall clock.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};
using LocalClock = std::function<LocalTime()>;

// The machine's local time now, in its time zone.
LocalTime LocalTimeNow();
// `when` on the machine's local clock.
LocalTime LocalTimeAt(std::chrono::system_clock::time_point when);

// Seconds the machine's local zone is ahead of UTC (negative: behind) at
// `moment`, summer time included; 0 when the system cannot tell.
long LocalUtcOffset(std::chrono::system_clock::time_point moment);

}  // namespace intercom
