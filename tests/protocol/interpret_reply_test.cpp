#include "protocol/interpret_reply.h"

#include <algorithm>
#include <string>
#include <vector>

#include "controller/settings_commands.h"
#include "device/device_operations.h"
#include "protocol/send_command.h"
#include "tests/support/context_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::ContextTest;
using testing::Reply;

// Replies as the window shows them: each decoded reply goes to the panel binding.
class InterpretReplyTest : public ContextTest {
 protected:
  void SetUp() override {
    port.Open("/dev/ttyUSB0");
    for (int n = 16; n <= 19; ++n) panel.EditAt(n).SetText("0");
    panel.Form3.Edit1.SetText("5");
    panel.CheckBox1.OnClick = [this] { CheckBox1Click(context); };
  }
  // Sends `command` as the window does: a reply in step goes to the panel
  // binding, and a studio reset is answered with the mode off.
  void Send(CommandCode command) {
    SendCommand(context.Line(), command, {}, [this](const ExchangeOutcome& outcome) {
      context.binding.Replied(outcome);
      if (outcome.studioReset) WriteStudioMode(context.Line(), false, context.binding);
    });
  }
  // Sends `command` to `kind` with the device answering `payload`.
  void Answer(DeviceKind kind, CommandCode command, const Bytes& payload) {
    context.state.CurrentDevice = static_cast<int32_t>(kind);
    port.replies.push_back(
        Reply(static_cast<uint8_t>(kind), static_cast<uint8_t>(command), payload));
    Send(command);
  }
  std::vector<Bytes> StudioWrites() const {
    std::vector<Bytes> payloads;
    for (const Bytes& frame : port.writes) {
      if (frame[3] == 9) payloads.emplace_back(frame.begin() + 5, frame.end());
    }
    return payloads;
  }
};

TEST_F(InterpretReplyTest, ReadSettingsFillsTheSubscriberSetKeys) {
  Answer(DeviceKind::SubscriberSet, CommandCode::ReadSettings,
         {0x20, 0x21, 0x3F, 0x00, 0xFF, 0x1F, 0x40, 0x2A, 0x00, 0x00});
  const std::vector<std::string> expected = {"1", "2", "32", "0", "0", "0", "1", "11", "0", "0"};
  for (int n = 1; n <= 10; ++n) EXPECT_EQ(panel.EditAt(n).Text(), expected[n - 1]) << n;
}

TEST_F(InterpretReplyTest, ReadSettingsFillsOnlyTheFieldsOfTheKind) {
  Answer(DeviceKind::Splitter, CommandCode::ReadSettings, {0x22, 0x23});
  Answer(DeviceKind::BeltPack, CommandCode::ReadSettings, {0x24, 0x25});
  Answer(DeviceKind::Switch, CommandCode::ReadSettings, {0x2A, 0x2B, 0x2C, 0x2D, 0x2E});
  EXPECT_EQ(panel.Edit14.Text(), "3");
  EXPECT_EQ(panel.Edit15.Text(), "5");
  EXPECT_EQ(panel.Edit16.Text(), "11");
  EXPECT_EQ(panel.Edit19.Text(), "14");
  EXPECT_EQ(panel.Edit1.Text(), "");
  Answer(DeviceKind::None, CommandCode::ReadSettings, {0x22});
  EXPECT_EQ(panel.Edit1.Text(), "");
  EXPECT_EQ(panel.Edit14.Text(), "3");
}

