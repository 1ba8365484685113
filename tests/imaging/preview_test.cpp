#include <gtest/gtest.h>

#include <math.h>

#include "imaging/preview.h"

namespace imaging {
namespace {

PrintedPlane PlaneWithDot(InkColour ink, int32_t address, int32_t dot) {
  PrintedPlane p;
  p.ink = ink;
  std::vector<uint8_t>& row = p.rows[address];
  row.assign(192, 0);
  row[dot / 8] |= static_cast<uint8_t>(0x80 >> (dot % 8));
  return p;
}

PreviewSettings Bare(int32_t rows_per_inch) {
  PreviewSettings s;
  s.rows_per_inch = rows_per_inch;
  s.outline = false;
  return s;
}

TEST(Preview, InksMixSubtractively) {
  std::vector<PrintedPlane> planes = {PlaneWithDot(InkColour::kYellow, 20, 100),
                                      PlaneWithDot(InkColour::kMagenta, 20, 100),
                                      PlaneWithDot(InkColour::kCyan, 20, 101)};
  planes[2].rows[20][100 / 8] |= 0x80 >> (100 % 8);
  RgbImage img = DrawPreview(planes, Bare(300));
  EXPECT_EQ(img.width, 1536);
  EXPECT_EQ(img.height, 1416);
  EXPECT_EQ(img.Get(100, 10), (Rgb{0, 0, 0}));      // all three inks
  EXPECT_EQ(img.Get(101, 10), (Rgb{0, 255, 255}));  // cyan alone
  EXPECT_EQ(img.Get(102, 10), (Rgb{255, 255, 255}));
  EXPECT_EQ(img.Get(100, 11), (Rgb{255, 255, 255}));
}

TEST(Preview, SixHundredRowsShareAPixelAndGiveHalfInkEach) {
  std::vector<PrintedPlane> planes = {PlaneWithDot(InkColour::kBlack, 41, 7)};
  RgbImage img = DrawPreview(planes, Bare(600));
  EXPECT_EQ(img.Get(7, 20), (Rgb{188, 188, 188}));  // half the light: sRGB code 188
  planes[0].rows[40] = planes[0].rows[41];
  img = DrawPreview(planes, Bare(600));
  EXPECT_EQ(img.Get(7, 20), (Rgb{0, 0, 0}));
  EXPECT_EQ(img.Get(7, 21), (Rgb{255, 255, 255}));
}

TEST(Preview, LeavesOutWhatLiesOutsideThePage) {
  // The last row of the page is drawn; a row below it and bytes past the
  // printer line are not, and the picture keeps the page's size.
  PrintedPlane p = PlaneWithDot(InkColour::kBlack, 2831, 3);
  p.rows[4000] = p.rows[2831];
  p.rows[2831].resize(200, 0xFF);
  RgbImage img = DrawPreview({p}, Bare(300));
  EXPECT_EQ(img.height, 1416);
  EXPECT_EQ(img.width, 1536);
  EXPECT_EQ(img.Get(3, 1415), (Rgb{0, 0, 0}));
  EXPECT_EQ(img.Get(4, 1415), (Rgb{255, 255, 255}));
}

TEST(Preview, OutlineIsDrawnAroundTheDiscCentre) {
  PreviewSettings s = Bare(600);
  s.outline = true;
  RgbImage img = DrawPreview({}, s);
  const double px_per_mm = kDotsPerInch / kMmPerInch;
  // Centre in continuous pixel coordinates; a pixel is on the line when its
  // centre lies within about half a pixel of the circle.
  const double cx = s.origin_dots + kSquareDots / 2.0, cy = kSquareDots / 2.0;
  const double r = s.ring.outer_mm / 2 * px_per_mm, hub = s.ring.inner_mm / 2 * px_per_mm;
  auto at = [&](double x, double y) { return img.Get(static_cast<int32_t>(floor(x)), static_cast<int32_t>(floor(y))); };
  EXPECT_NE(at(cx + r, cy), (Rgb{255, 255, 255}));
  EXPECT_NE(at(cx, cy - r), (Rgb{255, 255, 255}));
  EXPECT_NE(at(cx - hub, cy), (Rgb{255, 255, 255}));
  // On a diagonal the line passes near, not always through, a given pixel.
  int near_line = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) near_line += at(cx + hub * 0.6 + dx, cy + hub * 0.8 + dy) != Rgb{255, 255, 255};
  EXPECT_GT(near_line, 0);
  EXPECT_EQ(at(cx + r + 3, cy), (Rgb{255, 255, 255}));
  EXPECT_EQ(at(cx, cy), (Rgb{255, 255, 255}));
  EXPECT_EQ(at(cx + (r + hub) / 2, cy), (Rgb{255, 255, 255}));
}

TEST(Preview, PlanesStripShowsEachPlaneInItsInk) {
  std::vector<PrintedPlane> planes = {PlaneWithDot(InkColour::kYellow, 600, 500),
                                      PlaneWithDot(InkColour::kMagenta, 602, 500),
                                      PlaneWithDot(InkColour::kCyan, 604, 500)};
  PreviewSettings s = Bare(300);
  s.separate_planes = true;
  RgbImage img = DrawPreview(planes, s);
  const int32_t panel = 1536 + 12;
  EXPECT_EQ(img.width, 4 * 1536 + 3 * 12);
  EXPECT_EQ(img.Get(panel + 500, 300), (Rgb{255, 255, 0}));
  EXPECT_EQ(img.Get(2 * panel + 500, 301), (Rgb{255, 0, 255}));
  EXPECT_EQ(img.Get(3 * panel + 500, 302), (Rgb{0, 255, 255}));
  EXPECT_EQ(img.Get(panel + 500, 301), (Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace imaging

namespace imaging {
namespace {

TEST(PreviewScaling, AveragesTheLightOfWhatItShrinksAndKeepsTheAspect) {
  // Black and white dots half and half show half the light: sRGB code 188.
  RgbImage checker(200, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      if ((x + y) % 2) checker.Set(x, y, Rgb{0, 0, 0});
  RgbImage small = ScaleImage(checker, 50);
  EXPECT_EQ(small.width, 50);
  EXPECT_EQ(small.height, 25);
  for (int y = 1; y < 24; ++y)
    for (int x = 1; x < 49; ++x) EXPECT_NEAR(small.Get(x, y).g, 188, 8) << x << "," << y;
  EXPECT_TRUE(ScaleImage(RgbImage(), 10).Empty());
}

TEST(Preview, DiscStaysWhereItLiesAndTheRingMovesWithTheOffset) {
  PreviewSettings s = Bare(600);
  s.outline = true;
  s.disc = page::DiscSize::k80;
  s.ring = page::DefaultRing(s.disc);
  s.ring_offset = page::PrintOffset{30, 0};  // 35 dots right
  const RgbImage img = DrawPreview({}, s);
  // Along the centre row: the disc's edge 40 mm from the centre on either
  // side, where it lies; the ring's 39 mm edge moved 35 dots right.
  const double centre = kPluginOriginDots + kSquareDots / 2.0, px_per_mm = 300 / 25.4;
  const int32_t y = kSquareDots / 2;
  auto near = [&](double x, Rgb colour) {
    for (int32_t dx = -1; dx <= 1; ++dx) {
      if (img.Get(static_cast<int32_t>(x) + dx, y) == colour) return true;
    }
    return false;
  };
  const Rgb disc = img.Get(static_cast<int32_t>(centre + 40 * px_per_mm), y);
  EXPECT_NE(disc, (Rgb{255, 255, 255}));
  EXPECT_TRUE(near(centre - 40 * px_per_mm, disc));
  const Rgb ring = img.Get(static_cast<int32_t>(centre + 35 + 39 * px_per_mm), y);
  EXPECT_NE(ring, (Rgb{255, 255, 255}));
  EXPECT_NE(ring, disc);
  EXPECT_TRUE(near(centre + 35 - 39 * px_per_mm, ring));
  EXPECT_FALSE(near(centre - 39 * px_per_mm, ring));
}

}  // namespace
}  // namespace imaging
