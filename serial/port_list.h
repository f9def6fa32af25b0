// The machine's serial ports, as the port dialog offers them.
#pragma once

#include <string>
#include <vector>

#include "ui/controls.h"

namespace intercom {

// The serial ports of this machine as device paths (devDir + "/" + entry), in
// natural order: digit runs compare as numbers, so ttyS2 comes before ttyS10.
// A port is an entry of sysfsTtyDir with a `device` link; virtual terminals,
// ptmx and console have none. ttyS* entries whose `type` file reads 0 are
// placeholders without a UART and are left out. A missing sysfsTtyDir gives an
// empty list. Throws PortEntryFailure for a port entry whose name holds
// control characters.
std::vector<std::string> ListSerialPorts(const std::string& sysfsTtyDir = "/sys/class/tty",
                                         const std::string& devDir = "/dev");

// Replaces the items of `list` with `ports` and selects none.
void FillPortList(ComboBox& list, const std::vector<std::string>& ports);

}  // namespace intercom
