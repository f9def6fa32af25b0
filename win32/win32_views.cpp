#include "win32/win32_views.h"

#include "panel/window_layout.h"
#include "win32/busy_cursor.h"
#include "win32/held_input.h"
#include "win32/panel_picture.h"

namespace intercom {

Win32Views::Win32Views(PanelModel& panel)
    : panel_(panel),
      picture_(),
      form1_(panel, fonts_, picture_),
      form2_(panel, panel.Form2.Form, PortDialogLayout(), {445, 317}, fonts_, form1_.Handle()),
      form3_(panel, panel.Form3.Form, AddressDialogLayout(), {505, 266}, fonts_, form1_.Handle()) {
  panel_.SetObserver([this](const Control& control) {
    if (form1_.Refresh(control)) {
      if (&control == &panel_.Form1 && !control.Visible()) PostQuitMessage(0);
      return;
    }
    if (!form2_.Refresh(control)) form3_.Refresh(control);
  });
  panel_.SetBusyObserver([this](bool busy) { BusyChanged(busy); });
}

Win32Views::~Win32Views() {
  panel_.SetBusyObserver(nullptr);
  panel_.SetObserver(nullptr);
}

void Win32Views::BusyChanged(bool busy) {
  RefreshCursor(panel_);
  if (busy || !panel_.AskingUser()) return;
  HoldWaitingInput(panel_, [this](MSG& message) { DeliverHeld(message); });
}

void Win32Views::DeliverHeld(MSG& message) {
  if (!IsWindow(message.hwnd)) return;
  // What the window takes now: a control disabled by the action, or inside
  // a disabled group, page or window, takes no input, as it would not had the
  // input not waited.
  const HWND root = GetAncestor(message.hwnd, GA_ROOT);
  for (HWND window = message.hwnd; window != nullptr;
       window = window == root ? nullptr : GetAncestor(window, GA_PARENT)) {
    if (!IsWindowEnabled(window)) return;
  }
  if (!Navigate(message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  MSG character;
  while (PeekMessageW(&character, nullptr, WM_CHAR, WM_DEADCHAR, PM_REMOVE | PM_QS_POSTMESSAGE) ||
         PeekMessageW(&character, nullptr, WM_SYSCHAR, WM_SYSDEADCHAR,
                      PM_REMOVE | PM_QS_POSTMESSAGE)) {
    if (!Navigate(character)) DispatchMessageW(&character);
  }
}

void Win32Views::RefreshAll() {
  form1_.Refresh(panel_.Form1);
  form2_.Refresh(panel_.Form2.Form);
  form3_.Refresh(panel_.Form3.Form);
}

bool Win32Views::Navigate(MSG& message) {
  const HWND root = GetAncestor(message.hwnd, GA_ROOT);
  if (root != form1_.Handle() && root != form2_.Handle() && root != form3_.Handle()) return false;
  // The dialog navigation presses a focused push button on Enter; no window
  // here has a default button, so Enter presses none (Space still does).
  if ((message.message == WM_KEYDOWN || message.message == WM_CHAR) &&
      message.wParam == VK_RETURN &&
      (SendMessageW(message.hwnd, WM_GETDLGCODE, message.wParam,
                    reinterpret_cast<LPARAM>(&message)) &
       (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
    return true;
  }
  return IsDialogMessageW(root, &message) != FALSE;
}

int Win32Views::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (Navigate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace intercom
