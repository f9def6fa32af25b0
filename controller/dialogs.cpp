#include "controller/dialogs.h"

#include "controller/port_choice.h"
#include "controller/startup.h"
#include "controller/window_line.h"
#include "device/device_operations.h"
#include "device/port_diagnosis.h"

namespace intercom {

void PortDialogShow(ProgramContext& context) {
  context.binding.ShowPortName(context.state.PortName);
  ClosePort(context);
  // Judged at every showing, the port closed: the machine may have changed
  // since the last one even when the name has not.
  PortDialogFieldChanged(context);
}

void PortDialogFieldChanged(ProgramContext& context) {
  const std::string name = context.panel.Form2.ComboBox1.Text();
  context.binding.ShowPortVerdict(name.empty() ? std::string()
                                               : WindowDiagnosisVerdict(DiagnosePort(
                                                     GatherPortFacts(name, context.portFacts))));
}

void PortDialogChoose(ProgramContext& context) {
  context.state.PortName = context.panel.Form2.ComboBox1.Text();
  SavePortChoice(context.state, context.portChoicePath);
  const bool opened = OpenPort(context);
  context.pause(100);
  // A reopened tty keeps whatever speed and mode it had; without the device's
  // settings it would talk at the wrong speed or in canonical mode. A port
  // that did not open has nothing to configure: the discovery reports it.
  if (opened) ConfigurePort(context);
  DiscoverDevice(context);
  context.binding.ClosePortDialog();
}

void AddressDialogWrite(ProgramContext& context) {
  const std::optional<int32_t> address = context.binding.DeviceAddressToWrite();
  if (!address) return;
  WriteDeviceAddress(context.Line(), *address, context.binding);
  context.binding.DeviceAddressSent();
  context.binding.CloseAddressDialog();
}

}  // namespace intercom
