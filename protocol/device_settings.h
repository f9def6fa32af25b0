// A device's settings as numbers: the typed record every front end reads,
// edits and writes, and the one-byte encodings of each setting.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "protocol/device_catalogue.h"

namespace intercom {

struct SettingValue {
  const SettingEntry* setting;  // an entry of the catalogue; outlives the value
  int32_t value;
};

// All settings of a kind after a read, or any of them to write.
struct DeviceSettings {
  DeviceKind kind = DeviceKind::None;
  std::vector<SettingValue> values;

  const SettingValue* Find(std::string_view name) const;
  // Replaces the value of that setting, or adds it at the end.
  void Set(const SettingEntry& setting, int32_t value);
};

// The level scale of a session: position * step + base, capped at max.
struct LevelScale {
  int32_t base;
  int32_t step;
  int32_t max;
};

// The byte a value goes out as in a write request. Addresses and Tally inputs
// follow the zero rule (0 is 0x00, "none"); levels use `scale`.
uint8_t EncodeSetting(const SettingEntry& setting, int32_t value, const LevelScale& scale);

// The value a reply byte means: addresses 0..32, levels 0..16 (clamped),
// Tally inputs 1..256, the studio flag 0 or 1 (255 reads as 0).
int32_t DecodeSetting(const SettingEntry& setting, uint8_t byte);

// What the device reports after `value` was written with the standard scale:
// the value as the wire encoding carries it (a Tally input of 0 is input 1).
int32_t ReadBackValue(const SettingEntry& setting, int32_t value);

// The standard level scale: 32 + 14 per step, at most 255.
inline constexpr LevelScale kStandardLevels{32, 14, 255};

}  // namespace intercom
