// The machine's serial ports, from the platform's own list: sysfs on Linux
// (sysfs_ports.h), the registry on Windows (registry_ports.h); and what the
// platform tells about each.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "serial/port_description.h"

namespace intercom {

// A port entry that is not text: a sysfs name holding control characters, or a
// registry value whose data is not a string.
class PortEnumerationError : public std::runtime_error {
 public:
  explicit PortEnumerationError(std::string entryName);
  const std::string& EntryName() const { return entryName_; }

 private:
  std::string entryName_;
};

// The names the port's Open accepts, in the platform's order: device paths in
// natural order on Linux, the registry's COM names in enumeration order on
// Windows. A machine without serial ports gives an empty list. Throws
// PortEnumerationError for an entry that is not text.
std::vector<std::string> ListSerialPorts();

// What the machine tells about `port`, a name ListSerialPorts gives: on Linux
// DescribePort on /sys/class/tty and /dev/serial/by-id, on Windows
// DescribeSetupApiPort (setupapi_ports.h). Unknown ports give only the path.
PortDescription DescribeSerialPort(const std::string& port);

}  // namespace intercom
