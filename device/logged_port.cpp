#include "device/logged_port.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

#include "protocol/frames.h"

namespace intercom {
namespace {

// The bytes in hex, "(nothing)" when there are none.
std::string Hex(const std::vector<uint8_t>& bytes) {
  return bytes.empty() ? std::string("(nothing)")
                       : HexTrace(bytes.data(), static_cast<int>(bytes.size())).substr(1);
}

}  // namespace

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
  Release();
  const bool ok = port_.Open(name);
  Line("open " + name + (ok ? "" : " failed: " + std::to_string(port_.LastError())));
  if (log_) log_->flush();
  return ok;
}

void LoggedPort::Close() {
  Release();
  if (port_.IsOpen()) Line("close");
  port_.Close();
}

bool LoggedPort::Purge() {
  Release();
  return port_.Purge();
}

bool LoggedPort::Write(const uint8_t* data, size_t count, size_t& written) {
  Release();
  const bool ok = port_.Write(data, count, written);
  Line("> " + HexTrace(data, static_cast<int>(count)).substr(1) +
       (ok ? "" : "  write failed: " + std::to_string(port_.LastError())));
  written_.assign(data, data + count);
  return ok;
}

bool LoggedPort::Read(uint8_t* data, size_t count, size_t& received) {
  const bool ok = port_.Read(data, count, received);
  const Bytes arrived(data, data + received);
  const std::string failure = ok ? "" : "  read failed: " + std::to_string(port_.LastError());
  const Bytes written = std::exchange(written_, Bytes());
  if (!held_.empty()) {
    const Bytes held = std::exchange(held_, Bytes());
    const auto echoEnd = held.begin() + static_cast<long>(written.size());
    if (ok && received > 0) {
      Bytes reply(echoEnd, held.end());
      reply.insert(reply.end(), arrived.begin(), arrived.end());
      Line("= " + Hex(Bytes(held.begin(), echoEnd)));
      Line("< " + Hex(reply));
    } else {
      // The second read found nothing more (no line of its own) or failed.
      Line("< " + Hex(held));
      if (!ok) Line("< " + Hex(arrived) + failure);
    }
  } else if (ok && !written.empty() && received >= written.size() &&
             std::equal(written.begin(), written.end(), arrived.begin())) {
    if (received == written.size()) {
      Line("= " + Hex(arrived));
    } else if (arrived[written.size()] != kFrameSync0) {
      Line("< " + Hex(arrived));
    } else {
      // Only the next read can tell an echo and more from a reply that
      // repeats the request.
      held_ = arrived;
      written_ = written;
      return ok;
    }
  } else {
    Line("< " + Hex(arrived) + failure);
  }
  if (log_) log_->flush();
  return ok;
}

void LoggedPort::Release() {
  if (held_.empty()) return;
  Line("< " + Hex(held_));
  held_.clear();
  written_.clear();
  if (log_) log_->flush();
}

void LoggedPort::Line(const std::string& text) {
  if (log_) *log_ << stamp_() << ' ' << text << '\n';
}

}  // namespace intercom
