#include "workflow/tracing_port.h"

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

TracingPort::TracingPort(SerialPort& port, std::ostream* trace, StopQuery stopRequested)
    : port_(port), trace_(trace), stopRequested_(std::move(stopRequested)) {}

bool TracingPort::Open(const std::string& name) {
  const bool ok = port_.Open(name);
  TraceLine("open " + name + (ok ? "" : " failed: " + std::to_string(port_.LastError())));
  if (trace_) trace_->flush();
  return Note(ok);
}

void TracingPort::Close() {
  if (port_.IsOpen()) TraceLine("close");
  port_.Close();
}

bool TracingPort::Write(const uint8_t* data, size_t count, size_t& written) {
  if (stopRequested_ && stopRequested_()) throw Interrupted();
  const bool ok = port_.Write(data, count, written);
  requests_.emplace_back(data, data + count);
  TraceLine("> " + HexTrace(data, static_cast<int>(count)).substr(1) +
            (ok ? "" : "  write failed: " + std::to_string(port_.LastError())));
  return Note(ok);
}

bool TracingPort::Read(uint8_t* data, size_t count, size_t& received) {
  const bool ok = port_.Read(data, count, received);
  replies_.emplace_back(data, data + (ok ? received : 0));
  const std::string bytes = received == 0 ? std::string("(nothing)")
                                          : HexTrace(data, static_cast<int>(received)).substr(1);
  TraceLine("< " + bytes + (ok ? "" : "  read failed: " + std::to_string(port_.LastError())));
  if (trace_) trace_->flush();
  return Note(ok);
}

void TracingPort::Mark() {
  requests_.clear();
  replies_.clear();
  failed_ = false;
}

bool TracingPort::AllAnswered(size_t first) const {
  for (size_t i = first; i < replies_.size(); ++i) {
    const auto& reply = replies_[i];
    if (reply.size() < 2 || reply[0] != kFrameSync0 || reply[1] != kFrameSync1) return false;
  }
  return true;
}

bool TracingPort::Note(bool ok) {
  if (!ok) failed_ = true;
  return ok;
}

void TracingPort::TraceLine(const std::string& text) {
  if (trace_) *trace_ << Timestamp() << ' ' << text << '\n';
}

}  // namespace intercom
