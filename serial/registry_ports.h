// The serial ports of a Windows machine, as the registry lists them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "serial/port_enumeration.h"

namespace intercom {

// Where Windows lists the serial ports it has drivers for, under HKEY_LOCAL_MACHINE.
inline constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The data of every value under root\subkey ("COM1", "COM3", ...), in the
// order the registry enumerates the values, unsorted; an empty string value
// gives an empty name. The key is opened read-only, so an ordinary user gets
// the list too; a key that is missing or cannot be opened gives an empty list.
// Throws PortEnumerationError, naming the value, for data that is not a string
// (REG_SZ or REG_EXPAND_SZ). On Windows, ListSerialPorts() is this on
// HKLM\kSerialCommKey.
std::vector<std::string> ListRegistryPorts(HKEY root, const std::string& subkey);

}  // namespace intercom
