#include "controller/settings_commands.h"

#include "controller/startup.h"
#include "device/device_operations.h"

namespace intercom {

void BitBtn4Click(ProgramContext& context) {
  ReadAddresses(context.Line(), context.binding);
}

std::optional<WriteReport> BitBtn2Click(ProgramContext& context) {
  const KindEntry* kind = context.catalogue.Find(context.state.Device());
  if (kind == nullptr) return std::nullopt;
  const std::optional<DeviceSettings> values = context.binding.SettingsToWrite(*kind);
  if (!values) return std::nullopt;
  // Every field goes out whatever the device holds, and nothing is read back.
  std::vector<SettingChange> changes;
  for (const SettingValue& v : values->values)
    changes.push_back({v.setting, std::nullopt, v.value});
  WriteReport report;
  JudgeWrite(changes,
             RequestsSent(WriteSettings(context.Line(), *values, context.binding), *values), false,
             nullptr, report);
  return report;
}

void BitBtn18Click(ProgramContext& context) {
  Test(context.Line(), context.binding);
}

void BitBtn19Click(ProgramContext& context) {
  DiscoverDevice(context);
}

void BitBtn3Click(ProgramContext& context) {
  context.binding.CloseMainWindow();
}

void BitBtn5Click(ProgramContext& context) {
  context.binding.ClearTrace();
}

void CheckBox1Click(ProgramContext& context) {
  WriteStudioMode(context.Line(), context.binding.StudioChecked(), context.binding);
}

void COM1Click(ProgramContext& context) {
  context.binding.ShowPortDialog();
}

void BitBtn1Click(ProgramContext& context) {
  context.binding.ShowAddressDialog();
}

}  // namespace intercom
