// The serial ports of a Linux machine, found in sysfs.
#pragma once

#include <string>
#include <vector>

#include "serial/port_enumeration.h"

namespace intercom {

// The serial ports as device paths (devDir + "/" + entry), in natural order:
// digit runs compare as numbers, so ttyS2 comes before ttyS10. A port is an
// entry of sysfsTtyDir with a `device` link; virtual terminals, ptmx and
// console have none. ttyS* entries whose `type` file reads 0 are placeholders
// without a UART and are left out. A missing sysfsTtyDir gives an empty list.
// Throws PortEnumerationError for a port entry whose name holds control
// characters. Plain C++: off Linux there is no such folder and no port. On
// Linux, ListSerialPorts() is this on /sys/class/tty and /dev.
std::vector<std::string> ListSysfsPorts(const std::string& sysfsTtyDir,
                                        const std::string& devDir = "/dev");

// Whether the tty entry at `entryDir` (sysfsTtyDir/<name>, or the device
// folder it links to) is a serial port by the rule above. Throws
// PortEnumerationError for a port whose name holds control characters.
bool IsSysfsPort(const std::string& entryDir);

}  // namespace intercom
