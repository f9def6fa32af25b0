// The kinds of a catalogue and their settings as texts for people. Help texts,
// usage lines and manual pages list kinds only through these, so that a kind
// added to the catalogue is named wherever kinds are listed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "protocol/device_catalogue.h"

namespace intercom {

// The items with `separator` between them, `last` before the last one:
// JoinList({"a", "b", "c"}, ", ", " or ") is "a, b or c".
std::string JoinList(const std::vector<std::string>& items, std::string_view separator,
                     std::string_view last);

// The kinds' names ("subscriber", "beltpack", ...), in probe order.
std::vector<std::string> KindNameList(const Catalogue& catalogue);

// How people call the kinds ("subscriber set", "belt pack", ...), in probe order.
std::vector<std::string> KindTitleList(const Catalogue& catalogue);

// Settings of one kind that are listed together: a single setting, or a run of
// numbered ones (key1..key10) that share encoding and range.
struct SettingRun {
  std::string first;
  std::string last;  // empty for a single setting
  Encoding encoding;
  int32_t low;
  int32_t high;
};

// The kind's settings in catalogue order, numbered neighbours joined in runs.
std::vector<SettingRun> SettingRuns(const KindEntry& kind);

// What the values of a run are ("addresses", "levels", ...); null for studio flags.
const char* ValueNoun(Encoding encoding);

}  // namespace intercom
