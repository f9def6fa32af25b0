// The whole logic end to end: start-up, discovery and the settings commands on
// the real port, against intercom-sim on a pty, with real pauses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "controller/handlers.h"
#include "controller/program_context.h"
#include "serial/network_serial_port.h"
#include "serial/posix_serial_port.h"
#include "serial/routing_serial_port.h"
#include "tests/support/lock_folder.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/ser2net_process.h"
#include "tests/support/simulator_process.h"

namespace intercom {
namespace {

namespace fs = std::filesystem;
using testing::LockFolder;
using testing::RecordingMessageBoxes;
using testing::Ser2net;
using testing::SerialServerMode;
using testing::Simulator;

class ControllerOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = testing::SimulatorProgram();
    if (program_.empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
    dir_ = fs::temp_directory_path() /
           ("controller_e2e_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    context.portChoicePath = (dir_ / "COM.ini").string();
    context.listPorts = [] { return std::vector<std::string>{}; };
    BindHandlers(context);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Starts a simulator, names its pty in COM.ini and runs the start-up.
  void StartUp(const std::vector<std::string>& options) {
    simulator_.emplace(program_, options);
    ASSERT_FALSE(simulator_->PortPath().empty()) << "intercom-sim printed no port";
    std::ofstream(context.portChoicePath, std::ios::binary) << simulator_->PortPath() << "\r\n";
    panel.Form1.Show();
    ASSERT_TRUE(panel.Form1.Visible());
  }

  std::string program_;
  fs::path dir_;
  std::optional<Simulator> simulator_;
  RecordingMessageBoxes boxes;
  PanelModel panel{boxes, "intercom-config"};
  LockFolder locks_;
  // The window's port: a local name opens the pty, a remote one the network.
  RoutingSerialPort port{std::make_unique<PosixSerialPort>(locks_.Path()),
                         std::make_unique<NetworkSerialPort>()};
  ProgramContext context{panel, port, SleepPause};
};

TEST_F(ControllerOverPty, StartUpFindsASubscriberSetAndFillsItsPage) {
  StartUp({"--kind", "subscriber"});
  EXPECT_EQ(context.state.CurrentDevice, 1);
  EXPECT_EQ(panel.PageControl1.ActivePage(), 0);
  for (int n = 1; n <= 10; ++n) EXPECT_EQ(panel.EditAt(n).Text(), std::to_string(n)) << n;
  EXPECT_EQ(panel.Edit11.Text(), "5");
  EXPECT_FALSE(panel.CheckBox1.Checked());
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
}

TEST_F(ControllerOverPty, StartUpFindsASplitterAndFillsItsPage) {
  StartUp({"--kind", "splitter"});
  EXPECT_EQ(context.state.CurrentDevice, 2);
  EXPECT_EQ(panel.PageControl1.ActivePage(), 1);
  EXPECT_EQ(panel.Edit14.Text(), "3");
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(panel.TrackBarAt(n).Position(), 2 * n) << n;
  EXPECT_TRUE(panel.GroupBox1.Enabled());
  EXPECT_FALSE(panel.GroupBox3.Enabled());
}

TEST_F(ControllerOverPty, StartUpFindsABeltPackAndFillsItsPage) {
  StartUp({"--kind", "beltpack"});
  EXPECT_EQ(context.state.CurrentDevice, 3);
  EXPECT_EQ(panel.PageControl1.ActivePage(), 2);
  EXPECT_EQ(panel.Edit15.Text(), "7");
  EXPECT_EQ(panel.TrackBar5.Position(), 2);
  EXPECT_EQ(panel.Edit20.Text(), "7");
}

TEST_F(ControllerOverPty, StartUpFindsASwitchAndFillsItsPage) {
  StartUp({"--kind", "switch"});
  EXPECT_EQ(context.state.CurrentDevice, 4);
  EXPECT_EQ(panel.PageControl1.ActivePage(), 3);
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(panel.EditAt(16 + n).Text(), std::to_string(11 + n)) << n;
    EXPECT_EQ(panel.TrackBarAt(6 + n).Position(), n + 1) << n;
  }
}

TEST_F(ControllerOverPty, WrittenSettingsReadBack) {
  StartUp({"--kind", "beltpack"});
  panel.Edit15.SetText("21");
  panel.Edit20.SetText("18");  // 0x11: software flow control must not eat it
  panel.BitBtn2.Click();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Новые настройки записаны."});
  panel.Edit15.SetText("1");
  panel.Edit20.SetText("1");
  panel.BitBtn4.Click();
  EXPECT_EQ(panel.Edit15.Text(), "21");
  EXPECT_EQ(panel.Edit20.Text(), "18");
}

TEST_F(ControllerOverPty, LevelStepReachesTheDevice) {
  StartUp({"--kind", "switch"});
  panel.BitBtn25.Click();  // "+" of TrackBar9, at 4
  panel.BitBtn14.Click();  // "-" of TrackBar6, at 1
  panel.TrackBar9.SetPosition(0);
  panel.TrackBar6.SetPosition(9);
  panel.BitBtn19.Click();  // discovery reads the levels back
  EXPECT_EQ(panel.TrackBar9.Position(), 5);
  EXPECT_EQ(panel.TrackBar6.Position(), 0);
}

TEST_F(ControllerOverPty, SilentLineGivesTheNoDeviceOutcome) {
  StartUp({"--kind", "switch", "--silent"});
  EXPECT_EQ(context.state.CurrentDevice, 4);
  EXPECT_EQ(panel.PageControl1.ActivePage(), PageControl::kNoPage);
  EXPECT_FALSE(panel.PageControl1.Enabled());
  EXPECT_FALSE(panel.BitBtn2.Enabled());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(panel.Edit12.Text().size(), 4u * 45u);
}

// The start-up's discovery and reads on an adapter that echoes every request:
// the kind and the values of a plain line, no box.
struct EchoCase {
  std::string kind;
  int32_t device;
  int field;  // an Edit the reads fill
  std::string text;
};

class ControllerOverEchoingLine : public ControllerOverPty,
                                  public ::testing::WithParamInterface<EchoCase> {};

TEST_P(ControllerOverEchoingLine, FindsTheKindAndFillsItsPage) {
  StartUp({"--kind", GetParam().kind, "--echo"});
  EXPECT_EQ(context.state.CurrentDevice, GetParam().device);
  EXPECT_EQ(panel.PageControl1.ActivePage(), GetParam().device - 1);
  EXPECT_EQ(panel.EditAt(GetParam().field).Text(), GetParam().text);
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ControllerOverEchoingLine,
    ::testing::Values(EchoCase{"subscriber", 1, 10, "10"}, EchoCase{"splitter", 2, 14, "3"},
                      EchoCase{"beltpack", 3, 15, "7"}, EchoCase{"switch", 4, 19, "14"}),
    [](const ::testing::TestParamInfo<EchoCase>& info) { return info.param.kind; });

TEST_F(ControllerOverPty, OnALineThatEchoesWritesAndLevelStepsReadBack) {
  StartUp({"--kind", "switch", "--echo"});
  panel.Edit16.SetText("21");
  panel.BitBtn2.Click();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Новые настройки записаны."});
  panel.BitBtn25.Click();  // "+" of TrackBar9, at 4
  panel.BitBtn14.Click();  // "-" of TrackBar6, at 1
  panel.Edit16.SetText("1");
  panel.TrackBar9.SetPosition(0);
  panel.TrackBar6.SetPosition(9);
  panel.BitBtn19.Click();  // discovery reads everything back
  EXPECT_EQ(panel.Edit16.Text(), "21");
  EXPECT_EQ(panel.TrackBar9.Position(), 5);
  EXPECT_EQ(panel.TrackBar6.Position(), 0);
}

// Each probe comes back alone: no device, not a subscriber set holding the
// request's zeros.
TEST_F(ControllerOverPty, AnEchoWithNothingAfterItGivesTheNoDeviceOutcome) {
  StartUp({"--kind", "subscriber", "--echo", "--silent"});
  EXPECT_EQ(panel.PageControl1.ActivePage(), PageControl::kNoPage);
  EXPECT_FALSE(panel.BitBtn2.Enabled());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(panel.Edit12.Text().size(), 4u * 45u);
}

TEST_F(ControllerOverPty, PortChosenAgainInTheDialogIsConfiguredAndRediscovered) {
  StartUp({"--kind", "splitter"});
  Simulator other(program_, {"--kind", "subscriber"});
  ASSERT_FALSE(other.PortPath().empty());
  panel.COM1.Click();
  EXPECT_FALSE(port.IsOpen());
  panel.Form2.ComboBox1.SetText(other.PortPath());
  panel.Form2.BitBtn1.Click();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
  EXPECT_EQ(context.state.CurrentDevice, 1);
  EXPECT_EQ(panel.Edit10.Text(), "10");
  EXPECT_FALSE(panel.Form2.Form.Visible());
  std::ifstream saved(context.portChoicePath, std::ios::binary);
  std::string line;
  std::getline(saved, line);
  EXPECT_EQ(line, other.PortPath() + "\r");
}

TEST_F(ControllerOverPty, StartUpThroughASerialServerNamedInComIniFillsThePage) {
  if (testing::Ser2netProgram().empty()) {
    GTEST_SKIP() << "ser2net is not installed (scripts/install-deps.sh installs it)";
  }
  simulator_.emplace(program_, std::vector<std::string>{"--kind", "splitter"});
  ASSERT_FALSE(simulator_->PortPath().empty()) << "intercom-sim printed no port";
  Ser2net server({simulator_->PortPath()}, SerialServerMode::Rfc2217);
  ASSERT_TRUE(server.Started()) << server.Log();
  std::ofstream(context.portChoicePath, std::ios::binary) << server.Url(0) << "\r\n";
  panel.Form1.Show();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
  EXPECT_EQ(context.state.CurrentDevice, 2);
  EXPECT_EQ(panel.PageControl1.ActivePage(), 1);
  EXPECT_EQ(panel.Edit14.Text(), "3");
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(panel.TrackBarAt(n).Position(), 2 * n) << n;

  // The port dialog shows the name and takes it back unchanged.
  panel.COM1.Click();
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), server.Url(0));
  panel.Form2.BitBtn1.Click();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
  EXPECT_EQ(panel.Edit14.Text(), "3");
  std::ifstream saved(context.portChoicePath, std::ios::binary);
  std::string line;
  std::getline(saved, line);
  EXPECT_EQ(line, server.Url(0) + "\r");
}

}  // namespace
}  // namespace intercom
