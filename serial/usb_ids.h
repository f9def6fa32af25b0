// The USB identifiers a Windows device id carries.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace intercom {

struct UsbIds {
  std::string vendorId;   // four hex digits, lower case, as sysfs writes idVendor
  std::string productId;  // likewise
};

// The vendor and product named by the VID_xxxx and PID_xxxx parts of a
// hardware or instance id, the parts split at '\', '&' and '+'
// ("USB\VID_0403&PID_6001\A12345", "FTDIBUS\VID_0403+PID_6001+A1B2C3D\0000").
// Letter case is ignored. nullopt when either part is missing or is not four
// hex digits: a built-in or Bluetooth port. Plain C++.
std::optional<UsbIds> UsbIdsOf(std::string_view deviceId);

}  // namespace intercom
