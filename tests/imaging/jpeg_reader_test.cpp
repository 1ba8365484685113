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

// A file cut at a third and closed with an end-of-image marker, and a header
// that claims far more pixels than the file's bytes can hold (20000 x 10000,
// inside the size limits): both refused, the second before decoding.
TEST(JpegReader, RefusesAFileClosedEarlyAndAHeaderTheFileCannotBack) {
  std::vector<uint8_t> pixels(256 * 128 * 3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(rand());
  const std::vector<uint8_t> jpeg = EncodeJpeg(pixels.data(), 256, 128, JpegKind::kRgb);
  std::vector<uint8_t> closed(jpeg.begin(), jpeg.begin() + jpeg.size() / 3);
  closed.insert(closed.end(), {0xFF, 0xD9});
  RgbImage img;
  std::string error;
  EXPECT_FALSE(Decode(closed, &img, &error));
  EXPECT_NE(error.find("premature end of data segment"), std::string::npos) << error;
  EXPECT_TRUE(img.Empty());

  std::vector<uint8_t> lying = jpeg;
  for (size_t i = 2; i + 8 < lying.size(); ++i) {
    if (lying[i] == 0xFF && lying[i + 1] == 0xC0) {
      lying[i + 5] = 10000 >> 8, lying[i + 6] = 10000 & 0xFF;  // height
      lying[i + 7] = 20000 >> 8, lying[i + 8] = 20000 & 0xFF;  // width
      break;
    }
  }
  EXPECT_FALSE(Decode(lying, &img, &error));
  EXPECT_NE(error.find("20000 x 10000 pixels, more than"), std::string::npos) << error;
}

// The file with an EXIF block (APP1) holding only the orientation tag.
std::vector<uint8_t> WithOrientation(const std::vector<uint8_t>& jpeg, uint8_t orientation) {
  const uint8_t tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0,  // little-endian, first IFD at 8
                          1, 0,                         // one entry:
                          0x12, 0x01, 3, 0, 1, 0, 0, 0, orientation, 0, 0, 0,  // 0x0112 SHORT
                          0, 0, 0, 0};                  // no next IFD
  std::vector<uint8_t> app1 = {0xFF, 0xE1, 0, static_cast<uint8_t>(2 + 6 + sizeof tiff), 'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), tiff, tiff + sizeof tiff);
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), app1.begin(), app1.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

TEST(JpegReader, TurnsPicturesUprightAsTheirExifOrientationSays) {
  // Quadrants of a 64 x 32 picture: red, green above; blue, white below.
  const Rgb quadrant[2][2] = {{{220, 0, 0}, {0, 200, 0}}, {{0, 0, 220}, {255, 255, 255}}};
  std::vector<uint8_t> pixels;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) {
      const Rgb& c = quadrant[y / 16][x / 32];
      pixels.insert(pixels.end(), {c.r, c.g, c.b});
    }
  const std::vector<uint8_t> jpeg = EncodeJpeg(pixels.data(), 64, 32, JpegKind::kRgb);
  // Orientation: the size it comes out at, and which quadrant lands top
  // left and bottom right.
  const struct {
    uint8_t orientation;
    int width, height;
    Rgb top_left, bottom_right;
  } cases[] = {
      {1, 64, 32, quadrant[0][0], quadrant[1][1]},
      {3, 64, 32, quadrant[1][1], quadrant[0][0]},  // upside down
      {6, 32, 64, quadrant[1][0], quadrant[0][1]},  // a quarter clockwise
      {8, 32, 64, quadrant[0][1], quadrant[1][0]},  // a quarter anticlockwise
      {2, 64, 32, quadrant[0][1], quadrant[1][0]},  // mirrored
  };
  for (const auto& c : cases) {
    RgbImage img;
    std::string error;
    ASSERT_TRUE(Decode(WithOrientation(jpeg, c.orientation), &img, &error)) << error;
    const std::string what = "orientation " + std::to_string(c.orientation);
    ASSERT_EQ(img.width, c.width) << what;
    ASSERT_EQ(img.height, c.height) << what;
    ExpectNear(img.Get(img.width / 4, img.height / 4), c.top_left, what + ", top left");
    ExpectNear(img.Get(img.width * 3 / 4, img.height * 3 / 4), c.bottom_right, what + ", bottom right");
  }
}

}  // namespace
}  // namespace imaging
