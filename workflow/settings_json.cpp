#include "workflow/settings_json.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "workflow/input_error.h"
#include "workflow/setting_text.h"

namespace intercom {
namespace {

using Json = nlohmann::ordered_json;

// One "key": value of the file, kept as read until the kind is known.
struct Entry {
  std::string key;
  std::optional<int32_t> whole;     // an integer within 32 bits
  std::optional<bool> flag;         // true or false
  std::optional<std::string> text;  // a string
  std::string shown;                // the value as a refusal shows it
};

std::string Allowed(const SettingEntry& setting) {
  return " (allowed " + std::to_string(setting.low) + ".." + std::to_string(setting.high) + ")";
}

// Reads the document as events rather than into a tree: nothing recurses on
// its depth, a nested value is refused at its first bracket, and a number
// that does not fit is refused with its own text.
class Reader final : public nlohmann::json_sax<Json> {
 public:
  Reader(const Catalogue& catalogue, const std::string& text, std::string prefix)
      : catalogue_(catalogue), badByte_(FindBadByte(text)), prefix_(std::move(prefix)) {}

  std::vector<Entry> entries;

  bool null() override {
    Add("null");
    return true;
  }
  bool boolean(bool value) override {
    Add(value ? "true" : "false").flag = value;
    return true;
  }
  bool number_integer(number_integer_t value) override {
    Entry& entry = Add(std::to_string(value));
    if (value >= std::numeric_limits<int32_t>::min() &&
        value <= std::numeric_limits<int32_t>::max()) {
      entry.whole = static_cast<int32_t>(value);
    }
    return true;
  }
  bool number_unsigned(number_unsigned_t value) override {
    Entry& entry = Add(std::to_string(value));
    if (value <= static_cast<number_unsigned_t>(std::numeric_limits<int32_t>::max())) {
      entry.whole = static_cast<int32_t>(value);
    }
    return true;
  }
  bool number_float(number_float_t, const string_t& written) override {
    Add(ShownText(written));
    return true;
  }
  bool string(string_t& value) override {
    Add("\"" + ShownText(value) + "\"").text = value;
    return true;
  }
  bool binary(binary_t&) override {
    Add("binary data");
    return true;
  }

  bool start_object(std::size_t) override {
    if (depth_++ > 0) Nested("an object");
    return true;
  }
  bool key(string_t& name) override {
    if (!keys_.insert(name).second) throw InputError(prefix_ + ShownText(name) + " is given twice");
    pending_ = name;
    return true;
  }
  bool end_object() override {
    --depth_;
    return true;
  }
  bool start_array(std::size_t) override { Nested("an array"); }
  bool end_array() override { return true; }

  // The parser takes a NUL for the end of the text, so one right after the
  // object ends the document without an error of its own.
  void CheckEnd() const {
    if (badByte_) BadByteError(prefix_);
  }

  bool parse_error(std::size_t position, const std::string& token,
                   const Json::exception& error) override {
    // Past a value the error lies after it: its key still tells where.
    std::string place = prefix_;
    if (pending_) {
      place += ShownText(*pending_) + ": ";
    } else if (depth_ == 1 && !entries.empty()) {
      place += "after " + ShownText(entries.back().key) + ": ";
    }
    // The library's out_of_range 406: a number beyond a double.
    if (error.id == 406 && pending_) {
      const KindEntry* kind = KindSoFar();
      const SettingEntry* setting = kind != nullptr ? kind->Find(*pending_) : nullptr;
      throw InputError(place + ShownText(token) + " is not a whole number" +
                       (setting != nullptr ? Allowed(*setting) : std::string()));
    }
    // The parser stops at or just past a byte that cannot be in a document.
    if (badByte_ && badByte_->offset < position) BadByteError(place);
    throw InputError(place + (pending_ ? "not a JSON value" : "not a JSON document") + " (byte " +
                     std::to_string(position) + ")");
  }