TEST_F(InterpretReplyTest, ReadLevelsMovesTheSlidersOfTheKind) {
  Answer(DeviceKind::Splitter, CommandCode::ReadLevels, {0x20, 0x2E, 0x3C, 0xFF});
  EXPECT_EQ(panel.TrackBar1.Position(), 0);
  EXPECT_EQ(panel.TrackBar2.Position(), 1);
  EXPECT_EQ(panel.TrackBar3.Position(), 2);
  EXPECT_EQ(panel.TrackBar4.Position(), 16);
  Answer(DeviceKind::BeltPack, CommandCode::ReadLevels, {0x35});
  EXPECT_EQ(panel.TrackBar5.Position(), 2);
  Answer(DeviceKind::Switch, CommandCode::ReadLevels, {0x27, 0x00, 81, 242});
  EXPECT_EQ(panel.TrackBar6.Position(), 0);
  EXPECT_EQ(panel.TrackBar7.Position(), 0);
  EXPECT_EQ(panel.TrackBar8.Position(), 4);
  EXPECT_EQ(panel.TrackBar9.Position(), 15);
  Answer(DeviceKind::SubscriberSet, CommandCode::ReadLevels, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(panel.TrackBar1.Position(), 0);
  EXPECT_EQ(panel.TrackBar5.Position(), 2);
}

TEST_F(InterpretReplyTest, ReadDeviceAddressFillsEdit11AndTheDialog) {
  panel.Form3.Edit1.SetText("9");
  Answer(DeviceKind::SubscriberSet, CommandCode::ReadDeviceAddress, {0x00});
  EXPECT_EQ(panel.Edit11.Text(), "0");
  EXPECT_EQ(panel.Form3.Edit1.Text(), "9");
  Answer(DeviceKind::SubscriberSet, CommandCode::ReadDeviceAddress, {0x24});
  EXPECT_EQ(panel.Edit11.Text(), "5");
  EXPECT_EQ(panel.Form3.Edit1.Text(), "5");
}

TEST_F(InterpretReplyTest, ReadTallyAddressFillsEdit20WhateverTheKind) {
  for (const auto& [b, text] :
       std::vector<std::pair<uint8_t, std::string>>{{0x06, "7"}, {0x00, "1"}, {0xFF, "256"}}) {
    Answer(DeviceKind::Splitter, CommandCode::ReadTallyAddress, {b});
    EXPECT_EQ(panel.Edit20.Text(), text);
  }
}

TEST_F(InterpretReplyTest, AcceptedWritesAreConfirmed) {
  Answer(DeviceKind::Switch, CommandCode::WriteSettings, {});
  Answer(DeviceKind::SubscriberSet, CommandCode::WriteDeviceAddress, {});
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(boxes.shown[0].caption, "Information");
  EXPECT_EQ(boxes.shown[0].text, "Новые настройки записаны.");
  EXPECT_EQ(boxes.shown[1].text, std::string(28, ' ') + "Новый адрес записан.\r\n" +
                                     "Адрес должен соответствовать номеру порта комутатора,\r\n" +
                                     std::string(17, ' ') + "в который будет включено устройство");
}

TEST_F(InterpretReplyTest, WriteOutOfSyncIsNotConfirmed) {
  context.state.CurrentDevice = 4;
  port.replies.push_back(testing::Corrupted(Reply(4, 4), 1, 0x00));
  Send(CommandCode::WriteSettings);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Ошибка синхронизации."});
}

TEST_F(InterpretReplyTest, RepliesToOtherCommandsChangeNothingButNoAnswer) {
  context.state.NoAnswer = true;
  for (CommandCode command : {CommandCode::SetLevel, CommandCode::Probe,
                              CommandCode::WriteStudioMode, CommandCode::WriteTallyAddress}) {
    Answer(DeviceKind::Switch, command, {0x20, 0x20, 0x20, 0x20, 0x20, 0x20});
    EXPECT_FALSE(context.state.NoAnswer);
    context.state.NoAnswer = true;
  }
  EXPECT_EQ(panel.Edit16.Text(), "0");
  EXPECT_EQ(panel.TrackBar6.Position(), 0);
  EXPECT_TRUE(boxes.shown.empty());
}

struct StudioRow {
  uint8_t replyByte;
  bool checkedBefore;
  std::vector<uint8_t> flagsSent;
  bool checkedAfter;
};

TEST_F(InterpretReplyTest, StudioReplyFollowsTheTableRowByRow) {
  const std::vector<StudioRow> rows = {
      {255, true, {0, 0}, false}, {255, false, {0}, false}, {3, false, {2}, true},
      {2, true, {}, true},        {1, true, {0}, false},    {0, false, {}, false},
  };
  for (const StudioRow& row : rows) {
    panel.CheckBox1.OnClick = nullptr;
    panel.CheckBox1.SetChecked(row.checkedBefore);
    panel.CheckBox1.OnClick = [this] { CheckBox1Click(context); };
    port.writes.clear();
    port.responder = [&row](const Bytes& frame) -> std::optional<Bytes> {
      return Reply(1, frame[3], {frame[3] == 8 ? row.replyByte : uint8_t{0}});
    };
    context.state.CurrentDevice = 1;
    Send(CommandCode::ReadStudioMode);
    std::vector<uint8_t> flags;
    for (const Bytes& payload : StudioWrites()) {
      flags.push_back(payload[0]);
      EXPECT_EQ(Bytes(payload.begin() + 1, payload.end()), Bytes(9, 0));
    }
    EXPECT_EQ(flags, row.flagsSent) << "reply " << int(row.replyByte);
    EXPECT_EQ(panel.CheckBox1.Checked(), row.checkedAfter) << "reply " << int(row.replyByte);
    EXPECT_EQ(context.state.CurrentCommand, row.flagsSent.empty() ? 8 : 9);
  }
}

TEST_F(InterpretReplyTest, NoAnswerIsFalseAfterAcceptedReplyEvenWhenTheNestedWriteGotNone) {
  port.responder = [](const Bytes& frame) -> std::optional<Bytes> {
    if (frame[3] == 8) return Reply(1, 8, {255});
    return std::nullopt;
  };
  context.state.CurrentDevice = 1;
  Send(CommandCode::ReadStudioMode);
  EXPECT_EQ(StudioWrites().size(), 1u);
  EXPECT_FALSE(context.state.NoAnswer);
  EXPECT_EQ(panel.Edit13.Text().size(), 2u * 45u);
}

// The outcome of `command` with the reply payload `payload`, decoded for `kind`.
ExchangeOutcome Decoded(DeviceKind kind, CommandCode command, const Bytes& payload) {
  ExchangeOutcome outcome;
  outcome.command = command;
  outcome.status = ReplyStatus::Whole;
  const Bytes frame = Reply(static_cast<uint8_t>(kind), static_cast<uint8_t>(command), payload);
  std::copy(frame.begin(), frame.end(), outcome.reply.begin());
  InterpretReply(StandardCatalogue(), kind, outcome);
  return outcome;
}

// The decoded values as name=value, in the order they came.
std::vector<std::string> Named(const ExchangeOutcome& outcome) {
  std::vector<std::string> named;
  for (const SettingValue& v : outcome.values.values) {
    named.push_back(std::string(v.setting->name) + "=" + std::to_string(v.value));
  }
  return named;
}

TEST(InterpretReplyValues, ReadSettingsGivesTheAddressesOfTheKind) {
  EXPECT_EQ(Named(Decoded(DeviceKind::SubscriberSet, CommandCode::ReadSettings,
                          {0x20, 0x21, 0x3F, 0x00, 0xFF, 0x1F, 0x40, 0x2A, 0x00, 0x00})),
            (std::vector<std::string>{"key1=1", "key2=2", "key3=32", "key4=0", "key5=0", "key6=0",
                                      "key7=1", "key8=11", "key9=0", "key10=0"}));
  EXPECT_EQ(Named(Decoded(DeviceKind::Splitter, CommandCode::ReadSettings, {0x22, 0x23})),
            std::vector<std::string>{"address=3"});
  EXPECT_EQ(
      Named(Decoded(DeviceKind::Switch, CommandCode::ReadSettings, {0x2A, 0x2B, 0x2C, 0x2D, 0x2E})),
      (std::vector<std::string>{"line1=11", "line2=12", "line3=13", "line4=14"}));
  const ExchangeOutcome none = Decoded(DeviceKind::None, CommandCode::ReadSettings, {0x22});
  EXPECT_TRUE(none.values.values.empty());
  EXPECT_EQ(none.values.kind, DeviceKind::None);
}

TEST(InterpretReplyValues, ReadLevelsGivesSliderPositionsClamped) {
  EXPECT_EQ(Named(Decoded(DeviceKind::Splitter, CommandCode::ReadLevels, {0x20, 0x2E, 0x3C, 0xFF})),
            (std::vector<std::string>{"input1=0", "input2=1", "input3=2", "input4=16"}));
  EXPECT_EQ(Named(Decoded(DeviceKind::Switch, CommandCode::ReadLevels, {0x27, 0x00, 81, 242})),
            (std::vector<std::string>{"volume1=0", "volume2=0", "volume3=4", "volume4=15"}));
  EXPECT_TRUE(
      Decoded(DeviceKind::SubscriberSet, CommandCode::ReadLevels, {0xFF}).values.values.empty());
}

TEST(InterpretReplyValues, TallyStudioAndDeviceAddressWhateverTheKind) {
  EXPECT_EQ(Named(Decoded(DeviceKind::Splitter, CommandCode::ReadTallyAddress, {0x00})),
            std::vector<std::string>{"tally=1"});
  EXPECT_EQ(Named(Decoded(DeviceKind::Switch, CommandCode::ReadStudioMode, {3})),
            std::vector<std::string>{"studio=1"});
  EXPECT_EQ(Named(Decoded(DeviceKind::BeltPack, CommandCode::ReadDeviceAddress, {0x24})),
            std::vector<std::string>{"device_address=5"});
}

TEST(InterpretReplyValues, StudioReplyOf255AsksForAReset) {
  const ExchangeOutcome reset =
      Decoded(DeviceKind::SubscriberSet, CommandCode::ReadStudioMode, {255});
  EXPECT_TRUE(reset.studioReset);
  EXPECT_EQ(Named(reset), std::vector<std::string>{"studio=0"});
  EXPECT_FALSE(Decoded(DeviceKind::SubscriberSet, CommandCode::ReadStudioMode, {2}).studioReset);
}

TEST(InterpretReplyValues, RepliesToOtherCommandsCarryNothing) {
  for (CommandCode command : {CommandCode::SetLevel, CommandCode::Probe, CommandCode::WriteSettings,
                              CommandCode::WriteStudioMode, CommandCode::WriteTallyAddress,
                              CommandCode::WriteDeviceAddress}) {
    const ExchangeOutcome outcome =
        Decoded(DeviceKind::Switch, command, {0x20, 0x20, 0x20, 0x20, 0x20, 0x20});
    EXPECT_TRUE(outcome.values.values.empty()) << static_cast<int>(command);
    EXPECT_FALSE(outcome.studioReset);
  }
}

}  // namespace
}  // namespace intercom
