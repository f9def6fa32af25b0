// The three windows of the program over one panel model, and the loop that
// runs them: the model's changes are shown through PanelModel::SetObserver,
// and hiding the main window ends the loop. While an action runs the windows
// show the wait cursor (busy_cursor.h), and the input given to them waits for
// it (held_input.h).
#pragma once

#include <windows.h>

#include "panel/panel_model.h"
#include "win32/dialog_window.h"
#include "win32/font_cache.h"
#include "win32/main_window.h"
#include "win32/panel_picture.h"

namespace intercom {

class Win32Views {
 public:
  // Needs COM initialised on the thread (the picture's decoder) and the
  // common controls' classes registered (InitCommonControlsEx). `panel` must
  // outlive the views; the views observe it until they are destroyed.
  explicit Win32Views(PanelModel& panel);
  Win32Views(const Win32Views&) = delete;
  Win32Views& operator=(const Win32Views&) = delete;
  ~Win32Views();

  MainWindow& Form1() { return form1_; }
  DialogWindow& Form2() { return form2_; }
  DialogWindow& Form3() { return form3_; }

  // Shows the model's present state of every window.
  void RefreshAll();
  // Runs the message loop until the main window is closed; returns the exit code.
  int Run();
  // Whether `message` was keyboard navigation (Tab between controls) of one
  // of the windows, or Enter on a button, which presses nothing, and so
  // already handled.
  bool Navigate(MSG& message);

 private:
  // Follows PanelModel::Busy: the cursor, and before a box or dialog opens,
  // the input that waits.
  void BusyChanged(bool busy);
  // Delivers one message that waited for an action, with the characters its
  // key gives: they come before whatever waited after it.
  void DeliverHeld(MSG& message);

  PanelModel& panel_;
  FontCache fonts_;
  PanelPicture picture_;
  MainWindow form1_;
  DialogWindow form2_;
  DialogWindow form3_;
};

}  // namespace intercom
