// Keeping a window on its screen: a window that fits the screen's available
// area opens where it asked to, moved just enough to lie wholly inside; one
// that cannot fit opens at the area's top left corner, as large as the area,
// and its client area scrolls (see ScrollingClientArea).
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QScrollArea;
class QWidget;

namespace intercom {

// Where a window goes. `outer` is the asked-for outer rectangle (frame
// included); the result is the outer rectangle to use. Where the window cannot
// fit in one direction, it takes the area's whole extent in that direction.
QRect FitOnScreen(const QRect& available, const QRect& outer);

// A scroll area without a frame for `window`'s client area, holding `client`,
// which never gets smaller than `minimum` and otherwise fills the viewport.
// Scroll bars appear only while the window is smaller than the client area.
QScrollArea* ScrollingClientArea(QWidget* window, QWidget* client, QSize minimum);

// Places the top-level `window`, whose client area (the widget's own size) is
// `clientSize` and whose outer top left corner is asked at `wanted`, on the
// screen that holds `wanted` as FitOnScreen says. Call before the window is
// first shown, so that the window manager puts the frame's corner there.
// Before a window manager has framed the window the platform reports no
// frame; the frame of another shown window, or else `frameAllowance` (in
// device pixels), stands in for it. A window placed on the allowance is
// placed once more, the same way, when the window manager has framed it and
// its frame is not the one allowed for (unless it is maximised by then).
void PlaceOnScreen(QWidget& window, QPoint wanted, QSize clientSize,
                   QMargins frameAllowance = QMargins(4, 24, 4, 4));

// False where the compositor places every window and a program cannot move
// its own (Wayland): there windows and boxes are left where they are put.
bool WindowsPlacedByUs();

}  // namespace intercom
