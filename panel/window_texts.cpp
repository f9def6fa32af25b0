#include "panel/window_texts.h"

#include "panel/panel_description.h"

namespace intercom {
namespace {

std::string ControlName(const ControlRef& control) {
  switch (control.type) {
    case ControlType::Edit:
      return "Edit" + std::to_string(control.number);
    case ControlType::TrackBar:
      return "TrackBar" + std::to_string(control.number);
    case ControlType::CheckBox:
      return "CheckBox" + std::to_string(control.number);
  }
  return {};
}

}  // namespace

std::string KindCaption(int32_t kind) {
  const DevicePage* page = StandardPanel().FindPage(kind);
  return page != nullptr ? page->rows.front().caption : std::string();
}

std::string SettingLabel(int32_t kind, std::string_view setting) {
  const ControlRef* control = FindSettingControl(kind, setting);
  const ControlLayout* entry =
      control != nullptr ? FindLayout(MainWindowLayout(), ControlName(*control)) : nullptr;
  if (entry == nullptr) return std::string(setting);
  return *entry->accessibleName != '\0' ? entry->accessibleName : entry->caption;
}

std::string ShownValue(int32_t kind, std::string_view setting, int32_t value) {
  const ControlRef* control = FindSettingControl(kind, setting);
  if (control != nullptr && control->type == ControlType::CheckBox) {
    return value != 0 ? "да" : "нет";
  }
  return std::to_string(value);
}

std::string DeviceOfKind(int32_t kind) {
  return "устройство «" + KindCaption(kind) + "»";
}

}  // namespace intercom
