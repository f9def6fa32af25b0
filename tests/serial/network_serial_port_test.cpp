#include "serial/network_serial_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "serial/serial_port.h"
#include "tests/support/rfc2217_server.h"

namespace intercom {
namespace {

using testing::BlackHole;
using testing::Rfc2217Server;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr NetworkLimits kShortLimits{milliseconds(300), milliseconds(300), milliseconds(300)};

milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(NetworkSerialPort, Rfc2217OpenSets38400EightNoneOneWithoutFlowControlOnceConfirmed) {
  Rfc2217Server server({});
  NetworkSerialPort port(kShortLimits);
  ASSERT_TRUE(port.Open(server.Url())) << port.LastErrorText();
  using R = Rfc2217Server::Request;
  EXPECT_EQ(server.Requests(), (std::vector<R>{{1, 38400}, {2, 8}, {3, 1}, {4, 1}, {5, 1}}));
  LineState state;
  ASSERT_TRUE(port.GetState(state));
  EXPECT_EQ(state.BaudRate, 38400u);
  EXPECT_EQ(state.ByteSize, 8);

  state.BaudRate = 9600;
  state.Parity = 2;
  state.StopBits = 2;
  ASSERT_TRUE(port.SetState(state)) << port.LastErrorText();
  EXPECT_EQ(server.Requests().size(), 10u);
  EXPECT_EQ(server.Requests()[5], (R{1, 9600}));
  EXPECT_EQ(server.Requests()[7], (R{3, 3}));
  EXPECT_EQ(server.Requests()[8], (R{4, 2}));
  ASSERT_TRUE(port.GetState(state));
  EXPECT_EQ(state.BaudRate, 9600u);
}

TEST(NetworkSerialPort, SettingsTheServerDoesNotConfirmFailTheOpenWithinTheLimit) {
  Rfc2217Server silent({.confirm = false});
  NetworkSerialPort port(kShortLimits);
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(port.Open(silent.Url()));
  EXPECT_LT(Since(start), milliseconds(1000));
  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(ETIMEDOUT));
  EXPECT_NE(port.LastErrorText().find("no confirmation of the line settings"), std::string::npos)
      << port.LastErrorText();
  EXPECT_FALSE(port.IsOpen());

  Rfc2217Server other({.baudReply = 9600});
  EXPECT_FALSE(port.Open(other.Url()));
  EXPECT_NE(port.LastErrorText().find("baud rate to code 9600 instead of 38400"), std::string::npos)
      << port.LastErrorText();

  Rfc2217Server refusing({.acceptComPort = false});
  EXPECT_FALSE(port.Open(refusing.Url()));
  EXPECT_NE(port.LastErrorText().find("refuses the COM port option"), std::string::npos);
}

TEST(NetworkSerialPort, Rfc2217CarriesEveryByteValueBothWaysAmidTheServersNotices) {
  Rfc2217Server server({});
  NetworkSerialPort port(kShortLimits);
  ASSERT_TRUE(port.Open(server.Url())) << port.LastErrorText();
  const std::vector<uint8_t> line = {0x01, 0xFF, 0xFF, 0x02, 0xFF};
  size_t written = 0;
  ASSERT_TRUE(port.Write(line.data(), line.size(), written));
  EXPECT_EQ(written, line.size());
  EXPECT_EQ(server.Payload(line.size()), line);

  // A modem state notice inside the data, and an option the client refuses.
  server.Send({0x10, 0xFF, 0xFF, 0xFF, 0xFA, 44, 107, 0x30, 0xFF, 0xF0, 0xFF, 0xFB, 1, 0x11});
  uint8_t received[8] = {};
  size_t count = 0;
  ASSERT_TRUE(port.Read(received, 3, count));
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(std::vector<uint8_t>(received, received + 3), (std::vector<uint8_t>{0x10, 0xFF, 0x11}));
}

TEST(NetworkSerialPort, ReadsEndOnTheirTimeOutsAsOnATty) {
  Rfc2217Server server({});
  NetworkSerialPort port(kShortLimits);
  ASSERT_TRUE(port.Open(server.Url())) << port.LastErrorText();
  ASSERT_TRUE(port.SetTimeouts({20, 0, 80, 0, 0}));
  uint8_t received[4] = {};
  size_t count = 1;
  Clock::time_point start = Clock::now();
  ASSERT_TRUE(port.Read(received, sizeof received, count));
  EXPECT_EQ(count, 0u);
  EXPECT_GE(Since(start), milliseconds(80));
  EXPECT_LT(Since(start), milliseconds(500));

  // Two bytes of four, then the line is quiet: the interval ends the read.
  ASSERT_TRUE(port.SetTimeouts({20, 0, 2000, 0, 0}));
  server.Send({0x41, 0x42});
  start = Clock::now();
  ASSERT_TRUE(port.Read(received, sizeof received, count));
  EXPECT_EQ(count, 2u);
  EXPECT_LT(Since(start), milliseconds(1000));
}

TEST(NetworkSerialPort, AWriteTheServerDoesNotTakeEndsOnItsTimeOutWithFewerBytes) {
  uint16_t port = 0;
  const int listener = testing::ListenOnLoopback(1, port);  // connects, never reads
  NetworkSerialPort network(kShortLimits);
  ASSERT_TRUE(network.Open("socket://127.0.0.1:" + std::to_string(port)))
      << network.LastErrorText();
  ASSERT_TRUE(network.SetTimeouts({0, 0, 0, 0, 100}));
  const std::vector<uint8_t> bytes(64 << 20, 0x55);
  size_t written = 0;
  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(network.Write(bytes.data(), bytes.size(), written));
  EXPECT_LT(Since(start), milliseconds(600));
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, bytes.size());
  close(listener);
}

