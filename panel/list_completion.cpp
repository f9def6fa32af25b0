#include "panel/list_completion.h"

#include <algorithm>

namespace intercom {
namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool BeginsWithIgnoringCase(std::string_view item, std::string_view typed) {
  return item.size() >= typed.size() &&
         std::equal(typed.begin(), typed.end(), item.begin(),
                    [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

}  // namespace

std::optional<std::string> CompleteFromList(const std::vector<std::string>& items,
                                            std::string_view typed) {
  if (typed.empty()) return std::nullopt;
  const auto it = std::find_if(items.begin(), items.end(), [typed](const std::string& item) {
    return BeginsWithIgnoringCase(item, typed);
  });
  if (it == items.end()) return std::nullopt;
  return *it;
}

}  // namespace intercom
