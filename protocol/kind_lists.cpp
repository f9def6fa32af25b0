#include "protocol/kind_lists.h"

#include <cctype>
#include <charconv>
#include <optional>
#include <utility>

namespace intercom {
namespace {

// "key10" is ("key", 10); a name that does not end in a number has none.
std::optional<std::pair<std::string_view, int>> SplitNumber(std::string_view name) {
  size_t digits = name.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
  if (digits == 0 || digits == name.size()) return std::nullopt;
  int number = 0;
  const auto [end, error] =
      std::from_chars(name.data() + digits, name.data() + name.size(), number);
  if (error != std::errc()) return std::nullopt;
  return std::make_pair(name.substr(0, digits), number);
}

bool Continues(const SettingRun& run, const SettingEntry& next) {
  if (next.encoding != run.encoding || next.low != run.low || next.high != run.high) return false;
  const auto last = SplitNumber(run.last.empty() ? run.first : run.last);
  const auto following = SplitNumber(next.name);
  return last && following && last->first == following->first &&
         following->second == last->second + 1;
}

}  // namespace

std::string JoinList(const std::vector<std::string>& items, std::string_view separator,
                     std::string_view last) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? last : separator;
    text += items[i];
  }
  return text;
}

std::vector<std::string> KindNameList(const Catalogue& catalogue) {
  std::vector<std::string> names;
  for (const KindEntry& kind : catalogue.Kinds()) names.emplace_back(kind.name);
  return names;
}

std::vector<std::string> KindTitleList(const Catalogue& catalogue) {
  std::vector<std::string> titles;
  for (const KindEntry& kind : catalogue.Kinds())
    titles.emplace_back(kind.title != nullptr ? kind.title : kind.name);
  return titles;
}

std::vector<SettingRun> SettingRuns(const KindEntry& kind) {
  std::vector<SettingRun> runs;
  for (const SettingEntry& setting : kind.settings) {
    if (!runs.empty() && Continues(runs.back(), setting)) {
      runs.back().last = setting.name;
    } else {
      runs.push_back({setting.name, "", setting.encoding, setting.low, setting.high});
    }
  }
  return runs;
}

const char* ValueNoun(Encoding encoding) {
  switch (encoding) {
    case Encoding::Address:
    case Encoding::DeviceAddress:
      return "addresses";
    case Encoding::Level:
      return "levels";
    case Encoding::Tally:
      return "inputs";
    case Encoding::Studio:
      return nullptr;
  }
  return nullptr;
}

}  // namespace intercom
