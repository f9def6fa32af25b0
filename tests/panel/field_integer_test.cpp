#include "panel/field_integer.h"

#include <gtest/gtest.h>

#include "panel/handler_failure.h"

namespace intercom {
namespace {

TEST(ParseFieldInteger, AcceptsDecimalWithLeadingBlanksAndSign) {
  EXPECT_EQ(ParseFieldInteger("7"), 7);
  EXPECT_EQ(ParseFieldInteger(" 7"), 7);
  EXPECT_EQ(ParseFieldInteger("   -12"), -12);
  EXPECT_EQ(ParseFieldInteger("+5"), 5);
  EXPECT_EQ(ParseFieldInteger("00"), 0);
  EXPECT_EQ(ParseFieldInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseFieldInteger("-2147483648"), INT32_MIN);
}

TEST(ParseFieldInteger, AcceptsHexPrefixesAsSigned32Bit) {
  EXPECT_EQ(ParseFieldInteger("$1F"), 31);
  EXPECT_EQ(ParseFieldInteger("0x1f"), 31);
  EXPECT_EQ(ParseFieldInteger("0X1F"), 31);
  EXPECT_EQ(ParseFieldInteger("x10"), 16);
  EXPECT_EQ(ParseFieldInteger("X10"), 16);
  EXPECT_EQ(ParseFieldInteger("$20"), 32);
  EXPECT_EQ(ParseFieldInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseFieldInteger(" $80000000"), INT32_MIN);
}

TEST(ParseFieldInteger, RejectsEverythingElseWithTheWholeText) {
  for (const std::string text : {"", " ", "7 ", "-", "+", "abc", "1a", "-$5", "$", "0x",
                                 "2147483648", "-2147483649", "$100000000", "1 2", "\t7", "٣"}) {
    try {
      ParseFieldInteger(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const ConversionFailure& failure) {
      EXPECT_EQ(std::string(failure.what()), "'" + text + "' is not a valid integer value");
    }
  }
}

}  // namespace
}  // namespace intercom
