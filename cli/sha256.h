// SHA-256 (FIPS 180-4), for the fingerprint a report keeps of its plan.
#pragma once

#include <string>
#include <string_view>

namespace intercom::cli {

// The digest of `bytes` as 64 lowercase hex digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace intercom::cli
