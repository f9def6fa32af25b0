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

std::string KindCaption(const PanelDescription& panel, int32_t kind) {
  const DevicePage* page = panel.FindPage(kind);
  return page != nullptr ? page->rows.front().caption : std::string();
}

std::string SettingLabel(const PanelDescription& panel, int32_t kind, std::string_view setting) {
  const ControlRef* control = panel.FindSettingControl(kind, setting);
  const ControlLayout* entry =
      control != nullptr ? FindLayout(panel.MainWindow(), ControlName(*control)) : nullptr;
  if (entry == nullptr) return std::string(setting);
  return *entry->accessibleName != '\0' ? entry->accessibleName : entry->caption;
}

std::string ShownValue(const PanelDescription& panel, int32_t kind, std::string_view setting,
                       int32_t value) {
  const ControlRef* control = panel.FindSettingControl(kind, setting);
  if (control != nullptr && control->type == ControlType::CheckBox) {
    return value != 0 ? "да" : "нет";
  }
  return std::to_string(value);
}

std::string DeviceOfKind(const PanelDescription& panel, int32_t kind) {
  return "устройство «" + KindCaption(panel, kind) + "»";
}

}  // namespace intercom
