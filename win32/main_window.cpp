#include "win32/main_window.h"

#include <commctrl.h>

#include <utility>

#include "panel/window_layout.h"
#include "win32/container_window.h"
#include "win32/wide_text.h"

namespace intercom {
namespace {

constexpr wchar_t kClassName[] = L"IntercomMainWindow";
constexpr int kFirstLeft = 195;
constexpr int kFirstTop = 215;
// Sizeable only because window managers (Wine's X11 bridge among them)
// maximise nothing else, and maximising is how the trace strip comes into view.
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

}  // namespace

MainWindow::MainWindow(PanelModel& panel, FontCache& fonts, HBITMAP picture)
    : panel_(panel), views_(panel, fonts), settings_(CreatePopupMenu()) {
  RegisterTargetClass(kClassName, GetSysColorBrush(COLOR_BTNFACE));
  const HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(settings_), L"Настройки");
  const WindowLayout& layout = MainWindowLayout();
  RECT frame{0, 0, layout.clientWidth, layout.clientHeight};
  AdjustWindowRectEx(&frame, kStyle, TRUE, 0);
  window_ = CreateTargetWindow(
      *this, kClassName, L"Настройка конфигурации цифровой связи", kStyle, WS_EX_CONTROLPARENT,
      {kFirstLeft, kFirstTop, frame.right - frame.left, frame.bottom - frame.top}, nullptr, bar);
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Get(11)), FALSE);
  // The menu bar may take more than one line: the client area is what must fit.
  RECT client;
  GetClientRect(window_, &client);
  if (client.bottom != layout.clientHeight) {
    RECT outer;
    GetWindowRect(window_, &outer);
    SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left,
                 outer.bottom - outer.top + layout.clientHeight - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT outer;
  GetWindowRect(window_, &outer);
  normalSize_ = {outer.right - outer.left, outer.bottom - outer.top};
  if (picture != nullptr) views_.SetPicture("Image1", picture);
  views_.Build(layout, window_, *this);
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
  add(panel_.COM1, kPortChoice, L"Выбор COM-порта", false);
  AppendMenuW(settings_, MF_SEPARATOR, 0, nullptr);
  add(panel_.SaveSettings, kSaveSettings, L"Сохранить настройки устройства…", false);
  add(panel_.LoadSettings, kLoadSettings, L"Записать настройки из файла…", false);
  add(panel_.ExchangeLog, kExchangeLog, L"Журнал обмена…", panel_.ExchangeLog.Checked());
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
      if (normalSize_.cx > 0) {
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {normalSize_.cx, normalSize_.cy};
      }
      return 0;
    case WM_SIZE:
      if (wParam == SIZE_MAXIMIZED) {
        maximised_ = true;
      } else if (wParam == SIZE_RESTORED && std::exchange(maximised_, false)) {
        // Restore returns to the normal size, whatever size the window had
        // been dragged to before.
        SetWindowPos(window, nullptr, 0, 0, normalSize_.cx, normalSize_.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
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
