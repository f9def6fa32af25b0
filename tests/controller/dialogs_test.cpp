#include "tests/controller/controller_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::ControllerTest;
using testing::kAddressWritten;
using testing::kDialogRange;
using testing::kNoDevice;
using testing::Paused;
using testing::Sent;
using testing::Steps;

using enum CommandCode;

class PortDialogTest : public ControllerTest {
 protected:
  // The dialog is up (the port closed by it) with `name` typed in.
  void ChooseWithDialog(const std::string& name) {
    panel.COM1.Click();
    ASSERT_TRUE(panel.Form2.Form.Visible());
    panel.Form2.ComboBox1.SetText(name);
    port.openedNames.clear();
    ForgetTraffic();
    panel.Form2.BitBtn1.Click();
  }
};

TEST_F(PortDialogTest, ChooseSavesOpensConfiguresDiscoversAndCloses) {
  DeviceModel set(DeviceKind::SubscriberSet);
  std::optional<LineState> lineAtFirstWrite;
  std::optional<CommTimeouts> timeoutsAtFirstWrite;
  port.responder = [&](const Bytes& frame) {
    if (!lineAtFirstWrite) {
      lineAtFirstWrite = port.line;
      timeoutsAtFirstWrite = port.timeouts;
    }
    return AnswerOf(set, frame);
  };

  ChooseWithDialog("/dev/ttyS3");

  EXPECT_EQ(context.state.PortName, "/dev/ttyS3");
  EXPECT_EQ(FileText(context.portChoicePath), "/dev/ttyS3\r\n");
  EXPECT_EQ(port.openedNames, std::vector<std::string>{"/dev/ttyS3"});
  const Steps timeline = Timeline();
  ASSERT_GE(timeline.size(), 2u);
  EXPECT_EQ(Steps(timeline.begin(), timeline.begin() + 2), (Steps{Paused(100), Sent(Probe, 1)}));
  EXPECT_EQ(context.state.Device(), DeviceKind::SubscriberSet);
  ASSERT_TRUE(lineAtFirstWrite.has_value());
  testing::ExpectDeviceLine(*lineAtFirstWrite);
  testing::ExpectDeviceTimeouts(*timeoutsAtFirstWrite);
  EXPECT_FALSE(panel.Form2.Form.Visible());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PortDialogTest, ChooseEndsWhenThePortChoiceCannotBeSaved) {
  context.portChoicePath = (scratch / "missing" / "COM.ini").string();

  ChooseWithDialog("/dev/ttyS3");

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(boxes.shown[0].text, testing::SaveFailureText(context.portChoicePath));
  EXPECT_TRUE(panel.Form2.Form.Visible());
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(port.openedNames.empty());
  EXPECT_TRUE(pauses.delays.empty());
}

TEST_F(PortDialogTest, ChooseGoesOnToDiscoveryAfterAFailedOpen) {
  port.unopenable.insert("/dev/ttyGone");

  ChooseWithDialog("/dev/ttyGone");

  const std::string write = "Can't write to port: 9";
  const std::string read = "Can't read from port: 9";
  // Nothing to configure on a port that did not open: no "Can't get port state".
  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{"Can't open port /dev/ttyGone", write, read, write, read,
                                      write, read, write, read, kNoDevice}));
  EXPECT_EQ(port.setStateCount, 0);
  EXPECT_EQ(port.setTimeoutsCount, 0);
  ASSERT_FALSE(pauses.delays.empty());
  EXPECT_EQ(pauses.delays.front(), 100);
  EXPECT_EQ(FileText(context.portChoicePath), "/dev/ttyGone\r\n");
  EXPECT_FALSE(panel.Form2.Form.Visible());
}

