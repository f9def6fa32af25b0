#include "qt/picture/jpeg_image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "qt/picture/embedded_picture.h"

namespace intercom {
namespace {

constexpr int kWidth = 769;
constexpr int kHeight = 281;

// Where the window puts the ten fields under the picture, and the height
// through the upper part of the key caps above them.
int FieldLeft(int i) {
  return 152 + 64 * i;
}
constexpr int kFieldWidth = 41;
constexpr int kKeyCapY = 230;

int Luminance(const RgbImage& image, int x, int y) {
  const size_t at = (static_cast<size_t>(y) * image.width + x) * 3;
  return (image.rgb[at] * 299 + image.rgb[at + 1] * 587 + image.rgb[at + 2] * 114) / 1000;
}

struct FrameHeader {
  bool jfif = false;
  int marker = 0;  // The SOFn marker byte.
  int height = 0;
  int width = 0;
  int components = 0;
};

uint16_t BigEndian(std::span<const uint8_t> data, size_t at) {
  return static_cast<uint16_t>(data[at] << 8 | data[at + 1]);
}

// Walks the marker segments from SOI to the first frame header.
FrameHeader ReadFrameHeader(std::span<const uint8_t> data) {
  FrameHeader header;
  if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8) return header;
  size_t at = 2;
  while (at + 4 <= data.size() && data[at] == 0xFF) {
    const uint8_t marker = data[at + 1];
    const size_t length = BigEndian(data, at + 2);
    const size_t body = at + 4;
    if (at + 2 + length > data.size()) break;
    if (marker == 0xE0 && length >= 7 && data[body] == 'J' && data[body + 1] == 'F' &&
        data[body + 2] == 'I' && data[body + 3] == 'F' && data[body + 4] == 0) {
      header.jfif = true;
    }
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      header.marker = marker;
      header.height = BigEndian(data, body + 1);
      header.width = BigEndian(data, body + 3);
      header.components = data[body + 5];
      break;
    }
    at += 2 + length;
  }
  return header;
}

TEST(EmbeddedPicture, IsBaselineJfifOf769By281WithThreeComponents) {
  const FrameHeader header = ReadFrameHeader(SubscriberSetPicture());
  EXPECT_TRUE(header.jfif);
  EXPECT_EQ(header.marker, 0xC0);
  EXPECT_EQ(header.width, kWidth);
  EXPECT_EQ(header.height, kHeight);
  EXPECT_EQ(header.components, 3);
}

TEST(EmbeddedPicture, DecodesToFullSizeRgb) {
  const std::optional<RgbImage> image = DecodeJpeg(SubscriberSetPicture());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, kWidth);
  EXPECT_EQ(image->height, kHeight);
  EXPECT_EQ(image->rgb.size(), static_cast<size_t>(kWidth) * kHeight * 3);
}

// The light key caps must stand over the middle of their fields, with dark
// panel over the gaps between fields.
TEST(EmbeddedPicture, KeysLineUpWithTheFieldsBelow) {
  const std::optional<RgbImage> image = DecodeJpeg(SubscriberSetPicture());
  ASSERT_TRUE(image.has_value());
  for (int i = 0; i < 10; ++i) {
    const int keyX = FieldLeft(i) + kFieldWidth / 2;
    const int gapX = FieldLeft(i) - 12;  // Midway to the field before.
    SCOPED_TRACE(i);
    EXPECT_GT(Luminance(*image, keyX, kKeyCapY), Luminance(*image, gapX, kKeyCapY) + 80);
  }
}

// For screens of two device pixels a pixel: each 2 x 2 block of the double
// picture is, on average, the pixel of the plain one it stands for.
TEST(EmbeddedPicture, DoublePictureIsTheSameDrawingAtTwiceTheResolution) {
  const FrameHeader header = ReadFrameHeader(SubscriberSetPictureDouble());
  EXPECT_TRUE(header.jfif);
  EXPECT_EQ(header.marker, 0xC0);
  EXPECT_EQ(header.components, 3);
  const std::optional<RgbImage> plain = DecodeJpeg(SubscriberSetPicture());
  const std::optional<RgbImage> dense = DecodeJpeg(SubscriberSetPictureDouble());
  ASSERT_TRUE(plain.has_value());
  ASSERT_TRUE(dense.has_value());
  ASSERT_EQ(dense->width, 2 * kWidth);
  ASSERT_EQ(dense->height, 2 * kHeight);
  long difference = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const int block = Luminance(*dense, 2 * x, 2 * y) + Luminance(*dense, 2 * x + 1, 2 * y) +
                        Luminance(*dense, 2 * x, 2 * y + 1) +
                        Luminance(*dense, 2 * x + 1, 2 * y + 1);
      difference += std::abs(block - 4 * Luminance(*plain, x, y));
    }
  }
  // JPEG's own error and the finer edges: a few levels of 255 on average.
  EXPECT_LT(difference / (4.0 * kWidth * kHeight), 4.0);
}

TEST(DecodeJpeg, RefusesTruncatedData) {
  const std::span<const uint8_t> whole = SubscriberSetPicture();
  // Inside the headers, inside the scan, and only the end marker missing.
  for (const size_t size :
       {size_t{0}, size_t{2}, size_t{20}, size_t{300}, whole.size() / 2, whole.size() - 2}) {
    SCOPED_TRACE(size);
    EXPECT_FALSE(DecodeJpeg(whole.first(size)).has_value());
  }
}

TEST(DecodeJpeg, RefusesGarbage) {
  std::mt19937 random(7);
  std::vector<uint8_t> noise(4096);
  for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
  EXPECT_FALSE(DecodeJpeg(noise).has_value());

  // A JPEG start followed by noise.
  noise[0] = 0xFF;
  noise[1] = 0xD8;
  EXPECT_FALSE(DecodeJpeg(noise).has_value());

  const std::vector<uint8_t> zeros(4096, 0);
  EXPECT_FALSE(DecodeJpeg(zeros).has_value());
}

TEST(DecodeJpeg, RefusesScanCutShortInTheMiddle) {
  // The first half of the picture data and the end marker: libjpeg alone
  // would fill the missing rows with grey and report success.
  const std::span<const uint8_t> whole = SubscriberSetPicture();
  std::vector<uint8_t> spliced(whole.begin(), whole.begin() + whole.size() / 2);
  spliced.push_back(0xFF);
  spliced.push_back(0xD9);
  EXPECT_FALSE(DecodeJpeg(spliced).has_value());
}

}  // namespace
}  // namespace intercom
