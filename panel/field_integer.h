// The one conversion of field text to a number.
#pragma once

#include <cstdint>
#include <string>

namespace intercom {

// Leading blanks, then either an optional sign and decimal digits, or one of
// the prefixes "$", "x", "X", "0x", "0X" and up to 32 bits of hex digits (taken
// as signed, so "$FFFFFFFF" is -1). Nothing may follow the digits. Anything
// else, the empty text included, throws ConversionFailure with the whole text.
int32_t ParseFieldInteger(const std::string& text);

}  // namespace intercom
