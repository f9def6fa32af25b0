#include <algorithm>

#include "controller/settings_commands.h"
#include "tests/controller/controller_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::ControllerTest;
using testing::kAddressRange;
using testing::kTallyRange;
using testing::kWritten;
using testing::Paused;
using testing::Reply;
using testing::Sent;
using testing::Steps;

using enum CommandCode;

class SettingsCommandsTest : public ControllerTest {
 protected:
  // Discovery finds `device`; what it sent and showed is forgotten.
  void Found(DeviceModel& device) {
    Attach(device);
    panel.BitBtn19.Click();
    ASSERT_EQ(context.state.Device(), device.Kind());
    ForgetTraffic();
  }
  // Types `text` into a field; whatever its change check says is forgotten.
  void Type(TextField& field, const std::string& text) {
    field.SetText(text);
    boxes.shown.clear();
  }
  // The names of the text fields that changed, in order, without the traces.
  std::vector<std::string> ChangedFields() const {
    std::vector<std::string> fields;
    std::copy_if(changed.begin(), changed.end(), std::back_inserter(fields),
                 [](const std::string& name) {
                   return name.starts_with("Edit") && name != "Edit12" && name != "Edit13";
                 });
    return fields;
  }
  // The first `count` payload bytes of the frame written `index`-th.
  Bytes PayloadStart(int index, int count) const {
    const Bytes payload = PayloadOf(index);
    return Bytes(payload.begin(), payload.begin() + count);
  }
  void Write() { panel.BitBtn2.Click(); }
};

TEST_F(SettingsCommandsTest, ReadSettingsThenTallyAddressWhateverTheKind) {
  for (int kind = 0; kind <= 4; ++kind) {
    SCOPED_TRACE(kind);
    context.state.CurrentDevice = kind;
    ForgetTraffic();

    panel.BitBtn4.Click();

    EXPECT_EQ(Timeline(),
              (Steps{Sent(ReadSettings, kind), Paused(50), Sent(ReadTallyAddress, kind)}));
  }
}

TEST_F(SettingsCommandsTest, ReadFromASplitterFillsItsAddressAndTheTallyField) {
  DeviceModel splitter(DeviceKind::Splitter);
  Found(splitter);
  Type(panel.Edit14, "9");
  Type(panel.Edit20, "100");

  panel.BitBtn4.Click();

  EXPECT_EQ(panel.Edit14.Text(), "3");
  EXPECT_EQ(panel.Edit20.Text(), "7");
}

TEST_F(SettingsCommandsTest, SubscriberSetWriteFillsEmptyKeysAndItsAddressWithZero) {
  DeviceModel set(DeviceKind::SubscriberSet);
  Found(set);
  Type(panel.Edit1, "4");
  Type(panel.Edit2, "");
  Type(panel.Edit9, "");
  panel.Edit11.SetText("");
  changed.clear();

  Write();

  EXPECT_EQ(ChangedFields(), (std::vector<std::string>{"Edit2", "Edit9", "Edit11"}));
  EXPECT_EQ(panel.Edit2.Text(), "0");
  EXPECT_EQ(panel.Edit11.Text(), "0");
  EXPECT_EQ(Timeline(), Steps{Sent(WriteSettings, 1)});
  EXPECT_EQ(PayloadOf(0), (Bytes{0x23, 0x00, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x00, 0x29}));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kWritten});
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Information);
}

TEST_F(SettingsCommandsTest, SplitterWriteSendsItsAddress) {
  DeviceModel splitter(DeviceKind::Splitter);
  Found(splitter);
  Type(panel.Edit14, "");

  Write();

  EXPECT_EQ(panel.Edit14.Text(), "0");
  EXPECT_EQ(Timeline(), Steps{Sent(WriteSettings, 2)});
  EXPECT_EQ(PayloadOf(0).at(0), 0x00);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kWritten});
}

TEST_F(SettingsCommandsTest, BeltPackWriteSendsItsAddressThenItsTallyInput) {
  DeviceModel beltPack(DeviceKind::BeltPack);
  Found(beltPack);
  Type(panel.Edit15, "");
  Type(panel.Edit20, "");
  changed.clear();

  Write();

  EXPECT_EQ(ChangedFields(), (std::vector<std::string>{"Edit15", "Edit20"}));
  EXPECT_EQ(Timeline(), (Steps{Sent(WriteSettings, 3), Paused(50), Sent(WriteTallyAddress, 3)}));
  EXPECT_EQ(PayloadOf(0).at(0), 0x00);
  EXPECT_EQ(PayloadOf(1).at(0), 0x2A);
  EXPECT_EQ(PayloadOf(1).at(1), 0x00);
  EXPECT_EQ(beltPack.Code("tally"), 0x00);
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kWritten});
}

