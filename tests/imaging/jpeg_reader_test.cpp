#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

#include "imaging/image_reader.h"
#include "tests/support/jpeg_writer.h"

namespace imaging {
namespace {

using testsupport::EncodeJpeg;
using testsupport::JpegKind;

bool Decode(const std::vector<uint8_t>& bytes, RgbImage* image, std::string* error) {
  return DecodeImage(bytes.data(), bytes.size(), image, error);
}

// Left half one colour, right half another: far enough from the edges,
// JPEG's losses stay within a few levels.
std::vector<uint8_t> TwoHalves(int components, const uint8_t* left, const uint8_t* right) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x)
      for (int c = 0; c < components; ++c) pixels.push_back(x < 32 ? left[c] : right[c]);
  return pixels;
}

void ExpectNear(const Rgb& got, const Rgb& want, const std::string& what) {
  EXPECT_NEAR(got.r, want.r, 6) << what;
  EXPECT_NEAR(got.g, want.g, 6) << what;
  EXPECT_NEAR(got.b, want.b, 6) << what;
}

TEST(JpegReader, ReadsGreyColourAndAdobeCmyk) {
  struct Case {
    JpegKind kind;
    int components;
    uint8_t left[4], right[4];
    Rgb want_left, want_right;
  };
  // Adobe CMYK is stored inverted: 255 is no ink. Left: no ink at all
  // (white); right: full cyan (no red).
  const Case cases[] = {
      {JpegKind::kGrey, 1, {30}, {220}, {30, 30, 30}, {220, 220, 220}},
      {JpegKind::kRgb, 3, {200, 40, 90}, {10, 250, 128}, {200, 40, 90}, {10, 250, 128}},
      {JpegKind::kAdobeCmyk, 4, {255, 255, 255, 255}, {0, 255, 255, 255}, {255, 255, 255},
       {0, 255, 255}},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> pixels = TwoHalves(c.components, c.left, c.right);
    RgbImage img;
    std::string error;
    ASSERT_TRUE(Decode(EncodeJpeg(pixels.data(), 64, 32, c.kind), &img, &error)) << error;
    ASSERT_EQ(img.width, 64);
    ASSERT_EQ(img.height, 32);
    ExpectNear(img.Get(8, 16), c.want_left, "left, kind " + std::to_string(c.components));
    ExpectNear(img.Get(56, 16), c.want_right, "right, kind " + std::to_string(c.components));
  }
}

TEST(JpegReader, RefusesCutDamagedAndOversizedFiles) {
  std::vector<uint8_t> pixels(256 * 128 * 3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(rand());
  const std::vector<uint8_t> jpeg = EncodeJpeg(pixels.data(), 256, 128, JpegKind::kRgb);
  RgbImage img;
  std::string error;
  ASSERT_TRUE(Decode(jpeg, &img, &error)) << error;
  for (size_t cut : {size_t{3}, size_t{40}, jpeg.size() / 2, jpeg.size() - 3}) {
    error.clear();
    EXPECT_FALSE(Decode(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + cut), &img, &error)) << cut;
    EXPECT_NE(error.find("JPEG"), std::string::npos) << cut << ": " << error;
    EXPECT_TRUE(img.Empty()) << cut;
  }
  // A frame header that claims 60000 x 60000 pixels is refused from the
  // header, before any row is allocated.
  std::vector<uint8_t> huge = jpeg;
  for (size_t i = 2; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 0xEA;  // height 60000
      huge[i + 6] = 0x60;
      huge[i + 7] = 0xEA;  // width 60000
      huge[i + 8] = 0x60;
      break;
    }
  }
  EXPECT_FALSE(Decode(huge, &img, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

}  // namespace
}  // namespace imaging
