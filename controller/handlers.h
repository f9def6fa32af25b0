// Attaches every handler of the main window and the dialogs to the panel.
#pragma once

#include "controller/program_context.h"

namespace intercom {

// After this, user input and the logic's own writes on context.panel run their
// handlers. The context must outlive the panel's use of the handlers.
void BindHandlers(ProgramContext& context);

}  // namespace intercom
