#include "workflow/dialogs.h"

#include "panel/field_integer.h"
#include "workflow/device_operations.h"
#include "workflow/port_choice.h"
#include "workflow/port_link.h"
#include "workflow/startup.h"

namespace intercom {

void PortDialogShow(ProgramContext& session) {
  session.panel.Form2.ComboBox1.SetText(session.state.PortName);
  ClosePort(session);
}

void PortDialogChoose(ProgramContext& session) {
  session.state.PortName = session.panel.Form2.ComboBox1.Text();
  SavePortChoice(session.state, session.portChoicePath);
  const bool opened = OpenPort(session);
  session.pause(100);
  // A reopened tty keeps whatever speed and mode it had; without the device's
  // settings it would talk at the wrong speed or in canonical mode. A port
  // that did not open has nothing to configure: the discovery reports it.
  if (opened) ConfigurePort(session);
  DiscoverDevice(session);
  session.panel.Form2.Form.Close();
}

void AddressDialogWrite(ProgramContext& session) {
  PanelModel& panel = session.panel;
  const int32_t address = ParseFieldInteger(panel.Form3.Edit1.Text());
  if (address < 1 || address > 32) {
    panel.ShowNotice("Адрес устройства должен быть не менее 1 и не бюолее 32");
    return;
  }
  WriteDeviceAddress(session.Line(), address, session.binding);
  panel.Edit11.SetText(panel.Form3.Edit1.Text());
  panel.Form3.Form.Close();
}

}  // namespace intercom
