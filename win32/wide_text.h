// Text crosses between the panel model (UTF-8) and the wide Windows calls
// (UTF-16) here and nowhere else.
#pragma once

#include <string>
#include <string_view>

namespace intercom {

// Ill-formed input becomes U+FFFD rather than failing.
std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace intercom
