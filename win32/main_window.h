// TForm1 as a native window: the menu "Настройки", and the client area from
// MainWindowLayout(). The client area is the normal size; maximised, the
// window also shows the trace strip below it, and restored it returns to the
// normal size. It is never smaller than that. Form1's hint shows as a tooltip
// over the window and its pages. Closing asks the model (Form1.Close), once
// no handler runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "panel/panel_model.h"
#include "win32/control_views.h"
#include "win32/font_cache.h"
#include "win32/message_target.h"

namespace intercom {

class MainWindow : public MessageTarget {
 public:
  // Made hidden; the model's Form1 shows it. `picture` (may be null) is the
  // subscriber set's front panel, not owned. Everything passed in must
  // outlive the window.
  MainWindow(PanelModel& panel, FontCache& fonts, HBITMAP picture);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  HWND Handle() const { return window_; }
  HMENU Menu() const { return settings_; }
  // The tooltip control that shows Form1's hint.
  HWND HintTip() const { return hint_; }
  const ControlViews& Views() const { return views_; }
  // Shows `control` when this window shows it; false otherwise.
  bool Refresh(const Control& control);

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The menu's command identifiers: clear of IDOK and IDCANCEL, which the
  // dialog navigation sends for Enter and Escape, and of the controls' own.
  static constexpr UINT kPortChoice = 1001;
  static constexpr UINT kSaveSettings = 1002;
  static constexpr UINT kLoadSettings = 1003;
  static constexpr UINT kExchangeLog = 1004;

 private:
  void ShowMenu();
  void ShowHint();
  void MenuCommand(UINT id);

  PanelModel& panel_;
  ControlViews views_;
  HMENU settings_;
  HWND window_;
  HWND hint_ = nullptr;
  std::wstring hintText_;
  std::vector<HWND> hinted_;
  SIZE normalSize_{};
  bool maximised_ = false;
};

}  // namespace intercom
