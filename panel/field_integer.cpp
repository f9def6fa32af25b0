#include "panel/field_integer.h"

#include "panel/handler_failure.h"

namespace intercom {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int32_t ParseFieldInteger(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const std::string_view rest = std::string_view(text).substr(i);

  size_t hexStart = 0;
  if (rest.starts_with("$") || rest.starts_with("x") || rest.starts_with("X")) {
    hexStart = 1;
  } else if (rest.starts_with("0x") || rest.starts_with("0X")) {
    hexStart = 2;
  }
  if (hexStart != 0) {
    const std::string_view digits = rest.substr(hexStart);
    if (digits.empty()) throw ConversionFailure(text);
    uint64_t value = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) throw ConversionFailure(text);
      value = value * 16 + static_cast<uint64_t>(d);
      if (value > 0xFFFFFFFFull) throw ConversionFailure(text);
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
  }

  size_t pos = 0;
  bool negative = false;
  if (pos < rest.size() && (rest[pos] == '+' || rest[pos] == '-')) {
    negative = rest[pos] == '-';
    ++pos;
  }
  if (pos == rest.size()) throw ConversionFailure(text);
  int64_t value = 0;
  for (; pos < rest.size(); ++pos) {
    const char c = rest[pos];
    if (c < '0' || c > '9') throw ConversionFailure(text);
    value = value * 10 + (c - '0');
    if (value > 2147483648LL) throw ConversionFailure(text);
  }
  if (negative) value = -value;
  if (value > 2147483647LL) throw ConversionFailure(text);
  return static_cast<int32_t>(value);
}

}  // namespace intercom
