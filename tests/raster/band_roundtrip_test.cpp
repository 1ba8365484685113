// Round trips through the whole plug-in raster path: random bands are
// converted, the stream is read back by the decoder, and every printed dot is
// compared with the pixel of the band it came from.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/band_encoder.h"
#include "stream/decoder.h"
#include "tests/support/recording_sink.h"
#include "tests/support/support.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct RandomBand {
  int32_t width = 0, height = 0;
  uint16_t bit_count = 4;
  uint16_t stride = 0;
  Bytes bits;

  // Ink of pixel (x, y) on the plane of pixel bit `bit` (1-bit bands: bit ignored).
  bool Ink(int32_t x, int32_t y, int bit) const {
    const uint8_t* scan = bits.data() + static_cast<size_t>(y) * stride;
    if (bit_count == 1) return !((scan[x / 8] >> (7 - x % 8)) & 1);
    const uint8_t nibble = (x & 1) ? (scan[x / 2] & 0x0F) : (scan[x / 2] >> 4);
    return !((nibble >> bit) & 1);
  }
};

RandomBand MakeBand(std::mt19937& rng, bool landscape, uint16_t bit_count, int32_t lines) {
  RandomBand b;
  b.bit_count = bit_count;
  // Keep every line inside the printer line: 185 bytes after the 7-byte margin.
  const int32_t max_dots = 185 * 8;
  const int32_t across = 1 + static_cast<int32_t>(rng() % max_dots);
  b.width = landscape ? lines : across;
  b.height = landscape ? across : lines;
  const int32_t row_bytes = bit_count == 1 ? (b.width + 7) / 8 : (b.width + 1) / 2;
  b.stride = static_cast<uint16_t>((row_bytes + 3) / 4 * 4);
  if (bit_count == 1 && !landscape && b.stride > 185) b.stride = 184;  // whole stride is sent
  if (bit_count == 1 && !landscape) b.width = std::min<int32_t>(b.width, b.stride * 8);
  b.bits.assign(static_cast<size_t>(b.stride) * b.height, 0xFF);
  // Mostly white with blank lines, runs and noise, like a label.
  for (int32_t y = 0; y < b.height; ++y) {
    if (rng() % 3 == 0) continue;
    uint8_t* scan = b.bits.data() + static_cast<size_t>(y) * b.stride;
    const int mode = rng() % 3;
    for (int32_t i = 0; i < b.stride; ++i) {
      if (mode == 0) scan[i] = static_cast<uint8_t>(rng());
      else if (mode == 1) scan[i] = (i / 7) % 2 ? 0x00 : 0xFF;
      else if (rng() % 16 == 0) scan[i] = static_cast<uint8_t>(rng());
    }
  }
  return b;
}

void CheckRoundTrip(const RandomBand& band, bool landscape, int rows_per_inch, bool skip) {
  const Bytes out = testsupport::Encode(
                        testsupport::View(band.bits, band.width, band.height, band.bit_count,
                                              static_cast<uint32_t>(band.bits.size()), landscape),
                        rows_per_inch, skip)
                        .bytes;

  const int32_t step = rows_per_inch == 600 ? 1 : 2;
  stream::DecodeOptions options;
  options.row_step = step;
  stream::DecodedStream decoded = stream::Decode(out.data(), out.size(), options);
  ASSERT_TRUE(decoded.Clean()) << decoded.problems[0].offset << ": " << decoded.problems[0].message;
  const int passes = band.bit_count == 1 ? 1 : 3;
  ASSERT_EQ(decoded.planes.size(), static_cast<size_t>(passes));

  const int pass_bit[3] = {2, 1, 0};
  const int32_t lines = landscape ? band.width : band.height;
  const int32_t dots = landscape ? band.height : (band.bit_count == 1 ? band.stride * 8 : band.width);
  for (int p = 0; p < passes; ++p) {
    const stream::Plane& plane = decoded.planes[p];
    size_t rows_expected = 0;
    for (int32_t j = 0; j < lines; ++j) {
      const int32_t y = j * step;
      const bool skipped = skip && y >= 896 && y <= 1936;
      bool any = false;
      for (int32_t k = 0; k < dots; ++k) {
        const bool ink = skipped ? false
                         : landscape ? band.Ink(j, band.height - 1 - k, pass_bit[p])
                                     : band.Ink(k, j, pass_bit[p]);
        any |= ink;
        ASSERT_EQ(plane.Dot(y, 56 + k), ink) << "plane " << p << " line " << j << " dot " << k;
      }
      ASSERT_FALSE(plane.Dot(y, 55)) << "nothing left of the margin";
      rows_expected += any;
    }
    EXPECT_EQ(plane.rows.size(), rows_expected) << "plane " << p;
  }
}

TEST(BandRoundTrip, RandomBandsPrintExactlyTheirInk) {
  std::mt19937 rng(20261208);
  for (int iter = 0; iter < 120; ++iter) {
    const bool landscape = iter % 2;
    const uint16_t bit_count = (iter / 2) % 2 ? 1 : 4;
    const int rows_per_inch = (iter / 4) % 2 ? 300 : 600;
    const bool skip = (iter / 8) % 2;
    const int32_t lines = 1 + static_cast<int32_t>(rng() % 64);
    SCOPED_TRACE(testing::Message() << "iter " << iter);
    CheckRoundTrip(MakeBand(rng, landscape, bit_count, lines), landscape, rows_per_inch, skip);
  }
}

TEST(BandRoundTrip, TallBandsAcrossTheCentreBand) {
  std::mt19937 rng(4);
  for (int iter = 0; iter < 8; ++iter) {
    const bool landscape = iter % 2;
    const int rows_per_inch = (iter / 2) % 2 ? 300 : 600;
    const int32_t lines = rows_per_inch == 600 ? 2000 : 1000;
    SCOPED_TRACE(testing::Message() << "iter " << iter);
    RandomBand band = MakeBand(rng, landscape, iter < 4 ? 4 : 1, lines);
    CheckRoundTrip(band, landscape, rows_per_inch, true);
  }
}

TEST(BandRoundTrip, DamagedStreamsDecodeWithoutCrashing) {
  std::mt19937 rng(99);
  RandomBand band = MakeBand(rng, false, 4, 40);
  const Bytes good = testsupport::Encode(testsupport::View(
                                                 band.bits, band.width, band.height, 4,
                                                 static_cast<uint32_t>(band.bits.size())))
                         .bytes;
  // Every cut ends right before a page the process may not touch: a read
  // past the cut faults, and every problem lies within it.
  for (size_t cut = 0; cut < good.size(); cut += 1 + good.size() / 300) {
    const testsupport::GuardedBuffer prefix(Bytes(good.begin(), good.begin() + static_cast<long>(cut)));
    const stream::DecodedStream d = stream::Decode(prefix.data(), cut);
    for (const stream::Problem& p : d.problems) ASSERT_LE(p.offset, cut);
  }
  for (int iter = 0; iter < 300; ++iter) {
    Bytes bad = good;
    for (int k = 0; k < 4; ++k) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
    stream::DecodedStream d = stream::Decode(bad.data(), bad.size());
    for (const stream::Problem& p : d.problems) ASSERT_LE(p.offset, bad.size());
  }
}

}  // namespace
