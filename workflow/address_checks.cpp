#include "workflow/address_checks.h"

#include "panel/field_integer.h"

namespace intercom {

void CheckAddressField(PanelModel& panel, TextField& field, AddressRule rule) {
  if (rule == AddressRule::EmptyOrAtMost32 && field.Text().empty()) return;
  const int32_t value = ParseFieldInteger(field.Text());
  bool refused = false;
  switch (rule) {
    case AddressRule::AtMost32:
    case AddressRule::EmptyOrAtMost32:
      refused = value > 32;
      break;
    case AddressRule::ZeroTo32:
      refused = value < 0 || value > 32;
      break;
    case AddressRule::OneTo32:
      refused = value < 1 || value > 32;
      break;
  }
  if (!refused) return;
  panel.ShowNotice("Адрес должен быть задан в пределах от 1 до 32");
  field.SetText("0");
}

}  // namespace intercom
