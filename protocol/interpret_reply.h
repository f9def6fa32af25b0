// Reply interpretation: an accepted reply becomes panel changes.
#pragma once

#include "protocol/session.h"

namespace intercom {

// Called by the exchange for a reply that begins with the frame sync. Works
// through independent tests on CurrentCommand (and CurrentDevice) in a fixed
// order and writes decoded values through the panel's setters, so field checks
// and the studio box's click run at the point of the change. Confirms writes
// with an information box. A studio reply of 255 clears the box and sends
// WriteStudioMode itself (nested). NoAnswer is false on return.
void InterpretReply(Session& session);

}  // namespace intercom
