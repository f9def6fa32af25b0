#include "panel/window_texts.h"

#include "panel/device_pages.h"
#include "panel/window_layout.h"

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
  const DevicePage* page = FindDevicePage(kind);
  if (page == nullptr) return {};
  // The pages follow their page control in the order of their indexes.
  int index = 0;
  for (const ControlLayout& entry : MainWindowLayout().controls) {
    if (entry.kind != ViewKind::Page) continue;
    if (index++ == page->pageIndex) return entry.caption;
  }
  return {};
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