 private:
  [[noreturn]] void BadByteError(const std::string& place) const {
    throw InputError(place + "byte " + std::to_string(badByte_->offset + 1) + " is " +
                     badByte_->what);
  }

  // The entry for the value of the pending key.
  Entry& Add(std::string shown) {
    if (!pending_) throw InputError(prefix_ + "expected one JSON object");
    Entry& entry = entries.emplace_back();
    entry.key = std::move(*pending_);
    entry.shown = std::move(shown);
    pending_.reset();
    return entry;
  }

  [[noreturn]] void Nested(const char* what) {
    if (!pending_) throw InputError(prefix_ + "expected one JSON object");
    throw InputError(prefix_ + ShownText(*pending_) + ": expected a single value, found " + what);
  }

  // The kind when "kind" came before, for the range in a refusal.
  const KindEntry* KindSoFar() const {
    for (const Entry& entry : entries) {
      if (entry.key == "kind" && entry.text) return catalogue_.FindByName(*entry.text);
    }
    return nullptr;
  }

  const Catalogue& catalogue_;
  const std::optional<BadByte> badByte_;
  const std::string prefix_;
  int depth_ = 0;
  std::set<std::string> keys_;
  std::optional<std::string> pending_;  // the key whose value comes next
};

int32_t WholeNumber(const Entry& entry, const SettingEntry& setting, const std::string& prefix) {
  if (setting.encoding == Encoding::Studio && entry.flag) return *entry.flag ? 1 : 0;
  if (entry.whole) return *entry.whole;
  throw InputError(prefix + setting.name + ": " + entry.shown + " is not a whole number" +
                   Allowed(setting));
}

}  // namespace

DeviceSettings ParseSettingsJson(const Catalogue& catalogue, const std::string& text,
                                 const std::string& where) {
  const std::string prefix = where + ": ";
  Reader reader(catalogue, text, prefix);
  Json::sax_parse(text, &reader);
  reader.CheckEnd();

  const Entry* kindEntry = nullptr;
  for (const Entry& entry : reader.entries) {
    if (entry.key == "kind") kindEntry = &entry;
  }
  if (kindEntry == nullptr) throw InputError(prefix + "\"kind\" is missing");
  const KindEntry* kind = kindEntry->text ? catalogue.FindByName(*kindEntry->text) : nullptr;
  if (kind == nullptr) {
    throw InputError(prefix + "kind: " + kindEntry->shown + " is not one of " +
                     KindNames(catalogue));
  }

  DeviceSettings settings;
  settings.kind = kind->kind;
  for (const Entry& entry : reader.entries) {
    if (&entry == kindEntry) continue;
    const SettingEntry* setting = kind->Find(entry.key);
    if (setting == nullptr) {
      throw InputError(prefix + "unknown key '" + ShownText(entry.key) + "' for a " + kind->name +
                       " (" + catalogue.Describe(kind->kind) + ")");
    }
    AddSetting(catalogue, settings, entry.key, WholeNumber(entry, *setting, prefix), prefix);
  }
  return settings;
}

void CheckSettingsKind(const Catalogue& catalogue, const DeviceSettings& settings, DeviceKind found,
                       const std::string& where, const std::string& portName) {
  if (settings.kind == found) return;
  throw InputError(where + " holds settings of a " + catalogue.KindName(settings.kind) +
                   ", but a " + catalogue.KindName(found) + " answered on " + portName);
}

std::string SettingsJson(const Catalogue& catalogue, const DeviceSettings& settings) {
  Json document;
  document["kind"] = catalogue.KindName(settings.kind);
  const KindEntry* kind = catalogue.Find(settings.kind);
  if (kind == nullptr) return document.dump(2) + "\n";
  for (const SettingEntry& setting : kind->settings) {
    const SettingValue* value = settings.Find(setting.name);
    if (value == nullptr) continue;
    if (setting.encoding == Encoding::Studio) {
      document[setting.name] = value->value != 0;
    } else {
      document[setting.name] = value->value;
    }
  }
  return document.dump(2) + "\n";
}

}  // namespace intercom
