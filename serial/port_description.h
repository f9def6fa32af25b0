// What sysfs and udev tell about one serial port: its stable name and, for a
// USB adapter, the identifiers and strings of the USB device.
#pragma once

#include <string>

namespace intercom {

struct PortDescription {
  std::string path;          // the device path, e.g. /dev/ttyUSB0
  std::string byIdPath;      // its link in the by-id folder; empty when there is none
  std::string vendorId;      // USB idVendor, four hex digits; empty when not USB
  std::string productId;     // USB idProduct
  std::string manufacturer;  // USB manufacturer string; empty when unknown
  std::string product;       // USB product string; empty when unknown
};

// Describes `devicePath` (a path ListSerialPorts gives). The USB attributes
// come from the first folder above sysfsTtyDir/<name>/device (its link
// resolved) that holds idVendor and idProduct; the by-id link is the entry of
// byIdDir that points at a file of the same name as the port. Missing folders
// and files leave the fields empty; control characters in the strings become '?'.
PortDescription DescribePort(const std::string& devicePath,
                             const std::string& sysfsTtyDir = "/sys/class/tty",
                             const std::string& byIdDir = "/dev/serial/by-id");

}  // namespace intercom
