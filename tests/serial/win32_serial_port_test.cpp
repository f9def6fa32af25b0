// Win32SerialPort on COM ports that the Wine runner maps: INTERCOM_TEST_PORT is
// a simulated subscriber set on a pty, INTERCOM_TEST_FILE_PORT a plain file.
#include "serial/win32_serial_port.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "serial/pause.h"
#include "tests/serial/win32_port_holder.h"

namespace intercom {
namespace {

using Clock = std::chrono::steady_clock;
using Bytes16 = std::array<uint8_t, 16>;

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A subscriber set's "read device address" request: sync, kind 1, command 1,
// payload length 0x0A (a line feed, which must pass untranslated), ten zeros.
constexpr std::array<uint8_t, 15> kRequest{0xE2, 0xE4, 0x01, 0x01, 0x0A};

class Win32SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    device = FromEnvironment("INTERCOM_TEST_PORT");
    filePort = FromEnvironment("INTERCOM_TEST_FILE_PORT");
    if (device.empty() || filePort.empty()) GTEST_SKIP() << "needs the Wine runner's COM ports";
  }

  void OpenDevice() { ASSERT_TRUE(port.Open(device)) << "error " << port.LastError(); }

  std::string device;
  std::string filePort;
  Win32SerialPort port;
};

TEST_F(Win32SerialPortTest, MissingPortFailsWithTheSystemCode) {
  EXPECT_FALSE(port.Open("COM9"));
  EXPECT_EQ(port.LastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.Open(""));
  EXPECT_NE(port.LastError(), 0u);
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(Win32SerialPortTest, MissingPortSaysTheSystemsTextOnOneLine) {
  EXPECT_FALSE(port.Open("COM9"));
  const std::string text = port.LastErrorText();
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text, "error 2") << "the system had no text for ERROR_FILE_NOT_FOUND";
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
  EXPECT_NE(text.back(), ' ') << text;
}

TEST_F(Win32SerialPortTest, EveryCallOnAClosedPortFailsWithInvalidHandle) {
  OpenDevice();
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  const auto invalid = static_cast<uint32_t>(ERROR_INVALID_HANDLE);
  LineState line;
  CommTimeouts timeouts;
  Bytes16 buffer{};
  size_t moved = 99;
  EXPECT_FALSE(port.GetState(line));
  EXPECT_EQ(port.LastError(), invalid);
  EXPECT_FALSE(port.SetState(line));
  EXPECT_FALSE(port.GetTimeouts(timeouts));
  EXPECT_FALSE(port.SetTimeouts(timeouts));
  EXPECT_FALSE(port.Purge());
  EXPECT_FALSE(port.Write(kRequest.data(), kRequest.size(), moved));
  EXPECT_EQ(moved, 0u);
  EXPECT_FALSE(port.Read(buffer.data(), buffer.size(), moved));
  EXPECT_EQ(moved, 0u);
  EXPECT_EQ(port.LastError(), invalid);
}

TEST_F(Win32SerialPortTest, FreshPortHasBoundedReadTimeouts) {
  OpenDevice();
  CommTimeouts timeouts;
  ASSERT_TRUE(port.GetTimeouts(timeouts)) << "error " << port.LastError();
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 10u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 50u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 1u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 0u);
}

TEST_F(Win32SerialPortTest, ZeroTimeoutsBecomeTheBlockingCap) {
  OpenDevice();
  ASSERT_TRUE(port.SetTimeouts(CommTimeouts{}));
  CommTimeouts timeouts;
  ASSERT_TRUE(port.GetTimeouts(timeouts));
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, SerialPort::kMaxBlockMs);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, SerialPort::kMaxBlockMs);

  Bytes16 reply{};
  size_t received = 99;
  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(port.Read(reply.data(), reply.size(), received));
  EXPECT_EQ(received, 0u);
  EXPECT_LT(MsSince(start), 10000);
}

TEST_F(Win32SerialPortTest, StateRoundTripKeepsTheFlagsWord) {
  OpenDevice();
  LineState before;
  ASSERT_TRUE(port.GetState(before)) << "error " << port.LastError();
  LineState wanted = before;
  wanted.BaudRate = 38400;
  wanted.ByteSize = 8;
  wanted.Parity = 0;
  wanted.StopBits = 0;
  wanted.XonLim = 512;
  wanted.XoffLim = 512;
  ASSERT_TRUE(port.SetState(wanted)) << "error " << port.LastError();

  LineState after;
  ASSERT_TRUE(port.GetState(after));
  EXPECT_EQ(after.BaudRate, 38400u);
  EXPECT_EQ(after.ByteSize, 8);
  EXPECT_EQ(after.Parity, 0);
  EXPECT_EQ(after.StopBits, 0);
  EXPECT_EQ(after.Flags, before.Flags);
}

