#include <cerrno>
#include <fstream>
#include <set>

#include "panel/handler_failure.h"
#include "tests/controller/controller_fixture.h"

namespace intercom {
namespace {

using testing::Bytes;
using testing::ControllerTest;
using testing::Corrupted;
using testing::kNoDevice;
using testing::kOutOfSync;
using testing::PageShown;
using testing::Paused;
using testing::Reply;
using testing::Sent;
using testing::Steps;

using enum CommandCode;

// The controls discovery must leave alone.
std::vector<Control*> UntouchedControls(PanelModel& panel) {
  return {&panel.GroupBox6, &panel.GroupBox7, &panel.CheckBox1, &panel.BitBtn18,
          &panel.BitBtn19,  &panel.BitBtn3,   &panel.BitBtn5};
}

class DiscoveryTest : public ControllerTest {
 protected:
  void Refresh() { panel.BitBtn19.Click(); }

  // Probes to `kind` get a reply that is out of sync; every other request is
  // answered by `device`, if given.
  void GarbleProbesTo(int kind, DeviceModel* device = nullptr) {
    port.responder = [kind, device](const Bytes& frame) -> std::optional<Bytes> {
      if (frame.at(3) == static_cast<uint8_t>(Probe) && frame.at(2) == kind) {
        return Corrupted(Reply(static_cast<uint8_t>(kind), 7), 0, 0x55);
      }
      return device ? AnswerOf(*device, frame) : std::nullopt;
    };
  }
};

struct KindOutcome {
  DeviceKind kind;
  const char* name;
  bool keyFieldsEnabled;
  std::set<int> groupsEnabled;
  Steps timeline;
};

const KindOutcome kOutcomes[] = {
    {DeviceKind::SubscriberSet,
     "SubscriberSet",
     true,
     {},
     {Sent(Probe, 1), Paused(50), Sent(ReadDeviceAddress, 1), Sent(ReadSettings, 1),
      Sent(ReadStudioMode, 1), PageShown(0)}},
    {DeviceKind::Splitter,
     "Splitter",
     false,
     {1, 2},
     {Sent(Probe, 1), Paused(50), Sent(Probe, 2), Paused(50), Sent(ReadSettings, 2),
      Sent(ReadLevels, 2), PageShown(1)}},
    {DeviceKind::BeltPack,
     "BeltPack",
     false,
     {3, 4},
     {Sent(Probe, 1), Paused(50), Sent(Probe, 2), Paused(50), Sent(Probe, 3), PageShown(3),
      Paused(50), Sent(ReadSettings, 3), Sent(ReadLevels, 3), Sent(ReadTallyAddress, 3),
      PageShown(2)}},
    {DeviceKind::Switch,
     "Switch",
     false,
     {5},
     {Sent(Probe, 1), Paused(50), Sent(Probe, 2), Paused(50), Sent(Probe, 3), PageShown(3),
      Paused(50), Sent(Probe, 4), PageShown(0), Sent(ReadSettings, 4), Sent(ReadLevels, 4),
      PageShown(3)}},
};

// Keeps the test's listed name short: the kind, not the bytes of the case.
void PrintTo(const KindOutcome& outcome, std::ostream* os) {
  *os << outcome.name;
}

class DiscoveryOutcome : public DiscoveryTest, public ::testing::WithParamInterface<KindOutcome> {};

TEST_P(DiscoveryOutcome, FirstAnsweringKindGetsItsControlsReadsAndPage) {
  const KindOutcome& expected = GetParam();
  // Everything starts opposite to the outcome, so each setting shows.
  for (int n = 1; n <= 10; ++n) panel.EditAt(n).SetEnabled(!expected.keyFieldsEnabled);
  for (int n = 1; n <= 5; ++n) panel.GroupBoxAt(n).SetEnabled(expected.groupsEnabled.count(n) == 0);
  panel.BitBtn2.SetEnabled(false);
  panel.BitBtn4.SetEnabled(false);
  panel.PageControl1.SetEnabled(false);
  for (Control* control : UntouchedControls(panel)) control->SetEnabled(false);
  DeviceModel device(expected.kind);
  Attach(device);

  Refresh();

  EXPECT_EQ(Timeline(), expected.timeline);
  EXPECT_EQ(context.state.Device(), expected.kind);
  for (int n = 1; n <= 10; ++n) {
    EXPECT_EQ(panel.EditAt(n).Enabled(), expected.keyFieldsEnabled) << "Edit" << n;
  }
  for (int n = 1; n <= 5; ++n) {
    EXPECT_EQ(panel.GroupBoxAt(n).Enabled(), expected.groupsEnabled.count(n) == 1)
        << "GroupBox" << n;
  }
  EXPECT_TRUE(panel.BitBtn2.Enabled());
  EXPECT_TRUE(panel.BitBtn4.Enabled());
  EXPECT_TRUE(panel.PageControl1.Enabled());
  for (Control* control : UntouchedControls(panel))
    EXPECT_FALSE(control->Enabled()) << control->Name();
  EXPECT_TRUE(boxes.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DiscoveryOutcome, ::testing::ValuesIn(kOutcomes),
                         [](const ::testing::TestParamInfo<KindOutcome>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(DiscoveryTest, NoAnswerLocksThePanelAndSaysSo) {
  bool pagesEnabledWhileOpen = false;
  int pageWhileOpen = 0;
  bool groupsEnabledWhileOpen = true;
  boxes.whileOpen = [&](const testing::ShownBox&) {
    pagesEnabledWhileOpen = panel.PageControl1.Enabled();
    pageWhileOpen = panel.PageControl1.ActivePage();
    groupsEnabledWhileOpen = panel.GroupBox1.Enabled() || panel.GroupBox5.Enabled();
  };

  Refresh();

  EXPECT_EQ(Timeline(), (Steps{Sent(Probe, 1), Paused(50), Sent(Probe, 2), Paused(50),
                               Sent(Probe, 3), PageShown(3), Paused(50), Sent(Probe, 4),
                               PageShown(0), PageShown(PageControl::kNoPage)}));
  EXPECT_EQ(context.state.CurrentDevice, 4);
  for (int n = 1; n <= 10; ++n) EXPECT_FALSE(panel.EditAt(n).Enabled()) << "Edit" << n;
  for (int n = 1; n <= 5; ++n) EXPECT_FALSE(panel.GroupBoxAt(n).Enabled()) << "GroupBox" << n;
  EXPECT_FALSE(panel.BitBtn2.Enabled());
  EXPECT_FALSE(panel.BitBtn4.Enabled());
  EXPECT_EQ(panel.PageControl1.ActivePage(), PageControl::kNoPage);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(boxes.shown[0].text, kNoDevice);
  // The box comes up with the page gone and the groups locked; the tabs lock after it.
  EXPECT_TRUE(pagesEnabledWhileOpen);
  EXPECT_EQ(pageWhileOpen, PageControl::kNoPage);
  EXPECT_FALSE(groupsEnabledWhileOpen);
  EXPECT_FALSE(panel.PageControl1.Enabled());
  for (Control* control : UntouchedControls(panel))
    EXPECT_TRUE(control->Enabled()) << control->Name();
}

TEST_F(DiscoveryTest, RefreshFindsADeviceConnectedAfterANoDeviceResult) {
  Refresh();
  DeviceModel splitter(DeviceKind::Splitter);
  Attach(splitter);
  ForgetTraffic();

  Refresh();

  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(context.state.Device(), DeviceKind::Splitter);
  EXPECT_TRUE(panel.PageControl1.Enabled());
  EXPECT_EQ(panel.PageControl1.ActivePage(), 1);
  EXPECT_TRUE(panel.GroupBox1.Enabled());
  EXPECT_TRUE(panel.GroupBox2.Enabled());
  EXPECT_TRUE(panel.BitBtn2.Enabled());
  EXPECT_TRUE(panel.BitBtn4.Enabled());
  EXPECT_EQ(panel.Edit14.Text(), "3");
}

TEST_F(DiscoveryTest, OutOfSyncFirstProbeRightAfterStartCountsAsAnswered) {
  GarbleProbesTo(1);

  Refresh();

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kOutOfSync});
  EXPECT_EQ(context.state.Device(), DeviceKind::SubscriberSet);
  EXPECT_EQ(Timeline(), (Steps{Sent(Probe, 1), Paused(50), Sent(ReadDeviceAddress, 1),
                               Sent(ReadSettings, 1), Sent(ReadStudioMode, 1), PageShown(0)}));
}

TEST_F(DiscoveryTest, OutOfSyncProbeAfterAnAnsweredExchangeCountsAsAnswered) {
  port.replies.push_back(Reply(0, 7));
  panel.BitBtn18.Click();
  ASSERT_FALSE(context.state.NoAnswer);
  GarbleProbesTo(1);
  ForgetTraffic();

  Refresh();

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kOutOfSync});
  EXPECT_EQ(context.state.Device(), DeviceKind::SubscriberSet);
  EXPECT_EQ(Kinds(), (std::vector<int>{1, 1, 1, 1}));
}

TEST_F(DiscoveryTest, OutOfSyncProbeAfterASilentExchangeCountsAsSilent) {
  panel.BitBtn18.Click();
  ASSERT_TRUE(context.state.NoAnswer);
  GarbleProbesTo(1);
  ForgetTraffic();

  Refresh();

  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kOutOfSync, kNoDevice}));
  EXPECT_EQ(Commands(), (std::vector<CommandCode>{Probe, Probe, Probe, Probe}));
}

