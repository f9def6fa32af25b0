#include "serial/local_time.h"

#include <chrono>
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

}  // namespace intercom
