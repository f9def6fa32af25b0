#include "controller/dialogs.h"

#include "controller/port_choice.h"
#include "controller/startup.h"
#include "controller/window_line.h"
#include "device/device_operations.h"

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
  const std::optional<int32_t> address = session.binding.DeviceAddressToWrite();
  if (!address) return;
  WriteDeviceAddress(session.Line(), *address, session.binding);
  session.binding.DeviceAddressSent();
  session.panel.Form3.Form.Close();
}

}  // namespace intercom
