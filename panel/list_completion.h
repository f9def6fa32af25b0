// Completion of an editable list's field as the user types (the port dialog's
// port name): the one rule both windows' port dialogs complete by.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace intercom {

// After a character is typed, the field holds `typed`: the first of `items`,
// in list order, that begins with it, ASCII letter case ignored, in the
// item's own spelling (device names may be case-sensitive). The field then
// shows it with the part after the typed length selected, so that the next
// character replaces that part. None for an empty text or when no item matches.
std::optional<std::string> CompleteFromList(const std::vector<std::string>& items,
                                            std::string_view typed);

}  // namespace intercom
