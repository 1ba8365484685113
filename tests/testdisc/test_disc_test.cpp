#include <gtest/gtest.h>
#include <math.h>

#include "testdisc/readings.h"
#include "testdisc/test_disc.h"

namespace testdisc {
namespace {

TEST(Readings, OffsetIsThePrintedOneLessWhereThePrintLies) {
  // A print 0.5 mm too far right and 0.3 mm too far up reads +0.5 left,
  // -0.5 right, -0.3 top, +0.3 bottom.
  Correction c = CorrectionFrom({0.5, -0.5, -0.3, 0.3}, page::PrintOffset{});
  EXPECT_EQ(c.offset, (page::PrintOffset{-5, 3}));
  EXPECT_FALSE(c.clamped);
  EXPECT_EQ(c.size_mm, 0);
  // Printed with an offset, the correction adds to it; beyond 3 mm it stops.
  EXPECT_EQ(CorrectionFrom({0.5, -0.5, -0.3, 0.3}, page::PrintOffset{12, -2}).offset, (page::PrintOffset{7, 1}));
  c = CorrectionFrom({-2, 2, 0, 0}, page::PrintOffset{25, 0});
  EXPECT_EQ(c.offset.x_tenths, 30);
  EXPECT_TRUE(c.clamped);
  // A print larger than nominal reads negative on every side.
  EXPECT_NEAR(CorrectionFrom({-0.4, -0.2, -0.3, -0.3}, page::PrintOffset{}).size_mm, -0.3, 1e-9);
  double mm = 9;
  EXPECT_TRUE(ParseReading("+1.25", &mm));
  EXPECT_EQ(mm, 1.25);
  EXPECT_TRUE(ParseReading("-3 mm", &mm));
  for (const char* bad : {"3.5", "", "1e0", "x", "--1", "nan"}) EXPECT_FALSE(ParseReading(bad, &mm)) << bad;
}

// Whether any dot within `reach_mm` of (x_mm, y_mm) from the disc centre is inked.
bool InkNear(const page::InkPage& page, double x_mm, double y_mm, double reach_mm) {
  const double dot = page::kMmPerInch / 300, row = page::kMmPerInch / page.rows_per_inch;
  for (int32_t r = 0; r < page.rows; ++r) {
    const double y = (r + 0.5) * row - page::kDiscAreaMm / 2;
    if (fabs(y - y_mm) > reach_mm) continue;
    for (int32_t d = 0; d < page.width_dots; ++d) {
      const double x = (d + 0.5) * dot - page::kDiscAreaMm / 2;
      if (fabs(x - x_mm) <= reach_mm && page.Dot(0, r, d)) return true;
    }
  }
  return false;
}

TEST(TestDisc, ScalesSitAcrossTheDiscsEdgesAndCirclesOnTheRing) {
  for (int rpi : {300, 600}) {
    TestDiscSettings s;
    s.options.resolution = rpi == 600 ? page::Resolution::k600 : page::Resolution::k300;
    s.disc = page::DiscSize::k80;
    s.ring = page::DefaultRing(s.disc);
    const page::InkPage page = DrawTestDisc(s);
    ASSERT_EQ(page.rows, geometry::DiscAreaRows(rpi));
    // The longest tick (0) starts on the disc's edge and on the hole's, and
    // reaches 1.8 mm beside the base line; past its end there is nothing.
    for (double r0 : {40.0, 7.5}) {
      EXPECT_TRUE(InkNear(page, r0, 1.7, 0.05)) << r0;                       // right: ticks go down
      EXPECT_TRUE(InkNear(page, -r0, -1.7, 0.05)) << r0;                     // left: up
      EXPECT_TRUE(InkNear(page, -1.7, r0, 0.05)) << r0;                      // bottom: to the left
      EXPECT_TRUE(InkNear(page, 1.7, -r0, 0.05)) << r0;                      // top: to the right
      EXPECT_FALSE(InkNear(page, r0 + 0.25, 1.5, 0.04)) << r0;               // between ticks
      EXPECT_TRUE(InkNear(page, r0 + 3.0, 1.1, 0.05)) << r0;                 // +3 tick, 1.2 mm
      EXPECT_FALSE(InkNear(page, r0 + 3.4, 0, 0.04)) << r0;                  // the base line ends
    }
    // The nominal circles, and nothing between them and the label.
    EXPECT_TRUE(InkNear(page, 0, 39, 0.08));
    EXPECT_TRUE(InkNear(page, 11 * cos(0.7), 11 * sin(0.7), 0.08));
    EXPECT_FALSE(InkNear(page, 28, 22, 1.0));
  }
}

}  // namespace
}  // namespace testdisc
