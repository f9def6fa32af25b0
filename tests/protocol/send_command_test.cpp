#include "protocol/send_command.h"

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

#include "controller/settings_commands.h"
#include "panel/field_integer.h"
#include "panel/handler_failure.h"
#include "tests/support/context_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::ContextTest;
using testing::Reply;

// A setting of a kind of the standard catalogue.
const SettingEntry& Setting(DeviceKind kind, const char* name) {
  const KindEntry* entry = StandardCatalogue().Find(kind);
  const SettingEntry* setting = entry != nullptr ? entry->Find(name) : nullptr;
  if (setting == nullptr) throw std::logic_error(std::string("no setting ") + name);
  return *setting;
}

// Values of `kind`'s settings, by name.
DeviceSettings Values(DeviceKind kind,
                      std::initializer_list<std::pair<const char*, int32_t>> values) {
  DeviceSettings settings{kind, {}};
  for (const auto& [name, value] : values) settings.Set(Setting(kind, name), value);
  return settings;
}

class SendCommandTest : public ContextTest {
 protected:
  void SetUp() override {
    port.Open("/dev/ttyUSB0");
    context.state.LevelBase = 32;
    context.state.LevelStep = 14;
    context.state.LevelMax = 255;
  }
  void Device(DeviceKind kind) { context.state.CurrentDevice = static_cast<int32_t>(kind); }
  ExchangeOutcome Send(CommandCode command, const DeviceSettings& values = {}) {
    return SendCommand(context.Line(), command, values);
  }
  const Bytes& Last() const { return port.writes.back(); }
  Bytes LastPayload() const { return Bytes(Last().begin() + 5, Last().end()); }
};

