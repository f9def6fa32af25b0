// The main window and the dialogs under a real window manager (openbox on a
// private X server, started by scripts/run-under-wm.sh): maximise and restore,
// the fixed border, and placement on screens the window does or does not fit.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <algorithm>

#include "panel/window_layout.h"
#include "tests/qt/window_fixture.h"

namespace intercom::testing {
namespace {

// Runs a program to its end; its standard output, or empty when it failed.
QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(10000) || process.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString()
                  << " failed: " << process.readAllStandardError().toStdString();
    return {};
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString WindowId(QWidget* window) {
  return QStringLiteral("0x%1").arg(window->winId(), 0, 16);
}

// Waits longer than the offscreen tests: the window manager answers in its own time.
bool WaitLong(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 8000) return false;
    QTest::qWait(20);
  }
  return true;
}

// The window's client area as the user sees it, in screen coordinates.
QRect SeenArea(QWidget* window) {
  auto* scroll = window->findChild<QScrollArea*>(QStringLiteral("ClientScroll"));
  QWidget* viewport = scroll->viewport();
  return QRect(viewport->mapToGlobal(QPoint(0, 0)), viewport->size())
      .intersected(window->screen()->geometry());
}

// The window's outer rectangle in the X server's pixels: its client window as
// the server places it, grown by the frame the window manager states.
QRect DeviceFrameGeometry(QWidget* window) {
  const QString info =
      RunTool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), WindowId(window)});
  const auto field = [&](const char* name) {
    const QRegularExpression pattern(QString::fromLatin1(name) + QStringLiteral(":\\s+(-?\\d+)"));
    return pattern.match(info).captured(1).toInt();
  };
  const QString extents = RunTool(QStringLiteral("xprop"), {QStringLiteral("-id"), WindowId(window),
                                                            QStringLiteral("_NET_FRAME_EXTENTS")});
  const QStringList sides = extents.section(QLatin1Char('='), 1).split(QLatin1Char(','));
  if (sides.size() != 4) {
    ADD_FAILURE() << "no frame extents: " << extents.toStdString();
    return {};
  }
  const int left = sides[0].trimmed().toInt();
  const int right = sides[1].trimmed().toInt();
  const int top = sides[2].trimmed().toInt();
  const int bottom = sides[3].trimmed().toInt();
  return QRect(field("Absolute upper-left X") - left, field("Absolute upper-left Y") - top,
               field("Width") + left + right, field("Height") + top + bottom);
}

QRect OnScreen(QWidget* widget) {
  return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

// Saves what the screen shows when INTERCOM_SCREENSHOTS names a folder.
void Screenshot(QWidget* window, const char* name) {
  const QByteArray folder = qgetenv("INTERCOM_SCREENSHOTS");
  if (folder.isEmpty()) return;
  QTest::qWait(300);
  window->screen()->grabWindow(0).save(
      QDir(QString::fromLocal8Bit(folder))
          .filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

class UnderWindowManager : public WindowTest {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
      GTEST_SKIP() << "needs an X server with a window manager (scripts/run-under-wm.sh)";
    }
    WindowTest::SetUp();
  }

  // Shows the main window and waits until the window manager has framed it.
  void ShowFramed() {
    ShowMainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));
    ASSERT_TRUE(WaitLong([&] { return form1->frameGeometry() != form1->geometry(); }))
        << "the window manager never framed the window";
  }

  QWidget* ClientArea() { return Main<QWidget>("ClientArea"); }
};