TEST_F(DiscoveryTest, OutOfSyncSecondProbeAfterASilentFirstGoesOnToTheThird) {
  DeviceModel beltPack(DeviceKind::BeltPack);
  GarbleProbesTo(2, &beltPack);

  Refresh();

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kOutOfSync});
  EXPECT_EQ(context.state.Device(), DeviceKind::BeltPack);
  EXPECT_EQ(Timeline(), (Steps{Sent(Probe, 1), Paused(50), Sent(Probe, 2), Paused(50),
                               Sent(Probe, 3), PageShown(3), Paused(50), Sent(ReadSettings, 3),
                               Sent(ReadLevels, 3), Sent(ReadTallyAddress, 3), PageShown(2)}));
}

class StartUpTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    port.Close();
    port.openedNames.clear();
    context.state.LevelBase = 0;
    context.state.LevelStep = 0;
    context.state.LevelMax = 0;
    ForgetTraffic();
  }
  void SavePortChoice(const std::string& content) {
    std::ofstream(context.portChoicePath, std::ios::binary) << content;
  }
  void UsePorts(std::vector<std::string> ports) {
    context.listPorts = [ports] { return ports; };
  }
};

TEST_F(StartUpTest, SetsLevelConstantsAndOffersThePortsWithNoneSelected) {
  panel.Form2.ComboBox1.AddItem("/dev/stale");
  panel.Form2.ComboBox1.SetItemIndex(0);
  UsePorts({"/dev/ttyS0", "/dev/ttyUSB1"});

  panel.Form1.Show();

  EXPECT_EQ(context.state.LevelBase, 32);
  EXPECT_EQ(context.state.LevelMax, 255);
  EXPECT_EQ(context.state.LevelStep, 14);
  EXPECT_EQ(panel.Form2.ComboBox1.Items(),
            (std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB1"}));
  EXPECT_EQ(panel.Form2.ComboBox1.ItemIndex(), -1);
}

TEST_F(StartUpTest, MissingPortChoiceIsCreatedWithTheFirstListedPort) {
  UsePorts({"/dev/ttyS0", "/dev/ttyUSB1"});

  panel.Form1.Show();

  EXPECT_EQ(FileText(context.portChoicePath), "/dev/ttyS0\r\n");
  EXPECT_EQ(context.state.PortName, "/dev/ttyS0");
  EXPECT_EQ(port.openedNames, std::vector<std::string>{"/dev/ttyS0"});
}

TEST_F(StartUpTest, MissingPortChoiceWithNoPortsHoldsOnlyTheLineEnd) {
  panel.Form1.Show();

  EXPECT_EQ(FileText(context.portChoicePath), "\r\n");
  EXPECT_EQ(context.state.PortName, "");
}

TEST_F(StartUpTest, SavedPortChoiceIsOpenedAndKept) {
  SavePortChoice("/dev/ttyUSB1\r\n");
  UsePorts({"/dev/ttyS0"});

  panel.Form1.Show();

  EXPECT_EQ(port.openedNames, std::vector<std::string>{"/dev/ttyUSB1"});
  EXPECT_EQ(FileText(context.portChoicePath), "/dev/ttyUSB1\r\n");
}

TEST_F(StartUpTest, OpensWaitsConfiguresTheLineThenDiscovers) {
  SavePortChoice("/dev/ttyUSB1\r\n");
  DeviceModel device(DeviceKind::SubscriberSet);
  std::optional<LineState> lineAtFirstWrite;
  port.responder = [&](const Bytes& frame) {
    if (!lineAtFirstWrite) lineAtFirstWrite = port.line;
    return AnswerOf(device, frame);
  };

  panel.Form1.Show();

  EXPECT_TRUE(panel.Form1.Visible());
  EXPECT_TRUE(boxes.shown.empty());
  const Steps timeline = Timeline();
  ASSERT_GE(timeline.size(), 2u);
  EXPECT_EQ(Steps(timeline.begin(), timeline.begin() + 2), (Steps{Paused(100), Sent(Probe, 1)}));
  EXPECT_EQ(context.state.Device(), DeviceKind::SubscriberSet);
  ASSERT_TRUE(lineAtFirstWrite.has_value());
  testing::ExpectDeviceLine(*lineAtFirstWrite);
  testing::ExpectDeviceTimeouts(port.timeouts);
}

TEST_F(StartUpTest, PortThatWillNotOpenIsReportedAndNothingIsProbed) {
  SavePortChoice("/dev/ttyGone\r\n");
  port.unopenable.insert("/dev/ttyGone");

  panel.Form1.Show();

  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{"Can't open port /dev/ttyGone", "Can't get port state: 9"}));
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Notice);
  EXPECT_EQ(pauses.delays, std::vector<int>{100});
  EXPECT_TRUE(port.writes.empty());
  EXPECT_TRUE(panel.Form1.Visible());
}

