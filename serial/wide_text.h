// Text crosses between the program's UTF-8 and the UTF-16 of the wide
// Windows calls here and nowhere else. Plain C++: a wchar_t holds one UTF-16
// code unit, as on Windows, wherever it is compiled.
#pragma once

#include <string>
#include <string_view>

namespace intercom {

// Never fails: each maximal ill-formed part of the input (a stray or cut-off
// sequence, an overlong form, a surrogate, a value past U+10FFFF, a lone
// surrogate unit, a unit past 16 bits) becomes one U+FFFD.
std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace intercom
