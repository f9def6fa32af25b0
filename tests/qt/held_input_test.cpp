// Input that arrives while a handler waits in its message box is held until
// the handler has returned: the real message boxes, a belt pack on a fake line.
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "workflow/program_context.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_pause.h"
#include "tests/qt/window_fixture.h"
#include "qt/qt_message_boxes.h"
#include "qt/window_observer.h"
#include "workflow/handlers.h"

namespace intercom::testing {
namespace {

using enum CommandCode;

void PostClick(QWidget* widget) {
  const QPoint at = widget->rect().center();
  const QPoint global = widget->mapToGlobal(at);
  QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                      Qt::LeftButton, Qt::LeftButton, {}));
  QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                      Qt::LeftButton, Qt::NoButton, {}));
}

void PostKey(QWidget* widget, Qt::Key key) {
  QCoreApplication::postEvent(widget, new QKeyEvent(QEvent::KeyPress, key, {}));
  QCoreApplication::postEvent(widget, new QKeyEvent(QEvent::KeyRelease, key, {}));
}

class HeldInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BindHandlers(session);
    session.listPorts = [] { return std::vector<std::string>{}; };
    // Every request is answered in step, as by a device of the kind addressed.
    port.responder = [](const Bytes& frame) {
      Bytes reply(kReplyLength, 0);
      std::copy_n(frame.begin(), 5, reply.begin());
      return std::optional<Bytes>(reply);
    };
    port.Open("/dev/ttyUSB0");
    form1 = std::make_unique<TForm1>(panel);
    form2 = std::make_unique<TForm2>(panel);
    form3 = std::make_unique<TForm3>(panel);
    ObservePanel(panel, *form1, *form2, *form3, nullptr);
    panel.Form1.OnShow = nullptr;
    panel.Form1.Show();
  }
  void TearDown() override { ForgetWindows(panel); }

  std::vector<CommandCode> Commands() const {
    std::vector<CommandCode> commands;
    for (const Bytes& frame : port.writes) commands.push_back(static_cast<CommandCode>(frame[3]));
    return commands;
  }

  QtMessageBoxes boxes;
  PanelModel panel{boxes, "intercom-config"};
  FakeSerialPort port;
  RecordingPause pauses;
  ProgramContext session{panel, port, pauses.AsPause()};
  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<TForm3> form3;
};

TEST_F(HeldInputTest, ClickQueuedBehindTheReturnThatClosesTheBoxWaitsForTheWriteToFinish) {
  session.state.CurrentDevice = static_cast<int32_t>(DeviceKind::BeltPack);
  panel.Edit15.SetText("5");
  panel.Edit20.SetText("7");
  auto* test = form1->findChild<QPushButton*>(QStringLiteral("BitBtn18"));
  ASSERT_NE(test, nullptr);
  // Once "Новые настройки записаны." is up: Return for the box and a click on
  // "Test" arrive together.
  int boxesSeen = 0;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    poll.stop();
    ++boxesSeen;
    PostKey(box, Qt::Key_Return);
    PostClick(test);
  });
  poll.start();

  panel.BitBtn2.Click();

  EXPECT_EQ(boxesSeen, 1);
  // The handler's own order: the write, its pause, the Tally address; the
  // probe only after the handler returned.
  EXPECT_EQ(Commands(), (std::vector<CommandCode>{WriteSettings, WriteTallyAddress}));
  ASSERT_TRUE(WaitUntil([&] { return port.writes.size() == 3; })) << port.writes.size();
  EXPECT_EQ(Commands(), (std::vector<CommandCode>{WriteSettings, WriteTallyAddress, Probe}));
  EXPECT_EQ(pauses.delays, (std::vector<int>{50, 100, 50, 50, 100, 50, 100}));
}

TEST_F(HeldInputTest, InputWithNoHandlerRunningIsNotHeld) {
  auto* test = form1->findChild<QPushButton*>(QStringLiteral("BitBtn18"));
  PostClick(test);
  ASSERT_TRUE(WaitUntil([&] { return !port.writes.empty(); }));
  EXPECT_EQ(Commands(), std::vector<CommandCode>{Probe});
}

}  // namespace
}  // namespace intercom::testing
