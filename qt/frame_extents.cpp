#include "qt/frame_extents.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace intercom {
namespace {

// The X server's connection when `window` is a native X11 window.
xcb_connection_t* X11Connection(const QWidget& window) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || window.windowHandle() == nullptr) return nullptr;
  return x11->connection();
}

}  // namespace

std::optional<QMargins> FrameExtents(const QWidget& window) {
  xcb_connection_t* connection = X11Connection(window);
  if (connection == nullptr) return std::nullopt;
  constexpr char kName[] = "_NET_FRAME_EXTENTS";
  const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(
          connection,
          xcb_intern_atom(connection, 1, static_cast<uint16_t>(std::strlen(kName)), kName),
          nullptr),
      &std::free);
  if (atom == nullptr || atom->atom == XCB_ATOM_NONE) return std::nullopt;
  const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
      xcb_get_property_reply(
          connection,
          xcb_get_property(connection, 0, static_cast<xcb_window_t>(window.winId()), atom->atom,
                           XCB_ATOM_CARDINAL, 0, 4),
          nullptr),
      &std::free);
  if (property == nullptr || property->format != 32 ||
      xcb_get_property_value_length(property.get()) != 16) {
    return std::nullopt;
  }
  // Left, right, top, bottom.
  const auto* sides = static_cast<const uint32_t*>(xcb_get_property_value(property.get()));
  return QMargins(static_cast<int>(sides[0]), static_cast<int>(sides[2]),
                  static_cast<int>(sides[1]), static_cast<int>(sides[3]));
}

void ResizeInDevicePixels(QWidget& window, QSize size) {
  xcb_connection_t* connection = X11Connection(window);
  if (connection == nullptr) return;
  const uint32_t sides[] = {static_cast<uint32_t>(size.width()),
                            static_cast<uint32_t>(size.height())};
  xcb_configure_window(connection, static_cast<xcb_window_t>(window.winId()),
                       XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, sides);
  xcb_flush(connection);
}

}  // namespace intercom