TEST_F(StartUpTest, UnreadableLineStateIsReportedAndNothingIsProbed) {
  port.failGetState = EIO;

  panel.Form1.Show();

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Can't get port state: 5"});
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(context.state.CurrentDevice, 0);
}

TEST_F(StartUpTest, PortChoiceFailureEndsStartUpButTheWindowStillShows) {
  context.portChoicePath = (scratch / "missing" / "COM.ini").string();
  UsePorts({"/dev/ttyS0"});

  panel.Form1.Show();

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(boxes.shown[0].text, testing::SaveFailureText(context.portChoicePath));
  EXPECT_TRUE(port.openedNames.empty());
  EXPECT_TRUE(pauses.delays.empty());
  EXPECT_TRUE(port.writes.empty());
  EXPECT_TRUE(panel.Form1.Visible());
}

TEST_F(StartUpTest, PortListFailureIsReportedAndNothingElseHappens) {
  context.listPorts = []() -> std::vector<std::string> { throw PortEntryFailure("X"); };

  panel.Form1.Show();

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Error);
  EXPECT_EQ(boxes.shown[0].text, "Invalid data type for 'X'");
  EXPECT_EQ(FileText(context.portChoicePath), "<missing>");
  EXPECT_TRUE(port.openedNames.empty());
  EXPECT_TRUE(pauses.delays.empty());
  EXPECT_TRUE(port.writes.empty());
  EXPECT_TRUE(panel.Form1.Visible());
}

}  // namespace
}  // namespace intercom
