#include "device/settings_json.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/input_error.h"
#include "device/setting_text.h"

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
  Reader(const Catalogue& catalogue, const std::string& text, const std::string& where)
      : catalogue_(catalogue),
        badByte_(FindBadByte(text)),
        badByteNul_(badByte_ && text[badByte_->offset] == '\0'),
        where_(where),
        prefix_(where + ": ") {}

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
    if (!keys_.insert(name).second) {
      throw InputError(prefix_ + ShownText(name) + " is given twice",
                       Problem(InputFault::GivenTwice, name));
    }
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
    if (badByte_) BadByteError(prefix_, Problem(InputFault::BadByte));
  }

  bool parse_error(std::size_t position, const std::string& token,
                   const Json::exception& error) override {
    // Past a value the error lies after it: its key still tells where.
    std::string place = prefix_;
    InputProblem problem = Problem(InputFault::NotADocument);
    if (pending_) {
      place += ShownText(*pending_) + ": ";
      problem = Problem(InputFault::NotAValue, *pending_);
    } else if (depth_ == 1 && !entries.empty()) {
      place += "after " + ShownText(entries.back().key) + ": ";
      problem = Problem(InputFault::NotADocument, entries.back().key);
      problem.afterKey = true;
    }
    // The library's out_of_range 406: a number beyond a double.
    if (error.id == 406 && pending_) {
      problem.fault = InputFault::NotWholeNumber;
      problem.value = ShownText(token);
      throw InputError(place + problem.value + " is not a whole number" +
                           (problem.setting != nullptr ? Allowed(*problem.setting) : std::string()),
                       problem);
    }
    // The parser stops at or just past a byte that cannot be in a document.
    if (badByte_ && badByte_->offset < position) {
      problem.fault = InputFault::BadByte;
      BadByteError(place, problem);
    }
    problem.byte = position;
    throw InputError(place + (pending_ ? "not a JSON value" : "not a JSON document") + " (byte " +
                         std::to_string(position) + ")",
                     problem);
  }

 private:
  [[noreturn]] void BadByteError(const std::string& place, InputProblem problem) const {
    problem.byte = badByte_->offset + 1;
    problem.nul = badByteNul_;
    throw InputError(place + "byte " + std::to_string(problem.byte) + " is " + badByte_->what,
                     problem);
  }

  // The refusal of `fault` in this file, about `key` when one is given.
  InputProblem Problem(InputFault fault, const std::string& key = {}) const {
    InputProblem problem(fault, where_, key);
    if (const KindEntry* kind = KindSoFar()) {
      problem.kind = kind->kind;
      if (!key.empty()) problem.setting = kind->Find(key);
    }
    return problem;
  }

  [[noreturn]] void NotOneObject() const {
    throw InputError(prefix_ + "expected one JSON object", Problem(InputFault::NotOneObject));
  }

  // The entry for the value of the pending key.
  Entry& Add(std::string shown) {
    if (!pending_) NotOneObject();
    Entry& entry = entries.emplace_back();
    entry.key = std::move(*pending_);
    entry.shown = std::move(shown);
    pending_.reset();
    return entry;
  }

  [[noreturn]] void Nested(const char* what) {
    if (!pending_) NotOneObject();
    InputProblem problem = Problem(InputFault::NestedValue, *pending_);
    problem.array = std::string_view(what) == "an array";
    throw InputError(prefix_ + ShownText(*pending_) + ": expected a single value, found " + what,
                     problem);
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
  const bool badByteNul_;
  const std::string where_;
  const std::string prefix_;
  int depth_ = 0;
  std::set<std::string> keys_;
  std::optional<std::string> pending_;  // the key whose value comes next
};

int32_t WholeNumber(const Entry& entry, DeviceKind kind, const SettingEntry& setting,
                    const std::string& where) {
  if (setting.encoding == Encoding::Studio && entry.flag) return *entry.flag ? 1 : 0;
  if (entry.whole) return *entry.whole;
  InputProblem problem{InputFault::NotWholeNumber, where, entry.key};
  problem.kind = kind;
  problem.setting = &setting;
  problem.value = entry.shown;
  throw InputError(where + ": " + setting.name + ": " + entry.shown + " is not a whole number" +
                       Allowed(setting),
                   problem);
}

}  // namespace

DeviceSettings ParseSettingsJson(const Catalogue& catalogue, const std::string& text,
                                 const std::string& where) {
  const std::string prefix = where + ": ";
  Reader reader(catalogue, text, where);
  Json::sax_parse(text, &reader);
  reader.CheckEnd();

  const Entry* kindEntry = nullptr;
  for (const Entry& entry : reader.entries) {
    if (entry.key == "kind") kindEntry = &entry;
  }
  if (kindEntry == nullptr) {
    throw InputError(prefix + "\"kind\" is missing", {InputFault::KindMissing, where});
  }
  const KindEntry* kind = kindEntry->text ? catalogue.FindByName(*kindEntry->text) : nullptr;
  if (kind == nullptr) {
    InputProblem problem{InputFault::UnknownKind, where, "kind"};
    problem.value = kindEntry->shown;
    throw InputError(
        prefix + "kind: " + kindEntry->shown + " is not one of " + KindNames(catalogue), problem);
  }

  DeviceSettings settings;
  settings.kind = kind->kind;
  for (const Entry& entry : reader.entries) {
    if (&entry == kindEntry) continue;
    const SettingEntry* setting = kind->Find(entry.key);
    if (setting == nullptr) {
      InputProblem problem{InputFault::UnknownKey, where, entry.key};
      problem.kind = kind->kind;
      throw InputError(prefix + "unknown key '" + ShownText(entry.key) + "' for a " + kind->name +
                           " (" + catalogue.Describe(kind->kind) + ")",
                       problem);
    }
    // Known and not given twice: the reader refused both before.
    settings.values.push_back({setting, WholeNumber(entry, kind->kind, *setting, where)});
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
