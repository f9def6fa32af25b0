#include "cli/settings_json.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/input_error.h"
#include "cli/setting_text.h"

namespace intercom::cli {
namespace {

using Json = nlohmann::ordered_json;

int32_t WholeNumber(const Json& value, const SettingEntry& spec, const std::string& where) {
  if (spec.encoding == Encoding::Studio && value.is_boolean()) return value.get<bool>() ? 1 : 0;
  if (value.is_number_integer()) {
    const auto number = value.get<int64_t>();
    if (number >= std::numeric_limits<int32_t>::min() &&
        number <= std::numeric_limits<int32_t>::max()) {
      return static_cast<int32_t>(number);
    }
  }
  throw InputError(where + spec.name + ": " + value.dump() + " is not a whole number (allowed " +
                   std::to_string(spec.low) + ".." + std::to_string(spec.high) + ")");
}

}  // namespace

DeviceSettings ParseSettingsJson(const Catalogue& catalogue, const std::string& text,
                                 const std::string& where) {
  const std::string prefix = where + ": ";
  std::set<std::string> keys;
  std::string duplicate;
  // The library keeps the last of two equal keys; a settings file must not
  // silently lose one, so they are caught while parsing.
  const Json::parser_callback_t noteKeys = [&](int depth, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::key && depth == 1 && parsed.is_string() &&
        !keys.insert(parsed.get<std::string>()).second && duplicate.empty()) {
      duplicate = parsed.get<std::string>();
    }
    return true;
  };
  Json document;
  try {
    document = Json::parse(text, noteKeys);
  } catch (const Json::parse_error& error) {
    throw InputError(prefix + "not a JSON document (byte " + std::to_string(error.byte) + ")");
  }
  if (!document.is_object()) throw InputError(prefix + "expected one JSON object");
  if (!duplicate.empty()) throw InputError(prefix + duplicate + " is given twice");

  const auto kindEntry = document.find("kind");
  if (kindEntry == document.end()) throw InputError(prefix + "\"kind\" is missing");
  const KindEntry* kind =
      kindEntry->is_string() ? catalogue.FindByName(kindEntry->get<std::string>()) : nullptr;
  if (kind == nullptr) {
    throw InputError(prefix + "kind: " + kindEntry->dump() + " is not one of " +
                     KindNames(catalogue));
  }

  DeviceSettings settings;
  settings.kind = kind->kind;
  for (const auto& [name, value] : document.items()) {
    if (name == "kind") continue;
    const SettingEntry* setting = kind->Find(name);
    if (setting == nullptr) {
      throw InputError(prefix + "unknown key '" + name + "' for a " + kind->name + " (" +
                       catalogue.Describe(kind->kind) + ")");
    }
    AddSetting(catalogue, settings, name, WholeNumber(value, *setting, prefix), prefix);
  }
  return settings;
}

std::string SettingsJson(const Catalogue& catalogue, const DeviceSettings& settings) {
  Json document;
  document["kind"] = catalogue.KindName(settings.kind);
  const KindEntry* kind = catalogue.Find(settings.kind);
  if (kind == nullptr) return document.dump(2) + "\n";
  for (const SettingEntry& spec : kind->settings) {
    const SettingValue* value = settings.Find(spec.name);
    if (value == nullptr) continue;
    if (spec.encoding == Encoding::Studio) {
      document[spec.name] = value->value != 0;
    } else {
      document[spec.name] = value->value;
    }
  }
  return document.dump(2) + "\n";
}

}  // namespace intercom::cli
