// The machine's local wall clock, to the millisecond.
#pragma once

#include <chrono>
#include <functional>
#include <string>

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

// RFC 3339 with milliseconds on a clock `utcOffsetSeconds` ahead of UTC
// (negative: behind), the offset in whole minutes, never "Z":
// "2026-12-08T14:31:05.123+01:00". Milliseconds are truncated.
std::string Rfc3339Text(std::chrono::system_clock::time_point moment, long utcOffsetSeconds);
// `moment` on the machine's local clock, as Rfc3339Text writes it.
std::string LocalRfc3339(std::chrono::system_clock::time_point moment);

// Seconds the machine's local zone is ahead of UTC (negative: behind) at
// `moment`, summer time included; 0 when the system cannot tell.
long LocalUtcOffset(std::chrono::system_clock::time_point moment);

}  // namespace intercom
