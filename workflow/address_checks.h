// The change checks of the address fields. Each runs on every change of its
// field's text, whoever makes it; a refused value brings up a notice and the
// field is reset to "0" (which runs the check again). Text that is not a
// number raises ConversionFailure: the field keeps its text.
#pragma once

#include "panel/panel_model.h"

namespace intercom {

enum class AddressRule {
  AtMost32,         // Edit1..Edit9: refused when > 32
  EmptyOrAtMost32,  // Edit10: empty is fine, otherwise refused when > 32
  ZeroTo32,         // Edit14, Edit15: refused outside 0..32
  OneTo32,          // the device address dialog's field: refused outside 1..32
};

void CheckAddressField(PanelModel& panel, TextField& field, AddressRule rule);

}  // namespace intercom
