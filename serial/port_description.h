// What the machine tells about one serial port: on Linux, sysfs and udev
// give its stable name and, for a USB adapter, the identifiers and strings of
// the USB device; on Windows, the device manager gives its name there, its
// maker and the USB identifiers.
#pragma once

#include <string>

namespace intercom {

struct PortDescription {
  std::string path;          // the device path, e.g. /dev/ttyUSB0, or the COM name
  std::string byIdPath;      // its link in the by-id folder; empty when there is none
  std::string friendlyName;  // the device manager's name for it; empty off Windows
  std::string vendorId;      // USB idVendor, four hex digits; empty when not USB
  std::string productId;     // USB idProduct
  std::string manufacturer;  // USB manufacturer string, or the driver's maker; empty when unknown
  std::string product;       // USB product string; empty when unknown
};

// Describes `devicePath` (a path ListSerialPorts gives). The USB attributes
// come from the first folder above sysfsTtyDir/<name>/device (its link
// resolved) that holds idVendor and idProduct; the by-id link is the entry of
// byIdDir that points at a file of the same name as the port. Missing folders
// and files leave the fields empty; control characters in the strings become '?'.
// The entry of linkDir that is a symbolic link to a file named as
// devicePath's last part (/dev/serial/by-id or by-path); the first in name
// order when several are; empty when none is or linkDir is missing.
std::string FindPortLink(const std::string& devicePath, const std::string& linkDir);

PortDescription DescribePort(const std::string& devicePath,
                             const std::string& sysfsTtyDir = "/sys/class/tty",
                             const std::string& byIdDir = "/dev/serial/by-id");

}  // namespace intercom
