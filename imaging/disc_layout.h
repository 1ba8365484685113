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

#include "page/geometry.h"

namespace imaging {

// The printable square is the printer's disc area (page/geometry.h).
constexpr int32_t kSquareDots = page::kDiscAreaDots;
constexpr int32_t kDotsPerInch = page::kDotsPerInch;
constexpr double kMmPerInch = 25.4;
constexpr double kDefaultOuterMm = 118.0;    // printable diameter of a 120 mm disc
constexpr double kDefaultInnerMm = 22.0;     // hub area left blank
constexpr double kMaxOuterMm = 120.0;       // the largest disc the tray holds
constexpr double kSquareMm = kSquareDots * kMmPerInch / kDotsPerInch;

// Rows of the printable square at rows_per_inch (300 or 600).
constexpr int32_t SquareRows(int32_t rows_per_inch) { return page::DiscAreaRows(rows_per_inch); }

struct DiscRing {
  double outer_mm = kDefaultOuterMm;
  double inner_mm = kDefaultInnerMm;
};

// Checks a ring given by the user; false with a reason in *error.
bool ValidateRing(const DiscRing& ring, std::string* error);

// Where an image of the given pixel size lands in the square: scaled to fit
// keeping its aspect (pixels taken as square), centred.
struct Placement {
  int32_t left = 0;    // first dot
  int32_t top = 0;     // first row
  int32_t width = 0;   // dots
  int32_t height = 0;  // rows
};
Placement PlaceImage(int32_t image_width, int32_t image_height, int32_t rows_per_inch);

// The printable ring in page coordinates (dot x, row y of the square). A dot
// is printable when its centre lies on the ring, edges included.
class DiscMask {
 public:
  // The printable dots of one row of the square: [begin, end) less the hub's
  // [hub_begin, hub_end) (empty when hub_begin == hub_end).
  struct RowSpan {
    int32_t begin = 0, end = 0;
    int32_t hub_begin = 0, hub_end = 0;
  };

  DiscMask(const DiscRing& ring, int32_t rows_per_inch);
  bool Printable(int32_t x, int32_t row) const;
  // Exactly the dots Printable gives for the row, found without testing
  // every dot: a row's distance falls towards the centre and grows beyond it.
  RowSpan Row(int32_t row) const;
  // Distance of the centre of dot (x, row) from the disc centre, in mm.
  double DistanceMm(int32_t x, int32_t row) const;

 private:
  double SquaredMm(int32_t x, int32_t row) const;

  double outer_sq_;
  double inner_sq_;
  double row_mm_;
};

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_DISC_LAYOUT_H_
