// Attaches every handler of the main window and the dialogs to the panel.
#pragma once

#include "protocol/session.h"

namespace intercom {

// After this, user input and the logic's own writes on session.panel run the
// workflow. The session must outlive the panel's use of the handlers.
void BindHandlers(Session& session);

}  // namespace intercom
