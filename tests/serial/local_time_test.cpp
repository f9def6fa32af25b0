// The time stamps of reports and backups: RFC 3339 with milliseconds and the
// zone's offset, from a fixed offset and from the machine's zone.
#include "serial/local_time.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>

namespace intercom {
namespace {

using namespace std::chrono;

TEST(LocalTime, Rfc3339TextWritesMillisecondsAndTheOffset) {
  const system_clock::time_point moment =
      sys_days{year{2026} / 12 / 8} + hours(13) + minutes(31) + seconds(5) + microseconds(123999);
  EXPECT_EQ(Rfc3339Text(moment, 3600), "2026-12-08T14:31:05.123+01:00");
  EXPECT_EQ(Rfc3339Text(moment, -(3 * 3600 + 1800)), "2026-12-08T10:01:05.123-03:30");
  EXPECT_EQ(Rfc3339Text(moment, 0), "2026-12-08T13:31:05.123+00:00");
  EXPECT_EQ(Rfc3339Text(sys_days{year{2027} / 1 / 1} + minutes(30), -3600),
            "2026-12-31T23:30:00.000-01:00");
}

#ifndef _WIN32
TEST(LocalTime, LocalRfc3339TakesTheZonesOffsetAtThatMoment) {
  const char* zone = std::getenv("TZ");
  const std::string saved = zone != nullptr ? zone : "";
  const system_clock::time_point moment =
      sys_days{year{2024} / March / 5} + hours(10) + minutes(20) + seconds(30) + milliseconds(45);
  setenv("TZ", "XST-05:30", 1);
  tzset();
  EXPECT_EQ(LocalRfc3339(moment), "2024-03-05T15:50:30.045+05:30");
  setenv("TZ", "YST+03", 1);
  tzset();
  EXPECT_EQ(LocalRfc3339(moment), "2024-03-05T07:20:30.045-03:00");
  if (zone != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
#endif

}  // namespace
}  // namespace intercom
