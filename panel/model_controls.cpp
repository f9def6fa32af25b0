#include "panel/model_controls.h"

#include <charconv>

namespace intercom {

int NumberAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return 0;
  int number = 0;
  const auto digits = name.substr(prefix.size());
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() ? number : 0;
}

Control* ModelControl(PanelModel& panel, std::string_view name) {
  if (name == "Form2.Label1") return &panel.Form2.Label1;
  if (name == "Form2.ComboBox1") return &panel.Form2.ComboBox1;
  if (name == "Form2.BitBtn1") return &panel.Form2.BitBtn1;
  if (name == "Form2.Label2") return &panel.Form2.Label2;
  if (name == "Form3.Label1") return &panel.Form3.Label1;
  if (name == "Form3.Edit1") return &panel.Form3.Edit1;
  if (name == "Form3.BitBtn1") return &panel.Form3.BitBtn1;
  if (name == "PageControl1") return &panel.PageControl1;
  if (name == "Label1") return &panel.Label1;
  if (name == "Label4") return &panel.Label4;
  return panel.Find(name);
}

}  // namespace intercom
