#include "cli/setting_text.h"

#include <charconv>

#include "cli/input_error.h"

namespace intercom::cli {

int32_t ParseSettingValue(const SettingEntry& setting, std::string_view text) {
  if (setting.encoding == Encoding::Studio) {
    if (text == "true") return 1;
    if (text == "false") return 0;
  }
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    throw InputError(std::string(setting.name) + ": '" + std::string(text) +
                     "' is not a whole number (allowed " + std::to_string(setting.low) + ".." +
                     std::to_string(setting.high) + ")");
  }
  return value;
}

void AddSetting(const Catalogue& catalogue, DeviceSettings& settings, std::string_view name,
                int32_t value, const std::string& where) {
  const KindEntry* kind = catalogue.Find(settings.kind);
  const SettingEntry* setting = kind != nullptr ? kind->Find(name) : nullptr;
  if (setting == nullptr) {
    throw InputError(where + "'" + std::string(name) + "' is not a setting of a " +
                     catalogue.KindName(settings.kind) + " (" + catalogue.Describe(settings.kind) +
                     ")");
  }
  if (settings.Find(name) != nullptr) {
    throw InputError(where + std::string(name) + " is given twice");
  }
  settings.values.push_back({setting, value});
}

std::string KindNames(const Catalogue& catalogue) {
  std::string names;
  for (const KindEntry& kind : catalogue.Kinds()) {
    names += (names.empty() ? "" : ", ") + std::string(kind.name);
  }
  return names;
}

}  // namespace intercom::cli
