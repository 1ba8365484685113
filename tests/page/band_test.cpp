// The band a page becomes for the band encoder.
#include "page/band.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using page::Band;
using page::InkPage;

InkPage Page(int32_t width, int32_t rows, bool colour) {
  InkPage page;
  page.width_dots = width;
  page.rows = rows;
  page.colour = colour;
  page.Allocate();
  return page;
}

uint8_t Nibble(const Band& band, int32_t x, int32_t y) {
  const uint8_t byte = band.bits[static_cast<size_t>(y) * band.stride + x / 2];
  return x % 2 == 0 ? byte >> 4 : byte & 0xF;
}

bool MonoInk(const Band& band, int32_t x, int32_t y) {
  return ((band.bits[static_cast<size_t>(y) * band.stride + x / 8] >> (7 - x % 8)) & 1) == 0;
}

TEST(PageBand, ColourPortraitClearsOneBitPerInk) {
  InkPage page = Page(9, 2, true);
  page.SetDot(page::kCyan, 0, 0);
  page.SetDot(page::kMagenta, 0, 1);
  page.SetDot(page::kYellow, 1, 8);
  page.SetDot(page::kCyan, 1, 8);
  Band band;
  ASSERT_TRUE(page::MakeBand(page, false, &band));
  EXPECT_EQ(band.width, 9);
  EXPECT_EQ(band.height, 2);
  EXPECT_EQ(band.bits_per_pixel, 4);
  EXPECT_EQ(band.stride, 8);  // 5 bytes of pixels, aligned to 8
  EXPECT_EQ(band.bits.size(), 16u);
  EXPECT_EQ(Nibble(band, 0, 0), 0xE);
  EXPECT_EQ(Nibble(band, 1, 0), 0xD);
  EXPECT_EQ(Nibble(band, 2, 0), 0xF);
  EXPECT_EQ(Nibble(band, 8, 1), 0xA);
  EXPECT_EQ(Nibble(band, 8, 0), 0xF);
}

TEST(PageBand, LandscapeTurnsThePageForColumnReading) {
  for (bool colour : {false, true}) {
    InkPage page = Page(16, 3, colour);
    page.SetDot(0, 0, 0);   // row 0, dot 0
    page.SetDot(0, 2, 13);  // row 2, dot 13
    Band band;
    ASSERT_TRUE(page::MakeBand(page, true, &band));
    EXPECT_EQ(band.width, 3);
    EXPECT_EQ(band.height, 16);
    EXPECT_TRUE(band.landscape);
    for (int32_t j = 0; j < 3; ++j) {
      for (int32_t k = 0; k < 16; ++k) {
        const bool ink = colour ? (Nibble(band, j, 15 - k) & 1) == 0 : MonoInk(band, j, 15 - k);
        EXPECT_EQ(ink, page.Dot(0, j, k)) << "row " << j << " dot " << k;
      }
    }
  }
}

TEST(PageBand, MonochromeAlignmentBitsStayWhite) {
  InkPage page = Page(10, 1, false);
  for (int x = 0; x < 10; ++x) page.SetDot(page::kBlack, 0, x);
  Band band;
  ASSERT_TRUE(page::MakeBand(page, false, &band));
  EXPECT_EQ(band.bits_per_pixel, 1);
  EXPECT_EQ(band.bits, (std::vector<uint8_t>{0x00, 0x3F, 0xFF, 0xFF}));
}

TEST(PageBand, RefusesPagesThePlugInCannotSend) {
  Band band;
  std::string error;
  EXPECT_FALSE(page::MakeBand(Page(0, 10, true), false, &band, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(page::MakeBand(Page(1480, 2, true), false, &band, &error));
  EXPECT_FALSE(page::MakeBand(Page(1481, 2, true), false, &band, &error));
  EXPECT_FALSE(page::MakeBand(Page(1481, 2, false), true, &band, &error));
  InkPage short_planes = Page(16, 4, true);
  short_planes.planes[2].pop_back();
  EXPECT_FALSE(page::MakeBand(short_planes, false, &band, &error));
}

}  // namespace
