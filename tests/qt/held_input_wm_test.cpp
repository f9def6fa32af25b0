// Held input against real input from the X server (xdotool), under a window
// manager (scripts/run-under-wm.sh): input given while the handler pauses
// between requests reaches the program only when it next reads its events,
// and the file dialog's own windows (completer list, drop-down) take keys.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "controller/handlers.h"
#include "controller/program_context.h"
#include "qt/qt_file_chooser.h"
#include "qt/qt_message_boxes.h"
#include "qt/window_observer.h"
#include "tests/qt/window_fixture.h"
#include "tests/support/fake_serial_port.h"

namespace intercom::testing {
namespace {

using enum CommandCode;

// Runs xdotool to its end: the X server has the input once it returns.
void Xdotool(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), arguments);
  ASSERT_TRUE(process.waitForFinished(10000));
  ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}

void ClickAt(QWidget* widget) {
  const QPoint at = widget->mapToGlobal(widget->rect().center());
  Xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
           QStringLiteral("click"), QStringLiteral("1")});
}

void Type(const QString& text) {
  Xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

void Key(const char* key) {
  Xdotool({QStringLiteral("key"), QString::fromLatin1(key)});
}

// Waits longer than the offscreen tests: the X server and the window manager
// answer in their own time.
bool WaitLong(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 8000) return false;
    QTest::qWait(20);
  }
  return true;
}

class HeldInputUnderWindowManager : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
      GTEST_SKIP() << "needs an X server with a window manager (scripts/run-under-wm.sh)";
    }
    BindHandlers(context);
    context.listPorts = [] { return std::vector<std::string>{}; };
    // Every request is answered in step, as by a device of the kind addressed.
    port.responder = [](const Bytes& frame) {
      Bytes reply(kReplyLength, 0);
      std::copy_n(frame.begin(), 5, reply.begin());
      return std::optional<Bytes>(reply);
    };
    port.Open("/dev/ttyUSB0");
    panel.SetFileChooser(files);
    form1 = std::make_unique<TForm1>(panel);
    form2 = std::make_unique<TForm2>(panel, form1.get());
    form3 = std::make_unique<TForm3>(panel, form1.get());
    boxes.SetOwner(form1.get());
    ObservePanel(panel, *form1, *form2, *form3, nullptr);
    panel.Form1.OnShow = nullptr;
    panel.Form1.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form1.get()));
  }
  void TearDown() override {
    boxes.SetOwner(nullptr);
    ForgetWindows(panel);
  }

  std::vector<CommandCode> Commands() const {
    std::vector<CommandCode> commands;
    for (const Bytes& frame : port.writes) commands.push_back(static_cast<CommandCode>(frame[3]));
    return commands;
  }

  QPushButton* Button(const char* name) { return Find<QPushButton>(form1.get(), name); }

  // Runs `step` on every later event loop pass until it returns true.
  void Every10ms(const std::function<bool()>& step) {
    auto* timer = new QTimer(form1.get());
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
      if (step()) timer->deleteLater();
    });
    timer->start();
  }

  QtMessageBoxes boxes;
  QtFileChooser files;
  PanelModel panel{boxes, "intercom-config"};
  FakeSerialPort port;
  std::vector<int> delays;
  std::function<void()> whilePausing;
  ProgramContext context{panel, port, [this](int ms) {
                           delays.push_back(ms);
                           if (whilePausing) whilePausing();
                         }};
  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<TForm3> form3;
};

