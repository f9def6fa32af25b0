// The main window, the port dialog and a message box natively on Wayland
// (weston nested in a private X server, started by scripts/run-under-wm.sh
// --wayland): each dialog and box belongs to the main window and stays in
// front of it after a click on it; the main window keeps its normal size as
// its least.
#include <QDir>
#include <QImage>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QWindow>
#include <cstring>
#include <iostream>
#include <optional>

#include "qt/qt_message_boxes.h"
#include "tests/qt/window_fixture.h"

namespace intercom::testing {
namespace {

// What the X server's screen shows: weston's output, with every window on it.
QImage Screen() {
  QProcess import;
  import.start(QStringLiteral("import"),
               {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
  if (!import.waitForFinished(10000)) return {};
  return QImage::fromData(import.readAllStandardOutput(), "PNG")
      .convertToFormat(QImage::Format_RGB32);
}

void SaveScreen(const QImage& screen, const char* name) {
  const QByteArray folder = qgetenv("INTERCOM_SCREENSHOTS");
  if (folder.isEmpty()) return;
  screen.save(QDir(QString::fromLocal8Bit(folder))
                  .filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

// Where `patch` shows on `screen` (its top left corner), if it does.
std::optional<QPoint> Find(const QImage& screen, const QImage& patch) {
  const auto row = [](const QImage& image, int y) {
    return reinterpret_cast<const QRgb*>(image.constScanLine(y));
  };
  const size_t rowBytes = sizeof(QRgb) * static_cast<size_t>(patch.width());
  for (int y = 0; y + patch.height() <= screen.height(); ++y) {
    for (int x = 0; x + patch.width() <= screen.width(); ++x) {
      bool same = true;
      for (int py = 0; py < patch.height() && same; ++py) {
        same = std::memcmp(row(screen, y + py) + x, row(patch, py), rowBytes) == 0;
      }
      if (same) return QPoint(x, y);
    }
  }
  return std::nullopt;
}

// The screen once `shows` holds for it, or after eight seconds: the
// compositor draws in its own time.
QImage ScreenOnce(const std::function<bool(const QImage&)>& shows) {
  QElapsedTimer timer;
  timer.start();
  QImage screen = Screen();
  while (!shows(screen) && timer.elapsed() < 8000) {
    QTest::qWait(100);
    screen = Screen();
  }
  return screen;
}

// A piece of `widget` as it draws itself, `at` in its own coordinates.
QImage Piece(QWidget* widget, QRect at) {
  return widget->grab(at).toImage().convertToFormat(QImage::Format_RGB32);
}

void MovePointer(QPoint at) {
  QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"),
                                                QString::number(at.x()), QString::number(at.y())});
}

// A click at `at` on the X server's screen: weston passes it to its client.
void ClickOnScreen(QPoint at) {
  MovePointer(at);
  QTest::qWait(100);
  QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
  QTest::qWait(500);
}

// Counts the pointer's moves over the widgets of one window.
class PointerSeen : public QObject {
 public:
  explicit PointerSeen(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~PointerSeen() override { qApp->removeEventFilter(this); }
  int moves = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget != nullptr && widget->window() == window_ &&
        (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)) {
      ++moves;
    }
    return false;
  }

 private:
  QWidget* window_;
};

class OnWayland : public WindowTest {
 protected:
  void SetUp() override {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
      GTEST_SKIP() << "needs a Wayland compositor (scripts/run-under-wm.sh --wayland)";
    }
    WindowTest::SetUp();
  }

  // A point of the main window on the screen that `other` (on the screen at
  // `otherAt`, of `otherSize`) does not cover: the menu bar's right end or
  // the page's lower left.
  QPoint MainWindowPointBeside(QPoint mainAt, QPoint otherAt, QSize otherSize) {
    const QRect other(otherAt, otherSize);
    for (const QPoint inMain : {QPoint(700, 5), QPoint(20, 400), QPoint(700, 400)}) {
      if (!other.contains(mainAt + inMain)) return mainAt + inMain;
    }
    return mainAt;
  }

  // Where the main window's tab row shows on the screen (menu bar and tab row
  // then lie at known offsets from it).
  std::optional<QPoint> MainWindowOnScreen(const QImage& screen) {
    const QRect tabs(QPoint(4, 24), QSize(120, 10));
    const auto found = Find(screen, Piece(form1.get(), tabs));
    if (!found) return std::nullopt;
    return *found - tabs.topLeft();
  }
};

TEST_F(OnWayland, TheDialogAndTheBoxStayInFrontOfTheMainWindowAfterAClickOnIt) {
  ShowMainWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));
  QTest::qWait(300);
  // A nested weston moves its pointer by the X pointer's motions, counted
  // from where it last saw the X pointer enter its window; when the pointer
  // was already inside as the window appeared, that start is wrong and every
  // click lands off by as much (once on its panel's terminal launcher). A
  // move to the corner pins both to the same point, as weston keeps its
  // pointer on its output; the main window seeing the pointer proves it.
  {
    MovePointer(QPoint(0, 0));
    QTest::qWait(100);
    const QImage shown = ScreenOnce([&](const QImage& seen) {
      return MainWindowOnScreen(seen).has_value();
    });
    const auto at = MainWindowOnScreen(shown);
    ASSERT_TRUE(at.has_value()) << "the main window is not on the screen";
    PointerSeen pointer(form1.get());
    for (int step = 0; step < 20 && pointer.moves == 0; ++step) {
      MovePointer(*at + QPoint(300 + step, 300 + step));
      QTest::qWait(100);
    }
    ASSERT_GT(pointer.moves, 0) << "weston never passed the pointer to the main window";
  }
  EXPECT_EQ(form1->minimumSize(), form1->size());
  EXPECT_EQ(form1->minimumSize(),
            QSize(TForm1::kClientWidth, TForm1::kClientHeight + form1->menuBar()->height()));

