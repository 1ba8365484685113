// The raster path reads bands through fast paths: gathering sixteen pixels at
// a time, skipping blank planes, and turning blocks of sixteen landscape
// columns at once. Each must give exactly the line that reading the band
// pixel by pixel gives; these tests hold them to a plain reference on random
// bands of awkward sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "raster/command_stream.h"
#include "raster/plane_extraction.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Band {
  int32_t width, height;
  uint16_t stride, bit_count;
  Bytes bits;
};

// The line as the band's layout defines it, one pixel at a time.
Bytes ReferenceLine(const Band& b, int32_t index, int32_t plane, bool landscape) {
  const int32_t length = std::min(raster::PlaneLineLength(landscape, b.width, b.height, b.stride, b.bit_count),
                                  raster::kLineBufferBytes);
  Bytes line(static_cast<size_t>(std::max(length, 0)), 0);
  static const int kPixelBit[3] = {0, 2, 1};
  auto ink = [&](int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= b.width || y >= b.height) return false;
    const uint8_t* scan = b.bits.data() + static_cast<size_t>(y) * b.stride;
    if (b.bit_count == 1) return x / 8 < b.stride && !((scan[x / 8] >> (7 - x % 8)) & 1);
    if (x / 2 >= b.stride) return false;
    const int nibble = (x & 1) ? scan[x / 2] & 0x0F : scan[x / 2] >> 4;
    return !((nibble >> kPixelBit[plane]) & 1);
  };
  for (int32_t k = 0; k < length * 8; ++k) {
    bool dot;
    if (landscape) {
      dot = k < b.height && ink(index, b.height - 1 - k);
    } else if (b.bit_count == 1) {
      // A 1-bit scan line is taken whole, alignment bytes included.
      const uint8_t* scan = b.bits.data() + static_cast<size_t>(index) * b.stride;
      dot = !((scan[k / 8] >> (7 - k % 8)) & 1);
    } else {
      dot = ink(k, index);
    }
    if (dot) line[static_cast<size_t>(k / 8)] |= static_cast<uint8_t>(0x80 >> (k % 8));
  }
  return line;
}

Band RandomBand(std::mt19937& rng, uint16_t bit_count, bool blank_rows) {
  Band b;
  b.bit_count = bit_count;
  b.width = 1 + static_cast<int32_t>(rng() % 400);
  b.height = 1 + static_cast<int32_t>(rng() % 300);
  const int32_t row_bytes = bit_count == 1 ? (b.width + 7) / 8 : (b.width + 1) / 2;
  // Strides short of the width (pixels beyond it are white), exact, and padded.
  const int32_t choice = static_cast<int32_t>(rng() % 3);
  b.stride = static_cast<uint16_t>(std::max(1, choice == 0 ? row_bytes - static_cast<int32_t>(rng() % 5)
                                                : choice == 1 ? row_bytes : row_bytes + static_cast<int32_t>(rng() % 9)));
  b.bits.resize(static_cast<size_t>(b.stride) * b.height);
  for (size_t i = 0; i < b.bits.size(); ++i) {
    const bool white_row = blank_rows && (i / b.stride) % 3 != 0;
    // Colour bytes near white leave some planes blank and others not.
    b.bits[i] = white_row ? 0xFF : static_cast<uint8_t>(rng() % 4 == 0 ? rng() : 0xFF ^ (1 << (rng() % 8)));
  }
  return b;
}

TEST(PlaneExtractionFastPath, PortraitLinesMatchPixelByPixelReading) {
  std::mt19937 rng(1);
  for (int round = 0; round < 300; ++round) {
    const Band b = RandomBand(rng, round % 2 ? 4 : 1, round % 3 == 0);
    uint8_t line[raster::kLineBufferBytes];
    for (int32_t plane = 0; plane < 3; ++plane) {
      for (int32_t y = 0; y < b.height; ++y) {
        const int32_t n = raster::ExtractPlaneLine(y, b.bits.data(), plane, 0, b.width, b.height,
                                                   b.stride, b.bit_count, line);
        ASSERT_EQ(Bytes(line, line + n), ReferenceLine(b, y, plane, false))
            << "width " << b.width << " stride " << b.stride << " line " << y << " plane " << plane;
      }
    }
  }
}

TEST(PlaneExtractionFastPath, BlankTestAgreesWithTheExtractedLine) {
  std::mt19937 rng(4);
  int blank = 0, inked = 0;
  for (int round = 0; round < 300; ++round) {
    const Band b = RandomBand(rng, 4, true);
    uint8_t line[raster::kLineBufferBytes];
    for (int32_t plane = 0; plane < 3; ++plane) {
      for (int32_t y = 0; y < b.height; ++y) {
        const int32_t n = raster::ExtractPlaneLine(y, b.bits.data(), plane, 0, b.width, b.height,
                                                   b.stride, b.bit_count, line);
        const bool empty = raster::FirstNonZero(line, n) < 0;
        ASSERT_EQ(raster::PortraitLineBlank(y, b.bits.data(), plane, b.width, b.height, b.stride, 4), empty)
            << "width " << b.width << " stride " << b.stride << " line " << y << " plane " << plane;
        (empty ? blank : inked)++;
      }
    }
  }
  // Both answers were put to the test.
  EXPECT_GT(blank, 1000);
  EXPECT_GT(inked, 1000);
}

