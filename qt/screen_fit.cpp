#include "qt/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>
#include <QWindow>
#include <QtMath>
#include <algorithm>

namespace intercom {
namespace {

// One direction: the start that keeps [start, start + length) inside
// [low, low + room), or the whole room when the length does not fit.
std::pair<int, int> FitSpan(int low, int room, int start, int length) {
  if (length > room) return {low, room};
  return {std::clamp(start, low, low + room - length), length};
}

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
  QMargins frame;
  if (window.windowHandle() != nullptr) frame = window.windowHandle()->frameMargins();
  // Before its own frame exists, another window's frame is the best guess.
  for (QWindow* other : QGuiApplication::topLevelWindows()) {
    if (!frame.isNull()) break;
    if (other->isVisible()) frame = other->frameMargins();
  }
  // Platforms without window frames (offscreen) have none to allow for.
  if (frame.isNull() && QGuiApplication::platformName() == QLatin1String("xcb")) {
    // Window managers draw frames in device pixels, whatever the scale.
    const qreal ratio = screen->devicePixelRatio();
    frame = QMargins(qCeil(frameAllowance.left() / ratio), qCeil(frameAllowance.top() / ratio),
                     qCeil(frameAllowance.right() / ratio), qCeil(frameAllowance.bottom() / ratio));
  }
  const QRect outer(wanted, clientSize.grownBy(frame));
  const QRect placed = FitOnScreen(screen->availableGeometry(), outer);
  window.resize(placed.size().shrunkBy(frame));
  window.move(placed.topLeft());
}

bool WindowsPlacedByUs() {
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace intercom