TEST_F(SendCommandTest, ProbeToSubscriberSetIsTheExactFrameAndIsTraced) {
  Device(DeviceKind::SubscriberSet);
  Send(CommandCode::Probe);
  EXPECT_EQ(Last(), (Bytes{0xE2, 0xE4, 0x01, 0x07, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(panel.Edit12.Text(), " E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(context.state.CurrentCommand, 7);
  Send(CommandCode::Probe);
  EXPECT_EQ(panel.Edit12.Text().size(), 90u);
}

TEST_F(SendCommandTest, RequestBeforeDiscoveryCarriesKindZero) {
  Send(CommandCode::ReadSettings);
  EXPECT_EQ(Last()[2], 0);
}

TEST_F(SendCommandTest, ReadCommandsAlwaysSendTenZeroBytes) {
  Device(DeviceKind::Switch);
  context.state.LevelChannel = 48;
  context.state.LevelValue = 255;
  const DeviceSettings lines =
      Values(DeviceKind::Switch, {{"line1", 1}, {"line2", 1}, {"line3", 1}, {"line4", 1}});
  for (CommandCode read :
       {CommandCode::ReadDeviceAddress, CommandCode::ReadSettings, CommandCode::ReadLevels,
        CommandCode::Probe, CommandCode::ReadStudioMode}) {
    Send(CommandCode::WriteSettings, lines);
    Send(CommandCode::SetLevel);
    Send(read);
    EXPECT_EQ(LastPayload(), Bytes(10, 0)) << static_cast<int>(read);
  }
}

TEST_F(SendCommandTest, SetLevelAfterReadLevelsToSwitch) {
  Device(DeviceKind::Switch);
  Send(CommandCode::ReadLevels);
  context.state.LevelChannel = 48;
  context.state.LevelValue = 255;
  Send(CommandCode::SetLevel);
  EXPECT_EQ(Last(), (Bytes{0xE2, 0xE4, 0x04, 0x06, 0x0A, 0x30, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SendCommandTest, SetLevelCarriesTheChannelAndTheScaledPositionAndRecordsThem) {
  Device(DeviceKind::Switch);
  Send(CommandCode::ReadLevels);
  Send(CommandCode::SetLevel, Values(DeviceKind::Switch, {{"volume4", 16}}));
  EXPECT_EQ(Last(), (Bytes{0xE2, 0xE4, 0x04, 0x06, 0x0A, 0x30, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(context.state.LevelChannel, 48);
  EXPECT_EQ(context.state.LevelValue, 255);
  Send(CommandCode::SetLevel, Values(DeviceKind::Switch, {{"volume2", 4}}));
  EXPECT_EQ(LastPayload(), (Bytes{44, 88, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SendCommandTest, WriteSettingsToSwitchUsesTheZeroRuleAndLeavesTheRest) {
  Device(DeviceKind::Switch);
  context.state.PayloadBuffer = {9, 9, 9, 9, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16};
  Send(CommandCode::WriteSettings,
       Values(DeviceKind::Switch, {{"line1", 1}, {"line2", 0}, {"line3", 32}, {"line4", 5}}));
  EXPECT_EQ(LastPayload(), (Bytes{0x20, 0x00, 0x3F, 0x24, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16}));
}

// The zero rule on a field's text: what "Записать настройки" sends for it.
uint8_t ZeroRule(const std::string& text, const SettingEntry& setting) {
  return EncodeSetting(setting, ParseFieldInteger(text), kStandardLevels);
}

TEST_F(SendCommandTest, ZeroRuleSendsEveryTextOfZeroAsNoAddress) {
  const SettingEntry& address = Setting(DeviceKind::Switch, "line1");
  const SettingEntry& tally = Setting(DeviceKind::BeltPack, "tally");
  for (const char* zero : {"0", "00", "-0", "+0", " 0", "$0", "0x0", "X00"}) {
    SCOPED_TRACE(zero);
    EXPECT_EQ(ZeroRule(zero, address), 0x00);
    EXPECT_EQ(ZeroRule(zero, tally), 0x00);
  }
  EXPECT_EQ(ZeroRule("33", address), 0x20);
  EXPECT_EQ(ZeroRule("32", address), 0x3F);
  EXPECT_EQ(ZeroRule("256", tally), 0xFF);
  EXPECT_EQ(ZeroRule("0", tally), 0x00);
  EXPECT_EQ(ZeroRule("1", tally), 0x00);
  EXPECT_THROW(ZeroRule("", address), ConversionFailure);
  EXPECT_THROW(ZeroRule("5 ", address), ConversionFailure);
}

TEST_F(SendCommandTest, WriteSettingsToBeltPackRepeatsTheLastLevelInByteOne) {
  Device(DeviceKind::BeltPack);
  context.state.LevelChannel = 26;
  context.state.LevelValue = 88;
  Send(CommandCode::SetLevel);
  Send(CommandCode::WriteSettings, Values(DeviceKind::BeltPack, {{"address", 7}}));
  EXPECT_EQ(LastPayload(), (Bytes{0x26, 88, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SendCommandTest, WriteSettingsToSplitterUsesEdit14Only) {
  // The window's write reads the splitter's own field, not the belt pack's.
  Device(DeviceKind::Splitter);
  panel.Edit14.SetText("3");
  panel.Edit15.SetText("9");
  BitBtn2Click(context);
  ASSERT_EQ(port.writes.size(), 1u);
  EXPECT_EQ(LastPayload()[0], 0x22);
}

TEST_F(SendCommandTest, FailingFieldSendsAndTracesNothingAndLeavesThePayload) {
  Device(DeviceKind::SubscriberSet);
  context.state.PayloadBuffer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  for (int n = 1; n <= 10; ++n) panel.EditAt(n).SetText(std::to_string(n));
  panel.Edit7.SetText("seven");
  const std::string traceBefore = panel.Edit12.Text();
  try {
    BitBtn2Click(context);
    FAIL() << "no failure";
  } catch (const ConversionFailure& failure) {
    EXPECT_STREQ(failure.what(), "'seven' is not a valid integer value");
  }
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(panel.Edit12.Text(), traceBefore);
  EXPECT_EQ(context.state.PayloadBuffer, (Payload{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(SendCommandTest, WriteTallyAddressCarriesMarkerAndTallyCode) {
  Device(DeviceKind::BeltPack);
  for (const auto& [value, code] :
       std::vector<std::pair<int32_t, uint8_t>>{{7, 0x06}, {0, 0x00}, {1, 0x00}, {256, 0xFF}}) {
    Send(CommandCode::WriteTallyAddress, Values(DeviceKind::BeltPack, {{"tally", value}}));
    EXPECT_EQ(LastPayload()[0], 0x2A) << value;
    EXPECT_EQ(LastPayload()[1], code) << value;
  }
}

TEST_F(SendCommandTest, WriteTallyAddressRepeatsWriteSettingsTail) {
  Device(DeviceKind::BeltPack);
  context.state.PayloadBuffer = {0, 0, 3, 4, 5, 6, 7, 8, 9, 10};
  const DeviceSettings values = Values(DeviceKind::BeltPack, {{"address", 2}, {"tally", 7}});
  Send(CommandCode::WriteSettings, values);
  Send(CommandCode::WriteTallyAddress, values);
  EXPECT_EQ(LastPayload(), (Bytes{0x2A, 0x06, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(SendCommandTest, WriteTallyAddressWithoutATallyInputSendsThePayloadAsLeft) {
  Device(DeviceKind::Switch);
  context.state.PayloadBuffer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  Send(CommandCode::WriteTallyAddress,
       Values(DeviceKind::Switch, {{"line1", 5}, {"line2", 6}, {"line3", 7}, {"line4", 8}}));
  EXPECT_EQ(LastPayload(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(SendCommandTest, ReadTallyAddressSendsThePayloadAsLeft) {
  context.state.PayloadBuffer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  Send(CommandCode::ReadTallyAddress);
  EXPECT_EQ(LastPayload(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(SendCommandTest, WriteStudioModeCarriesTheFlagAndKeepsTheRest) {
  Device(DeviceKind::SubscriberSet);
  DeviceSettings keys{DeviceKind::SubscriberSet, {}};
  for (int n = 1; n <= 10; ++n) {
    keys.Set(Setting(DeviceKind::SubscriberSet, ("key" + std::to_string(n)).c_str()), n);
  }
  Send(CommandCode::WriteSettings, keys);
  Send(CommandCode::WriteStudioMode, Values(DeviceKind::SubscriberSet, {{"studio", 1}}));
  EXPECT_EQ(LastPayload(), (Bytes{2, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29}));
  Send(CommandCode::WriteStudioMode, Values(DeviceKind::SubscriberSet, {{"studio", 0}}));
  EXPECT_EQ(LastPayload()[0], 0);
}

TEST_F(SendCommandTest, WriteDeviceAddressZeroesTheRestWithoutTheZeroRule) {
  context.state.PayloadBuffer.fill(7);
  Send(CommandCode::WriteDeviceAddress,
       Values(DeviceKind::SubscriberSet, {{"device_address", 32}}));
  EXPECT_EQ(LastPayload(), (Bytes{0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  Send(CommandCode::WriteDeviceAddress, Values(DeviceKind::SubscriberSet, {{"device_address", 0}}));
  EXPECT_EQ(LastPayload()[0], 0xFF);
}

TEST_F(SendCommandTest, ReplyInStepIsDecodedHandedOnAndClearsNoAnswer) {
  Device(DeviceKind::Splitter);
  context.state.NoAnswer = true;
  port.replies.push_back(Reply(2, 3, {0x22}));
  int handled = 0;
  const ExchangeOutcome outcome =
      SendCommand(context.Line(), CommandCode::ReadSettings, {}, [&](const ExchangeOutcome& o) {
        ++handled;
        EXPECT_FALSE(context.state.NoAnswer);
        ASSERT_EQ(o.values.values.size(), 1u);
        EXPECT_EQ(o.values.values[0].value, 3);
      });
  EXPECT_EQ(handled, 1);
  EXPECT_FALSE(context.state.NoAnswer);
  EXPECT_EQ(outcome.status, ReplyStatus::Whole);
  ASSERT_NE(outcome.values.Find("address"), nullptr);
  EXPECT_EQ(outcome.values.Find("address")->value, 3);
  EXPECT_EQ(panel.Edit14.Text(), "") << "the protocol leaves the panel alone";
}

TEST_F(SendCommandTest, SilenceIsNotHandedOn) {
  Device(DeviceKind::Splitter);
  int handled = 0;
  const ExchangeOutcome outcome = SendCommand(context.Line(), CommandCode::ReadSettings, {},
                                              [&](const ExchangeOutcome&) { ++handled; });
  EXPECT_EQ(handled, 0);
  EXPECT_TRUE(context.state.NoAnswer);
  EXPECT_EQ(outcome.status, ReplyStatus::Missing);
  EXPECT_TRUE(outcome.values.values.empty());
}

TEST_F(SendCommandTest, ClosedPortStillTracesTheRequest) {
  port.Close();
  Device(DeviceKind::Splitter);
  Send(CommandCode::Probe);
  EXPECT_EQ(panel.Edit12.Text(), " E2 E4 02 07 0A 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{"Can't write to port: 9", "Can't read from port: 9"}));
  EXPECT_TRUE(context.state.NoAnswer);
}

}  // namespace
}  // namespace intercom