TEST_F(UnderWindowManager, MaximiseShowsTheTraceStripAndRestoreBringsBackTheNormalWindow) {
  ShowFramed();
  EXPECT_EQ(form1->frameGeometry().topLeft(), QPoint(195, 215));
  const QPoint normalPlace = form1->geometry().topLeft();
  EXPECT_EQ(ClientArea()->size(), QSize(778, 455));
  for (const char* name : {"Edit12", "Edit13", "BitBtn18", "BitBtn5"}) {
    EXPECT_FALSE(SeenArea(form1.get()).intersects(OnScreen(Main<QWidget>(name)))) << name;
  }
  Screenshot(form1.get(), "normal");

  RunTool(QStringLiteral("wmctrl"),
          {QStringLiteral("-i"), QStringLiteral("-r"), WindowId(form1.get()), QStringLiteral("-b"),
           QStringLiteral("add,maximized_vert,maximized_horz")});
  ASSERT_TRUE(WaitLong([&] { return form1->isMaximized() && ClientArea()->height() >= 533; }))
      << "maximised " << form1->isMaximized() << ", client " << ClientArea()->width() << "x"
      << ClientArea()->height();
  QTest::qWait(100);
  Screenshot(form1.get(), "maximised");
  const QRect seen = SeenArea(form1.get());
  for (const char* name : {"Edit12", "Edit13", "BitBtn18", "BitBtn5"}) {
    QWidget* widget = Main<QWidget>(name);
    EXPECT_TRUE(widget->isVisible()) << name;
    EXPECT_TRUE(seen.contains(OnScreen(widget))) << name;
  }
  // Nothing moved in the client area.
  EXPECT_EQ(Main<QWidget>("PageControl1")->geometry(), QRect(0, 0, 777, 417));
  EXPECT_EQ(Main<QWidget>("Edit13")->geometry(), QRect(16, 512, 505, 21));

  // The trace strip takes input once it is in view.
  panel.Edit12.SetText(" E2 E4");
  QTest::mouseClick(Main<QPushButton>("BitBtn5"), Qt::LeftButton);
  EXPECT_EQ(panel.Edit12.Text(), "");

  RunTool(QStringLiteral("wmctrl"),
          {QStringLiteral("-i"), QStringLiteral("-r"), WindowId(form1.get()), QStringLiteral("-b"),
           QStringLiteral("remove,maximized_vert,maximized_horz")});
  ASSERT_TRUE(WaitLong([&] {
    return !form1->isMaximized() && ClientArea()->size() == QSize(778, 455) &&
           form1->geometry().topLeft() == normalPlace;
  })) << "client "
      << ClientArea()->width() << "x" << ClientArea()->height() << " at " << form1->geometry().x()
      << "," << form1->geometry().y() << ", was at " << normalPlace.x() << "," << normalPlace.y();
}

TEST_F(UnderWindowManager, FrameHasNoResizeHandlesAndOffersMaximise) {
  ShowFramed();
  const QString motif =
      RunTool(QStringLiteral("xprop"),
              {QStringLiteral("-id"), WindowId(form1.get()), QStringLiteral("_MOTIF_WM_HINTS")});
  // Functions: resize (2), move (4), minimise (8), maximise (16), close (32);
  // decorations: border (2), title (8), menu (16), minimise (32), maximise
  // (64), no resize handles (4).
  EXPECT_TRUE(motif.contains(QStringLiteral("= 0x3, 0x3e, 0x7a,"))) << motif.toStdString();
  const QString actions = RunTool(
      QStringLiteral("xprop"),
      {QStringLiteral("-id"), WindowId(form1.get()), QStringLiteral("_NET_WM_ALLOWED_ACTIONS")});
  for (const char* action : {"_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                             "_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_CLOSE"}) {
    EXPECT_TRUE(actions.contains(QString::fromLatin1(action))) << actions.toStdString();
  }
}

// Run with the screen at its natural scale: the window fits and opens where it asks.
TEST_F(UnderWindowManager, AtScaleOneEverythingOpensWhereItAsks) {
  ShowFramed();
  EXPECT_EQ(form1->frameGeometry().topLeft(), QPoint(195, 215));
  EXPECT_EQ(ClientArea()->size(), QSize(778, 455));
  auto* scroll = Main<QScrollArea>("ClientScroll");
  EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
  EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());

  panel.Form2.Form.Show();
  panel.Form3.Form.Show();
  ASSERT_TRUE(WaitLong([&] {
    return form2->frameGeometry() != form2->geometry() &&
           form3->frameGeometry() != form3->geometry();
  }));
  EXPECT_EQ(form2->frameGeometry().topLeft(), QPoint(445, 317));
  EXPECT_EQ(form3->frameGeometry().topLeft(), QPoint(505, 266));
  EXPECT_EQ(form2->size(), QSize(PortDialogLayout().clientWidth, PortDialogLayout().clientHeight));
}