TEST_F(SettingsCommandsTest, AWriteIsJudgedAsEveryWriteIs) {
  DeviceModel beltPack(DeviceKind::BeltPack);
  Found(beltPack);
  // The Tally input's request goes unanswered.
  port.responder = [&beltPack](const Bytes& frame) -> std::optional<Bytes> {
    if (static_cast<CommandCode>(frame.at(3)) == WriteTallyAddress) return std::nullopt;
    return AnswerOf(beltPack, frame);
  };

  const std::optional<WriteReport> report = BitBtn2Click(context);

  ASSERT_TRUE(report);
  EXPECT_EQ(report->status, WriteReport::Status::NoAnswer);
  EXPECT_TRUE(report->written.empty()) << "nothing is read back";
  EXPECT_EQ(report->answered, std::vector<std::string>{"address"});
  EXPECT_EQ(report->notWritten, std::vector<std::string>{"tally"});
  EXPECT_EQ(report->reasons,
            std::vector<std::string>{"no whole reply to WriteTallyAddress (no answer)"});
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kWritten}) << "the boxes are the window's own";
}

TEST_F(SettingsCommandsTest, SwitchWriteSendsItsFourLinesThenWaits) {
  DeviceModel switchBox(DeviceKind::Switch);
  Found(switchBox);
  panel.Edit16.SetText("");
  panel.Edit18.SetText("20");
  changed.clear();

  Write();

  EXPECT_EQ(ChangedFields(), std::vector<std::string>{"Edit16"});
  EXPECT_EQ(Timeline(), (Steps{Sent(WriteSettings, 4), Paused(50)}));
  EXPECT_EQ(PayloadStart(0, 4), (Bytes{0x00, 0x2B, 0x33, 0x2D}));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kWritten});
}

TEST_F(SettingsCommandsTest, WriteBeforeDiscoveryDoesNothingAtAll) {
  Type(panel.Edit1, "");
  Type(panel.Edit14, "");
  changed.clear();

  Write();

  EXPECT_TRUE(port.writes.empty());
  EXPECT_TRUE(pauses.delays.empty());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_TRUE(changed.empty());
}

TEST_F(SettingsCommandsTest, WriteStopsAtAKeyThatIsNotANumber) {
  DeviceModel set(DeviceKind::SubscriberSet);
  Found(set);
  Type(panel.Edit3, "abc");

  Write();

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(boxes.shown[0].text, "'abc' is not a valid integer value.");
  EXPECT_TRUE(port.writes.empty());
}

TEST_F(SettingsCommandsTest, WriteSendsNothingWhenAnyFieldItSendsIsNotANumber) {
  DeviceModel beltPack(DeviceKind::BeltPack);
  Found(beltPack);
  panel.Edit20.SetText("abc");

  Write();

  EXPECT_TRUE(Timeline().empty()) << "WriteSettings must not go out ahead of a failing Tally";
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"'abc' is not a valid integer value."});
  EXPECT_EQ(boxes.shown.at(0).kind, MessageKind::Error);

  // A text that does not convert is reported as such even beside one out of range.
  DeviceModel switchBox(DeviceKind::Switch);
  Found(switchBox);
  panel.Edit16.SetText("40");
  panel.Edit18.SetText("7x");
  Write();
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"'7x' is not a valid integer value."});
}

TEST_F(SettingsCommandsTest, WriteRefusesAnAddressOutsideZeroTo32AndSendsNothing) {
  struct Case {
    int kind;
    int edit;
    const char* text;
  };
  // The change checks are detached: the write must not rely on them.
  const Case cases[] = {{1, 2, "-5"},  {1, 10, "33"}, {2, 14, "33"},
                        {3, 15, "-1"}, {4, 17, "33"}, {4, 19, "-1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " Edit" + std::to_string(c.edit) + " " +
                 c.text);
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 14, 15, 16, 17, 18, 19, 20}) {
      panel.EditAt(n).OnChange = nullptr;
      panel.EditAt(n).SetText("");
    }
    panel.Edit11.SetText("");
    panel.EditAt(c.edit).SetText(c.text);
    context.state.CurrentDevice = c.kind;
    ForgetTraffic();

    Write();

    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAddressRange});
    EXPECT_EQ(boxes.shown.at(0).kind, MessageKind::Notice);
    EXPECT_TRUE(port.writes.empty());
    EXPECT_TRUE(pauses.delays.empty());
    EXPECT_EQ(panel.EditAt(c.edit).Text(), c.text);
  }
}

TEST_F(SettingsCommandsTest, SeveralAddressesOutOfRangeGiveOneNoticeAfterEmptyOnesBecameZero) {
  context.state.CurrentDevice = 4;
  panel.Edit16.SetText("40");
  panel.Edit17.SetText("");
  panel.Edit18.SetText("-2");
  panel.Edit19.SetText("7");

  Write();

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAddressRange});
  EXPECT_EQ(panel.Edit17.Text(), "0");
  EXPECT_TRUE(port.writes.empty());
}

