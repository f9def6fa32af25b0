// Settings as the command line, the settings files and the plans write them:
// by name, with whole numbers (true/false for the studio mode), for the kinds
// of the catalogue.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/device_settings.h"

namespace intercom::cli {

// A value written as text (a --set or a plan cell): a decimal whole number;
// the studio mode also takes true/false. Throws InputError naming the setting.
int32_t ParseSettingValue(const SettingEntry& setting, std::string_view text);

// Adds name=value to `settings`; throws InputError for a name its kind does
// not have or a name given twice. `where` prefixes the message ("plan.csv:3: ").
void AddSetting(const Catalogue& catalogue, DeviceSettings& settings, std::string_view name,
                int32_t value, const std::string& where);

// "subscriber, splitter, beltpack, switch": the kinds for error messages.
std::string KindNames(const Catalogue& catalogue);

}  // namespace intercom::cli
