#include "sim/pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "sim/request_assembler.h"

namespace intercom {

namespace {

using Clock = RequestAssembler::Clock;

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

struct PendingReply {
  Clock::time_point due;
  std::vector<uint8_t> bytes;
};

// Milliseconds from `now` until `deadline`, rounded up so that the poll never
// wakes a hair early and spins; -1 (wait for ever) when there is no deadline.
int PollTimeout(Clock::time_point now, std::optional<Clock::time_point> deadline) {
  if (!deadline) return -1;
  if (*deadline <= now) return 0;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now);
  return static_cast<int>(wait.count());
}

class Logger {
 public:
  explicit Logger(std::ostream* out) : out_(out), start_(Clock::now()) {}

  void Line(const std::string& text) {
    if (!out_) return;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "[%8.3f] ", static_cast<double>(ms) / 1000.0);
    *out_ << stamp << text << std::endl;
  }
  void Bytes(const char* label, const uint8_t* data, size_t count, const std::string& note = {}) {
    if (out_) Line(label + HexTrace(data, static_cast<int>(count)) + note);
  }

 private:
  std::ostream* out_;
  Clock::time_point start_;
};

}  // namespace

PtyDevice::PtyDevice() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) ThrowErrno("posix_openpt");
  if (grantpt(master_) != 0) ThrowErrno("grantpt");
  if (unlockpt(master_) != 0) ThrowErrno("unlockpt");
  std::array<char, 128> name{};
  if (ptsname_r(master_, name.data(), name.size()) != 0) ThrowErrno("ptsname_r");
  slavePath_ = name.data();

  slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) ThrowErrno("open pty slave");
  termios mode{};
  if (tcgetattr(slave_, &mode) != 0) ThrowErrno("tcgetattr");
  cfmakeraw(&mode);
  cfsetispeed(&mode, B38400);
  cfsetospeed(&mode, B38400);
  if (tcsetattr(slave_, TCSANOW, &mode) != 0) ThrowErrno("tcsetattr");
}

PtyDevice::~PtyDevice() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

void PtyDevice::WriteReply(const uint8_t* data, size_t count) {
  while (count > 0) {
    const ssize_t n = write(master_, data, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("write pty");
    }
    data += n;
    count -= static_cast<size_t>(n);
  }
}

void PtyDevice::Serve(DeviceModel& model, const Misbehaviour& misbehaviour, int stopFd,
                      std::ostream* log, std::ostream* requests) {
  Logger logger(log);
  RequestAssembler assembler;
  MisbehavingDevice device(model, misbehaviour);
  std::deque<PendingReply> late;

  for (;;) {
    auto now = Clock::now();
    while (!late.empty() && late.front().due <= now) {
      WriteReply(late.front().bytes.data(), late.front().bytes.size());
      logger.Bytes("reply  ", late.front().bytes.data(), late.front().bytes.size(), "  (late)");
      late.pop_front();
    }
    if (const size_t dropped = assembler.DropStale(now)) {
      logger.Line("dropped " + std::to_string(dropped) + " bytes of an incomplete request");
    }

    std::optional<Clock::time_point> deadline = assembler.StaleAt();
    if (!late.empty())
      deadline = deadline ? std::min(*deadline, late.front().due) : late.front().due;

    pollfd fds[2] = {{master_, POLLIN, 0}, {stopFd, POLLIN, 0}};
    if (poll(fds, 2, PollTimeout(now, deadline)) < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("poll");
    }
    if (fds[1].revents != 0) return;
    if (fds[0].revents == 0) continue;
    if ((fds[0].revents & POLLIN) == 0) {
      // Cannot happen while the slave is held open; stop rather than spin.
      throw std::system_error(EIO, std::generic_category(), "pty master");
    }

    uint8_t buffer[256];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      ThrowErrno("read pty");
    }
    now = Clock::now();
    if (misbehaviour.echo && n > 0) {
      WriteReply(buffer, static_cast<size_t>(n));
      logger.Bytes("echo   ", buffer, static_cast<size_t>(n));
    }
    const auto frames = assembler.Feed(buffer, static_cast<size_t>(n), now);
    if (const size_t skipped = assembler.TakeSkipped()) {
      logger.Line("skipped " + std::to_string(skipped) + " bytes before a sync");
    }
    for (const RequestFrame& request : frames) {
      if (requests) {
        const auto ns =
            std::chrono::duration_cast<std::chrono::nanoseconds>(now.time_since_epoch()).count();
        *requests << ns << HexTrace(request.data(), static_cast<int>(request.size())) << std::endl;
      }
      logger.Bytes("request", request.data(), request.size());
      Response response = device.Answer(request);
      for (const std::string& note : response.notes) logger.Line("         " + note);
      if (!response.reply) continue;
      if (misbehaviour.lateMs > 0) {
        late.push_back(
            {now + std::chrono::milliseconds(misbehaviour.lateMs), std::move(*response.reply)});
        continue;
      }
      WriteReply(response.reply->data(), response.reply->size());
      logger.Bytes("reply  ", response.reply->data(), response.reply->size());
    }
  }
}

}  // namespace intercom
