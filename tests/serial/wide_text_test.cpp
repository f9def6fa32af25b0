// The one conversion between the program's UTF-8 and the wide Windows calls'
// UTF-16; run on Linux and, in the Windows build, under Wine.
#include "serial/wide_text.h"

#include <gtest/gtest.h>

namespace intercom {
namespace {

TEST(WideText, RoundTripsEveryPlaneAsUtf16Units) {
  // A, Ж, €, U+FFFF and, past the first plane, U+1F4DE and U+10FFFF.
  const std::string text = "A\xD0\x96\xE2\x82\xAC\xEF\xBF\xBF\xF0\x9F\x93\x9E\xF4\x8F\xBF\xBF";
  const std::wstring wide = Wide(text);
  EXPECT_EQ(wide, (std::wstring{0x41, 0x0416, 0x20AC, 0xFFFF, 0xD83D, 0xDCDE, 0xDBFF, 0xDFFF}));
  EXPECT_EQ(Narrow(wide), text);
  EXPECT_EQ(Wide("Журнал обмена: C:\\журнал.log"), L"Журнал обмена: C:\\журнал.log");
  EXPECT_EQ(Narrow(L"Журнал обмена"), "Журнал обмена");
  // A NUL inside is text like any other.
  EXPECT_EQ(Wide(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
  EXPECT_EQ(Wide(""), L"");
  EXPECT_EQ(Narrow(L""), "");
}

TEST(WideText, EachIllFormedPartBecomesOneReplacementCharacter) {
  const wchar_t r = 0xFFFD;
  // A stray continuation byte, and bytes that never start a sequence.
  EXPECT_EQ(Wide("a\x80z"), (std::wstring{L'a', r, L'z'}));
  EXPECT_EQ(Wide("\xC0\xAF\xFE\xFF"), (std::wstring{r, r, r, r}));
  // Cut off by the end, or by a byte that then counts on its own.
  EXPECT_EQ(Wide("\xE2\x82"), (std::wstring{r}));
  EXPECT_EQ(Wide("\xF0\x9F\x93z"), (std::wstring{r, L'z'}));
  EXPECT_EQ(Wide("\xE2\x82\xD0\x96"), (std::wstring{r, wchar_t{0x0416}}));
  // Overlong forms, an encoded surrogate and a value past U+10FFFF: the lead
  // byte allows no such second byte.
  EXPECT_EQ(Wide("\xE0\x80\xAF"), (std::wstring{r, r, r}));
  EXPECT_EQ(Wide("\xF0\x80\x80\xAF"), (std::wstring{r, r, r, r}));
  EXPECT_EQ(Wide("\xED\xA0\x80"), (std::wstring{r, r, r}));
  EXPECT_EQ(Wide("\xF4\x90\x80\x80"), (std::wstring{r, r, r, r}));
  // Lone surrogate units, and a pair in the wrong order.
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(Narrow(std::wstring{L'a', wchar_t{0xD83D}}), "a" + replacement);
  EXPECT_EQ(Narrow(std::wstring{wchar_t{0xDCDE}, L'z'}), replacement + "z");
  EXPECT_EQ(Narrow(std::wstring{wchar_t{0xDCDE}, wchar_t{0xD83D}}), replacement + replacement);
  EXPECT_EQ(Narrow(std::wstring{wchar_t{0xD83D}, L'z', wchar_t{0xDCDE}}),
            replacement + "z" + replacement);
}

}  // namespace
}  // namespace intercom
