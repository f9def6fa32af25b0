// Settings files: one JSON object holding "kind" and the settings of that kind
// by name, e.g. {"kind": "splitter", "address": 3, "input1": 2}.
#pragma once

#include <string>

#include "protocol/device_settings.h"

namespace intercom {

// Throws InputError, prefixed with `where` (the file name), for text that is
// not one JSON object (white space aside), a nested array or object, a NUL
// byte or bytes that are not UTF-8, a missing or unknown kind, a key the kind
// does not have, a key given twice, or a value that is not a whole number within 32 bits
// (true/false for "studio"). The message is one line naming the key, or the
// byte where no key applies; it shows at most kShownCharacters of any key or
// value. Any depth of nesting is refused at its first bracket, without
// recursion. Ranges are not checked here. Each refusal carries its
// InputProblem: the fault, `where` as its path, and the key, value, byte and
// setting it names.
DeviceSettings ParseSettingsJson(const Catalogue& catalogue, const std::string& text,
                                 const std::string& where);

// Throws InputError when `settings` are not of the kind `found` that
// answered on `portName`: "WHERE holds settings of a splitter, but a switch
// answered on PORT".
void CheckSettingsKind(const Catalogue& catalogue, const DeviceSettings& settings, DeviceKind found,
                       const std::string& where, const std::string& portName);

// The document ParseSettingsJson reads back: kind first, then the settings in
// the kind's order, indented, ending in a newline.
std::string SettingsJson(const Catalogue& catalogue, const DeviceSettings& settings);

}  // namespace intercom
