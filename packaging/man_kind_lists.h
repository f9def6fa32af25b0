// The kind lists of the manual pages, filled in from the catalogue when the
// pages are built. A page's scdoc text names a list by a marker:
//   {{kind-titles}}    subscriber set, splitter, belt pack or switch
//   {{kind-titles-a}}  a subscriber set, a splitter, a belt pack or a switch
//   {{kind-options}}   *subscriber* (subscriber set), *splitter*, ... or *switch*
//   {{kind-settings}}  a paragraph per kind: its name, then its settings indented
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "protocol/device_catalogue.h"

namespace intercom {

// A "{{" that opens no marker above.
class UnknownMarker : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `text` with every marker replaced by its list for `catalogue`.
std::string FillKindLists(std::string_view text, const Catalogue& catalogue);

}  // namespace intercom
