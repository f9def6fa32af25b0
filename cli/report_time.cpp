#include "cli/report_time.h"

#include <cstdio>
#include <cstdlib>

#include "serial/local_time.h"

namespace intercom::cli {

std::string Rfc3339Now() {
  const auto now = std::chrono::system_clock::now();
  return Rfc3339(now, LocalUtcOffset(now));
}

std::string Rfc3339(std::chrono::system_clock::time_point moment, long utcOffsetSeconds) {
  using namespace std::chrono;
  const auto local = floor<milliseconds>(moment) + seconds(utcOffsetSeconds);
  const auto day = floor<days>(local);
  const year_month_day date(day);
  const hh_mm_ss<milliseconds> clock(local - day);
  const long offsetMinutes = std::labs(utcOffsetSeconds) / 60;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03d%c%02ld:%02ld",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()),
                static_cast<int>(clock.subseconds().count()), utcOffsetSeconds < 0 ? '-' : '+',
                offsetMinutes / 60, offsetMinutes % 60);
  return text;
}

}  // namespace intercom::cli
