#include "serial/usb_ids.h"

#include <cctype>

namespace intercom {
namespace {

// The four hex digits after `prefix` when `part` is exactly that, lower-cased.
std::optional<std::string> HexAfter(std::string_view part, std::string_view prefix) {
  constexpr size_t kDigits = 4;
  if (part.size() != prefix.size() + kDigits) return std::nullopt;
  std::string digits;
  for (size_t i = 0; i < part.size(); ++i) {
    const auto c = static_cast<unsigned char>(part[i]);
    if (i < prefix.size()) {
      if (std::toupper(c) != static_cast<unsigned char>(prefix[i])) return std::nullopt;
    } else {
      if (!std::isxdigit(c)) return std::nullopt;
      digits += static_cast<char>(std::tolower(c));
    }
  }
  return digits;
}

}  // namespace

std::optional<UsbIds> UsbIdsOf(std::string_view deviceId) {
  std::optional<std::string> vendor;
  std::optional<std::string> product;
  while (!deviceId.empty()) {
    const size_t end = deviceId.find_first_of("\\&+");
    const std::string_view part = deviceId.substr(0, end);
    if (!vendor) vendor = HexAfter(part, "VID_");
    if (!product) product = HexAfter(part, "PID_");
    if (end == std::string_view::npos) break;
    deviceId.remove_prefix(end + 1);
  }
  if (!vendor || !product) return std::nullopt;
  return UsbIds{*vendor, *product};
}

}  // namespace intercom
