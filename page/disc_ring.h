// The printable ring of a disc: where ink may land on the paper size "CD".
//
// A 120 mm disc lies centred in the printable square (geometry/printer_geometry.h). Ink
// beyond its printable outer diameter lands on the tray around it, ink inside
// the hub runs into the hole, so every front end keeps its pages to the ring:
// the picture path before halftoning, the CUPS filter on the raster it is
// given. Both take their diameters and the test of a dot from here.
#ifndef QUILLORY2_PAGE_DISC_RING_H_
#define QUILLORY2_PAGE_DISC_RING_H_

#include <stdint.h>

#include <string>

#include "geometry/printer_geometry.h"

namespace page {

constexpr double kMmPerInch = 25.4;
constexpr double kDefaultOuterMm = 118.0;  // printable diameter of a 120 mm disc
constexpr double kDefaultInnerMm = 22.0;   // hub area left blank
constexpr double kMaxOuterMm = 120.0;      // the largest disc the tray holds
constexpr double kDiscAreaMm = geometry::kDiscAreaDots * kMmPerInch / geometry::kDotsPerInch;

struct DiscRing {
  double outer_mm = kDefaultOuterMm;
  double inner_mm = kDefaultInnerMm;
};

// Checks a ring given by the user; false with a reason in *error.
bool ValidateRing(const DiscRing& ring, std::string* error);

// The dots of one page row that may carry ink: first..last of the outer
// circle, less hub_first..hub_last (an empty span has last < first).
struct RingRow {
  int32_t first = 0, last = -1;
  int32_t hub_first = 0, hub_last = -1;
};

// The ring in page coordinates: dot x across, row down from the top of the
// printable square, at 300 or 600 rows per inch. A dot is printable when its
// centre lies on the ring, edges included.
class DiscMask {
 public:
  DiscMask(const DiscRing& ring, int32_t rows_per_inch);
  bool Printable(int32_t x, int32_t row) const;
  // Distance of the centre of dot (x, row) from the disc centre, in mm.
  double DistanceMm(int32_t x, int32_t row) const;
  // The printable dots of a row, exactly those Printable accepts.
  RingRow Row(int32_t row) const;

 private:
  double outer_sq_;
  double inner_sq_;
  double row_mm_;
};

}  // namespace page

#endif  // QUILLORY2_PAGE_DISC_RING_H_
