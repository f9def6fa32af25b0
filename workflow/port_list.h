// The port dialog's list of the machine's serial ports.
#pragma once

#include <string>
#include <vector>

#include "panel/controls.h"
#include "workflow/program_context.h"

namespace intercom {

// The session's port list. A port entry that is not text throws
// PortEntryFailure, which ends the calling handler.
std::vector<std::string> ListPorts(ProgramContext& session);

// Replaces the items of `list` with `ports` and selects none.
void FillPortList(ComboBox& list, const std::vector<std::string>& ports);

}  // namespace intercom
