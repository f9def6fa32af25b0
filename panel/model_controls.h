// Finds the panel model's control behind a name of the window tables.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "panel/panel_model.h"

namespace intercom {

// The number after `prefix` in `name` ("Edit14" after "Edit" is 14); 0 when
// `name` is not `prefix` followed by digits.
int NumberAfter(std::string_view name, std::string_view prefix);

// "Edit14" is panel.Edit14, "Form2.ComboBox1" is panel.Form2.ComboBox1, and so
// on; null for a name the model has no state for (pages, pictures, most labels).
Control* ModelControl(PanelModel& panel, std::string_view name);

// The same for a control the views need of type T: throws std::out_of_range
// when the model has none of that name and type.
template <typename T>
T& ModelControlOf(PanelModel& panel, std::string_view name) {
  auto* control = dynamic_cast<T*>(ModelControl(panel, name));
  if (control == nullptr) throw std::out_of_range("the panel has no " + std::string(name));
  return *control;
}

}  // namespace intercom
