// Where a label lands on the disc.
//
// The printer's paper size "CD" has a printable square of 1416 x 1416 dots
// at 300 dots per inch across (4.72 inch, 119.9 mm); down the square is 1416
// rows at 300 rows per inch or 2832 at 600. A 120 mm disc lies centred in
// that square. Ink outside the printable ring (beyond the outer diameter, or
// inside the hub hole) would land on the tray or run into the hole, so a
// label is masked to the ring before it is halftoned.
#ifndef QUILLORY2_IMAGING_DISC_LAYOUT_H_
#define QUILLORY2_IMAGING_DISC_LAYOUT_H_

#include <stdint.h>

#include <string>

#include "page/disc_ring.h"
#include "geometry/printer_geometry.h"

namespace imaging {

// The printable square is the printer's disc area (geometry/printer_geometry.h), the
// ring and its mask the page model's (page/disc_ring.h).
constexpr int32_t kSquareDots = geometry::kDiscAreaDots;
constexpr int32_t kDotsPerInch = geometry::kDotsPerInch;
constexpr double kMmPerInch = page::kMmPerInch;
constexpr double kDefaultOuterMm = page::kDefaultOuterMm;
constexpr double kDefaultInnerMm = page::kDefaultInnerMm;
constexpr double kMaxOuterMm = page::kMaxOuterMm;
constexpr double kSquareMm = page::kDiscAreaMm;
using page::DiscMask;
using page::DiscRing;
using page::ValidateRing;

// Rows of the printable square at rows_per_inch (300 or 600).
constexpr int32_t SquareRows(int32_t rows_per_inch) { return geometry::DiscAreaRows(rows_per_inch); }

// Where an image of the given pixel size lands in the square: scaled to fit
// the disc's page (the whole square for a 120 mm disc, the 80 mm disc's own
// square centred in it) keeping its aspect (pixels taken as square), centred.
struct Placement {
  int32_t left = 0;    // first dot
  int32_t top = 0;     // first row
  int32_t width = 0;   // dots
  int32_t height = 0;  // rows
};
Placement PlaceImage(int32_t image_width, int32_t image_height, int32_t rows_per_inch,
                     page::DiscSize disc = page::DiscSize::k120);

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_DISC_LAYOUT_H_