TEST_F(PortDialogTest, ItsVerdictLineJudgesThePortNamedWhenShownAndOnEveryChange) {
  context.portFacts.dev = scratch.string();
  context.portFacts.sysClassTty = (scratch / "sys").string();
  const std::string missing = (scratch / "ttyUSB7").string();
  context.state.PortName = missing;

  panel.COM1.Click();
  ASSERT_TRUE(panel.Form2.Form.Visible());
  EXPECT_EQ(panel.Form2.Label2.Text().rfind("Порт " + missing + " не найден", 0), 0u)
      << panel.Form2.Label2.Text();

  // A network port is only named as such: the window makes no connection.
  panel.Form2.ComboBox1.SetText("rfc2217://192.0.2.7:4001");
  EXPECT_EQ(panel.Form2.Label2.Text(), "Сетевой порт: проверяется при подключении.");
  panel.Form2.ComboBox1.SetText("");
  EXPECT_EQ(panel.Form2.Label2.Text(), "");
  EXPECT_TRUE(boxes.shown.empty());
}

class AddressDialogTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    panel.BitBtn1.Click();
    ASSERT_TRUE(panel.Form3.Form.Visible());
  }
  // Types the address; whatever the field's check says is forgotten.
  void Type(const std::string& text) {
    panel.Form3.Edit1.SetText(text);
    ForgetTraffic();
  }
  void Write() { panel.Form3.BitBtn1.Click(); }
};

TEST_F(AddressDialogTest, WriteRefusesTextThatIsNotANumber) {
  Type("abc");

  Write();

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(boxes.shown[0].text, "'abc' is not a valid integer value.");
  EXPECT_TRUE(port.writes.empty());
  EXPECT_TRUE(panel.Form3.Form.Visible());
}

TEST_F(AddressDialogTest, WriteRefusesAddressesOutsideOneTo32) {
  Type("0");

  Write();

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kDialogRange});
  EXPECT_TRUE(port.writes.empty());
  EXPECT_TRUE(panel.Form3.Form.Visible());

  // The write does not rely on the field's own check.
  panel.Form3.Edit1.OnChange = nullptr;
  Type("33");

  Write();

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kDialogRange});
  EXPECT_TRUE(port.writes.empty());
  EXPECT_TRUE(panel.Form3.Form.Visible());
}

TEST_F(AddressDialogTest, AcceptedWriteIsConfirmedThenCopiedToTheMainWindowAndCloses) {
  DeviceModel set(DeviceKind::SubscriberSet);
  Attach(set);
  panel.BitBtn19.Click();
  ASSERT_EQ(panel.Edit11.Text(), "5");
  panel.BitBtn2.Click();  // leaves the keys' addresses in the payload
  Type(" 32");
  std::string edit11WhileOpen;
  bool visibleWhileOpen = false;
  boxes.whileOpen = [&](const testing::ShownBox&) {
    edit11WhileOpen = panel.Edit11.Text();
    visibleWhileOpen = panel.Form3.Form.Visible();
  };

  Write();

  ASSERT_EQ(Commands(), std::vector<CommandCode>{WriteDeviceAddress});
  EXPECT_EQ(PayloadOf(0), (Bytes{0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(set.Code("device_address"), 0x3F);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(boxes.shown[0].text, kAddressWritten);
  EXPECT_EQ(edit11WhileOpen, "5");
  EXPECT_TRUE(visibleWhileOpen);
  EXPECT_EQ(panel.Edit11.Text(), " 32");
  EXPECT_FALSE(panel.Form3.Form.Visible());
}

TEST_F(AddressDialogTest, WriteClosesTheDialogAlsoWhenTheDeviceIsSilent) {
  context.state.CurrentDevice = 1;
  Type(" 5");

  Write();

  EXPECT_EQ(Commands(), std::vector<CommandCode>{WriteDeviceAddress});
  EXPECT_EQ(PayloadOf(0).at(0), 0x24);
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(panel.Edit11.Text(), " 5");
  EXPECT_FALSE(panel.Form3.Form.Visible());
}

}  // namespace
}  // namespace intercom