// Run with QT_SCALE_FACTOR=2 on 1366 x 768: the main window cannot fit, the
// dialogs can but not where they ask.
TEST_F(UnderWindowManager, AtScaleTwoTheWindowFillsTheScreenAndItsClientAreaScrolls) {
  ShowFramed();
  QTest::qWait(200);
  Screenshot(form1.get(), "scale2");
  const QRect available = form1->screen()->availableGeometry();
  ASSERT_LT(available.height(), 455) << "run with QT_SCALE_FACTOR=2 on a 1366 x 768 screen";
  // As large as the screen, frame included, counted in the screen's own
  // pixels (Qt's frame in the window's pixels is rounded up to whole ones).
  // Qt asks for sizes in steps of the scale, so a frame of odd height leaves
  // the one pixel that cannot be split.
  const QRect outer = DeviceFrameGeometry(form1.get());
  EXPECT_EQ(outer.topLeft(), QPoint(0, 0));
  EXPECT_EQ(outer.width(), 1366);
  EXPECT_GE(outer.height(), 767);
  EXPECT_LE(outer.height(), 768);

  // The panel picture is drawn for the screen's device pixels, not scaled up.
  const QPixmap picture = Main<QLabel>("Image1")->pixmap();
  EXPECT_EQ(picture.devicePixelRatio(), 2.0);
  EXPECT_EQ(picture.size(), QSize(2 * 769, 2 * 281));

  // Every command button can be scrolled into view and used.
  auto* scroll = Main<QScrollArea>("ClientScroll");
  EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
  EXPECT_TRUE(scroll->horizontalScrollBar()->isVisible());
  for (const char* name : {"BitBtn19", "BitBtn4", "BitBtn2", "BitBtn3"}) {
    QWidget* button = Main<QWidget>(name);
    scroll->ensureWidgetVisible(button, 0, 0);
    // "Выход" reaches one pixel past the client area's right edge.
    EXPECT_TRUE(SeenArea(form1.get()).contains(OnScreen(button) & OnScreen(ClientArea()))) << name;
  }
  panel.Edit13.SetText(" 00");
  scroll->ensureWidgetVisible(Main<QWidget>("BitBtn19"), 0, 0);
  Screenshot(form1.get(), "scale2-scrolled");

  panel.Form2.Form.Show();
  panel.Form3.Form.Show();
  ASSERT_TRUE(WaitLong([&] {
    return form2->frameGeometry() != form2->geometry() &&
           form3->frameGeometry() != form3->geometry();
  }));
  for (QWidget* dialog : {static_cast<QWidget*>(form2.get()), static_cast<QWidget*>(form3.get())}) {
    EXPECT_TRUE(available.contains(dialog->frameGeometry()))
        << dialog->objectName().toStdString() << " at " << dialog->frameGeometry().x() << ","
        << dialog->frameGeometry().y();
  }
  // Moved up, and left, just enough: only the frame estimate's error lies between them.
  EXPECT_EQ(form2->frameGeometry().left(),
            std::min(445, available.right() + 1 - form2->frameGeometry().width()));
  EXPECT_GE(form2->frameGeometry().bottom(), available.bottom() - 4);
}

// The window's X11 property `name` as xprop prints it.
QString Property(QWidget* window, const char* name) {
  return RunTool(QStringLiteral("xprop"),
                 {QStringLiteral("-id"), WindowId(window), QString::fromLatin1(name)});
}