TEST(NetworkSerialPort, AServerThatClosesOrResetsFailsTheReadOrTheWrite) {
  Rfc2217Server closing({});
  NetworkSerialPort port(kShortLimits);
  ASSERT_TRUE(port.Open(closing.Url())) << port.LastErrorText();
  ASSERT_TRUE(port.SetTimeouts({0, 0, 1000, 0, 1000}));
  std::thread drop([&closing] {
    std::this_thread::sleep_for(milliseconds(30));
    closing.Drop(false);
  });
  uint8_t received[4];
  size_t count = 0;
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(port.Read(received, sizeof received, count));
  drop.join();
  EXPECT_LT(Since(start), milliseconds(900));
  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(ECONNRESET));
  EXPECT_NE(port.LastErrorText().find("closed by the server"), std::string::npos);

  Rfc2217Server resetting({});
  ASSERT_TRUE(port.Open(resetting.Url())) << port.LastErrorText();
  resetting.Drop(true);
  const std::vector<uint8_t> bytes(1000, 0x55);
  size_t written = 0;
  bool failed = false;
  for (int attempt = 0; attempt < 100 && !failed; ++attempt) {
    failed = !port.Write(bytes.data(), bytes.size(), written);
    std::this_thread::sleep_for(milliseconds(2));
  }
  EXPECT_TRUE(failed);
  const int error = static_cast<int>(port.LastError());
  EXPECT_TRUE(error == ECONNRESET || error == EPIPE) << error;
}

TEST(NetworkSerialPort, ARefusedConnectionFailsWithTheSystemsReason) {
  uint16_t free = 0;
  close(testing::ListenOnLoopback(1, free));
  NetworkSerialPort port(kShortLimits);
  EXPECT_FALSE(port.Open("socket://127.0.0.1:" + std::to_string(free)));
  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(ECONNREFUSED));
  EXPECT_EQ(port.LastErrorText(), "cannot connect to 127.0.0.1:" + std::to_string(free) + ": " +
                                      SystemErrorText(ECONNREFUSED));
}

TEST(NetworkSerialPort, AHostThatNeverAnswersEndsTheOpenAtTheConnectLimit) {
  BlackHole hole;
  NetworkSerialPort port(kShortLimits);
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(port.Open("rfc2217://127.0.0.1:" + std::to_string(hole.Port())));
  EXPECT_GE(Since(start), milliseconds(300));
  EXPECT_LT(Since(start), milliseconds(1000));
  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(ETIMEDOUT));
  EXPECT_EQ(port.LastErrorText(),
            "no answer from 127.0.0.1:" + std::to_string(hole.Port()) + " within 300 ms");
}

