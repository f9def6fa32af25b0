#include "qt/window_observer.h"

#include "qt/held_input.h"

namespace intercom {

void ObservePanel(PanelModel& panel, TForm1& form1, TForm2& form2, TForm3& form3,
                  std::function<void()> mainWindowClosed) {
  panel.SetObserver([&panel, &form1, &form2, &form3,
                     closed = std::move(mainWindowClosed)](const Control& control) {
    if (form1.Refresh(control)) {
      if (&control == &panel.Form1 && !control.Visible() && closed) closed();
      return;
    }
    if (!form2.Refresh(control)) form3.Refresh(control);
  });
  // Lives as long as the main window.
  new HeldInput(panel, &form1);
}

void ForgetWindows(PanelModel& panel) {
  panel.SetObserver(nullptr);
}

}  // namespace intercom
