#include "device/setting_text.h"

#include <charconv>
#include <cstdio>

#include "device/input_error.h"
#include "protocol/kind_lists.h"

namespace intercom {
namespace {

struct CodePoint {
  char32_t value;
  size_t length;  // 0: the bytes there are not well-formed UTF-8
};

// Overlong forms, surrogates and values past U+10FFFF are not well-formed, so
// a text that passes here is one a terminal and a JSON writer both take.
CodePoint DecodeUtf8(std::string_view text) {
  const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  size_t length = 0;
  char32_t value = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1Fu;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0Fu;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07u;
    least = 0x10000;
  } else {
    return {0, 0};
  }
  if (text.size() < length) return {0, 0};
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return {0, 0};
    value = (value << 6) | (byte(i) & 0x3Fu);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return {0, 0};
  return {value, length};
}

std::string Escaped(const char* format, unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

int32_t ParseSettingValue(const SettingEntry& setting, std::string_view text) {
  if (setting.encoding == Encoding::Studio) {
    if (text == "true") return 1;
    if (text == "false") return 0;
  }
  std::string_view digits = text;
  // from_chars takes a minus but no plus; one sign at most.
  const bool plus = !digits.empty() && digits.front() == '+';
  if (plus) digits.remove_prefix(1);
  int32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || (plus && digits.front() == '-') || error != std::errc() ||
      end != digits.data() + digits.size()) {
    throw InputError(std::string(setting.name) + ": '" + ShownText(text) +
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
    throw InputError(where + "'" + ShownText(name) + "' is not a setting of a " +
                     catalogue.KindName(settings.kind) + " (" + catalogue.Describe(settings.kind) +
                     ")");
  }
  if (settings.Find(name) != nullptr) {
    throw InputError(where + std::string(name) + " is given twice");
  }
  settings.values.push_back({setting, value});
}

std::string KindNames(const Catalogue& catalogue) {
  return JoinList(KindNameList(catalogue), ", ", ", ");
}

std::string ShownText(std::string_view text) {
  std::string shown;
  size_t i = 0;
  for (int characters = 0; i < text.size() && characters < kShownCharacters; ++characters) {
    const CodePoint code = DecodeUtf8(text.substr(i));
    if (code.length == 0 || code.value < 0x20 || code.value == 0x7F) {
      shown += Escaped("\\x%02X", static_cast<unsigned char>(text[i]));
      ++i;
      continue;
    }
    if ((code.value >= 0x80 && code.value <= 0x9F) || code.value == 0x2028 ||
        code.value == 0x2029) {
      shown += Escaped("\\u%04X", static_cast<unsigned>(code.value));
    } else {
      shown += text.substr(i, code.length);
    }
    i += code.length;
  }
  if (i < text.size()) shown += "…";
  return shown;
}

std::optional<BadByte> FindBadByte(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\0') return BadByte{i, "a NUL byte"};
    const size_t length = DecodeUtf8(text.substr(i)).length;
    if (length == 0) return BadByte{i, "not UTF-8 text"};
    i += length;
  }
  return std::nullopt;
}

}  // namespace intercom
