// The commands on fakes: which port a command opens when -p is not given,
// and the port list's lines.
#include "cli/commands.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/exit_codes.h"
#include "sim/device_model.h"
#include "tests/support/fake_serial_port.h"

namespace intercom::cli {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

// The commands destroy their port at the end; this one leaves the names it
// opened behind.
class KeptPort : public testing::FakeSerialPort {
 public:
  explicit KeptPort(std::vector<std::vector<std::string>>& opened) : opened_(opened) {}
  ~KeptPort() override { opened_.push_back(openedNames); }

 private:
  std::vector<std::vector<std::string>>& opened_;
};

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "cli_commands_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    fs::create_directories(root_ / "tty");
    env.sysfsTtyDir = (root_ / "tty").string();
    env.byIdDir = (root_ / "by-id").string();
    env.portChoicePath = (root_ / "COM.ini").string();
    env.makePort = [this] {
      auto port = std::make_unique<KeptPort>(opened);
      port->responder = [this](const Bytes& frame) -> std::optional<Bytes> {
        RequestFrame request{};
        std::copy_n(frame.begin(), request.size(), request.begin());
        const auto reply = device.Answer(request);
        if (!reply) return std::nullopt;
        return Bytes(reply->begin(), reply->end());
      };
      return port;
    };
  }
  void TearDown() override { fs::remove_all(root_); }

  // A port entry in the fake sysfs: a tty with a `device` link.
  void AddPort(const std::string& name) {
    fs::create_directories(root_ / "devices" / name);
    fs::create_directories(root_ / "tty" / name);
    fs::create_directory_symlink(root_ / "devices" / name, root_ / "tty" / name / "device");
  }

  fs::path root_;
  DeviceModel device{DeviceKind::BeltPack};
  std::vector<std::vector<std::string>> opened;  // per port made, the names it opened
  std::ostringstream out;
  std::ostringstream err;
  Environment env{out, err, nullptr, [](int) {}, [] { return false; }};
};

TEST_F(CommandsTest, WithoutPortTheOnlySerialPortIsUsed) {
  AddPort("ttyUSB3");
  EXPECT_EQ(RunDetect(env, {}), kExitDone) << err.str();
  EXPECT_EQ(out.str(), "beltpack\n");
  EXPECT_EQ(opened, (std::vector<std::vector<std::string>>{{"/dev/ttyUSB3"}}));
  EXPECT_FALSE(fs::exists(env.portChoicePath));
}

TEST_F(CommandsTest, WithSeveralPortsAndNoComIniItListsThemAndOpensNothing) {
  AddPort("ttyUSB0");
  AddPort("ttyS0");
  EXPECT_EQ(RunDetect(env, {}), kExitUsage);
  EXPECT_EQ(err.str(),
            "error: several serial ports and no COM.ini here; choose one with -p PORT:\n"
            "  /dev/ttyS0\n  /dev/ttyUSB0\n");
  EXPECT_TRUE(opened.empty());
}

TEST_F(CommandsTest, ComIniWinsOverThePortListAndPortOptionOverBoth) {
  AddPort("ttyUSB0");
  std::ofstream(env.portChoicePath, std::ios::binary) << "/dev/ttyACM7\r\nrest\n";
  EXPECT_EQ(RunDetect(env, {}), kExitDone) << err.str();
  EXPECT_EQ(RunDetect(env, {"/dev/ttyS9", ""}), kExitDone) << err.str();
  EXPECT_EQ(opened, (std::vector<std::vector<std::string>>{{"/dev/ttyACM7"}, {"/dev/ttyS9"}}));
}

TEST_F(CommandsTest, NoPortAtAllIsAPortFailure) {
  EXPECT_EQ(RunRead(env, {}, false), kExitPort);
  EXPECT_EQ(err.str(),
            "error: no serial port found and no COM.ini here; name the port with -p PORT\n");
}

TEST_F(CommandsTest, PortsPrintsOneTabSeparatedLineEach) {
  AddPort("ttyS0");
  const fs::path usb = root_ / "devices" / "usb1";
  fs::create_directories(usb / "1-1:1.0");
  std::ofstream(usb / "idVendor") << "0403\n";
  std::ofstream(usb / "idProduct") << "6001\n";
  std::ofstream(usb / "manufacturer") << "FTDI\n";
  std::ofstream(usb / "product") << "FT232R USB UART\n";
  fs::create_directories(root_ / "tty" / "ttyUSB0");
  fs::create_directory_symlink(usb / "1-1:1.0", root_ / "tty" / "ttyUSB0" / "device");
  fs::create_directories(env.byIdDir);
  fs::create_symlink("../../ttyUSB0", fs::path(env.byIdDir) / "usb-FTDI_X-if00-port0");

  EXPECT_EQ(RunPorts(env), kExitDone);
  EXPECT_EQ(out.str(), "/dev/ttyS0\t-\t-\t-\t-\n/dev/ttyUSB0\t" + env.byIdDir +
                           "/usb-FTDI_X-if00-port0\t0403:6001\tFTDI\tFT232R USB UART\n");
}

TEST_F(CommandsTest, ApplyWaitTakesOneLostProbeReplyForTheSameDeviceNotTheNext) {
  std::ofstream(root_ / "plan.csv") << "label,kind,address\na,splitter,10\nb,splitter,11\n";
  DeviceModel splitter(DeviceKind::Splitter);
  int splitterProbes = 0;  // after the first write
  bool written = false;
  int framesAfterUnplug = 0;
  env.makePort = [&] {
    auto port = std::make_unique<KeptPort>(opened);
    port->responder = [&](const Bytes& frame) -> std::optional<Bytes> {
      const auto command = static_cast<CommandCode>(frame.at(3));
      if (command == CommandCode::WriteSettings) written = true;
      if (written && command == CommandCode::Probe && frame.at(2) == 2) ++splitterProbes;
      // Probe 1 is the read back's; 2 loses its reply; 3 and 4 are answered;
      // from 5 on the device is unplugged.
      if (splitterProbes == 2) return std::nullopt;
      if (splitterProbes >= 5) {
        ++framesAfterUnplug;
        return std::nullopt;
      }
      RequestFrame request{};
      std::copy_n(frame.begin(), request.size(), request.begin());
      const auto reply = splitter.Answer(request);
      if (!reply) return std::nullopt;
      return Bytes(reply->begin(), reply->end());
    };
    return port;
  };
  env.stopRequested = [&] { return framesAfterUnplug >= 12; };

  EXPECT_EQ(RunApply(env, {"/dev/ttyUSB0", ""}, (root_ / "plan.csv").string(), true, ""),
            kExitInterrupted);
  EXPECT_EQ(out.str(), "a,splitter,OK,wrote address=10 (was 3)\n");
  EXPECT_NE(err.str().find("interrupted; rows not applied: b\n"), std::string::npos) << err.str();
  EXPECT_EQ(splitter.Code("address"), EncodeAddress(10));
}

}  // namespace
}  // namespace intercom::cli