TEST_F(HeldInputUnderWindowManager, AClickGivenDuringTheWriteRunsAfterItsBox) {
  context.state.CurrentDevice = static_cast<int32_t>(DeviceKind::BeltPack);
  panel.Edit15.SetText("5");
  panel.Edit20.SetText("7");
  // "Считать настройки" clicked in the pause after WriteSettings went out.
  whilePausing = [&] {
    if (Commands() != std::vector<CommandCode>{WriteSettings}) return;
    whilePausing = nullptr;
    ClickAt(Button("BitBtn4"));
  };
  // While "Новые настройки записаны." is up, a click on "Обновить" is
  // ignored; then OK closes it. Every later box is closed as it comes.
  int boxesSeen = 0;
  Every10ms([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return false;
    if (++boxesSeen == 1) {
      ClickAt(Button("BitBtn19"));
      QGuiApplication::sync();
    }
    box->button(QMessageBox::Ok)->click();
    return false;
  });

  panel.BitBtn2.Click();

  EXPECT_EQ(boxesSeen, 1);
  EXPECT_EQ(Commands(), (std::vector<CommandCode>{WriteSettings, WriteTallyAddress}));
  ASSERT_TRUE(WaitLong([&] { return port.writes.size() >= 4; })) << port.writes.size();
  QTest::qWait(200);
  EXPECT_EQ(Commands(), (std::vector<CommandCode>{WriteSettings, WriteTallyAddress, ReadSettings,
                                                  ReadTallyAddress}));
}

// The file dialog "Записать настройки из файла" while its handler waits for
// it; `drive` gets the dialog once it is up. Gives the file chosen; the
// dialog is closed from the program after some seconds, failing the test,
// when the user's input could not close it.
class FileDialogUnderWindowManager : public HeldInputUnderWindowManager {
 protected:
  void SetUp() override {
    HeldInputUnderWindowManager::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"alpha.json", "another.json"}) {
      QFile file(folder.filePath(QString::fromLatin1(name)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("{}");
    }
    panel.LoadSettings.OnClick = [this] {
      FileRequest request;
      request.caption = "Записать настройки из файла";
      request.folder = folder.path().toStdString();
      chosen = panel.ChooseFile(request);
    };
  }

  void Run(const std::function<void(QFileDialog*)>& drive) {
    Every10ms([&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return false;
      QTimer::singleShot(10000, dialog, [this, dialog] {
        closedByTheTest = true;
        dialog->reject();
      });
      EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
      drive(dialog);
      return true;
    });
    panel.LoadSettings.Click();
    EXPECT_FALSE(closedByTheTest) << "the user's input never closed the dialog";
  }

  QTemporaryDir folder;
  std::optional<std::string> chosen;
  bool closedByTheTest = false;
};

TEST_F(FileDialogUnderWindowManager, KeysReachTheDialogThroughItsCompleterList) {
  const QString typed = folder.path() + QStringLiteral("/a");
  Run([&](QFileDialog* dialog) {
    Type(typed);
    // The completer offers both files in a list, a window of its own.
    ASSERT_TRUE(WaitLong([] { return QApplication::activePopupWidget() != nullptr; }));
    // Typing goes on into the file name through the list.
    Type(QStringLiteral("lpha"));
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(WaitLong([&] { return name->text().endsWith(QStringLiteral("/alpha")); }))
        << name->text().toStdString();
    Key("Escape");
    EXPECT_TRUE(WaitLong([] { return QApplication::activePopupWidget() == nullptr; }));
    Type(QStringLiteral(".json"));
    Key("Return");
  });
  EXPECT_EQ(chosen, folder.filePath(QStringLiteral("alpha.json")).toStdString());
}

TEST_F(FileDialogUnderWindowManager, TheLookInDropDownTakesKeysAndEscapeThenClosesTheDialog) {
  Run([&](QFileDialog* dialog) {
    auto* lookIn = dialog->findChild<QComboBox*>(QStringLiteral("lookInCombo"));
    ASSERT_NE(lookIn, nullptr);
    ClickAt(lookIn);
    ASSERT_TRUE(WaitLong([] { return QApplication::activePopupWidget() != nullptr; }));
    Key("Escape");
    EXPECT_TRUE(WaitLong([] { return QApplication::activePopupWidget() == nullptr; }));
    Key("Escape");
  });
  EXPECT_FALSE(chosen);
}

}  // namespace
}  // namespace intercom::testing
