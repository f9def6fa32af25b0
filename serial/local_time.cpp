#include "serial/local_time.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace intercom {

LocalTime LocalTimeNow() {
  return LocalTimeAt(std::chrono::system_clock::now());
}

LocalTime LocalTimeAt(std::chrono::system_clock::time_point now) {
  const std::time_t seconds =
      std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(now));
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  const auto ms = std::chrono::floor<std::chrono::milliseconds>(now).time_since_epoch();
  return {local.tm_year + 1900,
          local.tm_mon + 1,
          local.tm_mday,
          local.tm_hour,
          local.tm_min,
          local.tm_sec,
          static_cast<int>(ms.count() % 1000)};
}

long LocalUtcOffset(std::chrono::system_clock::time_point moment) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
  std::tm local{};
#ifdef _WIN32
  // No tm_gmtoff here: the local fields read back as UTC give the offset.
  if (localtime_s(&local, &seconds) != 0) return 0;
  const std::time_t asUtc = _mkgmtime(&local);
  return asUtc == -1 ? 0 : static_cast<long>(asUtc - seconds);
#else
  if (localtime_r(&seconds, &local) == nullptr) return 0;
  return local.tm_gmtoff;
#endif
}

std::string Rfc3339Text(std::chrono::system_clock::time_point moment, long utcOffsetSeconds) {
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

std::string LocalRfc3339(std::chrono::system_clock::time_point moment) {
  return Rfc3339Text(moment, LocalUtcOffset(moment));
}

}  // namespace intercom
