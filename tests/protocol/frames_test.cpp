#include "protocol/frames.h"

#include <gtest/gtest.h>

namespace intercom {
namespace {

TEST(Address, EncodesOneToThirtyTwoWithFlagBit) {
  EXPECT_EQ(EncodeAddress(1), 0x20);
  EXPECT_EQ(EncodeAddress(5), 0x24);
  EXPECT_EQ(EncodeAddress(32), 0x3F);
}

TEST(Address, FoldsNumbersOutsideTheRange) {
  EXPECT_EQ(EncodeAddress(33), 0x20);
  EXPECT_EQ(EncodeAddress(0), 0xFF);
  EXPECT_EQ(EncodeAddress(-1), 0xFE);
  EXPECT_EQ(EncodeAddress(INT32_MIN), 0xFF);
  EXPECT_EQ(EncodeAddress(INT32_MAX), 0xFE);
}

TEST(Address, DecodesEveryByte) {
  EXPECT_EQ(DecodeAddress(0x00), "0");
  EXPECT_EQ(DecodeAddress(0x20), "1");
  EXPECT_EQ(DecodeAddress(0x3F), "32");
  EXPECT_EQ(DecodeAddress(0xFF), "0");
  EXPECT_EQ(DecodeAddress(0x1F), "0");
  EXPECT_EQ(DecodeAddress(0x40), "1");
  EXPECT_EQ(DecodeAddress(0x2A), "11");
  for (int b = 0; b <= 255; ++b) {
    const int value = std::stoi(DecodeAddress(static_cast<uint8_t>(b)));
    EXPECT_GE(value, 0) << b;
    EXPECT_LE(value, 32) << b;
  }
}

TEST(Address, RoundTripsEveryValidAddress) {
  for (int n = 1; n <= 32; ++n) EXPECT_EQ(DecodeAddress(EncodeAddress(n)), std::to_string(n));
}

TEST(Level, EncodesPositionsWithCapAt255) {
  EXPECT_EQ(EncodeLevel(0), 32);
  EXPECT_EQ(EncodeLevel(1), 46);
  EXPECT_EQ(EncodeLevel(4), 88);
  EXPECT_EQ(EncodeLevel(15), 242);
  EXPECT_EQ(EncodeLevel(16), 255);
}

TEST(Level, DecodesWithHalvesToEven) {
  EXPECT_EQ(DecodeLevel(39), 0);  // 0.5
  EXPECT_EQ(DecodeLevel(46), 1);
  EXPECT_EQ(DecodeLevel(53), 2);  // 1.5
  EXPECT_EQ(DecodeLevel(67), 2);  // 2.5
  EXPECT_EQ(DecodeLevel(81), 4);  // 3.5
  EXPECT_EQ(DecodeLevel(255), 16);
  EXPECT_EQ(DecodeLevel(0x27), 0);
  EXPECT_EQ(DecodeLevel(0x35), 2);
  EXPECT_LT(DecodeLevel(0), 0);  // the slider clamps it to 0
}

TEST(Level, RoundTripsEveryPosition) {
  for (int p = 0; p <= 16; ++p) {
    EXPECT_EQ(DecodeLevel(static_cast<uint8_t>(EncodeLevel(p))), p);
  }
}

TEST(Tally, EncodesWithoutFlagAndDecodesOneTo256) {
  EXPECT_EQ(EncodeTally(1), 0x00);
  EXPECT_EQ(EncodeTally(0), 0xFF);
  EXPECT_EQ(EncodeTally(7), 0x06);
  EXPECT_EQ(EncodeTally(256), 0xFF);
  EXPECT_EQ(DecodeTally(0x00), "1");
  EXPECT_EQ(DecodeTally(0x06), "7");
  EXPECT_EQ(DecodeTally(0xFF), "256");
}

TEST(StudioFlag, ReadsBitOne) {
  EXPECT_TRUE(StudioFlagIsSet(2));
  EXPECT_TRUE(StudioFlagIsSet(3));
  EXPECT_FALSE(StudioFlagIsSet(1));
  EXPECT_FALSE(StudioFlagIsSet(0));
  EXPECT_FALSE(StudioFlagIsSet(0xFD));
}

TEST(HexTrace, WritesBlankAndTwoUpperCaseDigitsPerByte) {
  const uint8_t bytes[] = {0xE2, 0xE4, 0x01, 0x07, 0x0A, 0xFF, 0x00};
  EXPECT_EQ(HexTrace(bytes, 7), " E2 E4 01 07 0A FF 00");
  EXPECT_EQ(HexTrace(bytes, 0), "");
}

}  // namespace
}  // namespace intercom
