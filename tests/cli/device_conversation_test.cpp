// The headless conversation on the in-memory port with a simulated device: what a
// write sends, what a refusal leaves unsent, and a stop between exchanges.
#include "device/device_conversation.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/command_run.h"
#include "device/setting_text.h"
#include "sim/device_model.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_pause.h"

namespace intercom::cli {
namespace {

using testing::Bytes;

class DeviceConversationTest : public ::testing::Test {
 protected:
  void Attach(DeviceModel& device) {
    port.responder = [&device](const Bytes& frame) -> std::optional<Bytes> {
      RequestFrame request{};
      std::copy_n(frame.begin(), std::min(frame.size(), request.size()), request.begin());
      const auto reply = device.Answer(request);
      if (!reply) return std::nullopt;
      return Bytes(reply->begin(), reply->end());
    };
  }
  // Connects and discovers; the writes after this are what a test looks at.
  DeviceKind Start() {
    EXPECT_TRUE(conversation.Connect("/dev/ttyUSB0"));
    const DeviceKind kind = conversation.Discover();
    port.writes.clear();
    return kind;
  }
  std::vector<CommandCode> Commands() const {
    std::vector<CommandCode> commands;
    for (const Bytes& frame : port.writes)
      commands.push_back(static_cast<CommandCode>(frame.at(3)));
    return commands;
  }
  DeviceSettings Wanted(DeviceKind kind, std::vector<std::pair<std::string, int32_t>> values) {
    DeviceSettings settings;
    settings.kind = kind;
    for (const auto& [name, value] : values)
      AddSetting(StandardCatalogue(), settings, name, value, "");
    return settings;
  }

