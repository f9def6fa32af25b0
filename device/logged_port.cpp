#include "device/logged_port.h"

#include <chrono>
#include <cstdio>

#include "protocol/frames.h"

namespace intercom {

LineStamp MonotonicStamp() {
  return [] {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(us / 1000000),
                  static_cast<long long>(us % 1000000));
    return std::string(text);
  };
}

LineStamp WallClockStamp(LocalClock clock) {
  // The day of the last line, so that a log running past midnight says so.
  struct Day {
    int year = 0, month = 0, day = 0;
  };
  return [clock = std::move(clock), last = Day{}]() mutable {
    const LocalTime now = clock();
    char text[48];
    int length = 0;
    if (now.year != last.year || now.month != last.month || now.day != last.day) {
      last = {now.year, now.month, now.day};
      length = std::snprintf(text, sizeof text, "%04d-%02d-%02d\n", now.year, now.month, now.day);
    }
    std::snprintf(text + length, sizeof text - static_cast<size_t>(length), "%02d:%02d:%02d.%03d",
                  now.hour, now.minute, now.second, now.millisecond);
    return std::string(text);
  };
}

bool LoggedPort::Open(const std::string& name) {
  const bool ok = port_.Open(name);
  Line("open " + name + (ok ? "" : " failed: " + std::to_string(port_.LastError())));
  if (log_) log_->flush();
  return ok;
}

void LoggedPort::Close() {
  if (port_.IsOpen()) Line("close");
  port_.Close();
}

bool LoggedPort::Write(const uint8_t* data, size_t count, size_t& written) {
  const bool ok = port_.Write(data, count, written);
  Line("> " + HexTrace(data, static_cast<int>(count)).substr(1) +
       (ok ? "" : "  write failed: " + std::to_string(port_.LastError())));
  return ok;
}

bool LoggedPort::Read(uint8_t* data, size_t count, size_t& received) {
  const bool ok = port_.Read(data, count, received);
  const std::string bytes = received == 0 ? std::string("(nothing)")
                                          : HexTrace(data, static_cast<int>(received)).substr(1);
  Line("< " + bytes + (ok ? "" : "  read failed: " + std::to_string(port_.LastError())));
  if (log_) log_->flush();
  return ok;
}

void LoggedPort::Line(const std::string& text) {
  if (log_) *log_ << stamp_() << ' ' << text << '\n';
}

}  // namespace intercom