TEST(NetworkSerialPort, AResolverThatHangsEndsTheOpenAtTheResolveLimit) {
  struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    bool left = false;
  };
  const auto gate = std::make_shared<Gate>();
  NetworkSerialPort port(kShortLimits, [gate](const std::string&, uint16_t) {
    std::unique_lock<std::mutex> lock(gate->mutex);
    gate->opened.wait(lock, [&] { return gate->open; });
    gate->left = true;
    gate->opened.notify_all();
    return Resolution{};
  });
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(port.Open("rfc2217://stuck.example:2000"));
  EXPECT_LT(Since(start), milliseconds(1000));
  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(ETIMEDOUT));
  EXPECT_EQ(port.LastErrorText(), "cannot resolve host 'stuck.example': no answer within 300 ms");
  // Let the worker go before the test ends.
  std::unique_lock<std::mutex> lock(gate->mutex);
  gate->open = true;
  gate->opened.notify_all();
  gate->opened.wait(lock, [&] { return gate->left; });
}

TEST(NetworkSerialPort, AnUnknownHostFailsTheOpenNamingIt) {
  NetworkSerialPort port({milliseconds(3000), milliseconds(300), milliseconds(300)});
  EXPECT_FALSE(port.Open("rfc2217://nohost.invalid:2000"));
  EXPECT_EQ(port.LastErrorText().rfind("cannot resolve host 'nohost.invalid': ", 0), 0u)
      << port.LastErrorText();
}

TEST(NetworkSerialPort, SocketPortsKeepTheLineStateAndSendBytesAsTheyAre) {
  Rfc2217Server raw({.telnet = false});
  NetworkSerialPort port(kShortLimits);
  ASSERT_TRUE(port.Open(raw.Url())) << port.LastErrorText();
  LineState state{38400, 8, 0, 0, 512, 2048, 0};
  ASSERT_TRUE(port.SetState(state));
  LineState kept;
  ASSERT_TRUE(port.GetState(kept));
  EXPECT_EQ(kept.BaudRate, 38400u);
  EXPECT_EQ(kept.XoffLim, 2048);
  const uint8_t bytes[] = {0xFF, 0x00};
  size_t written = 0;
  ASSERT_TRUE(port.Write(bytes, sizeof bytes, written));
  EXPECT_EQ(raw.Payload(2), (std::vector<uint8_t>{0xFF, 0x00}));
  EXPECT_TRUE(raw.Requests().empty());
}

TEST(NetworkSerialPort, PurgeDropsWhatCameAndAsksTheServerToPurge) {
  Rfc2217Server server({});
  NetworkSerialPort port(kShortLimits);
  ASSERT_TRUE(port.Open(server.Url())) << port.LastErrorText();
  server.Send({0x31, 0x32});
  std::this_thread::sleep_for(milliseconds(50));
  ASSERT_TRUE(port.Purge());
  uint8_t received[2];
  size_t count = 1;
  ASSERT_TRUE(port.Read(received, sizeof received, count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(server.Requests().back(), (Rfc2217Server::Request{12, 3}));
}

TEST(NetworkSerialPort, MalformedNamesFailWithTheirReasonAndClosedPortsWithEbadf) {
  NetworkSerialPort port(kShortLimits);
  EXPECT_FALSE(port.Open("rfc2217://localhost"));
  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(EINVAL));
  EXPECT_NE(port.LastErrorText().find("no ':PORT'"), std::string::npos);
  LineState state;
  EXPECT_FALSE(port.GetState(state));
  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(EBADF));
}

TEST(MakeSerialPort, OpensRemoteNamesOverTheNetworkAndLocalOnesAsBefore) {
  Rfc2217Server server({});
  const std::unique_ptr<SerialPort> port = MakeSerialPort();
  ASSERT_TRUE(port->Open(server.Url())) << port->LastErrorText();
  LineState state;
  ASSERT_TRUE(port->GetState(state));
  EXPECT_EQ(state.BaudRate, 38400u);
  EXPECT_FALSE(port->Open("/nonexistent/ttyUSB9"));
  EXPECT_EQ(port->LastError(), static_cast<uint32_t>(ENOENT));
  EXPECT_FALSE(port->Open("SOCKET://[::1]"));
  EXPECT_NE(port->LastErrorText().find("no ':PORT'"), std::string::npos);
}

}  // namespace
}  // namespace intercom
