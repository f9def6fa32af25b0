// A termination request never cuts an action short: the window program, on
// the simulator's pty, gets SIGTERM while a message box of an action waits.
#include <signal.h>

#include <QCoreApplication>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "app/termination_watch.h"
#include "controller/handlers.h"
#include "protocol/frames.h"
#include "serial/pause.h"
#include "serial/posix_serial_port.h"
#include "tests/support/lock_folder.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/simulator_process.h"
#include "tests/support/temp_dir.h"

namespace intercom::testing {
namespace {

// The command of each request in the simulator's log, in order.
std::vector<std::string> LoggedCommands(const std::filesystem::path& log) {
  std::vector<std::string> commands;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) {
    std::string hex;
    for (char c : line.substr(line.find(' ') + 1)) {
      if (c != ' ') hex += c;
    }
    commands.push_back(
        CommandName(static_cast<CommandCode>(std::stoi(hex.substr(6, 2), nullptr, 16))));
  }
  return commands;
}

class TerminationDuringAnAction : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SimulatorProgram().empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    if (!previous_.empty()) std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }

  // Starts the program's session on a simulated device of `kind`; a box whose
  // text is `boxText` gets SIGTERM while it waits, and the box's own loop runs.
  void Start(const std::string& kind, const std::vector<std::string>& faults,
             const std::string& boxText) {
    std::vector<std::string> options = {"--kind", kind, "--log-requests", Log().string()};
    options.insert(options.end(), faults.begin(), faults.end());
    simulator_.emplace(SimulatorProgram(), options);
    ASSERT_FALSE(simulator_->PortPath().empty());
    std::ofstream(dir_ / "COM.ini", std::ios::binary) << simulator_->PortPath() << "\r\n";
    boxes_.whileOpen = [this, boxText](const ShownBox& box) {
      if (box.text != boxText || signalled_) return;
      signalled_ = true;
      raise(SIGTERM);
      QCoreApplication::processEvents();
      portOpenAfterSignal_ = port_.IsOpen();
    };
  }

  std::filesystem::path Log() const { return dir_ / "requests.log"; }

  std::filesystem::path dir_ = MakeTempDir("intercom-termination");
  std::filesystem::path previous_;
  std::optional<Simulator> simulator_;
  RecordingMessageBoxes boxes_;
  PanelModel panel_{boxes_, "intercom-config"};
  LockFolder locks_;
  PosixSerialPort port_{locks_.Path()};
  ProgramContext context_{panel_, port_, SleepPause};
  TerminationSignals termination_;
  int ends_ = 0;
  TerminationWatch watch_{context_, termination_, [this] { ++ends_; }};
  bool signalled_ = false;
  bool portOpenAfterSignal_ = false;
};

TEST_F(TerminationDuringAnAction, TheBeltPacksWriteFinishesBeforeThePortIsGivenBack) {
  ASSERT_TRUE(termination_.Installed());
  Start("beltpack", {}, "Новые настройки записаны.");
  BindHandlers(context_);
  panel_.Form1.Show();
  ASSERT_EQ(panel_.PageControl1.ActivePage(), 2) << boxes_.Texts().size();

  panel_.BitBtn2.Click();

  ASSERT_TRUE(signalled_);
  EXPECT_TRUE(portOpenAfterSignal_) << "the port was closed while the box waited";
  const std::vector<std::string> commands = LoggedCommands(Log());
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back(), "WriteTallyAddress");
  EXPECT_TRUE(watch_.Ended());
  EXPECT_EQ(ends_, 1);
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(locks_.Count(), 0);
}

TEST_F(TerminationDuringAnAction, TheStartUpProbesEveryKindBeforeTheProgramEnds) {
  Start("switch", {"--out-of-sync"}, "Ошибка синхронизации.");
  BindHandlers(context_);
  panel_.Form1.Show();
  const std::vector<std::string> signalled = LoggedCommands(Log());

  // The same start-up with no signal, for the requests it sends.
  signalled_ = true;
  RecordingMessageBoxes quietBoxes;
  PanelModel quietPanel(quietBoxes, "intercom-config");
  PosixSerialPort quietPort(locks_.Path());
  ProgramContext quiet(quietPanel, quietPort, SleepPause);
  BindHandlers(quiet);
  quietPanel.Form1.Show();

  EXPECT_TRUE(portOpenAfterSignal_);
  EXPECT_TRUE(watch_.Ended());
  const std::vector<std::string> all = LoggedCommands(Log());
  EXPECT_EQ(signalled,
            std::vector<std::string>(all.begin() + static_cast<long>(signalled.size()), all.end()));
  EXPECT_GT(signalled.size(), 1u);
}

TEST(TerminationWatch, ASecondRequestDoesNotEndTheProgramAgain) {
  RecordingMessageBoxes boxes;
  PanelModel panel(boxes, "intercom-config");
  LockFolder locks;
  PosixSerialPort port(locks.Path());
  ProgramContext context(panel, port, SleepPause);
  TerminationSignals termination;
  ASSERT_TRUE(termination.Installed());
  int ends = 0;
  TerminationWatch watch(context, termination, [&ends] { ++ends; });

  raise(SIGTERM);
  QCoreApplication::processEvents();
  ASSERT_TRUE(watch.Ended());
  ASSERT_EQ(ends, 1);
  // The user presses Ctrl+C while the program is on its way out.
  raise(SIGINT);
  QCoreApplication::processEvents();

  EXPECT_EQ(ends, 1);
}

}  // namespace
}  // namespace intercom::testing
