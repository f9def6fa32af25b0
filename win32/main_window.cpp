#include "win32/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <utility>

#include "panel/window_layout.h"
#include "panel/window_texts.h"
#include "serial/wide_text.h"
#include "win32/busy_cursor.h"
#include "win32/container_window.h"
#include "win32/dpi_scale.h"
#include "win32/program_icon.h"

namespace intercom {
namespace {

constexpr wchar_t kClassName[] = L"IntercomMainWindow";
constexpr int kFirstLeft = 195;
constexpr int kFirstTop = 215;
// Sizeable only because window managers (Wine's X11 bridge among them)
// maximise nothing else, and maximising is how the trace strip comes into view.
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

}  // namespace

MainWindow::MainWindow(PanelModel& panel, FontCache& fonts, PanelPicture& picture)
    : panel_(panel),
      fonts_(fonts),
      views_(panel, fonts),
      dpi_(SystemDpi()),
      settings_(CreatePopupMenu()) {
  RegisterTargetClass(kClassName, GetSysColorBrush(COLOR_BTNFACE), ProgramClassIcon());
  const HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(settings_),
              Wide(kSettingsMenu).c_str());
  const WindowLayout& layout = panel_.Description().MainWindow();
  RECT frame{0, 0, Scaled(layout.clientWidth, dpi_), Scaled(layout.clientHeight, dpi_)};
  AdjustFrame(frame, kStyle, true, 0, dpi_);
  window_ =
      CreateTargetWindow(*this, kClassName, Wide(kWindowTitle).c_str(), kStyle, WS_EX_CONTROLPARENT,
                         {Scaled(kFirstLeft, dpi_), Scaled(kFirstTop, dpi_),
                          frame.right - frame.left, frame.bottom - frame.top},
                         nullptr, bar);
  // The monitor it came up on may be denser or sparser than the system.
  dpi_ = WindowDpi(window_);
  icons_.Show(window_);
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Get(Scaled(11, dpi_))), FALSE);
  FitNormalSize();
  views_.SetPicture("Image1", picture);
  views_.Build(layout, window_, *this, dpi_);
  ShowMenu();

  // The hint is wanted wherever the pointer rests; the controls cover most of
  // the window, so the tool is the window itself and every page.
  hint_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, GetModuleHandleW(nullptr),
                          nullptr);
  hinted_.push_back(window_);
  for (const ControlLayout& entry : layout.controls) {
    if (entry.kind == ViewKind::Page) hinted_.push_back(views_.Find(entry.name));
  }
  for (const HWND tool : hinted_) {
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = window_;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = hintText_.data();
    SendMessageW(hint_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
  ShowHint();
}

void MainWindow::ShowHint() {
  hintText_ = Wide(panel_.Form1.Hint());
  for (const HWND tool : hinted_) {
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = window_;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = hintText_.data();
    SendMessageW(hint_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
  }
  SendMessageW(hint_, TTM_ACTIVATE, !hintText_.empty(), 0);
}

void MainWindow::FitNormalSize() {
  const WindowLayout& layout = panel_.Description().MainWindow();
  fitting_ = true;
  FitClientArea(window_, Scaled(layout.clientWidth, dpi_), Scaled(layout.clientHeight, dpi_));
  fitting_ = false;
  RECT outer;
  GetWindowRect(window_, &outer);
  normalSize_ = {outer.right - outer.left, outer.bottom - outer.top};
}

void MainWindow::ChangeDpi(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Get(Scaled(11, dpi_))), FALSE);
  views_.Relayout(dpi_);
  icons_.Show(window_);
  if (IsZoomed(window_)) {
    // Maximised it keeps the monitor's work area; the normal size waits for
    // the restore.
    const WindowLayout& layout = panel_.Description().MainWindow();
    RECT frame{0, 0, Scaled(layout.clientWidth, dpi_), Scaled(layout.clientHeight, dpi_)};
    AdjustFrame(frame, kStyle, true, 0, dpi_);
    normalSize_ = {frame.right - frame.left, frame.bottom - frame.top};
    return;
  }
  // Neither the old minimum nor the screen holds the window at another size.
  fitting_ = true;
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  FitNormalSize();
}

