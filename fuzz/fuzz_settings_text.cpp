// The settings file reader, the plan reader and ParseSettingValue on any bytes:
// no crash and no exception but InputError, whose message is one non-empty
// line of printable UTF-8 within kMaxMessage bytes. Where the input is built
// around a setting name that exists, the refusal names that setting; a file
// that is accepted reads back the same from what SettingsJson writes of it.
//
// Byte 0 picks the reader, byte 1 a kind and one of its settings, the rest is
// the text (or the part of it the fuzzer varies).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/plan.h"
#include "device/input_error.h"
#include "device/setting_text.h"
#include "device/settings_json.h"

namespace {

using intercom::Catalogue;
using intercom::DeviceSettings;
using intercom::InputError;
using intercom::KindEntry;
using intercom::SettingEntry;

constexpr size_t kMaxMessage = 600;

[[noreturn]] void Fail(const char* what, const std::string& message) {
  __builtin_printf("%s: %s\n", what, message.c_str());
  std::abort();
}

void CheckLine(const std::string& message) {
  if (message.empty() || message.size() > kMaxMessage) Fail("message length", message);
  for (const char c : message) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) Fail("control character", message);
  }
  if (intercom::FindBadByte(message)) Fail("not UTF-8", message);
}

// The message names `name` first after `where`, possibly as "after NAME".
void CheckNames(const std::string& message, const std::string& where, std::string_view name) {
  std::string_view rest(message);
  if (rest.substr(0, where.size()) != where) Fail("another place", message);
  rest.remove_prefix(where.size());
  if (rest.substr(0, 6) == "after ") rest.remove_prefix(6);
  if (rest.substr(0, name.size()) != name || rest.size() == name.size() ||
      (rest[name.size()] != ':' && rest[name.size()] != ' ')) {
    Fail("the setting is not named", message);
  }
}

std::string Without(std::string text, std::string_view characters) {
  std::erase_if(text, [&](char c) { return characters.find(c) != std::string_view::npos; });
  return text;
}

// Accepted: what SettingsJson writes of it reads back the same.
void CheckRoundTrip(const Catalogue& catalogue, const DeviceSettings& settings) {
  const std::string written = intercom::SettingsJson(catalogue, settings);
  DeviceSettings back;
  try {
    back = intercom::ParseSettingsJson(catalogue, written, "back");
  } catch (const InputError& error) {
    Fail(error.what(), written);
  }
  if (back.kind != settings.kind || back.values.size() != settings.values.size()) {
    Fail("round trip", written);
  }
  for (const auto& value : settings.values) {
    const auto* read = back.Find(value.setting->name);
    const int32_t expected = value.setting->encoding == intercom::Encoding::Studio
                                 ? (value.value != 0 ? 1 : 0)
                                 : value.value;
    if (read == nullptr || read->value != expected) Fail("round trip", written);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const Catalogue& catalogue = intercom::StandardCatalogue();
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  const KindEntry& kind = catalogue.Kinds()[data[1] % catalogue.Kinds().size()];
  const SettingEntry& setting = kind.settings[(data[1] / 8u) % kind.settings.size()];
  const std::string name = setting.name;
  const std::string json = "f.json: ";
  const std::string plan = "f.csv";

  try {
    switch (data[0] % 6) {
      case 0:
        CheckRoundTrip(catalogue, intercom::ParseSettingsJson(catalogue, text, "f.json"));
        break;
      case 1:
        for (const auto& row : intercom::cli::ParsePlan(catalogue, text, plan)) {
          if (row.label.empty() || intercom::FindBadByte(row.label)) Fail("label", row.label);
        }
        break;
      case 2:
        try {
          intercom::ParseSettingValue(setting, text);
        } catch (const InputError& error) {
          CheckNames(error.what(), "", name);
          throw;
        }
        break;
      case 3: {
        // A value that cannot close the object early.
        const std::string document = "{\"kind\":\"" + std::string(kind.name) + "\",\"" + name +
                                     "\":" + Without(text, "\"}") + "}";
        try {
          intercom::ParseSettingsJson(catalogue, document, "f.json");
        } catch (const InputError& error) {
          CheckNames(error.what(), json, name);
          throw;
        }
        break;
      }
      case 4: {
        // Inside a string whatever the escapes.
        const std::string document = "{\"kind\":\"" + std::string(kind.name) + "\",\"" + name +
                                     "\":\"" + Without(text, "\"") + "\"}";
        try {
          intercom::ParseSettingsJson(catalogue, document, "f.json");
        } catch (const InputError& error) {
          CheckNames(error.what(), json, name);
          throw;
        }
        break;
      }
      default: {
        // One cell of one row.
        const std::string document = "label,kind," + name + "\nx," + std::string(kind.name) + "," +
                                     Without(text, ",\"\r\n") + "\n";
        try {
          intercom::cli::ParsePlan(catalogue, document, plan);
        } catch (const InputError& error) {
          CheckNames(error.what(), plan + ":2: ", name);
          throw;
        }
        break;
      }
    }
  } catch (const InputError& error) {
    CheckLine(error.what());
  }
  return 0;
}
