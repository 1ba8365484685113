#include <gtest/gtest.h>

#include <cmath>

#include "imaging/disc_layout.h"
#include "imaging/halftone.h"
#include "imaging/label.h"

namespace imaging {
namespace {

TEST(Placement, WideImageFillsTheWidthAndIsCentredDown) {
  Placement p = PlaceImage(400, 200, 300);
  EXPECT_EQ(p.width, kSquareDots);
  EXPECT_EQ(p.height, kSquareDots / 2);
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.top, (kSquareDots - kSquareDots / 2) / 2);
}

TEST(Placement, TallImageFillsTheHeightAndIsCentredAcross) {
  Placement p = PlaceImage(300, 900, 300);
  EXPECT_EQ(p.height, kSquareDots);
  EXPECT_EQ(p.width, 472);
  EXPECT_EQ(p.top, 0);
  // Centred: the margins left and right differ by at most one dot.
  EXPECT_LE(std::abs(p.left - (kSquareDots - p.left - p.width)), 1);
}

TEST(Placement, SixHundredRowsPerInchDoublesRowsOnly) {
  for (auto [w, h] : {std::pair{640, 480}, std::pair{480, 640}, std::pair{7, 7}, std::pair{1999, 3}}) {
    Placement a = PlaceImage(w, h, 300), b = PlaceImage(w, h, 600);
    EXPECT_EQ(b.width, a.width);
    EXPECT_EQ(b.left, a.left);
    EXPECT_EQ(b.height, 2 * a.height);
    EXPECT_EQ(b.top, 2 * a.top);
    // The physical aspect follows the picture to within one dot.
    EXPECT_NEAR(static_cast<double>(a.width) / a.height, static_cast<double>(w) / h,
                static_cast<double>(w) / h / std::min(a.width, a.height) + 1e-9);
  }
}

TEST(Placement, ExtremeAspectKeepsAtLeastOneRow) {
  Placement p = PlaceImage(20000, 1, 600);
  EXPECT_EQ(p.width, kSquareDots);
  EXPECT_EQ(p.height, 2);
  EXPECT_EQ(p.top, (SquareRows(600) - 2) / 2);
}

TEST(Placement, SmallImagesAreScaledUpToFit) {
  Placement p = PlaceImage(2, 2, 600);
  EXPECT_EQ(p.width, kSquareDots);
  EXPECT_EQ(p.height, SquareRows(600));
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.top, 0);
}

TEST(Placement, PictureLandsWhereItIsPlaced) {
  // A black picture twice as wide as tall: ink only inside its placed rows.
  RgbImage black(200, 100, Rgb{0, 0, 0});
  page::JobOptions o;
  o.resolution = page::Resolution::k300;
  o.colour = page::ColourMode::kMonochrome;
  LabelLayout s;
  s.ring.inner_mm = 0;
  s.ring.outer_mm = 120;
  const page::InkPage page = MakeLabelPage(black, o, s);
  const Placement p = PlaceImage(200, 100, 300);
  const int32_t mid = kSquareDots / 2;
  for (int32_t row = 0; row < page.rows; ++row) {
    const bool inside = row >= p.top && row < p.top + p.height;
    EXPECT_EQ(page.Dot(0, row, mid), inside) << "row " << row;
  }
}

TEST(Resample, KeepsAFlatColourFlat) {
  RgbImage src(37, 11, Rgb{10, 128, 250});
  for (auto [w, h] : {std::pair{5, 3}, std::pair{100, 100}, std::pair{37, 11}}) {
    std::vector<float> out = Resample(src, w, h);
    ASSERT_EQ(out.size(), static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < out.size(); i += 3) {
      EXPECT_NEAR(out[i], 10 / 255.0, 1e-4);
      EXPECT_NEAR(out[i + 1], 128 / 255.0, 1e-4);
      EXPECT_NEAR(out[i + 2], 250 / 255.0, 1e-4);
    }
  }
}

TEST(Resample, ShrinkingAveragesFineStripes) {
  // One-pixel black and white columns shrunk tenfold become mid grey, not
  // whichever column a point sample happened to hit.
  RgbImage src(1000, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 1000; x += 2) src.Set(x, y, Rgb{0, 0, 0});
  std::vector<float> out = Resample(src, 100, 1);
  for (size_t i = 3 * 2; i + 6 < out.size(); i += 3) EXPECT_NEAR(out[i], 0.5, 0.06) << i;
}

}  // namespace
}  // namespace imaging

namespace imaging {
namespace {

TEST(LabelOnDots, KeepsEveryDotInPlaceAndMasksTheRing) {
  page::JobOptions o;
  o.colour = page::ColourMode::kMonochrome;
  const LabelLayout layout;
  const DiscMask mask(layout.ring, 600);
  // A black stripe down the page, 16 dots wide, on a page of exactly the
  // square: full ink lands dot for dot, and only on the ring.
  RgbImage dots(kSquareDots, SquareRows(600));
  dots.FillRect(700, 0, 16, dots.height, Rgb{0, 0, 0});
  const page::InkPage page = MakeLabelPageOnDots(dots, o, layout);
  ASSERT_EQ(page.rows, SquareRows(600));
  for (int32_t row = 0; row < page.rows; row += 7) {
    EXPECT_EQ(page.Dot(0, row, 708), mask.Printable(708, row)) << row;
    EXPECT_FALSE(page.Dot(0, row, 690)) << row;
  }
  // A smaller page is centred on the square (on a disc without a hub, which
  // would hide it).
  RgbImage small(100, 100, Rgb{0, 0, 0});
  o.resolution = page::Resolution::k300;
  LabelLayout no_hub;
  no_hub.ring.inner_mm = 0;
  const page::InkPage centred = MakeLabelPageOnDots(small, o, no_hub);
  const int32_t first = (kSquareDots - 100) / 2;
  EXPECT_FALSE(centred.Dot(0, kSquareDots / 2, first - 1));
  EXPECT_TRUE(centred.Dot(0, first + 30, first));
  EXPECT_TRUE(centred.Dot(0, first + 30, first + 99));
  EXPECT_FALSE(centred.Dot(0, first + 30, first + 100));
}

}  // namespace
}  // namespace imaging
