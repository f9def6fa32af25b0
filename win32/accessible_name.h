// The name assistive technology reads for a control that has no caption of
// its own. The control answers WM_GETOBJECT for its client object with the
// system's own accessible object for it, unchanged but for the name; the
// name lives as long as the window.
#pragma once

#include <windows.h>

#include <string>

namespace intercom {

void SetAccessibleName(HWND window, std::wstring name);

}  // namespace intercom
