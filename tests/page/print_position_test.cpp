#include <gtest/gtest.h>

#include <random>

#include "page/print_position.h"

namespace page {
namespace {

TEST(PrintOffsetWords, TakeTenthsOfAMillimetreWithinThreeEitherWay) {
  struct Case {
    const char* text;
    bool ok;
    int32_t tenths;
  };
  for (const Case& c : {Case{"0", true, 0}, Case{"+1.5", true, 15}, Case{"-0.3", true, -3}, Case{"3.0", true, 30},
                        Case{"-3", true, -30}, Case{" 2.1 mm", true, 21}, Case{"0.7MM", true, 7},
                        Case{"3.1", false, 0}, Case{"-3.05", false, 0}, Case{"1,5", false, 0}, Case{"", false, 0},
                        Case{"+", false, 0}, Case{".5", false, 0}, Case{"1.", false, 0}, Case{"x", false, 0}}) {
    int32_t value = 99;
    EXPECT_EQ(ParseOffsetMm(c.text, &value), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.tenths : 99) << c.text;
  }
  for (int32_t t = -kMaxOffsetTenths; t <= kMaxOffsetTenths; ++t) {
    int32_t back = 99;
    ASSERT_TRUE(ParseOffsetMm(OffsetMmName(t), &back)) << OffsetMmName(t);
    EXPECT_EQ(back, t);
  }
  EXPECT_EQ(OffsetMmName(-15), "-1.5");
  EXPECT_EQ(OffsetMmName(0), "0.0");
  // 3 mm is 35.43 dots across, 70.87 rows at 600 rows per inch.
  EXPECT_EQ(OffsetDots(30), 35);
  EXPECT_EQ(OffsetDots(-1), -1);
  EXPECT_EQ(OffsetRows(30, 600), 71);
  EXPECT_EQ(OffsetRows(-30, 300), -35);
}

TEST(DiscSizes, EightyMillimetreDiscSitsOnTheSameCentre) {
  DiscSize size = DiscSize::k120;
  EXPECT_TRUE(ParseDiscSize("80 mm", &size));
  EXPECT_EQ(size, DiscSize::k80);
  EXPECT_FALSE(ParseDiscSize("100", &size));
  EXPECT_EQ(DefaultRing(DiscSize::k80).outer_mm, 78);
  EXPECT_EQ(DefaultRing(DiscSize::k80).inner_mm, 22);
  std::string error;
  EXPECT_FALSE(ValidateRingOn(DiscSize::k80, DiscRing{118, 22}, &error));
  EXPECT_EQ(FitRing(DiscSize::k80, DiscRing{118, 22}).outer_mm, 78);
  EXPECT_EQ(FitRing(DiscSize::k80, DiscRing{76, 22}).outer_mm, 76);
  // The 80 mm page's centre is within half a dot of the square's.
  for (int32_t rpi : {300, 600}) {
    const double page_centre = DiscPageTop(DiscSize::k80, rpi) + DiscPageRows(DiscSize::k80, rpi) / 2.0;
    EXPECT_NEAR(page_centre, geometry::DiscAreaRows(rpi) / 2.0, 0.5);
    // A mask of the page lies where the square's mask lies.
    const DiscMask square(DefaultRing(DiscSize::k80), rpi);
    const DiscMask on_page(DefaultRing(DiscSize::k80), rpi, DiscPageLeft(DiscSize::k80),
                           DiscPageTop(DiscSize::k80, rpi));
    for (int32_t row = 0; row < DiscPageRows(DiscSize::k80, rpi); row += 7) {
      for (int32_t x = 0; x < DiscPageDots(DiscSize::k80); x += 3) {
        ASSERT_EQ(on_page.Printable(x, row),
                  square.Printable(x + DiscPageLeft(DiscSize::k80), row + DiscPageTop(DiscSize::k80, rpi)));
      }
      const RingRow a = on_page.Row(row), b = square.Row(row + DiscPageTop(DiscSize::k80, rpi));
      EXPECT_EQ(a.first + DiscPageLeft(DiscSize::k80), b.first);
    }
  }
}

TEST(MovingPages, EveryDotMovesByTheOffsetOrIsCut) {
  std::mt19937 random(23);
  InkPage page = InkPage::Blank(geometry::kDiscAreaDots, geometry::DiscAreaRows(300), 300, true);
  for (int p = 0; p < 3; ++p) {
    for (uint8_t& b : page.planes[p]) b = static_cast<uint8_t>(random() & random());
  }
  for (const LineReach& reach : {kComponentReach, kJobWriterReach}) {
    for (PrintOffset offset : {PrintOffset{0, 0}, PrintOffset{30, -30}, PrintOffset{-30, 30}, PrintOffset{-7, 1},
                               PrintOffset{13, 0}}) {
      const InkPage moved = MovePage(page, offset, reach);
      const int32_t dx = OffsetDots(offset.x_tenths), dy = OffsetRows(offset.y_tenths, 300);
      // Dot 0 of the square stays at printer dot 56 plus the offset.
      const int32_t shift = dx + 8 * (geometry::kPluginMarginBytes - moved.margin_bytes);
      ASSERT_LE(moved.width_dots, (geometry::kPrinterLineBytes - moved.margin_bytes) * 8);
      ASSERT_EQ(moved.rows, page.rows);
      for (int p = 0; p < 3; ++p) {
        for (int32_t row = 0; row < moved.rows; ++row) {
          for (int32_t x = 0; x < moved.width_dots; ++x) {
            const int32_t sx = x - shift, srow = row - dy;
            const bool want = sx >= 0 && sx < page.width_dots && srow >= 0 && srow < page.rows &&
                              page.Dot(p, srow, sx);
            ASSERT_EQ(moved.Dot(p, row, x), want) << offset.x_tenths << "/" << offset.y_tenths << " " << x;
          }
        }
      }
      if (offset.Zero()) {
        EXPECT_EQ(moved.planes[0], page.planes[0]);
      }
    }
  }
  // The job writer reaches left of the square; the components do not.
  EXPECT_EQ(MovePage(page, PrintOffset{-30, 0}, kJobWriterReach).margin_bytes, 2);
  EXPECT_EQ(MovePage(page, PrintOffset{-30, 0}, kComponentReach).margin_bytes, 7);
}

TEST(MovingPages, TellHowMuchOfTheRingIsLost) {
  const DiscRing ring;
  EXPECT_FALSE(LostRing(ring, PrintOffset{}, 600, kComponentReach).Any());
  // Right moves fit the line; left ones only where the path reaches.
  EXPECT_FALSE(LostRing(ring, PrintOffset{30, 0}, 600, kComponentReach).Any());
  EXPECT_FALSE(LostRing(ring, PrintOffset{-30, 0}, 600, kJobWriterReach).Any());
  const RingLoss left = LostRing(ring, PrintOffset{-30, 0}, 600, kComponentReach);
  EXPECT_GT(left.percent, 0.1);
  EXPECT_NEAR(left.left_mm, 3.0 - (kDiscAreaMm - 118) / 2, 0.15);
  EXPECT_EQ(left.top_mm + left.right_mm + left.bottom_mm, 0);
  // Rows stop at 2831 whatever the path.
  const RingLoss down = LostRing(ring, PrintOffset{0, 20}, 300, kJobWriterReach);
  EXPECT_NEAR(down.bottom_mm, 2.0 - (kDiscAreaMm - 118) / 2, 0.15);
  EXPECT_NE(DescribeRingLoss(down).find("at the bottom"), std::string::npos);
  EXPECT_FALSE(LostRing(DefaultRing(DiscSize::k80), PrintOffset{-30, 30}, 600, kComponentReach).Any());
}

}  // namespace
}  // namespace page
