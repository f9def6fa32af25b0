#include "protocol/device_settings.h"

#include <algorithm>
#include <string>

namespace intercom {
namespace {

constexpr int32_t kLowestPosition = 0;
constexpr int32_t kHighestPosition = 16;

}  // namespace

const SettingValue* DeviceSettings::Find(std::string_view name) const {
  for (const SettingValue& v : values) {
    if (name == v.setting->name) return &v;
  }
  return nullptr;
}

void DeviceSettings::Set(const SettingEntry& setting, int32_t value) {
  for (SettingValue& v : values) {
    if (v.setting == &setting || std::string_view(v.setting->name) == setting.name) {
      v = {&setting, value};
      return;
    }
  }
  values.push_back({&setting, value});
}

uint8_t EncodeSetting(const SettingEntry& setting, int32_t value, const LevelScale& scale) {
  switch (setting.encoding) {
    case Encoding::Address:
      // 0 encoded would fold to 0xFF (address 32): no address is 0x00.
      return value == 0 ? 0x00 : EncodeAddress(value);
    case Encoding::Tally:
      return value == 0 ? 0x00 : EncodeTally(value);
    case Encoding::DeviceAddress:
      return EncodeAddress(value);
    case Encoding::Level:
      return static_cast<uint8_t>(EncodeLevel(value, scale.base, scale.step, scale.max));
    case Encoding::Studio:
      return value != 0 ? kStudioOn : kStudioOff;
  }
  return 0;
}

int32_t DecodeSetting(const SettingEntry& setting, uint8_t byte) {
  switch (setting.encoding) {
    case Encoding::Address:
    case Encoding::DeviceAddress:
      return std::stoi(DecodeAddress(byte));
    case Encoding::Tally:
      return byte + 1;
    case Encoding::Level:
      return std::clamp(DecodeLevel(byte), kLowestPosition, kHighestPosition);
    case Encoding::Studio:
      return byte != kStudioReset && StudioFlagIsSet(byte) ? 1 : 0;
  }
  return 0;
}

int32_t ReadBackValue(const SettingEntry& setting, int32_t value) {
  return DecodeSetting(setting, EncodeSetting(setting, value, kStandardLevels));
}

}  // namespace intercom
