// A SerialPort that passes every call to another and, while it has a log,
// appends a line to it for each open, close, request and reply: a timestamp,
// then "open NAME", "close", "> " and the request's bytes in hex, or "< " and
// the reply's ("(nothing)" when none came), with the error code of a failed
// call. The log is flushed after every open and every reply, so an exchange is
// on disk once it is over.
//
// A line that echoes hands the request back before the reply; the echo gets a
// line of its own, "= " and its bytes, and the reply's line holds only what
// followed it. As the exchange does, a first read after a write that brings
// exactly the written bytes is an echo; one that brings them and then the
// frame sync E2 is held until the next read: bytes from it make an echo and a reply of the rest and
// those bytes, none (no line for that read) a reply of what was held. The
// next write, purge, open or close, a new log or the end of the object write
// what is still held as a reply.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "serial/local_time.h"
#include "serial/serial_port.h"

namespace intercom {

// What a log line starts with, before one blank; called once per line. It may
// put whole lines of its own (each ending in '\n') before its timestamp.
using LineStamp = std::function<std::string()>;

// Seconds on the monotonic clock, to the microsecond ("2435.470112").
LineStamp MonotonicStamp();

// The local time of `clock` to the millisecond ("14:03:27.512"); the first
// line, and the first of each later day, comes after a line of the date alone
// ("2026-12-07").
LineStamp WallClockStamp(LocalClock clock);

class LoggedPort final : public SerialPort {
 public:
  // `port` must outlive this object; `log` may be null (no lines).
  explicit LoggedPort(SerialPort& port, std::ostream* log = nullptr,
                      LineStamp stamp = MonotonicStamp())
      : port_(port), log_(log), stamp_(std::move(stamp)) {}
  ~LoggedPort() override { Release(); }
  LoggedPort(const LoggedPort&) = delete;
  LoggedPort& operator=(const LoggedPort&) = delete;

  // The stream the lines go to from now on, with `stamp` starting each; null:
  // none. It must outlive its use.
  void SetLog(std::ostream* log, LineStamp stamp = MonotonicStamp()) {
    Release();
    log_ = log;
    stamp_ = std::move(stamp);
  }

  bool Open(const std::string& name) override;
  bool IsOpen() const override { return port_.IsOpen(); }
  void Close() override;
  bool GetState(LineState& state) override { return port_.GetState(state); }
  bool SetState(const LineState& state) override { return port_.SetState(state); }
  bool GetTimeouts(CommTimeouts& timeouts) override { return port_.GetTimeouts(timeouts); }
  bool SetTimeouts(const CommTimeouts& timeouts) override { return port_.SetTimeouts(timeouts); }
  bool Purge() override;
  bool Write(const uint8_t* data, size_t count, size_t& written) override;
  bool Read(uint8_t* data, size_t count, size_t& received) override;
  uint32_t LastError() const override { return port_.LastError(); }
  std::string LastErrorText() const override { return port_.LastErrorText(); }

 private:
  using Bytes = std::vector<uint8_t>;

  void Line(const std::string& text);
  // Writes a held read as the reply it was, if one is held.
  void Release();

  SerialPort& port_;
  std::ostream* log_;
  LineStamp stamp_;
  // The last write's bytes until the first read after it.
  Bytes written_;
  // A first read that began with the written bytes, waiting for the next read.
  Bytes held_;
};

}  // namespace intercom
