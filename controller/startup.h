// Start-up of the main window and the discovery of the connected device kind.
#pragma once

#include "controller/program_context.h"

namespace intercom {

// The main window's show handler, run once before the window appears: level
// constants, port list, COM.ini, open, Pause(100), line settings and, when the
// line state could be read and set, DiscoverDevice. A COM.ini or port-list
// failure ends it (reported by the panel's handler boundary).
void FormShow(ProgramContext& context);

// Discover on the window's line: the probes in the catalogue's order, the
// reads of the kind that answers, its page prepared by the panel binding.
// CurrentDevice keeps the kind found, or the last probed.
void DiscoverDevice(ProgramContext& context);

}  // namespace intercom
