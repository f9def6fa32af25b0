#include "cli/device_settings.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "cli/input_error.h"
#include "panel/field_integer.h"
#include "protocol/send_command.h"

namespace intercom::cli {
namespace {

using T = SettingType;

const std::vector<SettingSpec> kSubscriberSet = {
    {"key1", T::Address, 1, 0, 32}, {"key2", T::Address, 2, 0, 32},
    {"key3", T::Address, 3, 0, 32}, {"key4", T::Address, 4, 0, 32},
    {"key5", T::Address, 5, 0, 32}, {"key6", T::Address, 6, 0, 32},
    {"key7", T::Address, 7, 0, 32}, {"key8", T::Address, 8, 0, 32},
    {"key9", T::Address, 9, 0, 32}, {"key10", T::Address, 10, 0, 32},
    {"studio", T::Studio, 0, 0, 1}, {"device_address", T::DeviceAddress, 11, 1, 32},
};
const std::vector<SettingSpec> kSplitter = {
    {"address", T::Address, 14, 0, 32}, {"input1", T::Level, 1, 0, 16},
    {"input2", T::Level, 2, 0, 16},     {"input3", T::Level, 3, 0, 16},
    {"input4", T::Level, 4, 0, 16},
};
const std::vector<SettingSpec> kBeltPack = {
    {"address", T::Address, 15, 0, 32},
    {"volume", T::Level, 5, 0, 16},
    {"tally", T::Tally, 20, 1, 256},
};
const std::vector<SettingSpec> kSwitch = {
    {"line1", T::Address, 16, 0, 32}, {"line2", T::Address, 17, 0, 32},
    {"line3", T::Address, 18, 0, 32}, {"line4", T::Address, 19, 0, 32},
    {"volume1", T::Level, 6, 0, 16},  {"volume2", T::Level, 7, 0, 16},
    {"volume3", T::Level, 8, 0, 16},  {"volume4", T::Level, 9, 0, 16},
};
const std::vector<SettingSpec> kNone;

int32_t PanelNumber(const std::string& text, const char* name) {
  try {
    return ParseFieldInteger(text);
  } catch (const std::exception&) {
    throw std::runtime_error(std::string(name) + " was not read from the device");
  }
}

}  // namespace

const SettingValue* KindSettings::Find(std::string_view name) const {
  for (const SettingValue& v : values) {
    if (name == v.spec->name) return &v;
  }
  return nullptr;
}

std::string KindName(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::SubscriberSet:
      return "subscriber";
    case DeviceKind::Splitter:
      return "splitter";
    case DeviceKind::BeltPack:
      return "beltpack";
    case DeviceKind::Switch:
      return "switch";
    default:
      return {};
  }
}

std::optional<DeviceKind> ParseKindName(std::string_view name) {
  for (DeviceKind kind : {DeviceKind::SubscriberSet, DeviceKind::Splitter, DeviceKind::BeltPack,
                          DeviceKind::Switch}) {
    if (name == KindName(kind)) return kind;
  }
  return std::nullopt;
}

const std::vector<SettingSpec>& SettingsOf(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::SubscriberSet:
      return kSubscriberSet;
    case DeviceKind::Splitter:
      return kSplitter;
    case DeviceKind::BeltPack:
      return kBeltPack;
    case DeviceKind::Switch:
      return kSwitch;
    default:
      return kNone;
  }
}

const SettingSpec* FindSetting(DeviceKind kind, std::string_view name) {
  for (const SettingSpec& spec : SettingsOf(kind)) {
    if (name == spec.name) return &spec;
  }
  return nullptr;
}

bool IsSettingName(std::string_view name) {
  for (DeviceKind kind : {DeviceKind::SubscriberSet, DeviceKind::Splitter, DeviceKind::BeltPack,
                          DeviceKind::Switch}) {
    if (FindSetting(kind, name) != nullptr) return true;
  }
  return false;
}

std::string DescribeSettings(DeviceKind kind) {
  std::string text;
  for (const SettingSpec& spec : SettingsOf(kind)) {
    if (!text.empty()) text += ", ";
    text +=
        std::string(spec.name) + " " + std::to_string(spec.low) + ".." + std::to_string(spec.high);
  }
  return text;
}

int32_t ParseSettingValue(const SettingSpec& spec, std::string_view text) {
  if (spec.type == SettingType::Studio) {
    if (text == "true") return 1;
    if (text == "false") return 0;
  }
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    throw InputError(std::string(spec.name) + ": '" + std::string(text) +
                     "' is not a whole number (allowed " + std::to_string(spec.low) + ".." +
                     std::to_string(spec.high) + ")");
  }
  return value;
}

void AddSetting(KindSettings& settings, std::string_view name, int32_t value,
                const std::string& where) {
  const SettingSpec* spec = FindSetting(settings.kind, name);
  if (spec == nullptr) {
    throw InputError(where + "'" + std::string(name) + "' is not a setting of a " +
                     KindName(settings.kind) + " (" + DescribeSettings(settings.kind) + ")");
  }
  if (settings.Find(name) != nullptr) {
    throw InputError(where + std::string(name) + " is given twice");
  }
  settings.values.push_back({spec, value});
}

KindSettings ReadPanel(PanelModel& panel, DeviceKind kind) {
  KindSettings settings;
  settings.kind = kind;
  for (const SettingSpec& spec : SettingsOf(kind)) {
    int32_t value = 0;
    switch (spec.type) {
      case SettingType::Address:
      case SettingType::Tally:
      case SettingType::DeviceAddress:
        value = PanelNumber(panel.EditAt(spec.control).Text(), spec.name);
        break;
      case SettingType::Level:
        value = panel.TrackBarAt(spec.control).Position();
        break;
      case SettingType::Studio:
        value = panel.CheckBox1.Checked() ? 1 : 0;
        break;
    }
    settings.values.push_back({&spec, value});
  }
  return settings;
}

int32_t ReadBackValue(const SettingSpec& spec, int32_t value) {
  switch (spec.type) {
    case SettingType::Address:
      return ParseFieldInteger(DecodeAddress(ZeroRule(std::to_string(value), EncodeAddress)));
    case SettingType::Tally:
      return ParseFieldInteger(DecodeTally(ZeroRule(std::to_string(value), EncodeTally)));
    case SettingType::DeviceAddress:
      return ParseFieldInteger(DecodeAddress(EncodeAddress(value)));
    case SettingType::Level:
      return std::clamp(DecodeLevel(static_cast<uint8_t>(EncodeLevel(value))), TrackBar::kMin,
                        TrackBar::kMax);
    case SettingType::Studio:
      return value != 0 ? 1 : 0;
  }
  return value;
}

}  // namespace intercom::cli
