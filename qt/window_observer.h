// Routes the panel model's change notices to the three windows.
#pragma once

#include <functional>

#include "qt/address_dialog.h"
#include "qt/main_window.h"
#include "qt/port_dialog.h"

namespace intercom {

// Makes the windows follow every change of `panel`, and holds user input that
// arrives while a handler runs until it has returned (HeldInput, owned by
// `form1`). `mainWindowClosed` runs
// after the main window was hidden because the model closed it (the program
// ends there). The windows must outlive the panel's notices; ForgetWindows
// ends them.
void ObservePanel(PanelModel& panel, TForm1& form1, TForm2& form2, TForm3& form3,
                  std::function<void()> mainWindowClosed);
void ForgetWindows(PanelModel& panel);

}  // namespace intercom
