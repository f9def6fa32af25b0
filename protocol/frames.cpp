#include "protocol/frames.h"

#include <cmath>
#include <iterator>

namespace intercom {

std::string CommandName(CommandCode command) {
  static const char* const kNames[] = {
      "None",           "ReadDeviceAddress", "WriteDeviceAddress", "ReadSettings",
      "WriteSettings",  "ReadLevels",        "SetLevel",           "Probe",
      "ReadStudioMode", "WriteStudioMode",   "ReadTallyAddress",   "WriteTallyAddress"};
  const auto code = static_cast<size_t>(command);
  return code < std::size(kNames) ? kNames[code] : std::to_string(code);
}

uint8_t EncodeAddress(int32_t n) {
  // Unsigned arithmetic keeps the fold well-defined for every 32-bit input.
  return static_cast<uint8_t>((static_cast<uint32_t>(n) - 1u) | 0x20u);
}

std::string DecodeAddress(uint8_t b) {
  if (b == 0) return "0";
  if (b >= 0x20 && b <= 0x3F) return std::to_string(b - 0x1F);
  return std::to_string((b + 1) & 0x1F);
}

int32_t EncodeLevel(int32_t position, int32_t base, int32_t step, int32_t maxLevel) {
  const int64_t level = static_cast<int64_t>(position) * step + base;
  return level > maxLevel ? maxLevel : static_cast<int32_t>(level);
}

int32_t DecodeLevel(uint8_t b) {
  // nearbyint under the default rounding mode sends halves to the even neighbour.
  return static_cast<int32_t>(std::nearbyint((static_cast<double>(b) - 32.0) / 14.0));
}

uint8_t EncodeTally(int32_t n) {
  return static_cast<uint8_t>(static_cast<uint32_t>(n) - 1u);
}

std::string DecodeTally(uint8_t b) {
  return std::to_string(b + 1);
}

bool StudioFlagIsSet(uint8_t b) {
  return (b & kStudioOn) != 0;
}

std::string HexTrace(const uint8_t* bytes, int count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(static_cast<size_t>(count) * 3);
  for (int i = 0; i < count; ++i) {
    text += ' ';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace intercom
