#include "raster/plane_extraction.h"

#include "raster/command_stream.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/band_encoder.h"
#include "tests/support/recording_sink.h"

namespace {

using raster::ExtractPlaneLine;
using Bytes = std::vector<uint8_t>;

// A 4-bit band filled with one pixel value; pixel (x, y) can be overridden.
struct Band4 {
  int32_t width, height;
  uint16_t stride;
  Bytes bits;
  Band4(int32_t w, int32_t h, uint8_t fill)
      : width(w), height(h), stride(static_cast<uint16_t>(((w + 1) / 2 + 3) / 4 * 4)),
        bits(static_cast<size_t>(stride) * h, static_cast<uint8_t>(fill << 4 | fill)) {}
  void Set(int32_t x, int32_t y, uint8_t v) {
    uint8_t& b = bits[static_cast<size_t>(y) * stride + x / 2];
    b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | v) : static_cast<uint8_t>((b & 0x0F) | v << 4);
  }
  Bytes Line(int32_t index, int32_t plane, bool landscape) const {
    Bytes dst(raster::kLineBufferBytes, 0xEE);
    int32_t n = ExtractPlaneLine(index, bits.data(), plane, landscape, width, height, stride, 4,
                                 dst.data());
    dst.resize(n);
    return dst;
  }
};

TEST(PlaneExtraction, OneBitPortraitInvertsTheWholeStride) {
  // Width 12 in a 4-byte stride: the alignment bytes travel with the line.
  Bytes band = {0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xF0, 0xFF, 0x00};
  Bytes dst(raster::kLineBufferBytes);
  EXPECT_EQ(ExtractPlaneLine(0, band.data(), 0, 0, 12, 2, 4, 1, dst.data()), 4);
  EXPECT_EQ(raster::FirstNonZero(dst.data(), 4), -1);
  EXPECT_EQ(ExtractPlaneLine(1, band.data(), 0, 0, 12, 2, 4, 1, dst.data()), 4);
  EXPECT_EQ(Bytes(dst.begin(), dst.begin() + 4), (Bytes{0x80, 0x0F, 0x00, 0xFF}));
}

TEST(PlaneExtraction, FourBitPixelsMapToPlanesByTheirColourBits) {
  Band4 band(8, 1, 7);  // 7: every colour bit set, no ink anywhere
  band.Set(0, 0, 0);    // ink on all planes
  band.Set(1, 0, 8);    // bit 3 does not matter: ink on all planes
  band.Set(2, 0, 3);    // bits 0 and 1 set: ink only on the plane of bit 2
  band.Set(3, 0, 6);    // bit 0 clear: ink only on the plane of bit 0
  band.Set(4, 0, 5);    // bit 1 clear: ink only on the plane of bit 1
  band.Set(5, 0, 15);   // like 7
  EXPECT_EQ(band.Line(0, raster::kPlaneBit2, false), Bytes{0xE0});
  EXPECT_EQ(band.Line(0, raster::kPlaneBit1, false), Bytes{0xC8});
  EXPECT_EQ(band.Line(0, raster::kPlaneBit0, false), Bytes{0xD0});
}

TEST(PlaneExtraction, PortraitWidthNineGivesTwoBytes) {
  Band4 band(9, 1, 0);  // all ink
  EXPECT_EQ(band.Line(0, 0, false), (Bytes{0xFF, 0x80}));
}

TEST(PlaneExtraction, LandscapeReadsTheColumnFromTheLastScanLineUp) {
  Band4 band(3, 10, 7);
  band.Set(2, 9, 0);  // last scan line, column 2: first dot of line 2
  band.Set(2, 0, 0);  // first scan line: dot 9
  band.Set(1, 5, 0);
  EXPECT_EQ(band.Line(2, 1, true), (Bytes{0x80, 0x40}));
  EXPECT_EQ(band.Line(1, 1, true), (Bytes{0x08, 0x00}));
  EXPECT_EQ(band.Line(0, 1, true), (Bytes{0x00, 0x00}));
}

TEST(PlaneExtraction, OneBitLandscapeLeavesPadBitsClear) {
  // 1-bit band 8 pixels wide, 10 scan lines, all white except column 0 of
  // scan line 9 (the first dot of line 0).
  Bytes band(4 * 10, 0xFF);
  band[9 * 4] = 0x7F;
  Bytes dst(raster::kLineBufferBytes);
  EXPECT_EQ(ExtractPlaneLine(0, band.data(), 0, 1, 8, 10, 4, 1, dst.data()), 2);
  EXPECT_EQ(dst[0], 0x80);
  EXPECT_EQ(dst[1], 0x00);  // dots 8 and 9 white, bits 10..15 stand for no scan line
  Bytes black(4 * 10, 0x00);
  ExtractPlaneLine(3, black.data(), 0, 1, 8, 10, 4, 1, dst.data());
  EXPECT_EQ(dst[1], 0xC0);
}

