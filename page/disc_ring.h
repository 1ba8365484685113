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
#include <string_view>

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

// The discs the tray takes: 120 mm, and 80 mm in the tray's adapter. Both lie
// with their centre at the centre of the printable square; an 80 mm disc's
// page is its own square, placed there.
enum class DiscSize { k120, k80 };
constexpr double kDisc80OuterMm = 78.0;  // printable diameter of an 80 mm disc
constexpr double kDiscHoleMm = 15.0;     // the hole in the middle of either

// The disc's diameter in mm, and the ring printed on it unless the user
// chooses another: 118/22 mm on a 120 mm disc, 78/22 mm on an 80 mm one.
double DiscDiameterMm(DiscSize size);
DiscRing DefaultRing(DiscSize size);
// The side of the disc's page in dots across (1416 for 120 mm, 945 for
// 80 mm) and in rows at rows_per_inch, and where it lies in the printable
// square: centred, its first dot and row.
int32_t DiscPageDots(DiscSize size);
int32_t DiscPageRows(DiscSize size, int32_t rows_per_inch);
int32_t DiscPageLeft(DiscSize size);
int32_t DiscPageTop(DiscSize size, int32_t rows_per_inch);
// Checks a ring for a disc of this size: ValidateRing, and the outer
// diameter at most the disc's.
bool ValidateRingOn(DiscSize size, const DiscRing& ring, std::string* error);
// The ring to print from diameters that a front end keeps for every disc
// (a printer default, a PPD default): an outer diameter larger than the disc
// is one chosen for a larger disc, and the disc's own default is taken.
DiscRing FitRing(DiscSize size, DiscRing ring);

// "120", "120mm", "cd"; "80", "80mm", "mini". Case and blanks ignored.
bool ParseDiscSize(std::string_view text, DiscSize* value);
// "120 mm", "80 mm".
const char* DiscSizeName(DiscSize value);
extern const char kDiscSizeWords[];

// The dots of one page row that may carry ink: first..last of the outer
// circle, less hub_first..hub_last (an empty span has last < first).
struct RingRow {
  int32_t first = 0, last = -1;
  int32_t hub_first = 0, hub_last = -1;
};

// The ring in page coordinates: dot x across, row down from the top of the
// printable square, at 300 or 600 rows per inch. A dot is printable when its
// centre lies on the ring, edges included. A page that starts elsewhere than
// the square's corner (an 80 mm disc's page) gives where its first dot and
// row lie in the square: left, top.
class DiscMask {
 public:
  DiscMask(const DiscRing& ring, int32_t rows_per_inch, int32_t left = 0, int32_t top = 0);
  bool Printable(int32_t x, int32_t row) const;
  // Distance of the centre of dot (x, row) from the disc centre, in mm.
  double DistanceMm(int32_t x, int32_t row) const;
  // The printable dots of a row, exactly those Printable accepts.
  RingRow Row(int32_t row) const;

 private:
  RingRow SquareRow(int32_t row) const;
  double outer_sq_;
  double inner_sq_;
  double row_mm_;
  int32_t left_, top_;
};

}  // namespace page

#endif  // QUILLORY2_PAGE_DISC_RING_H_
