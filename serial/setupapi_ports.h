// What the Windows device manager knows of a serial port.
#pragma once

#include <string>

#include "serial/port_description.h"

namespace intercom {

// The present device of the Ports class whose PortName value is `portName`
// (letter case ignored): its friendly name ("USB Serial Port (COM3)"), its
// maker, and the USB vendor and product its hardware or instance id names.
// A port no such device claims (a name Wine maps, a virtual port) gives only
// the path; so does a system whose device manager lists nothing. Control
// characters in the texts become '?'.
PortDescription DescribeSetupApiPort(const std::string& portName);

}  // namespace intercom
