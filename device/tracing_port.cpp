#include "device/tracing_port.h"

#include "protocol/frames.h"

namespace intercom {

TracingPort::TracingPort(SerialPort& port, std::ostream* trace, StopQuery stopRequested)
    : logged_(port, trace), stopRequested_(std::move(stopRequested)) {}

bool TracingPort::Open(const std::string& name) {
  return Note(logged_.Open(name));
}

void TracingPort::Close() {
  logged_.Close();
}

bool TracingPort::Write(const uint8_t* data, size_t count, size_t& written) {
  if (stopRequested_ && stopRequested_()) throw Interrupted();
  const bool ok = logged_.Write(data, count, written);
  requests_.emplace_back(data, data + count);
  return Note(ok);
}

bool TracingPort::Read(uint8_t* data, size_t count, size_t& received) {
  const bool ok = logged_.Read(data, count, received);
  replies_.emplace_back(data, data + (ok ? received : 0));
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

}  // namespace intercom
