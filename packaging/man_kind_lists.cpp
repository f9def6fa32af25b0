#include "packaging/man_kind_lists.h"

#include <cctype>
#include <vector>

#include "protocol/kind_lists.h"

namespace intercom {
namespace {

// Settings lines longer than this are broken after a comma, as the pages'
// own paragraphs are.
constexpr size_t kLineWidth = 85;

std::string Bold(std::string_view text) {
  return "*" + std::string(text) + "*";
}

std::vector<std::string> WithArticles(std::vector<std::string> titles) {
  for (std::string& title : titles) {
    const bool vowel =
        !title.empty() && std::string_view("aeiou").find(title[0]) != std::string_view::npos;
    title.insert(0, vowel ? "an " : "a ");
  }
  return titles;
}

std::string KindOptions(const Catalogue& catalogue) {
  std::vector<std::string> options;
  for (const KindEntry& kind : catalogue.Kinds()) {
    options.push_back(Bold(kind.name));
    if (kind.title != nullptr) options.back() += " (" + std::string(kind.title) + ")";
  }
  return JoinList(options, ", ", " or ");
}

// "*key1* to *key10* (addresses 0 to 32)". The first run that can hold 0 for
// an address says what 0 means, once.
std::string RunText(const SettingRun& run, bool& noneExplained) {
  const std::string names =
      run.last.empty() ? Bold(run.first) : Bold(run.first) + " to " + Bold(run.last);
  if (run.encoding == Encoding::Studio) return names + " (true or false)";
  std::string range = std::to_string(run.low) + " to " + std::to_string(run.high);
  if (!run.last.empty()) range = std::string(ValueNoun(run.encoding)) + " " + range;
  if (run.encoding == Encoding::Address && run.low == 0 && !noneExplained) {
    noneExplained = true;
    range += ", 0 for none";
  }
  return names + " (" + range + ")";
}

std::string KindSettings(const Catalogue& catalogue) {
  std::string text;
  bool noneExplained = false;
  for (const KindEntry& kind : catalogue.Kinds()) {
    if (!text.empty()) text += "\n\n";
    text += Bold(kind.name) + "\n\t";
    std::string line;
    for (const SettingRun& run : SettingRuns(kind)) {
      const std::string item = RunText(run, noneExplained);
      if (line.empty()) {
        line = item;
      } else if (line.size() + 2 + item.size() > kLineWidth) {
        text += line + ",\n\t";
        line = item;
      } else {
        line += ", " + item;
      }
    }
    text += line;
  }
  return text;
}

}  // namespace

std::string FillKindLists(std::string_view text, const Catalogue& catalogue) {
  const std::pair<std::string_view, std::string> lists[] = {
      {"{{kind-titles}}", JoinList(KindTitleList(catalogue), ", ", " or ")},
      {"{{kind-titles-a}}", JoinList(WithArticles(KindTitleList(catalogue)), ", ", " or ")},
      {"{{kind-options}}", KindOptions(catalogue)},
      {"{{kind-settings}}", KindSettings(catalogue)},
  };
  std::string filled;
  size_t from = 0;
  for (size_t at = text.find("{{"); at != std::string_view::npos; at = text.find("{{", from)) {
    filled += text.substr(from, at - from);
    bool known = false;
    for (const auto& [marker, list] : lists) {
      if (text.substr(at, marker.size()) == marker) {
        filled += list;
        from = at + marker.size();
        known = true;
        break;
      }
    }
    if (!known) {
      throw UnknownMarker("unknown marker " +
                          std::string(text.substr(at, text.find('\n', at) - at)));
    }
  }
  return filled + std::string(text.substr(from));
}

}  // namespace intercom
