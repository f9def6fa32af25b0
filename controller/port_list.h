// The port dialog's list of the machine's serial ports.
#pragma once

#include <string>
#include <vector>

#include "controller/program_context.h"
#include "serial/port_description.h"

namespace intercom {

// The context's port list. A port entry that is not text throws
// PortEntryFailure, which ends the calling handler.
std::vector<std::string> ListPorts(ProgramContext& context);

// What the list tells about a port besides its path, one line each: the
// by-id link, the device manager's name, the manufacturer and product, "USB
// vendor:product". Lines nothing is known for are left out; a port known only
// by its path gives "".
std::string PortSummary(const PortDescription& port);

// The port dialog's list opening: the context's ports are listed again, each
// with its summary, so that an adapter plugged in meanwhile appears. The
// typed text stays, and the item it names is selected.
void ReadPortListAgain(ProgramContext& context);

}  // namespace intercom
