// Windows of our own classes hand their messages to a C++ object: the object
// given at creation, kept in the window's user data.
#pragma once

#include <windows.h>

#include "panel/window_layout.h"

namespace intercom {

class MessageTarget {
 public:
  virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

 protected:
  ~MessageTarget() = default;
};

// Registers the class `className` once per process (a second call is a no-op)
// with `background` as its erase brush and `icon` (may be null) as its icon.
void RegisterTargetClass(const wchar_t* className, HBRUSH background, HICON icon = nullptr);

// Creates a window of a class registered above whose messages go to `target`
// from WM_NCCREATE on; `target` must outlive the window. `place` is in the
// parent's client coordinates (for a top-level window, on the screen).
HWND CreateTargetWindow(MessageTarget& target, const wchar_t* className, const wchar_t* title,
                        DWORD style, DWORD exStyle, const LayoutRect& place, HWND parent,
                        HMENU menuOrId);

}  // namespace intercom