  panel.COM1.Click();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form2.get()));
  QTest::qWait(300);
  EXPECT_EQ(form2->windowHandle()->transientParent(), form1->windowHandle());
  const QRect label(QPoint(24, 16), QSize(100, 13));
  const QImage dialogPiece = Piece(form2.get(), label);
  QImage screen = ScreenOnce([&](const QImage& seen) {
    return MainWindowOnScreen(seen).has_value() && Find(seen, dialogPiece).has_value();
  });
  ASSERT_FALSE(screen.isNull()) << "import could not read the screen";
  const auto mainAt = MainWindowOnScreen(screen);
  const auto dialogAt = Find(screen, dialogPiece);
  ASSERT_TRUE(mainAt.has_value()) << "the main window is not on the screen";
  ASSERT_TRUE(dialogAt.has_value()) << "the port dialog is not on the screen";
  // Only a dialog over its owner can be seen to stay in front of it.
  ASSERT_TRUE(QRect(*mainAt, form1->size()).contains(*dialogAt))
      << "the compositor put the dialog beside the main window";

  ClickOnScreen(MainWindowPointBeside(*mainAt, *dialogAt - label.topLeft(), form2->size()));
  // The compositor may take a moment to restack the dialog over its owner.
  screen = ScreenOnce([&](const QImage& seen) { return Find(seen, dialogPiece).has_value(); });
  SaveScreen(screen, "wayland-dialog-after-click");
  EXPECT_TRUE(Find(screen, dialogPiece).has_value())
      << "the port dialog went behind the main window";

  // A message box of the main window, clicked past the same way.
  QtMessageBoxes boxes;
  boxes.SetOwner(form1.get());
  bool belongs = false;
  std::optional<QPoint> boxSeen;
  std::optional<QPoint> boxAfterClick;
  bool boxOverOwner = false;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    poll.stop();
    QTest::qWait(300);
    belongs = box->windowHandle()->transientParent() == form1->windowHandle();
    const QRect text(QPoint(0, 0), QSize(box->width(), 40));
    const QImage boxPiece = Piece(box, text);
    const QImage before = Screen();
    boxSeen = Find(before, boxPiece);
    if (boxSeen) {
      ClickOnScreen(MainWindowPointBeside(*mainAt, *boxSeen, box->size()));
      const QImage after =
          ScreenOnce([&](const QImage& seen) { return Find(seen, boxPiece).has_value(); });
      SaveScreen(after, "wayland-box-after-click");
      boxAfterClick = Find(after, boxPiece);
      boxOverOwner = QRect(*mainAt, form1->size()).intersects(QRect(*boxSeen, box->size()));
    }
    box->done(QMessageBox::Ok);
  });
  poll.start();
  boxes.Show(MessageKind::Notice, "intercom-config", "Адрес устройства записан.");

  EXPECT_TRUE(belongs);
  ASSERT_TRUE(boxSeen.has_value()) << "the box is not on the screen";
  EXPECT_TRUE(boxAfterClick.has_value()) << "the box went behind the main window";
  if (!boxOverOwner) std::cout << "the compositor put the box beside the main window\n";
}

}  // namespace
}  // namespace intercom::testing
