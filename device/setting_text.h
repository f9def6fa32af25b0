// Settings as the command line, the settings files and the plans write them:
// by name, with whole numbers (true/false for the studio mode), for the kinds
// of the catalogue; and how a refusal shows the text it refuses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/device_settings.h"

namespace intercom {

// A refusal shows at most this many characters of a name or value.
inline constexpr int kShownCharacters = 64;

// A value written as text (a --set or a plan cell): a decimal whole number
// within 32 bits; the studio mode also takes true/false. Throws InputError
// naming the setting and showing the text as ShownText does.
int32_t ParseSettingValue(const SettingEntry& setting, std::string_view text);

// Adds name=value to `settings`; throws InputError for a name its kind does
// not have or a name given twice. `where` prefixes the message ("plan.csv:3: ").
void AddSetting(const Catalogue& catalogue, DeviceSettings& settings, std::string_view name,
                int32_t value, const std::string& where);

// "subscriber, splitter, beltpack, switch": the kinds for error messages.
std::string KindNames(const Catalogue& catalogue);

// `text` fit for a one-line message: its first kShownCharacters characters,
// then "…" when there is more. Each byte that is not part of well-formed
// UTF-8, and each C0 control and DEL, shows as \xNN; C1 controls and the
// Unicode line and paragraph separators as \uNNNN. At most
// 4 * kShownCharacters + 3 bytes.
std::string ShownText(std::string_view text);

// A byte no settings file, plan or --set may hold: its offset and what it is
// ("a NUL byte", "not UTF-8 text").
struct BadByte {
  size_t offset;
  const char* what;
};

// The first NUL byte, or byte that is not part of well-formed UTF-8, in `text`.
std::optional<BadByte> FindBadByte(std::string_view text);

}  // namespace intercom
