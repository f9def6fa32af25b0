// The frame a window manager drew around a top-level window, and the size
// inside it, in the window manager's own units: device pixels, whatever the
// scale.
#pragma once

#include <QMargins>
#include <QSize>
#include <optional>

class QWidget;

namespace intercom {

// The frame around `window` as the window manager states it (X11:
// _NET_FRAME_EXTENTS); nullopt on other platforms and before the window
// manager has framed the window.
std::optional<QMargins> FrameExtents(const QWidget& window);

// Asks the window manager to make the client area of the framed `window`
// `size` device pixels, its frame's corner staying where it is (X11: a
// configure request). Qt sizes windows in their own pixels and places them
// again with each size, so at a scale it cannot give an odd number of device
// pixels and moves a client area of odd device coordinates. Nothing happens
// on other platforms.
void ResizeInDevicePixels(QWidget& window, QSize size);

}  // namespace intercom
