#include "win32/dialog_window.h"

#include "win32/busy_cursor.h"
#include "win32/container_window.h"
#include "win32/dpi_scale.h"
#include "win32/program_icon.h"

namespace intercom {
namespace {

constexpr wchar_t kClassName[] = L"IntercomDialog";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

DialogWindow::DialogWindow(PanelModel& panel, Window& form, const WindowLayout& layout,
                           POINT topLeft, FontCache& fonts, HWND owner)
    : panel_(panel), form_(form), layout_(layout), views_(panel, fonts) {
  RegisterTargetClass(kClassName, GetSysColorBrush(COLOR_BTNFACE), ProgramClassIcon());
  const UINT system = SystemDpi();
  RECT frame{0, 0, Scaled(layout.clientWidth, system), Scaled(layout.clientHeight, system)};
  AdjustFrame(frame, kStyle, false, WS_EX_DLGMODALFRAME, system);
  window_ =
      CreateTargetWindow(*this, kClassName, L"", kStyle, WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT,
                         {Scaled(topLeft.x, system), Scaled(topLeft.y, system),
                          frame.right - frame.left, frame.bottom - frame.top},
                         owner, nullptr);
  // The monitor it came up on may be denser or sparser than the system.
  const UINT dpi = WindowDpi(window_);
  icons_.Show(window_);
  FitClient(dpi);
  views_.Build(layout, window_, *this, dpi);
}

void DialogWindow::FitClient(UINT dpi) {
  FitClientArea(window_, Scaled(layout_.clientWidth, dpi), Scaled(layout_.clientHeight, dpi));
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
    case WM_DPICHANGED: {
      const auto& suggested = *reinterpret_cast<const RECT*>(lParam);
      views_.Relayout(HIWORD(wParam));
      SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      FitClient(HIWORD(wParam));
      icons_.Show(window);
      return 0;
    }
    case WM_SETCURSOR:
      if (SetBusyCursor(panel_)) return TRUE;
      break;
    case WM_CLOSE:
      panel_.WhenIdle([this] { form_.Close(); });
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace intercom
