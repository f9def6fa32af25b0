#include "qt/screen_fit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>
#include <QWindow>
#include <QtMath>
#include <algorithm>
#include <optional>

#include "qt/frame_extents.h"

namespace intercom {
namespace {

// One direction: the start that keeps [start, start + length) inside
// [low, low + room), or the whole room when the length does not fit.
std::pair<int, int> FitSpan(int low, int room, int start, int length) {
  if (length > room) return {low, room};
  return {std::clamp(start, low, low + room - length), length};
}

// The outer rectangle FitOnScreen gives a window with `frame` (in the window's
// own pixels) around a client area of `clientSize`. At a scale the window
// manager's frame can take a fraction of a pixel, which is counted whole.
QRect Placement(const QScreen& screen, QPoint wanted, QSize clientSize, QMarginsF frame) {
  const QSize frameSize(qCeil(frame.left() + frame.right()), qCeil(frame.top() + frame.bottom()));
  return FitOnScreen(screen.availableGeometry(), QRect(wanted, clientSize + frameSize));
}

// The client size that `frame` leaves of `outer`, in whole pixels.
QSize ClientSize(QRect outer, QMarginsF frame) {
  return QSize(outer.width() - qCeil(frame.left() + frame.right()),
               outer.height() - qCeil(frame.top() + frame.bottom()));
}

// Watches a window placed with a guessed frame until its window manager has
// framed it, then places it again with that frame, once, and goes.
class PlacedAgainWhenFramed : public QObject {
 public:
  PlacedAgainWhenFramed(QWidget& window, QScreen* screen, QPoint wanted, QSize clientSize,
                        QMarginsF guess, QPoint placedAt)
      : QObject(&window),
        window_(window),
        screen_(screen),
        wanted_(wanted),
        clientSize_(clientSize),
        guess_(guess),
        placedAt_(placedAt) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Move && event->type() != QEvent::Resize) return false;
    const std::optional<QMargins> drawn = FrameExtents(window_);
    if (!drawn || drawn->isNull() || screen_ == nullptr) return false;
    window_.removeEventFilter(this);
    deleteLater();
    const qreal ratio = screen_->devicePixelRatio();
    const QMarginsF frame = QMarginsF(*drawn) / ratio;
    if (frame == guess_ || window_.isMaximized() || window_.isFullScreen()) return false;
    const QRect outer = Placement(*screen_, wanted_, clientSize_, frame);
    // In device pixels the frame fits the area exactly, whatever the scale.
    const QRect deviceOuter(outer.topLeft() * ratio, outer.size() * ratio);
    ResizeInDevicePixels(window_, deviceOuter.size().shrunkBy(*drawn));
    // Moved only when the corner changes: the window manager put the frame's
    // corner where it was asked, whereas a move now would place the client
    // area by the frame rounded to whole pixels, a fraction off.
    if (outer.topLeft() != placedAt_) window_.move(outer.topLeft());
    return false;
  }

 private:
  QWidget& window_;
  QPointer<QScreen> screen_;
  QPoint wanted_;
  QSize clientSize_;
  QMarginsF guess_;
  QPoint placedAt_;
};

}  // namespace

QRect FitOnScreen(const QRect& available, const QRect& outer) {
  const auto [left, width] =
      FitSpan(available.left(), available.width(), outer.left(), outer.width());
  const auto [top, height] =
      FitSpan(available.top(), available.height(), outer.top(), outer.height());
  return QRect(left, top, width, height);
}

QScrollArea* ScrollingClientArea(QWidget* window, QWidget* client, QSize minimum) {
  auto* scroll = new QScrollArea(window);
  scroll->setObjectName(QStringLiteral("ClientScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  // The client area keeps the window's background rather than the viewport's.
  scroll->setBackgroundRole(QPalette::Window);
  client->setMinimumSize(minimum);
  scroll->setWidget(client);
  return scroll;
}

void PlaceOnScreen(QWidget& window, QPoint wanted, QSize clientSize, QMargins frameAllowance) {
  QScreen* screen = QGuiApplication::screenAt(wanted);
  if (screen == nullptr) screen = window.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QMarginsF frame;
  if (window.windowHandle() != nullptr) frame = QMarginsF(window.windowHandle()->frameMargins());
  // Before its own frame exists, another window's frame is the best guess.
  for (QWindow* other : QGuiApplication::topLevelWindows()) {
    if (!frame.isNull()) break;
    if (other->isVisible()) frame = QMarginsF(other->frameMargins());
  }
  // Platforms without window frames (offscreen) have none to allow for.
  const bool guessed = frame.isNull() && QGuiApplication::platformName() == QLatin1String("xcb");
  if (guessed) {
    // Window managers draw frames in device pixels, whatever the scale.
    frame = QMarginsF(frameAllowance) / screen->devicePixelRatio();
  }
  const QRect outer = Placement(*screen, wanted, clientSize, frame);
  window.resize(ClientSize(outer, frame));
  window.move(outer.topLeft());
  // A guess is only a guess: the frame the window manager really draws
  // places the window once more.
  if (guessed) {
    new PlacedAgainWhenFramed(window, screen, wanted, clientSize, frame, outer.topLeft());
  }
}

bool WindowsPlacedByUs() {
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace intercom
