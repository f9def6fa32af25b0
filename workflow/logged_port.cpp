#include "workflow/logged_port.h"

#include <chrono>
#include <cstdio>

#include "protocol/frames.h"

namespace intercom {
namespace {

std::string Timestamp() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(us / 1000000),
                static_cast<long long>(us % 1000000));
  return text;
}

}  // namespace

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
  if (log_) *log_ << Timestamp() << ' ' << text << '\n';
}

}  // namespace intercom
