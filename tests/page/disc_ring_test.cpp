#include <gtest/gtest.h>

#include "page/disc_ring.h"

namespace page {
namespace {

TEST(DiscRing, RowSpansHoldExactlyThePrintableDots) {
  // Including dots past the square: a 120 mm ring reaches beyond it.
  for (const DiscRing& ring : {DiscRing{}, DiscRing{120, 0}, DiscRing{80.5, 40}, DiscRing{1, 0.5}}) {
    for (int32_t rpi : {300, 600}) {
      const DiscMask mask(ring, rpi);
      for (int32_t row = -2; row < geometry::DiscAreaRows(rpi) + 2; ++row) {
        const RingRow span = mask.Row(row);
        for (int32_t x = -20; x < geometry::kDiscAreaDots + 80; ++x) {
          const bool in_span = x >= span.first && x <= span.last &&
                               !(x >= span.hub_first && x <= span.hub_last);
          ASSERT_EQ(in_span, mask.Printable(x, row))
              << "ring " << ring.outer_mm << "/" << ring.inner_mm << " at " << rpi << ", row "
              << row << ", dot " << x;
        }
      }
    }
  }
}

}  // namespace
}  // namespace page
