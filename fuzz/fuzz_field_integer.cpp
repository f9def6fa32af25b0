// ParseFieldInteger against a second implementation of its rules written
// another way (the C library's conversions after a syntax check): both accept
// the same texts with the same values, and a refusal carries the whole text.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "panel/field_integer.h"
#include "panel/handler_failure.h"

namespace {

bool AllOf(const std::string& digits, int (*isDigit)(int)) {
  if (digits.empty()) return false;
  for (char c : digits) {
    if (!isDigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string WithoutLeadingZeros(const std::string& digits) {
  const size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

// Leading blanks; then a sign and decimal digits within 32 bits, or "$", "x",
// "X", "0x", "0X" and up to 32 bits of hexadecimal digits read as signed.
std::optional<int32_t> Reference(const std::string& text) {
  const size_t start = text.find_first_not_of(' ');
  if (start == std::string::npos) return std::nullopt;
  const std::string rest = text.substr(start);

  std::string hex;
  if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') {
    hex = rest.substr(1);
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    hex = rest.substr(2);
  } else {
    const bool sign = rest[0] == '+' || rest[0] == '-';
    const std::string digits = rest.substr(sign ? 1 : 0);
    if (!AllOf(digits, std::isdigit)) return std::nullopt;
    const std::string significant = WithoutLeadingZeros(digits);
    if (significant.size() > 10) return std::nullopt;
    const long long value = std::strtoll(significant.c_str(), nullptr, 10);
    const long long signedValue = rest[0] == '-' ? -value : value;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(signedValue);
  }
  if (!AllOf(hex, std::isxdigit)) return std::nullopt;
  const std::string significant = WithoutLeadingZeros(hex);
  if (significant.size() > 8) return std::nullopt;
  const unsigned long value = std::strtoul(significant.c_str(), nullptr, 16);
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

[[noreturn]] void Mismatch(const char* what) {
  __builtin_printf("mismatch: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<int32_t> expected = Reference(text);
  try {
    const int32_t value = intercom::ParseFieldInteger(text);
    if (!expected) Mismatch("accepted a text the rules refuse");
    if (value != *expected) Mismatch("another value");
  } catch (const intercom::ConversionFailure& failure) {
    if (expected) Mismatch("refused a text the rules accept");
    if (failure.Message() != "'" + text + "' is not a valid integer value") Mismatch("message");
  }
  return 0;
}