TEST_F(UnderWindowManager, DraggedSizesNeverShrinkTheWindowNorCutTheTraces) {
  ShowFramed();
  const QSize normal = form1->size();
  auto resizeTo = [&](int width, int height) {
    RunTool(QStringLiteral("wmctrl"),
            {QStringLiteral("-i"), QStringLiteral("-r"), WindowId(form1.get()),
             QStringLiteral("-e"), QStringLiteral("0,-1,-1,%1,%2").arg(width).arg(height)});
  };
  resizeTo(300, 200);
  QTest::qWait(300);
  EXPECT_EQ(form1->size(), normal) << form1->width() << "x" << form1->height();

  // A little taller than normal: the trace strip is reached by scrolling, whole.
  resizeTo(normal.width() + 40, normal.height() + 40);
  ASSERT_TRUE(WaitLong([&] { return form1->height() == normal.height() + 40; }));
  auto* scroll = Main<QScrollArea>("ClientScroll");
  ASSERT_TRUE(WaitLong([&] { return scroll->verticalScrollBar()->isVisible(); }));
  QTest::qWait(100);
  scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
  QTest::qWait(50);
  for (const char* name : {"Edit12", "Edit13", "BitBtn18", "BitBtn5"}) {
    const QRect seen = SeenArea(form1.get());
    const QRect at = OnScreen(Main<QWidget>(name));
    EXPECT_TRUE(seen.contains(at))
        << name << " at " << at.x() << "," << at.y() << " " << at.width() << "x" << at.height()
        << " in " << seen.x() << "," << seen.y() << " " << seen.width() << "x" << seen.height();
  }

  // Maximised and restored, the window is back at its normal size.
  RunTool(QStringLiteral("wmctrl"),
          {QStringLiteral("-i"), QStringLiteral("-r"), WindowId(form1.get()), QStringLiteral("-b"),
           QStringLiteral("add,maximized_vert,maximized_horz")});
  EXPECT_TRUE(
      WaitLong([&] { return form1->isMaximized() && !scroll->verticalScrollBar()->isVisible(); }));
  RunTool(QStringLiteral("wmctrl"),
          {QStringLiteral("-i"), QStringLiteral("-r"), WindowId(form1.get()), QStringLiteral("-b"),
           QStringLiteral("remove,maximized_vert,maximized_horz")});
  EXPECT_TRUE(WaitLong([&] { return !form1->isMaximized() && form1->size() == normal; }))
      << form1->width() << "x" << form1->height();
}

TEST_F(UnderWindowManager, TheDialogsBelongToTheMainWindowAndComeBackToTheFront) {
  ShowFramed();
  panel.COM1.Click();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form2.get()));
  EXPECT_TRUE(Property(form2.get(), "WM_TRANSIENT_FOR").contains(WindowId(form1.get())))
      << Property(form2.get(), "WM_TRANSIENT_FOR").toStdString();
  // The frame keeps the buttons of a sizeable window.
  const QString actions = Property(form2.get(), "_NET_WM_ALLOWED_ACTIONS");
  for (const char* action : {"_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_MINIMIZE"}) {
    EXPECT_TRUE(actions.contains(QString::fromLatin1(action))) << actions.toStdString();
  }

  // A click into the main window activates it; the dialog stays in front of it.
  RunTool(QStringLiteral("wmctrl"),
          {QStringLiteral("-i"), QStringLiteral("-a"), WindowId(form1.get())});
  QTest::qWait(300);
  const auto stacking = [&] {
    return RunTool(QStringLiteral("xprop"),
                   {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
  };
  const auto above = [&](QWidget* upper, QWidget* lower) {
    const QString order = stacking();
    const qsizetype up = order.indexOf(WindowId(upper));
    const qsizetype low = order.indexOf(WindowId(lower));
    return up >= 0 && low >= 0 && up > low;
  };
  EXPECT_TRUE(above(form2.get(), form1.get())) << stacking().toStdString();

  // Chosen again from the menu, the dialog is raised and activated, unchanged.
  panel.Form2.ComboBox1.SetText("/dev/ttyS9");
  panel.COM1.Click();
  EXPECT_TRUE(WaitLong([&] { return form2->isActiveWindow(); }));
  EXPECT_EQ(panel.Form2.ComboBox1.Text(), "/dev/ttyS9");
}

}  // namespace
}  // namespace intercom::testing
