// How the desktop knows the window program: its version, the desktop entry it
// belongs to (task bars and Wayland compositors match windows to menu entries
// by it) and its icon. Call after the QApplication exists. Reads no picture:
// the icon's PNGs are decoded when a window first asks for the icon.
#pragma once

namespace intercom {

// The desktop entry's name, without ".desktop"; also the icon's name.
inline constexpr char kDesktopFileName[] = "intercom-config";

void SetApplicationIdentity();

}  // namespace intercom
