// The band the Unidrv stand-in renders for a page.
#include <gtest/gtest.h>

#include <vector>

#include "hosts/unidrv_band.h"

namespace {

using hosts::InkPage;

InkPage Page(int32_t width, int32_t rows, bool colour) {
  InkPage page;
  page.width_dots = width;
  page.rows = rows;
  page.colour = colour;
  page.Allocate();
  return page;
}

uint8_t Nibble(const std::vector<uint8_t>& bits, const BITMAPINFOHEADER& h, int32_t x, int32_t y) {
  const int32_t stride = static_cast<int32_t>(h.biSizeImage / h.biHeight);
  const uint8_t byte = bits[static_cast<size_t>(y) * stride + x / 2];
  return x % 2 == 0 ? byte >> 4 : byte & 0xF;
}

bool MonoInk(const std::vector<uint8_t>& bits, const BITMAPINFOHEADER& h, int32_t x, int32_t y) {
  const int32_t stride = static_cast<int32_t>(h.biSizeImage / h.biHeight);
  return ((bits[static_cast<size_t>(y) * stride + x / 8] >> (7 - x % 8)) & 1) == 0;
}

TEST(UnidrvBand, ColourPortraitClearsOneBitPerInk) {
  InkPage page = Page(9, 2, true);
  page.SetDot(hosts::kCyan, 0, 0);
  page.SetDot(hosts::kMagenta, 0, 1);
  page.SetDot(hosts::kYellow, 1, 8);
  page.SetDot(hosts::kCyan, 1, 8);
  std::vector<uint8_t> bits;
  BITMAPINFOHEADER h;
  ASSERT_TRUE(hosts::MakeBand(page, false, &bits, &h));
  EXPECT_EQ(h.biWidth, 9);
  EXPECT_EQ(h.biHeight, 2);
  EXPECT_EQ(h.biBitCount, 4);
  EXPECT_EQ(h.biSizeImage, 16u);  // 5 bytes of pixels, aligned to 8
  EXPECT_EQ(Nibble(bits, h, 0, 0), 0xE);
  EXPECT_EQ(Nibble(bits, h, 1, 0), 0xD);
  EXPECT_EQ(Nibble(bits, h, 2, 0), 0xF);
  EXPECT_EQ(Nibble(bits, h, 8, 1), 0xA);
  EXPECT_EQ(Nibble(bits, h, 8, 0), 0xF);
}

TEST(UnidrvBand, LandscapeTurnsThePageForColumnReading) {
  for (bool colour : {false, true}) {
    InkPage page = Page(16, 3, colour);
    page.SetDot(0, 0, 0);   // row 0, dot 0
    page.SetDot(0, 2, 13);  // row 2, dot 13
    std::vector<uint8_t> bits;
    BITMAPINFOHEADER h;
    ASSERT_TRUE(hosts::MakeBand(page, true, &bits, &h));
    EXPECT_EQ(h.biWidth, 3);
    EXPECT_EQ(h.biHeight, 16);
    for (int32_t j = 0; j < 3; ++j) {
      for (int32_t k = 0; k < 16; ++k) {
        const bool ink = colour ? (Nibble(bits, h, j, 15 - k) & 1) == 0 : MonoInk(bits, h, j, 15 - k);
        EXPECT_EQ(ink, page.Dot(0, j, k)) << "row " << j << " dot " << k;
      }
    }
  }
}

TEST(UnidrvBand, MonochromeAlignmentBitsStayWhite) {
  InkPage page = Page(10, 1, false);
  for (int x = 0; x < 10; ++x) page.SetDot(hosts::kBlack, 0, x);
  std::vector<uint8_t> bits;
  BITMAPINFOHEADER h;
  ASSERT_TRUE(hosts::MakeBand(page, false, &bits, &h));
  EXPECT_EQ(h.biBitCount, 1);
  ASSERT_EQ(bits.size(), 4u);
  EXPECT_EQ(bits[0], 0x00);
  EXPECT_EQ(bits[1], 0x3F);
  EXPECT_EQ(bits[2], 0xFF);
  EXPECT_EQ(bits[3], 0xFF);
}

TEST(UnidrvBand, RefusesPagesThePlugInCannotSend) {
  std::vector<uint8_t> bits;
  BITMAPINFOHEADER h;
  std::string error;
  EXPECT_FALSE(hosts::MakeBand(Page(0, 10, true), false, &bits, &h, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(hosts::MakeBand(Page(1480, 2, true), false, &bits, &h, &error));
  EXPECT_FALSE(hosts::MakeBand(Page(1481, 2, true), false, &bits, &h, &error));
  EXPECT_FALSE(hosts::MakeBand(Page(1481, 2, false), true, &bits, &h, &error));
  InkPage short_planes = Page(16, 4, true);
  short_planes.planes[2].pop_back();
  EXPECT_FALSE(hosts::MakeBand(short_planes, false, &bits, &h, &error));
}

}  // namespace