TEST(PlaneExtractionFastPath, LandscapeBlocksMatchSingleLines) {
  std::mt19937 rng(2);
  for (int round = 0; round < 200; ++round) {
    Band b = RandomBand(rng, round % 2 ? 4 : 1, round % 4 == 0);
    if (round % 3 == 0) {
      // White with a few inked bytes: whole blocks of columns are blank.
      std::fill(b.bits.begin(), b.bits.end(), 0xFF);
      for (int dots = 0; dots < 4; ++dots) b.bits[rng() % b.bits.size()] = static_cast<uint8_t>(rng());
    }
    uint8_t block[raster::kLandscapeBlockLines][raster::kLineBufferBytes];
    for (int32_t plane = 0; plane < 3; ++plane) {
      // Aligned blocks, blocks at odd starts and short blocks at the edge.
      for (int32_t first = 0; first < b.width + 20; first += (round % 5 == 0 ? 7 : raster::kLandscapeBlockLines)) {
        const int32_t count = raster::kLandscapeBlockLines - (round % 7 == 0 ? 3 : 0);
        const int32_t n = raster::ExtractLandscapeLines(first, count, b.bits.data(), plane, b.width,
                                                        b.height, b.stride, b.bit_count, block);
        for (int32_t c = 0; c < count; ++c) {
          ASSERT_EQ(Bytes(block[c], block[c] + n), ReferenceLine(b, first + c, plane, true))
              << "width " << b.width << " height " << b.height << " stride " << b.stride
              << " column " << first + c << " plane " << plane;
        }
      }
    }
  }
}

TEST(PlaneExtractionFastPath, NonZeroSearchesFindTheEdgesAtEveryOffset) {
  uint8_t buf[40] = {};
  EXPECT_EQ(raster::FirstNonZero(buf, 40), -1);
  EXPECT_EQ(raster::LastNonZero(buf, 40), -1);
  for (int32_t a = 0; a < 40; ++a) {
    for (int32_t b = a; b < 40; ++b) {
      uint8_t line[40] = {};
      line[a] = 0x01;
      line[b] = 0x80;
      EXPECT_EQ(raster::FirstNonZero(line, 40), a);
      EXPECT_EQ(raster::LastNonZero(line, 40), b);
      // A length that stops short of the set bytes sees none of them.
      EXPECT_EQ(raster::FirstNonZero(line, a), -1);
      EXPECT_EQ(raster::LastNonZero(line, a), -1);
    }
  }
}

}  // namespace

#include "page/band.h"

namespace {

// Pages become bands a byte of dots at a time; every band pixel must still be
// the page's dot, and dots past the width (whatever the padding holds) white.
TEST(PageBandFastPath, PortraitBandPixelsAreThePageDots) {
  std::mt19937 rng(3);
  for (int round = 0; round < 40; ++round) {
    page::InkPage page;
    page.colour = round % 2 == 0;
    page.width_dots = 1 + static_cast<int32_t>(rng() % 700);
    page.rows = 1 + static_cast<int32_t>(rng() % 40);
    page.Allocate();
    for (int p = 0; p < page.PlaneCount(); ++p) {
      for (uint8_t& b : page.planes[p]) b = static_cast<uint8_t>(rng() % 3 ? 0 : rng());
    }
    page::Band band;
    ASSERT_TRUE(page::MakeBand(page, false, &band));
    const int32_t stride = band.stride;
    for (int32_t y = 0; y < page.rows; ++y) {
      const uint8_t* scan = band.bits.data() + static_cast<size_t>(y) * stride;
      for (int32_t x = 0; x < stride * (page.colour ? 2 : 8); ++x) {
        const bool inside = x < page.width_dots;
        if (page.colour) {
          const int nibble = (x & 1) ? scan[x / 2] & 0x0F : scan[x / 2] >> 4;
          // A clear bit is ink: bit 0 cyan, 1 magenta, 2 yellow; bit 3 set.
          const int expected = 0x0F & ~((inside && page.Dot(0, y, x) ? 1 : 0) |
                                        (inside && page.Dot(1, y, x) ? 2 : 0) |
                                        (inside && page.Dot(2, y, x) ? 4 : 0));
          ASSERT_EQ(nibble, expected) << "pixel " << x << " row " << y << " width " << page.width_dots;
        } else {
          const bool white = (scan[x / 8] >> (7 - x % 8)) & 1;
          ASSERT_EQ(white, !(inside && page.Dot(0, y, x))) << "pixel " << x << " row " << y;
        }
      }
    }
  }
}

}  // namespace
