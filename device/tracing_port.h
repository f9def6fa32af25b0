// A SerialPort that passes every call to the real port and keeps a record of
// the traffic: the lines of a LoggedPort on a trace stream, and the frames
// since the last Mark() for the program to check. Before a request goes out it asks whether the
// user asked to stop; if so it throws Interrupted and writes nothing, so a stop always falls
// between two exchanges.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/logged_port.h"
#include "serial/serial_port.h"

namespace intercom {

class Interrupted : public std::runtime_error {
 public:
  Interrupted() : std::runtime_error("interrupted") {}
};

using StopQuery = std::function<bool()>;

class TracingPort final : public SerialPort {
 public:
  // `port` must outlive this object; `trace` may be null.
  TracingPort(SerialPort& port, std::ostream* trace, StopQuery stopRequested);

  bool Open(const std::string& name) override;
  bool IsOpen() const override { return logged_.IsOpen(); }
  void Close() override;
  bool GetState(LineState& state) override { return Note(logged_.GetState(state)); }
  bool SetState(const LineState& state) override { return Note(logged_.SetState(state)); }
  bool GetTimeouts(CommTimeouts& timeouts) override { return Note(logged_.GetTimeouts(timeouts)); }
  bool SetTimeouts(const CommTimeouts& timeouts) override {
    return Note(logged_.SetTimeouts(timeouts));
  }
  bool Purge() override { return logged_.Purge(); }
  bool Write(const uint8_t* data, size_t count, size_t& written) override;
  bool Read(uint8_t* data, size_t count, size_t& received) override;
  uint32_t LastError() const override { return logged_.LastError(); }
  std::string LastErrorText() const override { return logged_.LastErrorText(); }

  // Forgets the record of frames and failures.
  void Mark();
  // Requests written since Mark(), whole.
  const std::vector<std::vector<uint8_t>>& Requests() const { return requests_; }
  // Replies read since Mark(), as many bytes as arrived.
  const std::vector<std::vector<uint8_t>>& Replies() const { return replies_; }
  // True when every read since Mark(), from the `first`-th on (from 0), brought
  // a reply in step (beginning E2 E4).
  bool AllAnswered(size_t first = 0) const;
  // True when a call failed since Mark() (the line is gone or broken).
  bool Failed() const { return failed_; }

 private:
  bool Note(bool ok);

  LoggedPort logged_;
  StopQuery stopRequested_;
  std::vector<std::vector<uint8_t>> requests_;
  std::vector<std::vector<uint8_t>> replies_;
  bool failed_ = false;
};

}  // namespace intercom
