// Bytes on the wire: frame layouts, device kinds, command codes and the
// one-byte encodings of addresses, levels, the Tally input and the studio mode.
// Everything here is a pure function or a constant.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace intercom {

inline constexpr int kRequestLength = 15;
inline constexpr int kReplyLength = 16;
inline constexpr int kPayloadLength = 10;
inline constexpr int kPayloadOffset = 5;
inline constexpr uint8_t kFrameSync0 = 0xE2;
inline constexpr uint8_t kFrameSync1 = 0xE4;

using RequestFrame = std::array<uint8_t, kRequestLength>;
using ReplyFrame = std::array<uint8_t, kReplyLength>;
using Payload = std::array<uint8_t, kPayloadLength>;

// Request byte 2.
enum class DeviceKind : int32_t {
  None = 0,
  SubscriberSet = 1,
  Splitter = 2,
  BeltPack = 3,
  Switch = 4
};

// Request byte 3.
enum class CommandCode : uint8_t {
  None = 0,
  ReadDeviceAddress = 1,
  WriteDeviceAddress = 2,
  ReadSettings = 3,
  WriteSettings = 4,
  ReadLevels = 5,
  SetLevel = 6,
  Probe = 7,
  ReadStudioMode = 8,
  WriteStudioMode = 9,
  ReadTallyAddress = 10,
  WriteTallyAddress = 11,
};

// "ReadSettings", "WriteTallyAddress", ...; the number for a code outside the table.
std::string CommandName(CommandCode command);

// SetLevel payload byte 0: which level byte 1 sets.
inline constexpr int32_t kChannelBeltPackVolume = 26;
inline constexpr int32_t kChannel1 = 42;
inline constexpr int32_t kChannel2 = 44;
inline constexpr int32_t kChannel3 = 46;
inline constexpr int32_t kChannel4 = 48;

// WriteTallyAddress payload byte 0 for a belt pack.
inline constexpr uint8_t kTallyMarker = 0x2A;

// StudioFlag values in a request; 255 in a reply has a meaning of its own.
inline constexpr uint8_t kStudioOn = 2;
inline constexpr uint8_t kStudioOff = 0;
inline constexpr uint8_t kStudioReset = 255;

// Low 8 bits of (n - 1) with bit 5 set: 1..32 give 0x20..0x3F; other numbers fold (33 -> 0x20).
uint8_t EncodeAddress(int32_t n);
// 0x00 -> "0"; 0x20..0x3F -> 1..32; any other byte -> (b + 1) & 0x1F.
std::string DecodeAddress(uint8_t b);

// p * step + base, capped at maxLevel (position 16 gives 255, not 256).
int32_t EncodeLevel(int32_t position, int32_t base = 32, int32_t step = 14, int32_t maxLevel = 255);
// (b - 32) / 14 rounded to nearest, halves to even; not clamped (the slider clamps).
int32_t DecodeLevel(uint8_t b);

// Low 8 bits of (n - 1), no flag bit.
uint8_t EncodeTally(int32_t n);
// Decimal text of b + 1 (1..256).
std::string DecodeTally(uint8_t b);

// Studio mode of a reply byte other than 255: bit 1.
bool StudioFlagIsSet(uint8_t b);

// " E2 E4 01 ..." : each byte as a blank and two upper-case hex digits.
std::string HexTrace(const uint8_t* bytes, int count);

}  // namespace intercom
