// What intercom-cli may call written: devices that cut replies, lose the line
// in the middle of a write or damage a re-sent write, and values at the ends
// of their ranges.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/command_run.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "device/device_conversation.h"
#include "device/setting_text.h"
#include "sim/device_model.h"
#include "tests/support/fake_serial_port.h"

namespace intercom::cli {
namespace {

using testing::Bytes;

// A simulated device on the in-memory port, with the faults a test asks for.
class FaultyDevice {
 public:
  explicit FaultyDevice(DeviceKind kind) : model(kind) {}

  std::optional<Bytes> Answer(testing::FakeSerialPort& port, const Bytes& frame) {
    RequestFrame request{};
    std::copy_n(frame.begin(), request.size(), request.begin());
    const auto command = static_cast<CommandCode>(request[3]);
    ++requests;
    if (vanishAfter >= 0 && requests > vanishAfter) {
      // The cable is out: from the next request on, the line fails.
      port.failWrite = 5;
      return std::nullopt;
    }
    if (command == CommandCode::WriteSettings && damageByte >= 0) {
      request[static_cast<size_t>(kPayloadOffset + damageByte)] ^= 0x01;
    }
    const auto reply = model.Answer(request);
    if (!reply) return std::nullopt;
    Bytes bytes(reply->begin(), reply->end());
    if (command == cutCommand) bytes.resize(cutAfter);
    return bytes;
  }

  DeviceModel model;
  int requests = 0;
  int vanishAfter = -1;
  int damageByte = -1;
  CommandCode cutCommand = CommandCode::None;
  size_t cutAfter = 16;
};

class WriteTrustTest : public ::testing::Test {
 protected:
  DeviceKind Start(FaultyDevice& device) {
    port.responder = [this, &device](const Bytes& frame) { return device.Answer(port, frame); };
    EXPECT_TRUE(conversation.Connect("/dev/ttyUSB0"));
    const DeviceKind kind = conversation.Discover();
    port.writes.clear();
    device.requests = 0;
    return kind;
  }
  DeviceSettings Wanted(DeviceKind kind, std::vector<std::pair<std::string, int32_t>> values) {
    DeviceSettings settings{kind, {}};
    for (const auto& [name, value] : values) {
      AddSetting(StandardCatalogue(), settings, name, value, "");
    }
    return settings;
  }
  bool Sent(CommandCode command) const {
    return std::any_of(port.writes.begin(), port.writes.end(),
                       [command](const Bytes& frame) { return frame.at(3) == uint8_t(command); });
  }

  testing::FakeSerialPort port;
  std::ostringstream messages;
  DeviceConversation conversation{port, [](int) {}, messages, nullptr, [] { return false; }};
};

TEST_F(WriteTrustTest, ACutReadIsNoValueAndNothingIsBuiltFromIt) {
  FaultyDevice device(DeviceKind::SubscriberSet);
  device.cutCommand = CommandCode::ReadSettings;
  device.cutAfter = 7;
  ASSERT_EQ(Start(device), DeviceKind::SubscriberSet);

  EXPECT_FALSE(conversation.ReadsAnswered());
  EXPECT_EQ(conversation.Unread(),
            "key1, key2, key3, key4, key5, key6, key7, key8, key9, key10 (ReadSettings: cut "
            "after 7 bytes)");
  EXPECT_EQ(conversation.Current().Find("key5"), nullptr);

  const WriteReport report =
      conversation.Write(Wanted(DeviceKind::SubscriberSet, {{"key1", 7}, {"key5", 0}}), true);
  EXPECT_NE(report.status, WriteReport::Status::Done);
  EXPECT_TRUE(report.written.empty());
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(device.model.Code("key2"), EncodeAddress(2));
}

TEST_F(WriteTrustTest, APulledCableLeavesWhatWasNotAnsweredNotWritten) {
  FaultyDevice device(DeviceKind::Switch);
  ASSERT_EQ(Start(device), DeviceKind::Switch);
  device.vanishAfter = 1;

  const WriteReport report =
      conversation.Write(Wanted(DeviceKind::Switch, {{"volume1", 13}, {"volume2", 13}}), true);

  EXPECT_EQ(report.status, WriteReport::Status::NoAnswer);
  // The first SetLevel came back whole, but nothing could be read back.
  EXPECT_TRUE(report.written.empty());
  EXPECT_EQ(report.answered, std::vector<std::string>{"volume1"});
  EXPECT_EQ(report.notWritten, std::vector<std::string>{"volume2"});
  EXPECT_EQ(report.reasons, std::vector<std::string>{"no whole reply to SetLevel (no answer)"});
  EXPECT_EQ(ExitFor(report.status), kExitDiffers);
  // One line per setting; the lost reply is said once.
  std::vector<std::string> texts;
  for (const ReportLine& line : WriteReportLines(report, true)) texts.push_back(line.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "answered, not read back: volume1=13 (was 1)",
                       "not written: volume2=13 (was 2): no whole reply to SetLevel (no answer)",
                       "error: the switch did not answer the read back whole"}));
}

// Each line of a report, without whether it is an error.
std::vector<std::string> Texts(const WriteReport& report) {
  std::vector<std::string> texts;
  for (const ReportLine& line : WriteReportLines(report, true)) texts.push_back(line.text);
  return texts;
}

