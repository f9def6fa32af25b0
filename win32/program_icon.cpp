#include "win32/program_icon.h"

#include <utility>

#include "win32/dpi_scale.h"

namespace intercom {
namespace {

HICON LoadProgramIcon(int size) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconId),
                                       IMAGE_ICON, size, size, 0));
}

}  // namespace

HICON ProgramClassIcon() {
  return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconId));
}

ProgramIcons::~ProgramIcons() {
  if (large_ != nullptr) DestroyIcon(large_);
  if (small_ != nullptr) DestroyIcon(small_);
}

void ProgramIcons::Show(HWND window) {
  const UINT dpi = WindowDpi(window);
  const HICON largeIcon = LoadProgramIcon(Scaled(32, dpi));
  const HICON smallIcon = LoadProgramIcon(Scaled(16, dpi));
  if (largeIcon == nullptr || smallIcon == nullptr) {
    if (largeIcon != nullptr) DestroyIcon(largeIcon);
    if (smallIcon != nullptr) DestroyIcon(smallIcon);
    return;
  }
  // A frame like the dialogs' draws no class icon in its caption, only the
  // window's own.
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
  // The window no longer shows the icons of the density before.
  if (const HICON old = std::exchange(large_, largeIcon)) DestroyIcon(old);
  if (const HICON old = std::exchange(small_, smallIcon)) DestroyIcon(old);
}

}  // namespace intercom
