// The name a Windows program must open a serial port by.
#pragma once

#include <cctype>
#include <string>

namespace intercom {

// "COM" and a number (any letter case, e.g. "COM12") gets the device
// namespace prefix "\\.\": Windows finds only COM1 to COM9 by their bare
// names and opens COM10 and above as files otherwise. Every other name, one
// already prefixed among them, is returned as given. COM.ini keeps the name
// the user chose; only the open uses this.
inline std::string DevicePathForOpen(const std::string& name) {
  if (name.size() < 4) return name;
  for (size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return name;
  }
  for (size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return name;
  }
  return "\\\\.\\" + name;
}

}  // namespace intercom