TEST_F(WriteTrustTest, ACutReadDuringTheReadBackLeavesTheWriteAnsweredNotReadBack) {
  FaultyDevice device(DeviceKind::Splitter);
  ASSERT_EQ(Start(device), DeviceKind::Splitter);
  device.cutCommand = CommandCode::ReadSettings;
  device.cutAfter = 7;

  const WriteReport report =
      conversation.Write(Wanted(DeviceKind::Splitter, {{"address", 9}}), true);

  EXPECT_EQ(device.model.Code("address"), EncodeAddress(9));
  EXPECT_EQ(report.status, WriteReport::Status::NoAnswer);
  EXPECT_TRUE(report.written.empty());
  EXPECT_EQ(report.answered, std::vector<std::string>{"address"});
  EXPECT_TRUE(report.notWritten.empty());
  EXPECT_EQ(Texts(report),
            (std::vector<std::string>{
                "answered, not read back: address=9 (was 3)",
                "error: the splitter did not answer the read back whole: address (ReadSettings: "
                "cut after 7 bytes)"}));
  EXPECT_EQ(ExitFor(report.status), kExitDiffers);
}

TEST_F(WriteTrustTest, AReSentValueThatReadsBackDifferentFailsTheWriteAndIsNamed) {
  FaultyDevice device(DeviceKind::BeltPack);
  ASSERT_EQ(Start(device), DeviceKind::BeltPack);
  // Only the Tally input is asked for; the settings write re-sends the
  // address, and the device stores it damaged.
  device.damageByte = 0;

  const WriteReport report = conversation.Write(Wanted(DeviceKind::BeltPack, {{"tally", 9}}), true);

  const std::string held = DecodeAddress(static_cast<uint8_t>(EncodeAddress(7) ^ 0x01));
  EXPECT_EQ(report.status, WriteReport::Status::Differs);
  EXPECT_EQ(report.written, std::vector<std::string>{"tally"});
  EXPECT_EQ(Texts(report),
            (std::vector<std::string>{
                "written: tally=9 (was 7)",
                "error: address: sent 7 (re-sent unchanged), the device holds " + held}));
  EXPECT_EQ(ExitFor(report.status), kExitDiffers);
}

TEST_F(WriteTrustTest, ADamagedResendFailsEveryKeyItCarried) {
  FaultyDevice device(DeviceKind::SubscriberSet);
  ASSERT_EQ(Start(device), DeviceKind::SubscriberSet);
  device.damageByte = 1;  // key2, which the write re-sends unchanged

  const WriteReport report =
      conversation.Write(Wanted(DeviceKind::SubscriberSet, {{"key1", 7}}), true);

  EXPECT_EQ(report.status, WriteReport::Status::Differs);
  EXPECT_TRUE(report.written.empty());
  EXPECT_EQ(report.notWritten, std::vector<std::string>{"key1"});
  EXPECT_EQ(report.problems,
            std::vector<std::string>{"key2: sent 2 (re-sent unchanged), the device holds 1"});
}

TEST_F(WriteTrustTest, AConfirmationCutShortIsNotPassedOn) {
  FaultyDevice device(DeviceKind::Splitter);
  ASSERT_EQ(Start(device), DeviceKind::Splitter);
  device.cutCommand = CommandCode::WriteSettings;
  device.cutAfter = 7;

  const WriteReport report =
      conversation.Write(Wanted(DeviceKind::Splitter, {{"address", 9}}), true);

  EXPECT_EQ(report.notWritten, std::vector<std::string>{"address"});
  EXPECT_EQ(messages.str().find("information:"), std::string::npos) << messages.str();
}

TEST_F(WriteTrustTest, RangesHoldAtBothEndsForValuesThatChange) {
  FaultyDevice device(DeviceKind::BeltPack);
  ASSERT_EQ(Start(device), DeviceKind::BeltPack);

  for (const auto& [name, value] : std::vector<std::pair<std::string, int32_t>>{{"tally", 0},
                                                                                {"tally", 257},
                                                                                {"volume", -1},
                                                                                {"volume", 17},
                                                                                {"address", -1},
                                                                                {"address", 33}}) {
    const WriteReport report =
        conversation.Write(Wanted(DeviceKind::BeltPack, {{name, value}}), true);
    EXPECT_EQ(report.status, WriteReport::Status::Refused) << name << "=" << value;
  }
  EXPECT_TRUE(port.writes.empty());
  const WriteReport ends = conversation.Write(
      Wanted(DeviceKind::BeltPack, {{"tally", 1}, {"volume", 16}, {"address", 0}}), true);
  EXPECT_EQ(ends.status, WriteReport::Status::Done);
  EXPECT_EQ(ends.written, (std::vector<std::string>{"tally", "volume", "address"}));
}

TEST_F(WriteTrustTest, WhatReadPrintedWritesBackAsNothingToWrite) {
  FaultyDevice device(DeviceKind::SubscriberSet);
  RequestFrame clear{kFrameSync0, kFrameSync1, 1, uint8_t(CommandCode::WriteDeviceAddress), 10};
  device.model.Answer(clear);  // the device address now reads 0, outside 1..32
  ASSERT_EQ(Start(device), DeviceKind::SubscriberSet);
  ASSERT_EQ(conversation.Current().Find("device_address")->value, 0);

  const WriteReport report = conversation.Write(conversation.Current(), true);

  EXPECT_EQ(report.status, WriteReport::Status::Done);
  EXPECT_TRUE(report.changes.empty());
  EXPECT_TRUE(port.writes.empty());
}

TEST_F(WriteTrustTest, APortThatDoesNotOpenSaysWhyAfterTheWindowsWordsAndNothingElse) {
  port.unopenable.insert("/dev/ttyUSB0");
  port.errorText = "locked by process 4242 (minicom)";

  EXPECT_FALSE(conversation.Connect("/dev/ttyUSB0"));
  EXPECT_EQ(messages.str(),
            "notice: Can't open port /dev/ttyUSB0\nreason: locked by process 4242 (minicom)\n");
}

}  // namespace
}  // namespace intercom::cli
