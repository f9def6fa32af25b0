// The program's icon on its own windows: the icon resource kProgramIconId of
// the program file, the one the shell shows for the file and its shortcut.
#pragma once

#include <windows.h>

namespace intercom {

// The lowest-numbered icon group, which the shell shows for the file.
constexpr WORD kProgramIconId = 1;

// The icon for a window class: the system's shared copy at the large size,
// from which it takes the small one; null without the resource.
HICON ProgramClassIcon();

// A window's own large and small icons (title bar, task bar, Alt+Tab) at its
// density; freed with the object, which must outlive the window.
class ProgramIcons {
 public:
  ProgramIcons() = default;
  ProgramIcons(const ProgramIcons&) = delete;
  ProgramIcons& operator=(const ProgramIcons&) = delete;
  ~ProgramIcons();

  // Gives `window` the icons at its present density. Without the resource
  // the window keeps what it has.
  void Show(HWND window);

 private:
  HICON large_ = nullptr;
  HICON small_ = nullptr;
};

}  // namespace intercom
