// An in-memory SerialPort: records what is written, answers each write with
// the next scripted reply (or a responder), and fails on demand.
#pragma once

#include <algorithm>
#include <cerrno>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "protocol/frames.h"
#include "serial/serial_port.h"

namespace intercom::testing {

using Bytes = std::vector<uint8_t>;

class FakeSerialPort : public SerialPort {
 public:
  bool Open(const std::string& name) override {
    ++openCount;
    openedNames.push_back(name);
    if (unopenable.count(name) != 0) {
      open_ = false;
      lastError_ = ENOENT;
      return false;
    }
    open_ = true;
    return true;
  }
  bool IsOpen() const override { return open_; }
  void Close() override {
    if (open_) ++closeCount;
    open_ = false;
  }

  bool GetState(LineState& state) override {
    if (!Check(failGetState)) return false;
    state = line;
    return true;
  }
  bool SetState(const LineState& state) override {
    if (!Check(failSetState)) return false;
    line = state;
    ++setStateCount;
    return true;
  }
  bool GetTimeouts(CommTimeouts& timeouts) override {
    if (!Check(failGetTimeouts)) return false;
    timeouts = this->timeouts;
    return true;
  }
  bool SetTimeouts(const CommTimeouts& timeouts) override {
    if (!Check(failSetTimeouts)) return false;
    this->timeouts = timeouts;
    ++setTimeoutsCount;
    return true;
  }
  bool Purge() override {
    if (!open_) return Fail(EBADF);
    ++purgeCount;
    pending_.clear();
    return true;
  }
  bool Write(const uint8_t* data, size_t count, size_t& written) override {
    written = 0;
    if (!Check(failWrite)) return false;
    Bytes frame(data, data + count);
    writes.push_back(frame);
    written = count;
    std::optional<Bytes> reply;
    if (responder) {
      reply = responder(frame);
    } else if (!replies.empty()) {
      reply = replies.front();
      replies.pop_front();
    }
    if (reply) pending_ = *reply;
    return true;
  }
  bool Read(uint8_t* data, size_t count, size_t& received) override {
    received = 0;
    if (!Check(failRead)) return false;
    received = std::min(count, pending_.size());
    std::copy_n(pending_.begin(), received, data);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(received));
    return true;
  }
  uint32_t LastError() const override { return lastError_; }
  // The fake's codes are errno values on every platform, so their text is too.
  std::string LastErrorText() const override {
    return errorText.empty() ? std::generic_category().message(static_cast<int>(lastError_))
                             : errorText;
  }

  // When set, LastErrorText() says this instead, as a port that knows more
  // does ("locked by process 42 (minicom)").
  std::string errorText;
  // Scripted replies, one per write; an empty deque means silence.
  std::deque<Bytes> replies;
  // When set, replaces `replies`: the reply to one written frame, or nothing.
  std::function<std::optional<Bytes>(const Bytes&)> responder;

  std::vector<Bytes> writes;
  std::vector<std::string> openedNames;
  std::set<std::string> unopenable;
  LineState line{9600, 7, 2, 2, 0, 0, 0x1234};
  CommTimeouts timeouts{};
  int openCount = 0, closeCount = 0, purgeCount = 0, setStateCount = 0, setTimeoutsCount = 0;
  // A nonzero value makes that call fail with this error code.
  int failGetState = 0, failSetState = 0, failGetTimeouts = 0, failSetTimeouts = 0;
  int failWrite = 0, failRead = 0;

 private:
  bool Fail(int error) {
    lastError_ = static_cast<uint32_t>(error);
    return false;
  }
  bool Check(int forcedError) {
    if (!open_) return Fail(EBADF);
    if (forcedError != 0) return Fail(forcedError);
    return true;
  }

  bool open_ = false;
  Bytes pending_;
  uint32_t lastError_ = 0;
};

// A well-formed reply: E2 E4, kind, command, 0A, payload, 0.
inline Bytes Reply(uint8_t kind, uint8_t command, const Bytes& payload = {}) {
  Bytes frame{kFrameSync0, kFrameSync1, kind, command, 0x0A};
  for (int i = 0; i < kPayloadLength; ++i) {
    frame.push_back(i < static_cast<int>(payload.size()) ? payload[static_cast<size_t>(i)] : 0);
  }
  frame.push_back(0);
  return frame;
}

// The first `count` bytes of a frame, as a device that stopped early sends them.
inline Bytes Truncated(Bytes frame, size_t count) {
  frame.resize(std::min(count, frame.size()));
  return frame;
}

// A frame with its byte at `offset` replaced.
inline Bytes Corrupted(Bytes frame, size_t offset, uint8_t value) {
  frame.at(offset) = value;
  return frame;
}

}  // namespace intercom::testing
