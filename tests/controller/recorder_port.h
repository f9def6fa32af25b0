// The session recorder's port: logs every call and each frame written, and
// answers a write with whatever the recorder decides for it (bytes, a late
// reply, a failing write or read).
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "protocol/frames.h"
#include "serial/serial_port.h"

namespace intercom::testing {

using Bytes = std::vector<uint8_t>;

class RecorderPort : public SerialPort {
 public:
  struct Reply {
    Bytes bytes;
    bool late = false;        // arrives after the read has given up
    uint32_t writeError = 0;  // the write fails with this code
    uint32_t readError = 0;   // the read fails with this code after 7 bytes
  };

  explicit RecorderPort(std::vector<std::string>& log) : log_(log) {}

  bool Open(const std::string& name) override {
    open_ = name != unopenable && !name.empty();
    lastError_ = open_ ? 0 : 2;
    log_.push_back("  open " + std::string(open_ ? "ok " : "fails ") + std::to_string(name.size()));
    return open_;
  }
  bool IsOpen() const override { return open_; }
  void Close() override {
    if (open_) log_.push_back("  close");
    open_ = false;
  }
  bool GetState(LineState& state) override {
    log_.push_back("  get state");
    if (!Check()) return false;
    state = line_;
    return true;
  }
  bool SetState(const LineState& state) override {
    log_.push_back("  set state " + std::to_string(state.BaudRate) + " " +
                   std::to_string(state.ByteSize) + " " + std::to_string(state.Parity) + " " +
                   std::to_string(state.StopBits) + " " + std::to_string(state.XonLim) + " " +
                   std::to_string(state.XoffLim) + " " + std::to_string(state.Flags));
    if (!Check()) return false;
    line_ = state;
    return true;
  }
  bool GetTimeouts(CommTimeouts& timeouts) override {
    log_.push_back("  get timeouts");
    if (!Check()) return false;
    timeouts = timeouts_;
    return true;
  }
  bool SetTimeouts(const CommTimeouts& t) override {
    log_.push_back("  set timeouts " + std::to_string(t.ReadIntervalTimeout) + " " +
                   std::to_string(t.ReadTotalTimeoutMultiplier) + " " +
                   std::to_string(t.ReadTotalTimeoutConstant) + " " +
                   std::to_string(t.WriteTotalTimeoutMultiplier) + " " +
                   std::to_string(t.WriteTotalTimeoutConstant));
    if (!Check()) return false;
    timeouts_ = t;
    return true;
  }
  bool Purge() override {
    log_.push_back("  purge");
    if (!Check()) return false;
    pending_.clear();
    reply_ = Reply{};
    return true;
  }
  bool Write(const uint8_t* data, size_t count, size_t& written) override {
    written = 0;
    log_.push_back("  tx" + HexTrace(data, static_cast<int>(count)));
    if (!Check()) return false;
    reply_ = answer ? answer(Bytes(data, data + count)) : Reply{};
    if (reply_.writeError != 0) {
      lastError_ = reply_.writeError;
      return false;
    }
    written = count;
    if (!reply_.late) pending_ = reply_.bytes;
    return true;
  }
  bool Read(uint8_t* data, size_t count, size_t& received) override {
    received = 0;
    if (!Check()) return false;
    if (reply_.readError != 0) {
      received = std::min<size_t>({count, pending_.size(), 7});
      std::copy_n(pending_.begin(), received, data);
      lastError_ = reply_.readError;
      return false;
    }
    received = std::min(count, pending_.size());
    std::copy_n(pending_.begin(), received, data);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(received));
    if (reply_.late) pending_ = reply_.bytes;
    return true;
  }
  uint32_t LastError() const override { return lastError_; }

  std::function<Reply(const Bytes&)> answer;
  std::string unopenable;

 private:
  bool Check() {
    if (open_) return true;
    lastError_ = 9;
    return false;
  }

  std::vector<std::string>& log_;
  bool open_ = false;
  LineState line_{9600, 7, 2, 2, 0, 0, 0x1234};
  CommTimeouts timeouts_{};
  Bytes pending_;
  Reply reply_;
  uint32_t lastError_ = 0;
};

}  // namespace intercom::testing
