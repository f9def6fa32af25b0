#include "win32/busy_cursor.h"

namespace intercom {

bool SetBusyCursor(const PanelModel& panel) {
  if (!panel.Busy()) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

void RefreshCursor(const PanelModel& panel) {
  POINT point;
  if (!GetCursorPos(&point)) return;
  const HWND under = WindowFromPoint(point);
  if (under == nullptr || GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId()) return;
  if (SetBusyCursor(panel)) return;
  // The question the system asks when the pointer moves, so that each
  // control (an edit's I-beam) answers as it would then.
  const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
  SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
               MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

}  // namespace intercom