MainWindow::~MainWindow() {
  DestroyWindow(window_);
}

bool MainWindow::Refresh(const Control& control) {
  if (&control == &panel_.Form1) {
    ShowHint();
    if (!panel_.Form1.Visible()) {
      ShowWindow(window_, SW_HIDE);
    } else {
      // Also when already visible: the window may lie hidden behind another.
      ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
      SetForegroundWindow(window_);
    }
    return true;
  }
  if (&control == &panel_.COM1 || &control == &panel_.SaveSettings ||
      &control == &panel_.LoadSettings || &control == &panel_.ExchangeLog) {
    ShowMenu();
    return true;
  }
  return views_.Refresh(control);
}

void MainWindow::ShowMenu() {
  while (GetMenuItemCount(settings_) > 0) DeleteMenu(settings_, 0, MF_BYPOSITION);
  const auto add = [this](const Control& control, UINT id, const wchar_t* caption, bool checked) {
    if (!control.Visible()) return;
    AppendMenuW(settings_,
                MF_STRING | (control.Enabled() ? MF_ENABLED : MF_GRAYED) |
                    (checked ? MF_CHECKED : MF_UNCHECKED),
                id, caption);
  };
  add(panel_.COM1, kPortChoice, Wide(kPortChoiceEntry).c_str(), false);
  AppendMenuW(settings_, MF_SEPARATOR, 0, nullptr);
  add(panel_.SaveSettings, kSaveSettings, Wide(kSaveSettingsEntry).c_str(), false);
  add(panel_.LoadSettings, kLoadSettings, Wide(kLoadSettingsEntry).c_str(), false);
  add(panel_.ExchangeLog, kExchangeLog, Wide(kExchangeLogEntry).c_str(),
      panel_.ExchangeLog.Checked());
  DrawMenuBar(window_);
}

void MainWindow::MenuCommand(UINT id) {
  panel_.WhenIdle([this, id] {
    switch (id) {
      case kPortChoice:
        if (panel_.COM1.Enabled()) panel_.COM1.Click();
        break;
      case kSaveSettings:
        if (panel_.SaveSettings.Enabled()) panel_.SaveSettings.Click();
        break;
      case kLoadSettings:
        if (panel_.LoadSettings.Enabled()) panel_.LoadSettings.Click();
        break;
      case kExchangeLog:
        if (panel_.ExchangeLog.Enabled()) panel_.ExchangeLog.Click();
        ShowMenu();
        break;
      default:
        break;
    }
  });
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // A menu's command comes without a control window.
      if (lParam == 0 && HIWORD(wParam) == 0) {
        MenuCommand(LOWORD(wParam));
        return 0;
      }
      views_.Notify(message, wParam, lParam);
      return 0;
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
    case WM_GETMINMAXINFO:
      if (fitting_) {
        // The size the density asks for, whatever the screen's.
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMaxTrackSize = {SHRT_MAX, SHRT_MAX};
      } else if (normalSize_.cx > 0) {
        auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
        limits.ptMinTrackSize = {normalSize_.cx, normalSize_.cy};
        // Nor held below it by a screen too small for it at its density.
        limits.ptMaxTrackSize.x = std::max(limits.ptMaxTrackSize.x, normalSize_.cx);
        limits.ptMaxTrackSize.y = std::max(limits.ptMaxTrackSize.y, normalSize_.cy);
      }
      return 0;
    case WM_DPICHANGED:
      ChangeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_SIZE:
      if (wParam == SIZE_MAXIMIZED) {
        maximised_ = true;
      } else if (wParam == SIZE_RESTORED && std::exchange(maximised_, false)) {
        // Restore returns to the normal size, whatever size the window had
        // been dragged to before.
        SetWindowPos(window, nullptr, 0, 0, normalSize_.cx, normalSize_.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        // Measured again: the density may have changed while maximised.
        FitNormalSize();
      }
      return 0;
    case WM_SETCURSOR:
      if (SetBusyCursor(panel_)) return TRUE;
      break;
    case WM_CLOSE:
      // Not in the middle of an action (between two requests of a write):
      // the window closes once the action is over.
      panel_.WhenIdle([this] {
        if (panel_.Form1.Visible()) panel_.Form1.Close();
      });
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace intercom
