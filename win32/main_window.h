// TForm1 as a native window: the menu "Настройки", and the client area from
// the panel's description. The client area is the normal size; maximised, the
// window also shows the trace strip below it, and restored it returns to the
// normal size. It is never smaller than that. Everything is scaled to the
// density of the monitor the window is on, and laid out again when it moves
// to a monitor of another density. Form1's hint shows as a tooltip
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
#include "win32/panel_picture.h"
#include "win32/program_icon.h"

namespace intercom {

class MainWindow : public MessageTarget {
 public:
  // Made hidden; the model's Form1 shows it. `picture` is the subscriber
  // set's front panel. Everything passed in must outlive the window.
  MainWindow(PanelModel& panel, FontCache& fonts, PanelPicture& picture);
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
  // The client area at the table's size at `dpi_`, which the normal size becomes.
  void FitNormalSize();
  void ChangeDpi(UINT dpi, const RECT& suggested);

  PanelModel& panel_;
  FontCache& fonts_;
  ControlViews views_;
  UINT dpi_;
  HMENU settings_;
  // Freed after the window, which shows them.
  ProgramIcons icons_;
  HWND window_;
  HWND hint_ = nullptr;
  std::wstring hintText_;
  std::vector<HWND> hinted_;
  SIZE normalSize_{};
  bool maximised_ = false;
  // Set while the window takes the size of its density: no limit holds it.
  bool fitting_ = false;
};

}  // namespace intercom