// A pty keeps itself at 8 data bits without parity whatever it is told, so
// only the speed and the stop bits show here.
TEST_F(Win32SerialPortTest, SetStateProgramsTheLine) {
  OpenDevice();
  LineState line;
  ASSERT_TRUE(port.GetState(line));
  line.BaudRate = 9600;
  line.StopBits = 2;
  ASSERT_TRUE(port.SetState(line)) << "error " << port.LastError();
  LineState after;
  ASSERT_TRUE(port.GetState(after));
  EXPECT_EQ(after.BaudRate, 9600u);
  EXPECT_EQ(after.StopBits, 2);
}

TEST_F(Win32SerialPortTest, PortsPastCom9OpenByTheirPlainName) {
  const std::string high = FromEnvironment("INTERCOM_TEST_HIGH_PORT");
  ASSERT_FALSE(high.empty()) << "the runner maps the device past COM9 too";
  ASSERT_TRUE(port.Open(high)) << high << ": error " << port.LastError();
  size_t written = 0;
  ASSERT_TRUE(port.Write(kRequest.data(), kRequest.size(), written));
  SleepPause(100);
  Bytes16 reply{};
  size_t received = 0;
  ASSERT_TRUE(port.Read(reply.data(), reply.size(), received));
  EXPECT_EQ(received, reply.size());
  EXPECT_EQ(reply[3], 0x01);
}

TEST_F(Win32SerialPortTest, RequestAndReplyPassUntranslated) {
  OpenDevice();
  ASSERT_TRUE(port.Purge()) << "error " << port.LastError();
  size_t written = 0;
  ASSERT_TRUE(port.Write(kRequest.data(), kRequest.size(), written))
      << "error " << port.LastError();
  EXPECT_EQ(written, kRequest.size());
  SleepPause(100);
  Bytes16 reply{};
  size_t received = 0;
  ASSERT_TRUE(port.Read(reply.data(), reply.size(), received)) << "error " << port.LastError();
  ASSERT_EQ(received, reply.size());
  EXPECT_EQ(reply[0], 0xE2);
  EXPECT_EQ(reply[1], 0xE4);
  EXPECT_EQ(reply[2], 0x01);
  EXPECT_EQ(reply[3], 0x01);
  EXPECT_EQ(reply[4], 0x0A);
}

TEST_F(Win32SerialPortTest, SilentLineReadEndsEmptyAfterItsTimeout) {
  OpenDevice();
  Bytes16 reply{};
  size_t received = 99;
  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(port.Read(reply.data(), reply.size(), received));
  EXPECT_EQ(received, 0u);
  EXPECT_LT(MsSince(start), 1000);
}

TEST_F(Win32SerialPortTest, PurgeDropsAWaitingReply) {
  OpenDevice();
  size_t moved = 0;
  ASSERT_TRUE(port.Write(kRequest.data(), kRequest.size(), moved));
  SleepPause(150);
  ASSERT_TRUE(port.Purge());
  Bytes16 reply{};
  ASSERT_TRUE(port.Read(reply.data(), reply.size(), moved));
  EXPECT_EQ(moved, 0u);
}

TEST_F(Win32SerialPortTest, APortHeldByAnotherProgramIsRefused) {
  // Wine leaves sharing on character devices to the host, which has none, so
  // the held port here is the plain file; the call is the same CreateFileA.
  {
    testing::PortHolder holder(filePort, 0);
    ASSERT_TRUE(holder.Holding()) << "holder's open failed: " << holder.OpenError();
    EXPECT_FALSE(port.Open(filePort));
    EXPECT_EQ(port.LastError(), static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
  }
  {
    // A holder that would share still meets this port's own share mode 0.
    testing::PortHolder holder(filePort, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(holder.Holding()) << "holder's open failed: " << holder.OpenError();
    EXPECT_FALSE(port.Open(filePort));
    EXPECT_EQ(port.LastError(), static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
  }
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(Win32SerialPortTest, AFileIsNotAPortAndIsNeverWritten) {
  EXPECT_FALSE(port.Open(filePort));
  EXPECT_NE(port.LastError(), 0u);
  EXPECT_FALSE(port.IsOpen());
  size_t written = 99;
  EXPECT_FALSE(port.Write(kRequest.data(), kRequest.size(), written));
  EXPECT_EQ(written, 0u);

  const HANDLE file = CreateFileA(filePort.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 0u);
  CloseHandle(file);
}

TEST(Win32Pause, SleepsTheRequestedTime) {
  const Clock::time_point start = Clock::now();
  SleepPause(100);
  const long long elapsed = MsSince(start);
  EXPECT_GE(elapsed, 95);
  EXPECT_LT(elapsed, 2000);
}

}  // namespace
}  // namespace intercom
