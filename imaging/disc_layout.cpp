#include "imaging/disc_layout.h"

#include <math.h>

#include <algorithm>

namespace imaging {

bool ValidateRing(const DiscRing& ring, std::string* error) {
  if (!(ring.outer_mm > 0) || ring.outer_mm > kMaxOuterMm) {
    *error = "the outer diameter must be above 0 and at most 120 mm";
    return false;
  }
  if (!(ring.inner_mm >= 0) || ring.inner_mm >= ring.outer_mm) {
    *error = "the hub diameter must be at least 0 and below the outer diameter";
    return false;
  }
  return true;
}

Placement PlaceImage(int32_t image_width, int32_t image_height, int32_t rows_per_inch) {
  Placement p;
  if (image_width <= 0 || image_height <= 0) return p;
  // Fit in 1/300 inch units first, where dots and rows are square.
  int64_t w = kSquareDots, h = kSquareDots;
  if (image_width >= image_height) {
    h = std::max<int64_t>(1, (int64_t{kSquareDots} * image_height + image_width / 2) / image_width);
  } else {
    w = std::max<int64_t>(1, (int64_t{kSquareDots} * image_width + image_height / 2) / image_height);
  }
  const int32_t factor = rows_per_inch == 600 ? 2 : 1;
  p.width = static_cast<int32_t>(w);
  p.height = static_cast<int32_t>(h) * factor;
  p.left = (kSquareDots - p.width) / 2;
  p.top = (SquareRows(rows_per_inch) - p.height) / 2;
  return p;
}

DiscMask::DiscMask(const DiscRing& ring, int32_t rows_per_inch)
    : outer_sq_(ring.outer_mm * ring.outer_mm / 4),
      inner_sq_(ring.inner_mm * ring.inner_mm / 4),
      row_mm_(kMmPerInch / (rows_per_inch == 600 ? 600 : 300)) {}

double DiscMask::DistanceMm(int32_t x, int32_t row) const {
  const double dx = (x + 0.5) * (kMmPerInch / kDotsPerInch) - kSquareMm / 2;
  const double dy = (row + 0.5) * row_mm_ - kSquareMm / 2;
  return sqrt(dx * dx + dy * dy);
}

bool DiscMask::Printable(int32_t x, int32_t row) const {
  const double dx = (x + 0.5) * (kMmPerInch / kDotsPerInch) - kSquareMm / 2;
  const double dy = (row + 0.5) * row_mm_ - kSquareMm / 2;
  const double d = dx * dx + dy * dy;
  return d <= outer_sq_ && d >= inner_sq_;
}

}  // namespace imaging
