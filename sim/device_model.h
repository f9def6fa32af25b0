// The simulated device itself: its stored settings and the reply it gives to
// each request. No I/O and no clock, so the rules can be checked in isolation.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "protocol/frames.h"

namespace intercom {

inline constexpr int kLevelCount = 4;

// Everything a device remembers, as raw one-byte codes exactly as written.
// Which of the address and level slots a kind uses is given by
// SettingsAddressCount and LevelCount; the rest stay untouched.
struct DeviceSettings {
  uint8_t deviceAddress = 0;
  // Subscriber set: ten key addresses; splitter, belt pack: slot 0; switch: slots 0..3 (lines).
  std::array<uint8_t, kPayloadLength> addresses{};
  // Splitter: four inputs; belt pack: slot 0 (volume); switch: four phone volumes.
  std::array<uint8_t, kLevelCount> levels{};
  uint8_t studioFlag = kStudioOff;
  uint8_t tallyCode = 0;
};

// Address slots carried by ReadSettings / WriteSettings: 10, 1, 1, 4; 0 for other kinds.
int SettingsAddressCount(DeviceKind kind);
// Level slots carried by ReadLevels: 0, 4, 1, 4; 0 for other kinds.
int LevelCount(DeviceKind kind);

// The settings a freshly powered device starts with:
//   every kind: device address 5, studio mode off, tally code 0x06 (input 7);
//   subscriber set: keys 1..10 hold addresses 1..10;
//   splitter: address 3, input levels at slider positions 2, 4, 6, 8;
//   belt pack: address 7, volume at position 2;
//   switch: lines 11..14, phone volumes at positions 1, 2, 3, 4.
DeviceSettings InitialSettings(DeviceKind kind);

class DeviceModel {
 public:
  // `kind` must be one of the four device kinds. With `reportsStudioReset` the
  // device answers ReadStudioMode with 255 whatever was written.
  explicit DeviceModel(DeviceKind kind, bool reportsStudioReset = false);

  // The reply to one request, applying any write it carries. No reply when the
  // request lacks the sync bytes, names another kind or carries an unknown
  // command, as a real device on a shared line keeps quiet then.
  std::optional<ReplyFrame> Answer(const RequestFrame& request);

  DeviceKind Kind() const { return kind_; }
  const DeviceSettings& Settings() const { return settings_; }

 private:
  // The payload of the reply; applies writes to the settings.
  Payload Apply(CommandCode command, const Payload& in);

  DeviceKind kind_;
  bool reportsStudioReset_;
  DeviceSettings settings_;
};

}  // namespace intercom
