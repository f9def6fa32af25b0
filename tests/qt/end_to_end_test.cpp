// The whole tool in its windows against the device simulator on a pty.
#include <stdlib.h>
#include <unistd.h>

#include <QLineEdit>
#include <QTabWidget>
#include <filesystem>
#include <fstream>

#include "controller/handlers.h"
#include "controller/program_context.h"
#include "qt/trace_view.h"
#include "qt/window_observer.h"
#include "serial/pause.h"
#include "serial/posix_serial_port.h"
#include "tests/qt/window_fixture.h"
#include "tests/support/lock_folder.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/simulator_process.h"

namespace intercom::testing {
namespace {

TEST(WindowsEndToEnd, StartUpFindsTheSwitchAndShowsItsPageFilled) {
  const std::string program = SimulatorProgram();
  if (program.empty()) GTEST_SKIP() << "INTERCOM_SIM is not set";
  Simulator simulator(program, {"--kind", "switch"});
  ASSERT_FALSE(simulator.PortPath().empty()) << "intercom-sim printed no port";

  std::string pattern =
      (std::filesystem::temp_directory_path() / "intercom-windows-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const std::filesystem::path scratch = pattern;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(scratch);
  std::ofstream(scratch / "COM.ini", std::ios::binary) << simulator.PortPath() << "\r\n";

  RecordingMessageBoxes boxes;
  PanelModel panel(boxes, "intercom-config");
  LockFolder locks;
  PosixSerialPort port(locks.Path());
  ProgramContext context(panel, port, SleepPause);
  BindHandlers(context);
  TForm1 form1(panel);
  TForm2 form2(panel);
  TForm3 form3(panel);
  ObservePanel(panel, form1, form2, form3, nullptr);

  panel.Form1.Show();

  EXPECT_TRUE(form1.isVisible());
  EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.front().text;
  EXPECT_EQ(form1.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->currentIndex(), 3);
  for (int n = 16; n <= 19; ++n) {
    const auto* field = form1.findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(n));
    ASSERT_NE(field, nullptr);
    EXPECT_FALSE(field->text().isEmpty()) << "Edit" << n;
    EXPECT_EQ(field->text().toStdString(), panel.EditAt(n).Text());
  }
  EXPECT_EQ(form1.findChild<TraceView*>(QStringLiteral("Edit12"))->text().toStdString(),
            panel.Edit12.Text());

  ForgetWindows(panel);
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(scratch);
}

}  // namespace
}  // namespace intercom::testing
