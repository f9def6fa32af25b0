// Input that arrives while a handler waits in its message box is held until
// the handler has returned: the real message boxes, a belt pack on a fake line.
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <functional>

#include "controller/handlers.h"
#include "controller/program_context.h"
#include "panel/handler_failure.h"
#include "qt/qt_message_boxes.h"
#include "qt/window_observer.h"
#include "tests/qt/window_fixture.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/recording_pause.h"

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
    BindHandlers(context);
    context.listPorts = [] { return std::vector<std::string>{}; };
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
  ProgramContext context{panel, port, pauses.AsPause()};
  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<TForm3> form3;
};

TEST_F(HeldInputTest, ClickQueuedBehindTheReturnThatClosesTheBoxWaitsForTheWriteToFinish) {
  context.state.CurrentDevice = static_cast<int32_t>(DeviceKind::BeltPack);
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

// Runs `whileOpen` once the belt pack's "Новые настройки записаны." box is up;
// before it, Return for the box and (as the window manager does when a box
// goes) the main window's activation are queued.
void WhileTheBoxWaits(QWidget* mainWindow, const std::function<void()>& whileOpen) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, mainWindow, whileOpen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    PostKey(box, Qt::Key_Return);
    QMetaObject::invokeMethod(
        mainWindow, [mainWindow] { mainWindow->activateWindow(); }, Qt::QueuedConnection);
    whileOpen();
  });
  poll->start();
}

TEST_F(HeldInputTest, KeysHeldDuringTheWriteReachTheShortcutsAfterIt) {
  context.state.CurrentDevice = static_cast<int32_t>(DeviceKind::BeltPack);
  form1->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form1.get()));
  int shortcutsFired = 0;
  QShortcut shortcut(QKeySequence(Qt::CTRL | Qt::Key_E), form1.get());
  QObject::connect(&shortcut, &QShortcut::activated, [&] { ++shortcutsFired; });
  QWidget* focus = form1->findChild<QPushButton*>(QStringLiteral("BitBtn2"));
  WhileTheBoxWaits(form1.get(), [&] {
    QCoreApplication::postEvent(focus,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_E, Qt::ControlModifier));
    QCoreApplication::postEvent(focus,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_E, Qt::ControlModifier));
    PostKey(focus, Qt::Key_Alt);
  });

  panel.BitBtn2.Click();

  EXPECT_EQ(shortcutsFired, 0) << "a shortcut fired while the write ran";
  ASSERT_TRUE(WaitUntil([&] { return shortcutsFired == 1; }));
  // Alt alone puts the menu bar in keyboard mode, on its first menu.
  ASSERT_TRUE(WaitUntil([&] { return form1->menuBar()->activeAction() != nullptr; }));
  EXPECT_EQ(form1->menuBar()->activeAction()->text(), QStringLiteral("Настройки"));
}

TEST_F(HeldInputTest, TheFramesCloseButtonWaitsForTheWriteToFinish) {
  context.state.CurrentDevice = static_cast<int32_t>(DeviceKind::BeltPack);
  bool stillShown = false;
  WhileTheBoxWaits(form1.get(), [&] {
    form1->close();
    stillShown = form1->isVisible() && panel.Form1.Visible();
  });

  panel.BitBtn2.Click();

  EXPECT_TRUE(stillShown);
  EXPECT_EQ(Commands(), (std::vector<CommandCode>{WriteSettings, WriteTallyAddress}));
  EXPECT_FALSE(panel.Form1.Visible());
  EXPECT_FALSE(form1->isVisible());
}

bool BusyCursorShown() {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

TEST_F(HeldInputTest, TheBusyCursorShowsWhileTheActionRunsAndNotOverItsBoxes) {
  context.state.CurrentDevice = static_cast<int32_t>(DeviceKind::BeltPack);
  panel.Edit15.SetText("5");
  panel.Edit20.SetText("7");
  std::vector<bool> busyAtRequest;
  port.responder = [&, answer = port.responder](const Bytes& frame) {
    busyAtRequest.push_back(BusyCursorShown());
    return answer(frame);
  };
  std::vector<bool> busyInBox;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    busyInBox.push_back(QGuiApplication::overrideCursor() != nullptr);
    box->button(QMessageBox::Ok)->click();
  });
  poll.start();

  panel.BitBtn2.Click();

  EXPECT_EQ(busyAtRequest, (std::vector<bool>{true, true}));
  EXPECT_EQ(busyInBox, std::vector<bool>{false});
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  // A failure ends the handler with its box; anything else leaves it at once.
  panel.BitBtn4.OnClick = [&] {
    busyAtRequest.push_back(BusyCursorShown());
    throw HandlerFailure("Port not opened");
  };
  panel.BitBtn4.Click();
  EXPECT_EQ(busyInBox, (std::vector<bool>{false, false}));
  panel.BitBtn4.OnClick = [&] {
    busyAtRequest.push_back(BusyCursorShown());
    throw std::logic_error("bug");
  };
  EXPECT_THROW(panel.BitBtn4.Click(), std::logic_error);
  EXPECT_EQ(busyAtRequest, (std::vector<bool>{true, true, true, true}));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(HeldInputTest, InputWithNoHandlerRunningIsNotHeld) {
  auto* test = form1->findChild<QPushButton*>(QStringLiteral("BitBtn18"));
  PostClick(test);
  ASSERT_TRUE(WaitUntil([&] { return !port.writes.empty(); }));
  EXPECT_EQ(Commands(), std::vector<CommandCode>{Probe});
}

}  // namespace
}  // namespace intercom::testing
