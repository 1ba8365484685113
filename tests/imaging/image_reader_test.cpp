#include <gtest/gtest.h>
#include <png.h>
#include <stdio.h>

#include <string>

#include "imaging/image_reader.h"
#include "imaging/netpbm_reader.h"
#include "imaging/png_writer.h"

namespace imaging {
namespace {

bool Decode(const std::string& bytes, RgbImage* image, std::string* error) {
  return DecodeImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image, error);
}

TEST(PnmReader, ReadsEveryKindWithComments) {
  struct Case {
    std::string bytes;
    Rgb first, last;
  };
  const Case cases[] = {
      {"P1\n# bitmap\n2 1\n1 0\n", {0, 0, 0}, {255, 255, 255}},
      {"P1 2 1 10", {0, 0, 0}, {255, 255, 255}},  // digits may run together
      {"P2 2 1 4 0 4", {0, 0, 0}, {255, 255, 255}},
      {"P3 2 1 255 255 0 0 0 0 255", {255, 0, 0}, {0, 0, 255}},
      {std::string("P4 2 1\n") + char(0x80), {0, 0, 0}, {255, 255, 255}},
      {std::string("P5 2 1 255\n") + char(0) + char(200), {0, 0, 0}, {200, 200, 200}},
      {std::string("P6 2 1 255\n\x01\x02\x03\x04\x05\x06", 17), {1, 2, 3}, {4, 5, 6}},
      {std::string("P5 2 1 65535\n\xff\xff\x80\x00", 17), {255, 255, 255}, {128, 128, 128}},
  };
  for (const Case& c : cases) {
    RgbImage img;
    std::string error;
    ASSERT_TRUE(Decode(c.bytes, &img, &error)) << c.bytes << ": " << error;
    EXPECT_EQ(img.width, 2);
    EXPECT_EQ(img.height, 1);
    EXPECT_EQ(img.Get(0, 0), c.first) << c.bytes;
    EXPECT_EQ(img.Get(1, 0), c.last) << c.bytes;
  }
}

TEST(PnmReader, RefusesDamagedFiles) {
  const std::string bad[] = {
      "P6 2 2 255\n\x01\x02\x03",  // pixel data cut short
      "P3 2 1 255 1 2 3 4 5",      // ASCII data cut short
      "P2 1 1 15 16",              // sample above maxval
      "P5 2 1 0\n\x00\x00",        // maxval 0
      "P5 2 1 70000\n",            // maxval beyond 16 bits
      "P6 2",                      // header cut short
      "P6 2 1 255",                // no separator before the data
      "P2 1 1 255 x",              // not a number
  };
  for (const std::string& b : bad) {
    RgbImage img;
    std::string error;
    EXPECT_FALSE(Decode(b, &img, &error)) << b;
    EXPECT_FALSE(error.empty()) << b;
    EXPECT_TRUE(img.Empty()) << b;
  }
}

TEST(ImageLimits, RefusesEmptyAndHugeImagesBeforeAllocating) {
  RgbImage img;
  std::string error;
  EXPECT_FALSE(Decode("P6 0 0 255\n", &img, &error));
  EXPECT_NE(error.find("empty"), std::string::npos) << error;
  EXPECT_FALSE(Decode("P6 20001 10 255\n", &img, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
  // Within each side's limit but above the pixel count, and an absurd width.
  EXPECT_FALSE(Decode("P5 20000 20000 255\n", &img, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
  EXPECT_FALSE(Decode("P5 99999999999999999999 1 255\n", &img, &error));
  EXPECT_FALSE(error.empty());
}

std::string PngOf(const RgbImage& image) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(EncodePng(image, &bytes, &error)) << error;
  return std::string(bytes.begin(), bytes.end());
}

TEST(PngReader, RoundTripsEveryPixel) {
  RgbImage src(17, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 17; ++x) src.Set(x, y, Rgb{uint8_t(x * 15), uint8_t(y * 50), uint8_t(x ^ y)});
  RgbImage back;
  std::string error;
  ASSERT_TRUE(Decode(PngOf(src), &back, &error)) << error;
  EXPECT_EQ(back.width, 17);
  EXPECT_EQ(back.height, 5);
  EXPECT_EQ(back.pixels, src.pixels);
}

TEST(PngReader, RefusesTruncatedAndHugeFiles) {
  RgbImage src(64, 64, Rgb{1, 2, 3});
  for (int y = 0; y < 64; ++y) src.Set(y, y, Rgb{200, 100, 0});
  const std::string png = PngOf(src);
  RgbImage img;
  std::string error;
  for (size_t cut : {size_t{8}, size_t{20}, size_t{40}, png.size() / 2, png.size() - 13}) {
    EXPECT_FALSE(Decode(png.substr(0, cut), &img, &error)) << cut;
    EXPECT_FALSE(error.empty());
  }
  // A header claiming 100000 x 100000 pixels is refused from the header.
  std::string huge = png;
  const char big[4] = {0x00, 0x01, char(0x86), char(0xA0)};
  huge.replace(16, 4, big, 4);
  huge.replace(20, 4, big, 4);
  EXPECT_FALSE(Decode(huge, &img, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

TEST(PngReader, RefusesHeadersTheFileCannotBack) {
  const std::string png = PngOf(RgbImage(64, 64, Rgb{1, 2, 3}));
  RgbImage img;
  std::string error;
  // An image header of 4 bytes instead of 13.
  std::string short_header = png;
  short_header[11] = 4;
  EXPECT_FALSE(Decode(short_header, &img, &error));
  EXPECT_NE(error.find("image header is 4 bytes long instead of 13"), std::string::npos) << error;
  // 20000 x 10000 pixels claimed for the few bytes of a 64 x 64 picture:
  // refused from the sizes, before libpng allocates the picture.
  std::string claim = png;
  const char size[8] = {0, 0, 0x4E, 0x20, 0, 0, 0x27, 0x10};
  claim.replace(16, 8, size, 8);
  EXPECT_FALSE(Decode(claim, &img, &error));
  EXPECT_NE(error.find("too few to hold them"), std::string::npos) << error;
}

// A palette picture of one row, written with libpng as given: indices
// beyond the palette are written, not refused.
std::string PalettePng(const std::vector<uint8_t>& row, const std::vector<png_color>& palette) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), n);
      },
      nullptr);
  png_set_check_for_invalid_index(png, 0);
  png_set_IHDR(png, info, static_cast<png_uint_32>(row.size()), 1, 8, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  png_write_info(png, info);
  png_write_row(png, row.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(PngReader, PaletteIndicesBeyondThePaletteAreAnError) {
  const std::vector<png_color> palette = {{255, 0, 0}, {0, 0, 255}};
  RgbImage img;
  std::string error;
  ASSERT_TRUE(Decode(PalettePng({0, 1, 1}, palette), &img, &error)) << error;
  EXPECT_EQ(img.Get(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(img.Get(2, 0), (Rgb{0, 0, 255}));
  EXPECT_FALSE(Decode(PalettePng({0, 1, 5}, palette), &img, &error));
  EXPECT_NE(error.find("pixel at 2, 0 is colour 5 of a palette of 2"), std::string::npos) << error;
  EXPECT_TRUE(img.Empty());
}

// Read from a stream whose size is unknown (a pipe), the picture grows row
// by row and comes out as from memory; a cut stream names the row.
TEST(PnmReader, StreamOfUnknownSizeReadsAsMemoryDoes) {
  for (const std::string& bytes : {std::string("P3 2 2 15 0 1 2 3 4 5 6 7 8 9 10 11"),
                                  std::string("P6 2 2 255\n\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c", 23)}) {
    RgbImage expected, streamed;
    std::string error;
    ASSERT_TRUE(Decode(bytes, &expected, &error)) << error;
    for (size_t keep : {bytes.size(), bytes.size() - 3}) {
      std::string copy = bytes.substr(0, keep);
      FILE* file = fmemopen(copy.data(), copy.size(), "rb");
      ASSERT_NE(file, nullptr);
      NetpbmReader reader(file);
      const bool ok = ReadNetpbmImage(&reader, ImageLimits{}, &streamed, &error);
      fclose(file);
      EXPECT_FALSE(reader.SizeKnown());
      if (keep == bytes.size()) {
        ASSERT_TRUE(ok) << error;
        EXPECT_EQ(streamed.pixels, expected.pixels);
      } else {
        EXPECT_FALSE(ok);
        EXPECT_NE(error.find("the pixel data ends in row 2 of 2"), std::string::npos) << error;
      }
    }
  }
}

TEST(ImageReader, RefusesWhatIsNoImage) {
  RgbImage img;
  std::string error;
  EXPECT_FALSE(Decode("", &img, &error));
  EXPECT_FALSE(Decode("GIF89a....", &img, &error));
  EXPECT_FALSE(Decode("P7 1 1 255\n", &img, &error));
  EXPECT_NE(error.find("not a PNG, JPEG or PNM"), std::string::npos) << error;
}

}  // namespace
}  // namespace imaging
