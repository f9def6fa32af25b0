#include "win32/dialog_window.h"

#include "win32/container_window.h"

namespace intercom {
namespace {

constexpr wchar_t kClassName[] = L"IntercomDialog";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

DialogWindow::DialogWindow(PanelModel& panel, Window& form, const WindowLayout& layout,
                           POINT topLeft, FontCache& fonts, HWND owner)
    : panel_(panel), form_(form), views_(panel, fonts) {
  RegisterTargetClass(kClassName, GetSysColorBrush(COLOR_BTNFACE));
  RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&frame, kStyle, FALSE, WS_EX_DLGMODALFRAME);
  window_ = CreateTargetWindow(
      *this, kClassName, L"", kStyle, WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT,
      {topLeft.x, topLeft.y, frame.right - frame.left, frame.bottom - frame.top}, owner, nullptr);
  views_.Build(layout, window_, *this);
}

DialogWindow::~DialogWindow() {
  DestroyWindow(window_);
}

bool DialogWindow::Refresh(const Control& control) {
  if (&control == &form_) {
    if (!form_.Visible()) {
      ShowWindow(window_, SW_HIDE);
    } else {
      ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
      SetForegroundWindow(window_);
    }
    return true;
  }
  return views_.Refresh(control);
}

LRESULT DialogWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_NOTIFY:
      views_.Notify(message, wParam, lParam);
      return 0;
    case WM_DRAWITEM:
      if (views_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ButtonFaceBackground(wParam);
    case WM_CLOSE:
      panel_.WhenIdle([this] { form_.Close(); });
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace intercom
