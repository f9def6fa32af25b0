// The exchange end to end: the real port on a pty served by intercom-sim.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/device_line.h"
#include "protocol/exchange.h"
#include "protocol/exchange_observer.h"
#include "protocol/frames.h"
#include "protocol/send_command.h"
#include "serial/pause.h"
#include "serial/posix_serial_port.h"
#include "tests/support/lock_folder.h"
#include "tests/support/simulator_process.h"

namespace intercom {
namespace {

using Clock = std::chrono::steady_clock;

// Keeps what the protocol reports, as the window's trace fields show it.
class RecordingObserver : public ExchangeObserver {
 public:
  void RequestSent(const RequestFrame& request) override {
    requestTrace += HexTrace(request.data(), kRequestLength);
  }
  // Bytes 0..14, never the sixteenth.
  void ReplyRead(const ReplyFrame& reply) override {
    replyTrace += HexTrace(reply.data(), kReplyLength - 1);
  }
  void Notice(const std::string& text) override { notices.push_back(text); }

  std::string requestTrace;
  std::string replyTrace;
  std::vector<std::string> notices;
};

RequestFrame Request(DeviceKind kind, CommandCode command, const Payload& payload = {}) {
  RequestFrame frame{kFrameSync0, kFrameSync1, static_cast<uint8_t>(kind),
                     static_cast<uint8_t>(command), kPayloadLength};
  std::copy(payload.begin(), payload.end(), frame.begin() + kPayloadOffset);
  return frame;
}

ReplyFrame Reply(DeviceKind kind, CommandCode command, const Payload& payload = {}) {
  ReplyFrame frame{};
  const RequestFrame request = Request(kind, command, payload);
  std::copy(request.begin(), request.end(), frame.begin());
  return frame;
}

Payload ReplyPayload(const SessionState& state) {
  Payload payload{};
  for (int i = 0; i < kPayloadLength; ++i) payload[i] = state.ReplyByte(i);
  return payload;
}

using testing::LockFolder;
using testing::Simulator;

class ExchangeOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* program = std::getenv("INTERCOM_SIM");
    if (program == nullptr || *program == '\0') GTEST_SKIP() << "INTERCOM_SIM is not set";
    program_ = program;
  }

  // Starts the simulator with `options` and opens its port at 38400 8N1.
  void Connect(const std::vector<std::string>& options) {
    simulator_.emplace(program_, options);
    ASSERT_FALSE(simulator_->PortPath().empty()) << "intercom-sim printed no port";
    ASSERT_TRUE(port.Open(simulator_->PortPath())) << "errno " << port.LastError();
    LineState line;
    ASSERT_TRUE(port.GetState(line)) << "errno " << port.LastError();
    line.BaudRate = 38400;
    line.ByteSize = 8;
    line.Parity = 0;
    line.StopBits = 0;
    ASSERT_TRUE(port.SetState(line)) << "errno " << port.LastError();
    CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = 10;
    timeouts.ReadTotalTimeoutConstant = 50;
    timeouts.WriteTotalTimeoutMultiplier = 1;
    ASSERT_TRUE(port.SetTimeouts(timeouts)) << "errno " << port.LastError();
  }

