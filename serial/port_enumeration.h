// The machine's serial ports, found in sysfs.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace intercom {

// A port entry whose name is not text (it holds control characters).
class PortEnumerationError : public std::runtime_error {
 public:
  explicit PortEnumerationError(std::string entryName);
  const std::string& EntryName() const { return entryName_; }

 private:
  std::string entryName_;
};

// The serial ports of this machine as device paths (devDir + "/" + entry), in
// natural order: digit runs compare as numbers, so ttyS2 comes before ttyS10.
// A port is an entry of sysfsTtyDir with a `device` link; virtual terminals,
// ptmx and console have none. ttyS* entries whose `type` file reads 0 are
// placeholders without a UART and are left out. A missing sysfsTtyDir gives an
// empty list. Throws PortEnumerationError for a port entry whose name holds
// control characters.
std::vector<std::string> ListSerialPorts(const std::string& sysfsTtyDir = "/sys/class/tty",
                                         const std::string& devDir = "/dev");

}  // namespace intercom
