#include "controller/settings_commands.h"

#include "controller/startup.h"
#include "device/device_operations.h"

namespace intercom {

void BitBtn4Click(ProgramContext& session) {
  ReadAddresses(session.Line(), session.binding);
}

void BitBtn2Click(ProgramContext& session) {
  const KindEntry* kind = session.catalogue.Find(session.state.Device());
  if (kind == nullptr) return;
  const std::optional<DeviceSettings> values = session.binding.SettingsToWrite(*kind);
  if (values) WriteSettings(session.Line(), *values, session.binding);
}

void BitBtn18Click(ProgramContext& session) {
  Test(session.Line(), session.binding);
}

void BitBtn19Click(ProgramContext& session) {
  DiscoverDevice(session);
}

void BitBtn3Click(ProgramContext& session) {
  session.panel.Form1.Close();
}

void BitBtn5Click(ProgramContext& session) {
  session.panel.Edit12.SetText("");
  session.panel.Edit13.SetText("");
}

void CheckBox1Click(ProgramContext& session) {
  WriteStudioMode(session.Line(), session.binding.StudioChecked(), session.binding);
}

void COM1Click(ProgramContext& session) {
  session.panel.Form2.Form.Show();
}

void BitBtn1Click(ProgramContext& session) {
  session.panel.Form3.Form.Show();
}

}  // namespace intercom