  // One exchange of `request`; returns its duration in ms. A reply in step
  // clears NoAnswer, as SendCommand does.
  long Run(const RequestFrame& request) {
    state.RequestBuffer = request;
    const auto start = Clock::now();
    if (Exchange(line).InSync()) {
      ++interpreted;
      state.NoAnswer = false;
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::cout << "[ timing   ] " << name << ": exchange took " << ms << " ms" << std::endl;
    RecordProperty("exchange_ms_" + std::to_string(++exchanges_), std::to_string(ms));
    return ms;
  }

  // Reads whatever reply waits on the port, bypassing the exchange and its purge.
  ReplyFrame ReadWaiting() {
    ReplyFrame bytes{};
    size_t received = 0;
    EXPECT_TRUE(port.Read(bytes.data(), bytes.size(), received)) << "errno " << port.LastError();
    return bytes;
  }

  std::string program_;
  std::optional<Simulator> simulator_;
  LockFolder locks_;
  PosixSerialPort port{locks_.Path()};
  SessionState state;
  Pause pause = SleepPause;
  RecordingObserver observer;
  DeviceLine line{state, port, pause, observer, StandardCatalogue()};
  int interpreted = 0;
  int exchanges_ = 0;
};

TEST_F(ExchangeOverPty, ProbeToItsKindIsAnsweredAfterTheTwoPauses) {
  Connect({"--kind", "subscriber"});
  state.NoAnswer = true;
  const long ms = Run(Request(DeviceKind::SubscriberSet, CommandCode::Probe));
  EXPECT_EQ(interpreted, 1);
  EXPECT_FALSE(state.NoAnswer);
  EXPECT_EQ(state.ReplyBuffer, Reply(DeviceKind::SubscriberSet, CommandCode::Probe));
  EXPECT_EQ(observer.replyTrace, " E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00");
  EXPECT_TRUE(observer.notices.empty());
  EXPECT_GE(ms, 120);
  EXPECT_LE(ms, 600);
}

TEST_F(ExchangeOverPty, ProbeToAnotherKindTimesOutSilently) {
  Connect({"--kind", "splitter"});
  const long ms = Run(Request(DeviceKind::SubscriberSet, CommandCode::Probe));
  EXPECT_TRUE(state.NoAnswer);
  EXPECT_EQ(interpreted, 0);
  EXPECT_EQ(state.ReplyBuffer, ReplyFrame{});
  EXPECT_TRUE(observer.notices.empty());
  EXPECT_GE(ms, 170);
  EXPECT_LE(ms, 700);
}

TEST_F(ExchangeOverPty, WrittenKeyAddressesReadBack) {
  Connect({"--kind", "subscriber"});
  const Payload keys{0x3F, 0x20, 0x9C, 0x00, 0x25, 0x31, 0x2A, 0x21, 0xFF, 0x30};
  Run(Request(DeviceKind::SubscriberSet, CommandCode::WriteSettings, keys));
  Run(Request(DeviceKind::SubscriberSet, CommandCode::ReadSettings));
  EXPECT_EQ(interpreted, 2);
  EXPECT_EQ(ReplyPayload(state), keys);
  EXPECT_TRUE(observer.notices.empty());
}

TEST_F(ExchangeOverPty, SetLevelReadsBackOnItsChannel) {
  Connect({"--kind", "splitter"});
  Run(Request(DeviceKind::Splitter, CommandCode::ReadLevels));
  Payload expected = ReplyPayload(state);
  Run(Request(DeviceKind::Splitter, CommandCode::SetLevel,
              Payload{static_cast<uint8_t>(kChannel3), 0xC5}));
  Run(Request(DeviceKind::Splitter, CommandCode::ReadLevels));
  expected[2] = 0xC5;
  EXPECT_EQ(interpreted, 3);
  EXPECT_EQ(ReplyPayload(state), expected);
}

TEST_F(ExchangeOverPty, LateReplyIsMissedAndThenPurged) {
  Connect({"--kind", "beltpack", "--late", "300"});
  constexpr int kSettleMs = 400;  // past the 300 ms delay, with room for a busy machine

  // The late reply misses its exchange but does arrive afterwards.
  Run(Request(DeviceKind::BeltPack, CommandCode::ReadDeviceAddress));
  EXPECT_TRUE(state.NoAnswer);
  SleepPause(kSettleMs);
  const ReplyFrame missed = ReadWaiting();
  EXPECT_EQ(missed[3], static_cast<uint8_t>(CommandCode::ReadDeviceAddress));

  // A stale reply waiting on the line is dropped by the next exchange's purge,
  // whose own reply is late again: that exchange sees nothing at all.
  Run(Request(DeviceKind::BeltPack, CommandCode::ReadTallyAddress));
  SleepPause(kSettleMs);
  state.NoAnswer = false;
  Run(Request(DeviceKind::BeltPack, CommandCode::Probe));
  EXPECT_TRUE(state.NoAnswer);
  EXPECT_EQ(state.ReplyBuffer, ReplyFrame{});
  EXPECT_EQ(interpreted, 0);
  EXPECT_TRUE(observer.notices.empty());

  // The reply that arrives next is the probe's own.
  SleepPause(kSettleMs);
  EXPECT_EQ(ReadWaiting(), Reply(DeviceKind::BeltPack, CommandCode::Probe));
}

TEST_F(ExchangeOverPty, ReplyOutOfSyncShowsTheSyncNotice) {
  Connect({"--kind", "switch", "--out-of-sync"});
  Run(Request(DeviceKind::Switch, CommandCode::Probe));
  EXPECT_EQ(interpreted, 0);
  EXPECT_FALSE(state.NoAnswer);
  EXPECT_EQ(observer.notices, std::vector<std::string>{"Ошибка синхронизации."});
  EXPECT_EQ(observer.replyTrace.substr(0, 6), " E4 E2");
}

TEST_F(ExchangeOverPty, TruncatedReplyIsInSyncWithZerosAfterItsEnd) {
  Connect({"--kind", "subscriber", "--truncate", "7"});
  const long ms = Run(Request(DeviceKind::SubscriberSet, CommandCode::ReadSettings));
  // Keys 1 and 2 made it; key 3 onwards would be non-zero in a whole reply.
  ReplyFrame expected = Reply(DeviceKind::SubscriberSet, CommandCode::ReadSettings);
  expected[5] = EncodeAddress(1);
  expected[6] = EncodeAddress(2);
  EXPECT_EQ(state.ReplyBuffer, expected);
  EXPECT_EQ(interpreted, 1);
  EXPECT_TRUE(observer.notices.empty());
  EXPECT_LE(ms, 600);
}

TEST_F(ExchangeOverPty, TruncateCommandCutsOnlyThatCommandsReplies) {
  Connect({"--kind", "subscriber", "--truncate-command", "ReadSettings:7"});
  Run(Request(DeviceKind::SubscriberSet, CommandCode::ReadSettings));
  ReplyFrame expected = Reply(DeviceKind::SubscriberSet, CommandCode::ReadSettings);
  expected[5] = EncodeAddress(1);
  expected[6] = EncodeAddress(2);
  EXPECT_EQ(state.ReplyBuffer, expected);
  Run(Request(DeviceKind::SubscriberSet, CommandCode::ReadDeviceAddress));
  EXPECT_EQ(state.ReplyBuffer, Reply(DeviceKind::SubscriberSet, CommandCode::ReadDeviceAddress,
                                     Payload{EncodeAddress(5)}));
  EXPECT_EQ(interpreted, 2);
}

TEST_F(ExchangeOverPty, VanishAfterAnswersTheFirstRequestsThenNoneMore) {
  Connect({"--kind", "splitter", "--vanish-after", "2"});
  for (int i = 0; i < 4; ++i) {
    state.NoAnswer = false;
    Run(Request(DeviceKind::Splitter, CommandCode::Probe));
    EXPECT_EQ(state.NoAnswer, i >= 2) << "request " << i + 1;
  }
  EXPECT_EQ(interpreted, 2);
}

TEST_F(ExchangeOverPty, CorruptResendDamagesOnlyTheRepeatedWrite) {
  Connect({"--kind", "switch", "--corrupt-resend"});
  const Payload lines{EncodeAddress(21), EncodeAddress(22), EncodeAddress(23), EncodeAddress(24)};
  Run(Request(DeviceKind::Switch, CommandCode::WriteSettings, lines));
  Run(Request(DeviceKind::Switch, CommandCode::ReadSettings));
  EXPECT_EQ(ReplyPayload(state), lines);

  // The same write again: line 4, the switch's last address byte, arrives damaged.
  Run(Request(DeviceKind::Switch, CommandCode::WriteSettings, lines));
  Run(Request(DeviceKind::Switch, CommandCode::ReadSettings));
  Payload damaged = lines;
  damaged[3] ^= 0x01;
  EXPECT_EQ(ReplyPayload(state), damaged);
  EXPECT_EQ(interpreted, 4);
}

// A device that sends the first 7 bytes of its reply and then hangs up: the
// test holds the pty's master end and closes it once the read has the bytes.
TEST(ExchangeHangUp, ReadFailingAfterPartOfTheReplyLeavesItAllZero) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(master, 0) << "no pseudo-terminal: " << errno;
  char name[128];
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  ASSERT_EQ(ptsname_r(master, name, sizeof name), 0);

