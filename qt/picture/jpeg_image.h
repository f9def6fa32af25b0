// JPEG decoding into plain RGB pixels, without any toolkit.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace intercom {

// Pixels row by row from the top left, 3 bytes (red, green, blue) each, no
// padding: rgb.size() == width * height * 3.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// Decodes a whole JPEG held in memory; grey pictures come out as RGB too,
// CMYK ones are refused.
// Returns nullopt, printing nothing, on anything libjpeg reports: errors, but
// also warnings such as data ending early or stray bytes, because libjpeg
// would paper over those with grey. Pictures over 8192 pixels on a side are
// refused. Does not keep `data`.
std::optional<RgbImage> DecodeJpeg(std::span<const uint8_t> data);

}  // namespace intercom
