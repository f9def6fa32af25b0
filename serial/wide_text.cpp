#include "serial/wide_text.h"

#include <cstdint>

namespace intercom {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The range the second byte of a sequence may take, after its first byte;
// the narrower ranges exclude overlong forms, surrogates and values past
// U+10FFFF.
struct Lead {
  int length;
  uint8_t low;
  uint8_t high;
};

Lead LeadOf(uint8_t byte) {
  if (byte < 0x80) return {1, 0, 0};
  if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
  if (byte == 0xE0) return {3, 0xA0, 0xBF};
  if (byte == 0xED) return {3, 0x80, 0x9F};
  if (byte >= 0xE1 && byte <= 0xEF) return {3, 0x80, 0xBF};
  if (byte == 0xF0) return {4, 0x90, 0xBF};
  if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
  if (byte == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

void AppendUtf16(std::wstring& out, char32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<wchar_t>(code));
    return;
  }
  code -= 0x10000;
  out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
  out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::wstring Wide(std::string_view utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  size_t at = 0;
  while (at < utf8.size()) {
    const auto first = static_cast<uint8_t>(utf8[at]);
    const Lead lead = LeadOf(first);
    if (lead.length == 1) {
      wide.push_back(static_cast<wchar_t>(first));
      ++at;
      continue;
    }
    if (lead.length == 0) {
      AppendUtf16(wide, kReplacement);
      ++at;
      continue;
    }
    char32_t code = first & (0xFF >> (lead.length + 1));
    int taken = 1;
    // A sequence cut short by a byte that cannot continue it is replaced as
    // far as it went; that byte starts afresh.
    while (taken < lead.length && at + taken < utf8.size()) {
      const auto next = static_cast<uint8_t>(utf8[at + taken]);
      const uint8_t low = taken == 1 ? lead.low : 0x80;
      const uint8_t high = taken == 1 ? lead.high : 0xBF;
      if (next < low || next > high) break;
      code = (code << 6) | (next & 0x3F);
      ++taken;
    }
    AppendUtf16(wide, taken == lead.length ? code : kReplacement);
    at += static_cast<size_t>(taken);
  }
  return wide;
}

std::string Narrow(std::wstring_view utf16) {
  std::string narrow;
  narrow.reserve(utf16.size());
  for (size_t at = 0; at < utf16.size(); ++at) {
    const auto unit = static_cast<char32_t>(utf16[at]);
    if (IsHighSurrogate(unit) && at + 1 < utf16.size()) {
      const auto next = static_cast<char32_t>(utf16[at + 1]);
      if (IsLowSurrogate(next)) {
        AppendUtf8(narrow, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++at;
        continue;
      }
    }
    // A wider wchar_t may hold what is no UTF-16 unit at all.
    const bool lone = IsHighSurrogate(unit) || IsLowSurrogate(unit) || unit > 0xFFFF;
    AppendUtf8(narrow, lone ? kReplacement : unit);
  }
  return narrow;
}

}  // namespace intercom