TEST_F(SettingsCommandsTest, BeltPackWriteRefusesATallyInputOutsideZeroTo256) {
  DeviceModel beltPack(DeviceKind::BeltPack);
  Found(beltPack);
  for (const char* text : {"257", "-1"}) {
    SCOPED_TRACE(text);
    panel.Edit20.SetText(text);
    ForgetTraffic();

    Write();

    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kTallyRange});
    EXPECT_TRUE(port.writes.empty());
  }
}

TEST_F(SettingsCommandsTest, WriteAcceptsTheBoundsOfTheRanges) {
  DeviceModel switchBox(DeviceKind::Switch);
  Found(switchBox);
  panel.Edit16.SetText("32");
  panel.Edit17.SetText("0");
  panel.Edit18.SetText("1");

  Write();

  EXPECT_EQ(PayloadStart(0, 3), (Bytes{0x3F, 0x00, 0x20}));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kWritten});
}

TEST_F(SettingsCommandsTest, ZeroSpelledAnyWayGoesOutAsNoAddress) {
  DeviceModel switchBox(DeviceKind::Switch);
  Found(switchBox);
  panel.Edit16.SetText("00");
  panel.Edit17.SetText("-0");
  panel.Edit18.SetText(" 0");
  panel.Edit19.SetText("$0");

  Write();

  EXPECT_EQ(PayloadStart(0, 4), (Bytes{0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kWritten});
}

TEST_F(SettingsCommandsTest, TallyInputGoesOutAsItsCode) {
  DeviceModel beltPack(DeviceKind::BeltPack);
  Found(beltPack);
  const std::pair<const char*, int> cases[] = {{"256", 0xFF}, {"1", 0x00},  {"0", 0x00},
                                               {"7", 0x06},   {"00", 0x00}, {"-0", 0x00}};
  for (const auto& [text, code] : cases) {
    SCOPED_TRACE(text);
    panel.Edit20.SetText(text);
    ForgetTraffic();

    Write();

    ASSERT_EQ(Commands(), (std::vector<CommandCode>{WriteSettings, WriteTallyAddress}));
    EXPECT_EQ(PayloadOf(1).at(0), 0x2A);
    EXPECT_EQ(PayloadOf(1).at(1), code);
  }
}

TEST_F(SettingsCommandsTest, TestProbesTheCurrentDeviceAndTracesTheSilence) {
  context.state.CurrentDevice = 3;
  panel.Edit13.SetText("X");

  panel.BitBtn18.Click();

  EXPECT_EQ(Timeline(), Steps{Sent(Probe, 3)});
  EXPECT_TRUE(boxes.shown.empty());
  std::string silence;
  for (int i = 0; i < 15; ++i) silence += " 00";
  EXPECT_EQ(panel.Edit13.Text(), "X" + silence);
}

TEST_F(SettingsCommandsTest, ClearEmptiesBothTracesAndSendsNothing) {
  port.replies.push_back(Reply(0, 7));
  panel.BitBtn18.Click();
  ASSERT_FALSE(panel.Edit12.Text().empty());
  ForgetTraffic();

  panel.BitBtn5.Click();

  EXPECT_EQ(panel.Edit12.Text(), "");
  EXPECT_EQ(panel.Edit13.Text(), "");
  EXPECT_TRUE(port.writes.empty());
}

TEST_F(SettingsCommandsTest, ExitClosesTheMainWindow) {
  panel.Form1.SetVisible(true);

  panel.BitBtn3.Click();

  EXPECT_FALSE(panel.Form1.Visible());
}

TEST_F(SettingsCommandsTest, StudioBoxSendsItsNewStateOnlyWhenItChanges) {
  context.state.CurrentDevice = 1;

  panel.CheckBox1.Click();
  panel.CheckBox1.SetChecked(true);
  panel.CheckBox1.Click();
  panel.CheckBox1.SetChecked(false);

  EXPECT_EQ(Timeline(), (Steps{Sent(WriteStudioMode, 1), Sent(WriteStudioMode, 1)}));
  EXPECT_EQ(PayloadOf(0).at(0), 2);
  EXPECT_EQ(PayloadOf(1).at(0), 0);
}

TEST_F(SettingsCommandsTest, PortMenuShowsTheDialogWithThePortNameAndClosesThePort) {
  context.state.PortName = "/dev/ttyUSB0";

  panel.COM1.Click();

  EXPECT_TRUE(panel.Form2.Form.Visible());
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/ttyUSB0");
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.closeCount, 1);

  panel.Form2.ComboBox1.SetText("/dev/ttyS7");
  port.Open("/dev/ttyUSB0");
  panel.COM1.Click();

  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/ttyS7");
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.closeCount, 1);
}

TEST_F(SettingsCommandsTest, EveryRequestWhileThePortIsClosedReportsWriteAndRead) {
  panel.COM1.Click();

  panel.BitBtn4.Click();

  const std::string write = "Can't write to port: 9";
  const std::string read = "Can't read from port: 9";
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{write, read, write, read}));
}

}  // namespace
}  // namespace intercom