  testing::FakeSerialPort port;
  testing::RecordingPause pauses;
  std::ostringstream messages;
  std::ostringstream trace;
  int stopAfterWrites = -1;
  DeviceConversation conversation{port, pauses.AsPause(), messages, &trace, [this] {
                                    return stopAfterWrites >= 0 &&
                                           static_cast<int>(port.writes.size()) >= stopAfterWrites;
                                  }};
};

TEST_F(DeviceConversationTest, WritesOnlyWhatDiffersWithOneSetLevelPerChannelThenVerifies) {
  DeviceModel device(DeviceKind::Switch);
  Attach(device);
  ASSERT_EQ(Start(), DeviceKind::Switch);
  ASSERT_TRUE(conversation.ReadsAnswered());

  const WriteReport report = conversation.Write(
      Wanted(DeviceKind::Switch,
             {{"line1", 11}, {"line3", 0}, {"volume2", 16}, {"volume4", 0}, {"volume1", 1}}),
      true);

  EXPECT_EQ(report.status, WriteReport::Status::Done);
  EXPECT_EQ(report.changes, (std::vector<std::string>{"line3=0 (was 13)", "volume2=16 (was 2)",
                                                      "volume4=0 (was 4)"}));
  const std::vector<CommandCode> commands = Commands();
  ASSERT_GE(commands.size(), 3u);
  EXPECT_EQ(std::vector<CommandCode>(commands.begin(), commands.begin() + 3),
            (std::vector<CommandCode>{CommandCode::WriteSettings, CommandCode::SetLevel,
                                      CommandCode::SetLevel}));
  EXPECT_EQ(port.writes[1][5], kChannel2);
  EXPECT_EQ(port.writes[1][6], 255);
  EXPECT_EQ(port.writes[2][5], kChannel4);
  EXPECT_EQ(port.writes[2][6], 32);
  EXPECT_EQ(device.Code("line3"), 0x00);
  EXPECT_EQ(device.Code("volume2"), 255);
  // The rest is the read back: a new discovery.
  EXPECT_EQ(commands.back(), CommandCode::ReadLevels);
  EXPECT_NE(messages.str().find("information: Новые настройки записаны.\n"), std::string::npos);
  EXPECT_NE(trace.str().find("> E2 E4 04 04 0A 2A 2B 00 2D"), std::string::npos) << trace.str();
}

TEST_F(DeviceConversationTest, AValueOutOfRangeSendsNothingAndNamesTheSetting) {
  DeviceModel device(DeviceKind::Switch);
  Attach(device);
  ASSERT_EQ(Start(), DeviceKind::Switch);

  const WriteReport report = conversation.Write(
      Wanted(DeviceKind::Switch, {{"line1", 5}, {"line4", 33}, {"volume1", 17}}), true);

  EXPECT_EQ(report.status, WriteReport::Status::Refused);
  EXPECT_EQ(report.problems, (std::vector<std::string>{"line4: 33 is out of range 0..32",
                                                       "volume1: 17 is out of range 0..16"}));
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(messages.str(), "");
}

TEST_F(DeviceConversationTest, AFieldCheckRefusalSendsNothing) {
  DeviceModel device(DeviceKind::SubscriberSet);
  Attach(device);
  ASSERT_EQ(Start(), DeviceKind::SubscriberSet);

  const WriteReport report = conversation.Write(
      Wanted(DeviceKind::SubscriberSet, {{"key1", 40}, {"key2", -3}, {"device_address", 0}}), true);

  EXPECT_EQ(report.status, WriteReport::Status::Refused);
  EXPECT_EQ(report.problems, (std::vector<std::string>{"key1: 40 is out of range 0..32",
                                                       "key2: -3 is out of range 0..32",
                                                       "device_address: 0 is out of range 1..32"}));
  EXPECT_TRUE(port.writes.empty());
}

TEST_F(DeviceConversationTest, AStopBetweenExchangesSaysWhatWasAndWasNotWritten) {
  DeviceModel device(DeviceKind::BeltPack);
  Attach(device);
  ASSERT_EQ(Start(), DeviceKind::BeltPack);
  stopAfterWrites = 1;

  const WriteReport report = conversation.Write(
      Wanted(DeviceKind::BeltPack, {{"address", 9}, {"tally", 100}, {"volume", 5}}), true);

  EXPECT_EQ(report.status, WriteReport::Status::Interrupted);
  EXPECT_EQ(Commands(), std::vector<CommandCode>{CommandCode::WriteSettings});
  EXPECT_TRUE(report.written.empty());
  EXPECT_EQ(report.answered, std::vector<std::string>{"address"});
  EXPECT_EQ(report.notWritten, (std::vector<std::string>{"tally", "volume"}));
  EXPECT_EQ(device.Code("address"), EncodeAddress(9));
  EXPECT_EQ(device.Code("tally"), EncodeTally(7));
}

TEST_F(DeviceConversationTest, AStopDuringTheReadBackLeavesTheAnsweredWritesAnsweredNotNotWritten) {
  DeviceModel device(DeviceKind::SubscriberSet);
  Attach(device);
  ASSERT_EQ(Start(), DeviceKind::SubscriberSet);
  // WriteSettings, WriteStudioMode and WriteDeviceAddress go out and are
  // answered; the stop comes with the read back's first request.
  stopAfterWrites = 3;

  const WriteReport report = conversation.Write(
      Wanted(DeviceKind::SubscriberSet, {{"key1", 9}, {"studio", 1}, {"device_address", 12}}),
      true);

  EXPECT_EQ(report.status, WriteReport::Status::Interrupted);
  EXPECT_EQ(Commands(),
            (std::vector<CommandCode>{CommandCode::WriteSettings, CommandCode::WriteStudioMode,
                                      CommandCode::WriteDeviceAddress}));
  EXPECT_TRUE(report.written.empty());
  EXPECT_EQ(report.answered, (std::vector<std::string>{"key1", "studio", "device_address"}));
  EXPECT_TRUE(report.notWritten.empty());
  EXPECT_EQ(InterruptedSummary(report),
            "interrupted: answered, not read back: key1, studio, device_address; not written: "
            "nothing");
  EXPECT_EQ(device.Code("key1"), EncodeAddress(9));
}

TEST_F(DeviceConversationTest, ADeviceThatLosesWritesFailsTheReadBack) {
  DeviceModel device(DeviceKind::Splitter);
  Attach(device);
  ASSERT_EQ(Start(), DeviceKind::Splitter);
  port.responder = [&](const Bytes& frame) -> std::optional<Bytes> {
    RequestFrame request{};
    std::copy_n(frame.begin(), request.size(), request.begin());
    // Answers the write, keeps nothing of it.
    const auto reply = DeviceModel(DeviceKind::Splitter).Answer(request);
    if (!reply) return std::nullopt;
    return Bytes(reply->begin(), reply->end());
  };

  const WriteReport report =
      conversation.Write(Wanted(DeviceKind::Splitter, {{"address", 20}, {"input3", 1}}), true);

  EXPECT_EQ(report.status, WriteReport::Status::Differs);
  EXPECT_EQ(report.problems, (std::vector<std::string>{"address: sent 20, the device holds 3",
                                                       "input3: sent 1, the device holds 6"}));
}

}  // namespace
}  // namespace intercom::cli
