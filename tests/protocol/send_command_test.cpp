#include "protocol/send_command.h"

#include "panel/handler_failure.h"
#include "tests/support/session_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::Reply;
using testing::SessionTest;

class SendCommandTest : public SessionTest {
 protected:
  void SetUp() override { port.Open("/dev/ttyUSB0"); }
  void Device(DeviceKind kind) { session.state.CurrentDevice = static_cast<int32_t>(kind); }
  const Bytes& Last() const { return port.writes.back(); }
  Bytes LastPayload() const { return Bytes(Last().begin() + 5, Last().end()); }
};

TEST_F(SendCommandTest, ProbeToSubscriberSetIsTheExactFrameAndIsTraced) {
  Device(DeviceKind::SubscriberSet);
  SendCommand(session, CommandCode::Probe);
  EXPECT_EQ(Last(), (Bytes{0xE2, 0xE4, 0x01, 0x07, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(panel.Edit12.Text(), " E2 E4 01 07 0A 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(session.state.CurrentCommand, 7);
  SendCommand(session, CommandCode::Probe);
  EXPECT_EQ(panel.Edit12.Text().size(), 90u);
}

TEST_F(SendCommandTest, RequestBeforeDiscoveryCarriesKindZero) {
  SendCommand(session, CommandCode::ReadSettings);
  EXPECT_EQ(Last()[2], 0);
}

TEST_F(SendCommandTest, ReadCommandsAlwaysSendTenZeroBytes) {
  Device(DeviceKind::Switch);
  session.state.LevelChannel = 48;
  session.state.LevelValue = 255;
  for (CommandCode read :
       {CommandCode::ReadDeviceAddress, CommandCode::ReadSettings, CommandCode::ReadLevels,
        CommandCode::Probe, CommandCode::ReadStudioMode}) {
    for (int n = 16; n <= 19; ++n) panel.EditAt(n).SetText("1");
    SendCommand(session, CommandCode::WriteSettings);
    SendCommand(session, CommandCode::SetLevel);
    SendCommand(session, read);
    EXPECT_EQ(LastPayload(), Bytes(10, 0)) << static_cast<int>(read);
  }
}

TEST_F(SendCommandTest, SetLevelAfterReadLevelsToSwitch) {
  Device(DeviceKind::Switch);
  SendCommand(session, CommandCode::ReadLevels);
  session.state.LevelChannel = 48;
  session.state.LevelValue = 255;
  SendCommand(session, CommandCode::SetLevel);
  EXPECT_EQ(Last(), (Bytes{0xE2, 0xE4, 0x04, 0x06, 0x0A, 0x30, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SendCommandTest, WriteSettingsToSwitchUsesTheZeroRuleAndLeavesTheRest) {
  Device(DeviceKind::Switch);
  session.state.PayloadBuffer = {9, 9, 9, 9, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16};
  panel.Edit16.SetText("1");
  panel.Edit17.SetText("0");
  panel.Edit18.SetText("32");
  panel.Edit19.SetText("5");
  SendCommand(session, CommandCode::WriteSettings);
  EXPECT_EQ(LastPayload(), (Bytes{0x20, 0x00, 0x3F, 0x24, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16}));
}

TEST_F(SendCommandTest, ZeroRuleSendsEveryTextOfZeroAsNoAddress) {
  for (const char* zero : {"0", "00", "-0", "+0", " 0", "$0", "0x0", "X00"}) {
    SCOPED_TRACE(zero);
    EXPECT_EQ(ZeroRule(zero, EncodeAddress), 0x00);
    EXPECT_EQ(ZeroRule(zero, EncodeTally), 0x00);
  }
  EXPECT_EQ(ZeroRule("33", EncodeAddress), 0x20);
  EXPECT_EQ(ZeroRule("32", EncodeAddress), 0x3F);
  EXPECT_EQ(ZeroRule("256", EncodeTally), 0xFF);
  EXPECT_EQ(ZeroRule("0", EncodeTally), 0x00);
  EXPECT_EQ(ZeroRule("1", EncodeTally), 0x00);
  EXPECT_THROW(ZeroRule("", EncodeAddress), ConversionFailure);
  EXPECT_THROW(ZeroRule("5 ", EncodeAddress), ConversionFailure);
}

TEST_F(SendCommandTest, WriteSettingsToBeltPackRepeatsTheLastLevelInByteOne) {
  Device(DeviceKind::BeltPack);
  session.state.LevelChannel = 26;
  session.state.LevelValue = 88;
  SendCommand(session, CommandCode::SetLevel);
  panel.Edit15.SetText("7");
  SendCommand(session, CommandCode::WriteSettings);
  EXPECT_EQ(LastPayload(), (Bytes{0x26, 88, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SendCommandTest, WriteSettingsToSplitterUsesEdit14Only) {
  Device(DeviceKind::Splitter);
  panel.Edit14.SetText("3");
  panel.Edit15.SetText("9");
  SendCommand(session, CommandCode::WriteSettings);
  EXPECT_EQ(LastPayload()[0], 0x22);
}

TEST_F(SendCommandTest, FailingFieldLeavesEarlierBytesAndSendsNothing) {
  Device(DeviceKind::SubscriberSet);
  for (int n = 1; n <= 10; ++n) panel.EditAt(n).SetText(std::to_string(n));
  panel.Edit7.SetText("seven");
  const std::string traceBefore = panel.Edit12.Text();
  try {
    SendCommand(session, CommandCode::WriteSettings);
    FAIL() << "no failure";
  } catch (const ConversionFailure& failure) {
    EXPECT_STREQ(failure.what(), "'seven' is not a valid integer value");
  }
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(panel.Edit12.Text(), traceBefore);
  EXPECT_EQ(session.state.CurrentCommand, 4);
  const Payload& payload = session.state.PayloadBuffer;
  for (int i = 0; i < 6; ++i) EXPECT_EQ(payload[static_cast<size_t>(i)], 0x20 + i) << i;
  for (int i = 6; i < 10; ++i) EXPECT_EQ(payload[static_cast<size_t>(i)], 0) << i;
}

TEST_F(SendCommandTest, WriteTallyAddressCarriesMarkerAndTallyCode) {
  Device(DeviceKind::BeltPack);
  for (const auto& [text, code] : std::vector<std::pair<std::string, uint8_t>>{
           {"7", 0x06}, {"0", 0x00}, {"1", 0x00}, {"256", 0xFF}}) {
    panel.Edit20.SetText(text);
    SendCommand(session, CommandCode::WriteTallyAddress);
    EXPECT_EQ(LastPayload()[0], 0x2A) << text;
    EXPECT_EQ(LastPayload()[1], code) << text;
  }
}

TEST_F(SendCommandTest, WriteTallyAddressRepeatsWriteSettingsTail) {
  Device(DeviceKind::BeltPack);
  session.state.PayloadBuffer = {0, 0, 3, 4, 5, 6, 7, 8, 9, 10};
  panel.Edit15.SetText("2");
  panel.Edit20.SetText("7");
  SendCommand(session, CommandCode::WriteSettings);
  SendCommand(session, CommandCode::WriteTallyAddress);
  EXPECT_EQ(LastPayload(), (Bytes{0x2A, 0x06, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(SendCommandTest, WriteTallyAddressToOtherKindsSendsThePayloadAsLeft) {
  Device(DeviceKind::Switch);
  session.state.PayloadBuffer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  panel.Edit20.SetText("not used");
  SendCommand(session, CommandCode::WriteTallyAddress);
  EXPECT_EQ(LastPayload(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(SendCommandTest, ReadTallyAddressSendsThePayloadAsLeft) {
  session.state.PayloadBuffer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  SendCommand(session, CommandCode::ReadTallyAddress);
  EXPECT_EQ(LastPayload(), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST_F(SendCommandTest, WriteStudioModeCarriesTheBoxAndKeepsTheRest) {
  Device(DeviceKind::SubscriberSet);
  for (int n = 1; n <= 10; ++n) panel.EditAt(n).SetText(std::to_string(n));
  SendCommand(session, CommandCode::WriteSettings);
  panel.CheckBox1.SetChecked(true);
  SendCommand(session, CommandCode::WriteStudioMode);
  EXPECT_EQ(LastPayload(), (Bytes{2, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29}));
  panel.CheckBox1.SetChecked(false);
  SendCommand(session, CommandCode::WriteStudioMode);
  EXPECT_EQ(LastPayload()[0], 0);
}

TEST_F(SendCommandTest, WriteDeviceAddressReadsTheDialogWithoutTheZeroRule) {
  panel.Form3.Edit1.SetText("32");
  session.state.PayloadBuffer.fill(7);
  SendCommand(session, CommandCode::WriteDeviceAddress);
  EXPECT_EQ(LastPayload(), (Bytes{0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  panel.Form3.Edit1.SetText("0");
  SendCommand(session, CommandCode::WriteDeviceAddress);
  EXPECT_EQ(LastPayload()[0], 0xFF);
}

TEST_F(SendCommandTest, ClosedPortStillTracesTheRequest) {
  port.Close();
  Device(DeviceKind::Splitter);
  SendCommand(session, CommandCode::Probe);
  EXPECT_EQ(panel.Edit12.Text(), " E2 E4 02 07 0A 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{"Can't write to port: 9", "Can't read from port: 9"}));
  EXPECT_TRUE(session.state.NoAnswer);
}

}  // namespace
}  // namespace intercom
