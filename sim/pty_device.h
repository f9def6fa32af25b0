// The simulator's line: a pseudo-terminal whose slave side stands in for the
// serial port the tool opens, and the loop that answers requests on it.
#pragma once

#include <ostream>
#include <string>

#include "sim/device_model.h"
#include "sim/misbehaviour.h"

namespace intercom {

class PtyDevice {
 public:
  // Creates the pty and opens its slave side in raw mode at 38400 baud. The
  // slave stays open for the object's life: the master then never reports a
  // hang-up when the tool closes its side, and the line is raw before the tool
  // opens it. Throws std::system_error on failure.
  PtyDevice();
  ~PtyDevice();
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // The path the tool opens, e.g. /dev/pts/3.
  const std::string& SlavePath() const { return slavePath_; }

  // Answers requests with `model`, shaped by `misbehaviour`, until `stopFd`
  // becomes readable; with misbehaviour.echo every byte read is first written
  // back as it came. Each request, echo, reply and dropped byte is logged to `log`
  // unless it is null; each complete request also goes to `requests` unless it
  // is null, as one line: the steady clock (CLOCK_MONOTONIC) in nanoseconds when
  // its last byte was read, then its bytes, flushed at once. Throws
  // std::system_error when the pty fails.
  void Serve(DeviceModel& model, const Misbehaviour& misbehaviour, int stopFd, std::ostream* log,
             std::ostream* requests = nullptr);

 private:
  void WriteReply(const uint8_t* data, size_t count);

  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace intercom
