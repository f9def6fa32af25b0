// TForm2 (port choice) and TForm3 (device address) as native windows owned by
// the main window: the client area from the dialog's table, no title, at the
// density of the monitor it is on. The model's Window shows and hides them;
// the close button asks the model.
#pragma once

#include <windows.h>

#include "panel/panel_model.h"
#include "panel/window_layout.h"
#include "win32/control_views.h"
#include "win32/font_cache.h"
#include "win32/message_target.h"
#include "win32/program_icon.h"

namespace intercom {

class DialogWindow : public MessageTarget {
 public:
  // Made hidden at `topLeft` on the screen (in table pixels: scaled to the
  // system's density). Everything passed in must outlive the window.
  DialogWindow(PanelModel& panel, Window& form, const WindowLayout& layout, POINT topLeft,
               FontCache& fonts, HWND owner);
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;
  ~DialogWindow();

  HWND Handle() const { return window_; }
  const ControlViews& Views() const { return views_; }
  bool Refresh(const Control& control);

  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The client area at the table's size at `dpi`.
  void FitClient(UINT dpi);

  PanelModel& panel_;
  Window& form_;
  const WindowLayout& layout_;
  ControlViews views_;
  // Freed after the window, which shows them.
  ProgramIcons icons_;
  HWND window_;
};

}  // namespace intercom
