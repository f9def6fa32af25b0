#include "qt/fixed_border.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace intercom {
namespace {

// The Motif window manager hints: flags, functions, decorations, input mode, status.
constexpr uint32_t kHintsFunctions = 1u << 0;
constexpr uint32_t kHintsDecorations = 1u << 1;
constexpr uint32_t kFunctionResize = 1u << 1;
constexpr uint32_t kFunctionMove = 1u << 2;
constexpr uint32_t kFunctionMinimize = 1u << 3;
constexpr uint32_t kFunctionMaximize = 1u << 4;
constexpr uint32_t kFunctionClose = 1u << 5;
constexpr uint32_t kDecorBorder = 1u << 1;
constexpr uint32_t kDecorTitle = 1u << 3;
constexpr uint32_t kDecorMenu = 1u << 4;
constexpr uint32_t kDecorMinimize = 1u << 5;
constexpr uint32_t kDecorMaximize = 1u << 6;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  if (reply == nullptr) return XCB_ATOM_NONE;
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

}  // namespace

void KeepBorderFixed(QWidget& window) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return;
  xcb_connection_t* connection = x11->connection();
  const xcb_atom_t hints = Atom(connection, "_MOTIF_WM_HINTS");
  if (hints == XCB_ATOM_NONE) return;
  // No resize handles on the frame. The resize function stays offered: window
  // managers such as openbox refuse to maximise a window that may not be
  // resized, and the maximised window is how the trace strip is reached.
  const std::array<uint32_t, 5> value = {
      kHintsFunctions | kHintsDecorations,
      kFunctionMove | kFunctionResize | kFunctionMinimize | kFunctionMaximize | kFunctionClose,
      kDecorBorder | kDecorTitle | kDecorMenu | kDecorMinimize | kDecorMaximize, 0, 0};
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()),
                      hints, hints, 32, static_cast<uint32_t>(value.size()), value.data());
  xcb_flush(connection);
}

}  // namespace intercom
