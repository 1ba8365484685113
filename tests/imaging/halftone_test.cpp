#include <gtest/gtest.h>

#include <cmath>

#include "imaging/disc_layout.h"
#include "imaging/halftone.h"
#include "imaging/label.h"

namespace imaging {
namespace {

int CountBits(const uint8_t* bytes, size_t n) {
  int count = 0;
  for (size_t i = 0; i < n; ++i) count += __builtin_popcount(bytes[i]);
  return count;
}

TEST(Halftone, MeanInkTracksTheGreyLevel) {
  constexpr int32_t kWidth = 400, kRows = 400;
  for (double level : {0.0, 0.03, 0.1, 0.25, 0.5, 0.66, 0.9, 0.97, 1.0}) {
    Diffuser d(kWidth);
    std::vector<float> density(kWidth, static_cast<float>(level));
    std::vector<uint8_t> row((kWidth + 7) / 8);
    int dots = 0;
    for (int32_t y = 0; y < kRows; ++y) {
      std::fill(row.begin(), row.end(), 0);
      d.Row(density.data(), nullptr, row.data());
      dots += CountBits(row.data(), row.size());
    }
    EXPECT_NEAR(static_cast<double>(dots) / (kWidth * kRows), level, 0.005) << "level " << level;
  }
}

TEST(Halftone, LocalDensityIsEvenNotClumped) {
  // Every 16 x 16 tile of a 25 % grey holds close to a quarter of its dots.
  constexpr int32_t kWidth = 256;
  Diffuser d(kWidth);
  std::vector<float> density(kWidth, 0.25f);
  std::vector<std::vector<uint8_t>> rows(256, std::vector<uint8_t>(kWidth / 8));
  for (auto& r : rows) d.Row(density.data(), nullptr, r.data());
  for (int ty = 1; ty < 16; ++ty) {
    for (int tx = 0; tx < 16; ++tx) {
      int dots = 0;
      for (int y = ty * 16; y < ty * 16 + 16; ++y) dots += CountBits(rows[y].data() + tx * 2, 2);
      EXPECT_NEAR(dots, 64, 14) << "tile " << tx << "," << ty;
    }
  }
}

TEST(Halftone, UnprintableDotsStayBlankAndPushNoInkAround) {
  constexpr int32_t kWidth = 64;
  Diffuser d(kWidth);
  std::vector<float> density(kWidth, 0.0f);
  std::vector<uint8_t> printable(kWidth, 1);
  // A full-ink area next to a blank one: the blank side must not get dots
  // from error that the unprintable dots would otherwise have carried.
  for (int x = 0; x < 32; ++x) density[x] = 1.0f, printable[x] = 0;
  std::vector<uint8_t> row(kWidth / 8);
  for (int y = 0; y < 50; ++y) {
    std::fill(row.begin(), row.end(), 0);
    d.Row(density.data(), printable.data(), row.data());
    EXPECT_EQ(CountBits(row.data(), row.size()), 0) << "row " << y;
  }
}

TEST(Halftone, PlanesDiffusedTogetherComeOutAsEachAlone) {
  // Three planes of different densities, with a gap that stops the error:
  // the lanes of one diffuser must not mix, and must keep every dot.
  constexpr int32_t kWidth = 301;
  Diffuser together(kWidth, 3);
  std::vector<Diffuser> alone(3, Diffuser(kWidth));
  std::vector<float> lanes(kWidth * Diffuser::kLanes), one(kWidth);
  std::vector<uint8_t> printable(kWidth, 1);
  for (int x = 140; x < 170; ++x) printable[x] = 0;
  for (int y = 0; y < 40; ++y) {
    std::vector<std::vector<uint8_t>> want(3, std::vector<uint8_t>((kWidth + 7) / 8));
    std::vector<std::vector<uint8_t>> got = want;
    for (int p = 0; p < 3; ++p) {
      for (int32_t x = 0; x < kWidth; ++x) {
        one[x] = static_cast<float>((x * (p + 1) + y * 7) % 97) / 96.0f;
        lanes[x * Diffuser::kLanes + p] = one[x];
      }
      alone[p].Row(one.data(), printable.data(), want[p].data());
    }
    uint8_t* rows[3] = {got[0].data(), got[1].data(), got[2].data()};
    together.Rows(lanes.data(), printable.data(), rows);
    EXPECT_EQ(got, want) << "row " << y;
  }
}

TEST(DiscMask, NoDotOutsideTheRingIsEverSet) {
  RgbImage black(300, 300, Rgb{0, 0, 0});
  for (int rpi : {300, 600}) {
    for (bool colour : {true, false}) {
      page::JobOptions o;
      o.resolution = rpi == 600 ? page::Resolution::k600 : page::Resolution::k300;
      o.colour = colour ? page::ColourMode::kColour : page::ColourMode::kMonochrome;
      // With the ink limit off, full ink on every printable dot.
      LabelLayout layout;
      layout.separation.ink_limit = kNoInkLimit;
      const page::InkPage page = MakeLabelPage(black, o, layout);
      DiscMask mask(layout.ring, rpi);
      int outside = 0, inside_blank = 0;
      for (int plane = 0; plane < page.PlaneCount(); ++plane) {
        for (int32_t row = 0; row < page.rows; ++row) {
          for (int32_t x = 0; x < page.width_dots; ++x) {
            const bool dot = page.Dot(plane, row, x);
            if (!mask.Printable(x, row)) outside += dot;
            else inside_blank += !dot;
          }
        }
      }
      EXPECT_EQ(outside, 0) << rpi << " colour " << colour;
      // Full ink everywhere on the ring: every printable dot is set.
      EXPECT_EQ(inside_blank, 0) << rpi << " colour " << colour;
    }
  }
}

TEST(DiscMask, RingFollowsTheGivenDiameters) {
  DiscRing ring{80.0, 40.0};
  DiscMask mask(ring, 600);
  const int32_t cx = kSquareDots / 2, cy = SquareRows(600) / 2;
  const double dot_mm = kMmPerInch / kDotsPerInch, row_mm = kMmPerInch / 600;
  EXPECT_FALSE(mask.Printable(cx, cy));                                     // hub
  EXPECT_TRUE(mask.Printable(cx + static_cast<int32_t>(30 / dot_mm), cy));  // 30 mm out
  EXPECT_FALSE(mask.Printable(cx + static_cast<int32_t>(41 / dot_mm), cy)); // past 40 mm
  EXPECT_TRUE(mask.Printable(cx, cy + static_cast<int32_t>(30 / row_mm)));  // rows are 1/600 inch
  EXPECT_FALSE(mask.Printable(cx, cy + static_cast<int32_t>(19 / row_mm)));
  EXPECT_FALSE(mask.Printable(0, 0));
  EXPECT_NEAR(mask.DistanceMm(cx, cy), std::hypot(0.5 * dot_mm, 0.5 * row_mm), 1e-9);
}

TEST(DiscMask, RejectsImpossibleRings) {
  std::string error;
  EXPECT_TRUE(ValidateRing(DiscRing{}, &error));
  EXPECT_FALSE(ValidateRing(DiscRing{0, 0}, &error));
  EXPECT_FALSE(ValidateRing(DiscRing{121, 22}, &error));
  EXPECT_FALSE(ValidateRing(DiscRing{60, 60}, &error));
  EXPECT_FALSE(ValidateRing(DiscRing{60, -1}, &error));
  EXPECT_FALSE(error.empty());
}

TEST(LabelPage, ClassicGreyTracksInkOnTheRingAndColourSeparatesByComplement) {
  // The classic rendering, the benchmarks' baseline: ink = 1 - code value.
  // A mid grey gives about half the ring's dots on every plane; pure red
  // gives magenta and yellow only.
  page::JobOptions o;
  o.resolution = page::Resolution::k300;
  LabelLayout s;
  s.rendering = Rendering::kClassic;
  DiscMask mask(s.ring, 300);
  auto coverage = [&](const page::InkPage& page, int plane) {
    long dots = 0, ring = 0;
    for (int32_t row = 0; row < page.rows; ++row)
      for (int32_t x = 0; x < page.width_dots; ++x)
        if (mask.Printable(x, row)) ++ring, dots += page.Dot(plane, row, x);
    return static_cast<double>(dots) / ring;
  };
  page::InkPage grey = MakeLabelPage(RgbImage(50, 50, Rgb{64, 64, 64}), o, s);
  for (int plane = 0; plane < 3; ++plane) EXPECT_NEAR(coverage(grey, plane), 1 - 64 / 255.0, 0.01);
  page::InkPage red = MakeLabelPage(RgbImage(50, 50, Rgb{255, 0, 0}), o, s);
  EXPECT_EQ(coverage(red, page::kCyan), 0);
  EXPECT_NEAR(coverage(red, page::kMagenta), 1, 1e-9);
  EXPECT_NEAR(coverage(red, page::kYellow), 1, 1e-9);
}

}  // namespace
}  // namespace imaging
