// A kind the installation does not have, added only to a copy of the
// catalogue: the simulated device, the device operations and the command line
// must find it, read it and write it, and the help must name it, with no
// other change.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "device/device_operations.h"
#include "sim/device_model.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/paging_kind.h"

namespace intercom::cli {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

using testing::kPaging;

class FifthKindTest : public ::testing::Test, public ExchangeObserver {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "cli_fifth_kind_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    env.portChoicePath = (root_ / "COM.ini").string();
    env.backupFolder = (root_ / "backups").string();
    env.catalogue = &catalogue;
    env.makePort = [this] {
      auto port = std::make_unique<testing::FakeSerialPort>();
      port->responder = [this](const Bytes& frame) { return Answer(frame); };
      return port;
    };
  }
  void TearDown() override { fs::remove_all(root_); }

  std::optional<Bytes> Answer(const Bytes& frame) { return testing::AnswerOf(device, frame); }

  void RequestSent(const RequestFrame&) override {}
  void ReplyRead(const ReplyFrame&) override {}
  void Notice(const std::string& text) override { notices.push_back(text); }

  const Catalogue catalogue = testing::WithPagingKind();
  DeviceModel device{kPaging, false, catalogue};
  std::vector<std::string> notices;
  fs::path root_;
  std::ostringstream out;
  std::ostringstream err;
  Environment env{out, err, nullptr, [](int) {}, [] { return false; }};
};

TEST_F(FifthKindTest, OperationsFindItAfterTheFourAndReadWhatItHolds) {
  testing::FakeSerialPort port;
  port.responder = [this](const Bytes& frame) { return Answer(frame); };
  ASSERT_TRUE(port.Open("/dev/ttyS0"));
  SessionState state;
  state.LevelBase = 32;
  state.LevelStep = 14;
  state.LevelMax = 255;
  const Pause pause = [](int) {};
  NoDeviceEvents events;
  const DeviceLine line{state, port, pause, *this, catalogue};

  const Discovery discovery = Discover(line, events);
  ASSERT_NE(discovery.kind, nullptr);
  EXPECT_EQ(discovery.kind->kind, kPaging);
  ASSERT_EQ(discovery.probes.size(), 5u);
  EXPECT_EQ(discovery.reads.size(), 3u);
  EXPECT_EQ(discovery.settings.Find("zone1")->value, 1);
  EXPECT_EQ(discovery.settings.Find("zone3")->value, 3);
  EXPECT_EQ(discovery.settings.Find("gain")->value, 2);
  EXPECT_EQ(discovery.settings.Find("tally")->value, 7);
  EXPECT_TRUE(notices.empty());
}

TEST_F(FifthKindTest, TheCommandLineReadsAndWritesItBySettingsFile) {
  ASSERT_EQ(RunRead(env, {"/dev/ttyS0", ""}, true), kExitDone) << err.str();
  EXPECT_EQ(out.str(),
            "{\n  \"kind\": \"paging\",\n  \"zone1\": 1,\n  \"zone2\": 2,\n  \"zone3\": 3,\n"
            "  \"gain\": 2,\n  \"tally\": 7\n}\n");

  const fs::path file = root_ / "paging.json";
  std::ofstream(file) << R"({"kind": "paging", "zone2": 9, "gain": 16, "tally": 12})";
  out.str("");
  EXPECT_EQ(RunWrite(env, {"/dev/ttyS0", ""}, {file.string(), {}}), kExitDone) << err.str();
  EXPECT_NE(out.str().find("read back: every setting matches"), std::string::npos) << out.str();
  EXPECT_EQ(device.Code("zone1"), EncodeAddress(1));
  EXPECT_EQ(device.Code("zone2"), EncodeAddress(9));
  EXPECT_EQ(device.Code("gain"), 255);
  EXPECT_EQ(device.Code("tally"), EncodeTally(12));

  out.str("");
  EXPECT_EQ(RunWrite(env, {"/dev/ttyS0", ""}, {"", {"zone3=33"}}), kExitRefused);
  EXPECT_NE(err.str().find("zone3: 33 is out of range 0..32"), std::string::npos) << err.str();
  EXPECT_EQ(device.Code("zone3"), EncodeAddress(3));
}

TEST_F(FifthKindTest, TheHelpNamesItWithItsSettings) {
  const char* argv[] = {"intercom-cli", "--help"};
  ASSERT_EQ(RunCommandLine(2, argv, env), kExitDone) << err.str();
  const std::string help = out.str();
  EXPECT_NE(
      help.find("intercom devices (subscriber set, splitter, belt pack, switch, paging panel)"),
      std::string::npos)
      << help;
  EXPECT_NE(
      help.find("  beltpack    address 0..32, volume 0..16, tally 1..256\n"
                "  switch      line1..line4 (addresses 0..32), volume1..volume4 (levels 0..16)\n"
                "  paging      zone1..zone3 (addresses 0..32), gain 0..16, tally 1..256\n\n"),
      std::string::npos)
      << help;
}

}  // namespace
}  // namespace intercom::cli