TEST(PlaneExtraction, LinesLongerThanTheBufferAreCut) {
  // 1-bit portrait with a 256-byte stride: only 200 bytes are written.
  Bytes band(256, 0x00);
  Bytes dst(raster::kLineBufferBytes + 8, 0xEE);
  EXPECT_EQ(ExtractPlaneLine(0, band.data(), 0, 0, 2048, 1, 256, 1, dst.data()), 200);
  EXPECT_EQ(dst[199], 0xFF);
  EXPECT_EQ(dst[200], 0xEE);
  // 4-bit landscape band of 2000 scan lines: the line stops at 1600 dots.
  Band4 tall(2, 2000, 0);
  EXPECT_EQ(tall.Line(0, 0, true).size(), 200u);
}

TEST(PlaneExtraction, PixelsBeyondTheStrideStayWhite) {
  // The header claims 64 pixels but the stride holds 8: no byte outside the
  // band is read (the sanitizers would see it) and the rest is white.
  Bytes band(4 * 2, 0x00);
  Bytes dst(raster::kLineBufferBytes);
  EXPECT_EQ(ExtractPlaneLine(1, band.data(), 0, 0, 64, 2, 4, 4, dst.data()), 8);
  EXPECT_EQ(Bytes(dst.begin(), dst.begin() + 8), (Bytes{0xFF, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(ExtractPlaneLine(40, band.data(), 0, 1, 64, 2, 4, 4, dst.data()), 1);
  EXPECT_EQ(dst[0], 0);
}

TEST(PlaneExtraction, SearchesAndInversion) {
  Bytes b = {0, 0, 5, 0, 7, 0};
  EXPECT_EQ(raster::FirstNonZero(b.data(), 6), 2);
  EXPECT_EQ(raster::LastNonZero(b.data(), 6), 4);
  EXPECT_EQ(raster::FirstNonZero(b.data(), 2), -1);
  EXPECT_EQ(raster::LastNonZero(b.data(), 0), -1);
  EXPECT_EQ(raster::LastNonZero(b.data(), -3), -1);
  Bytes only_first = {9, 0, 0};
  EXPECT_EQ(raster::LastNonZero(only_first.data(), 3), 0);
  raster::InvertBuf(b.data(), 0);
  EXPECT_EQ(b, (Bytes{0, 0, 5, 0, 7, 0}));
  raster::InvertBuf(b.data(), 2);
  EXPECT_EQ(b, (Bytes{0xFF, 0xFF, 5, 0, 7, 0}));
}

TEST(VectorExtraction, EveryInstructionSetGivesTheScalarStream) {
  // Bands whose widths, strides and heights end off the vector blocks, with
  // blank stretches, in both orientations and on both pixel sizes; the
  // processor runs what it supports, and every one must match the scalar code.
  std::mt19937 rng(5);
  for (int iter = 0; iter < 24; ++iter) {
    const int32_t width = 1 + static_cast<int32_t>(rng() % 1700);  // up to the whole line buffer
    const int32_t height = 1 + static_cast<int32_t>(rng() % 300);
    const uint16_t bpp = iter % 4 == 3 ? 1 : 4;
    const uint32_t row_bytes = bpp == 1 ? (width + 7) / 8 : (width + 1) / 2;
    // Sometimes the stride holds fewer pixels than the width claims.
    const uint32_t stride = (iter % 5 == 0 ? row_bytes / 2 + 1 : row_bytes + 3) / 4 * 4 + 4;
    Bytes bits(static_cast<size_t>(stride) * height);
    for (size_t i = 0; i < bits.size(); ++i) {
      const bool blank_stretch = (i / 512) % 3 == 0;
      bits[i] = blank_stretch ? 0xFF : static_cast<uint8_t>(rng() % 4 ? 0x77 ^ (1 << (rng() % 8)) : rng());
    }
    for (bool landscape : {false, true}) {
      const raster::BandView view = testsupport::View(bits.data(), width, height, bpp,
                                                          static_cast<uint32_t>(bits.size()), landscape);
      testsupport::RecordingSink scalar;
      raster::EncodeBand(view, raster::BandSettings{}, &scalar, raster::Isa::kScalar);
      for (int i = 1; i < raster::kIsaCount; ++i) {
        const raster::Isa isa = static_cast<raster::Isa>(i);
        if (!raster::IsaSupported(isa)) continue;
        testsupport::RecordingSink vector;
        raster::EncodeBand(view, raster::BandSettings{}, &vector, isa);
        EXPECT_EQ(vector.bytes, scalar.bytes)
            << raster::IsaName(isa) << " width " << width << " height " << height << " bpp " << bpp
            << " stride " << stride << (landscape ? " landscape" : " portrait");
      }
    }
  }
}

}  // namespace
