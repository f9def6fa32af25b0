// Reply interpretation: the settings a reply in step carries, as numbers.
#pragma once

#include "protocol/exchange.h"

namespace intercom {

// Decodes the payload of `outcome.reply` for the command that was sent to
// `kind`: the kind's settings read by that command, or, when the kind has none
// (or is not in the catalogue), the setting any kind's reply to it carries
// (Tally input, studio mode, device address). Sets outcome.values and
// outcome.studioReset; nothing else.
void InterpretReply(const Catalogue& catalogue, DeviceKind kind, ExchangeOutcome& outcome);

}  // namespace intercom