  LockFolder locks;
  PosixSerialPort port{locks.Path()};
  SessionState state;
  const Pause pause = SleepPause;
  RecordingObserver observer;
  const DeviceLine line{state, port, pause, observer, StandardCatalogue()};
  ASSERT_TRUE(port.Open(name)) << "errno " << port.LastError();
  // No interval bound: the read holds on after the 7 bytes until the line
  // drops, rather than ending by time-out with a short reply.
  CommTimeouts timeouts;
  timeouts.ReadTotalTimeoutConstant = SerialPort::kMaxBlockMs;
  timeouts.WriteTotalTimeoutMultiplier = 1;
  ASSERT_TRUE(port.SetTimeouts(timeouts));

  std::thread device([master] {
    uint8_t request[kRequestLength];
    size_t got = 0;
    while (got < sizeof request) {
      pollfd entry{master, POLLIN, 0};
      if (poll(&entry, 1, 2000) <= 0) break;
      const ssize_t n = read(master, request + got, sizeof request - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    // The switch's settings: the lines' addresses would land in Edit16 and Edit17.
    const uint8_t part[] = {kFrameSync0,       kFrameSync1,      4, 3, 10,
                            EncodeAddress(11), EncodeAddress(12)};
    if (write(master, part, sizeof part) != static_cast<ssize_t>(sizeof part)) return;
    // Well after the read (100 ms after the request) took the bytes, well
    // before its one-second bound.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    close(master);
  });

  state.CurrentDevice = static_cast<int32_t>(DeviceKind::Switch);
  int handled = 0;
  const ExchangeOutcome outcome = SendCommand(line, CommandCode::ReadSettings, {},
                                              [&handled](const ExchangeOutcome&) { ++handled; });
  device.join();

  EXPECT_EQ(observer.notices, std::vector<std::string>{"Can't read from port: 5"});
  EXPECT_EQ(state.ReplyBuffer, ReplyFrame{});
  EXPECT_EQ(observer.replyTrace, " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
  EXPECT_TRUE(state.NoAnswer);
  EXPECT_EQ(outcome.readError, 5u);
  EXPECT_EQ(outcome.received, 0u);
  EXPECT_EQ(outcome.status, ReplyStatus::Missing);
  // Nothing of the lines reaches whoever follows the replies.
  EXPECT_EQ(handled, 0);
  EXPECT_TRUE(outcome.values.values.empty());
}

// The benchmark's clock on the device side: one line per request, answered or
// not, stamped with CLOCK_MONOTONIC when it arrived.
TEST_F(ExchangeOverPty, RequestLogStampsEveryRequestOnArrival) {
  char directory[] = "/tmp/intercom-sim-log-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  const std::string log = std::string(directory) + "/requests.log";
  Connect({"--kind", "splitter", "--log-requests", log});
  const auto nanoseconds = [] {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
  };
  const long long before = nanoseconds();
  Run(Request(DeviceKind::SubscriberSet, CommandCode::Probe));
  Run(Request(DeviceKind::Splitter, CommandCode::Probe));
  const long long after = nanoseconds();

  std::ifstream in(log);
  std::vector<std::pair<long long, std::string>> lines;
  long long stamp = 0;
  std::string bytes;
  while (in >> stamp && std::getline(in, bytes)) lines.emplace_back(stamp, bytes);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].second, HexTrace(Request(DeviceKind::SubscriberSet, CommandCode::Probe).data(),
                                      kRequestLength));
  EXPECT_EQ(lines[1].second,
            HexTrace(Request(DeviceKind::Splitter, CommandCode::Probe).data(), kRequestLength));
  // Our clock: each stamp lies within the exchanges, the second after the
  // silent first exchange's pauses (less a margin for a busy simulator).
  EXPECT_GE(lines[0].first, before);
  EXPECT_GE(lines[1].first, lines[0].first + 100'000'000);
  EXPECT_LE(lines[1].first, after);
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace intercom
