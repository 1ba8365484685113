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

double DiscMask::SquaredMm(int32_t x, int32_t row) const {
  const double dx = (x + 0.5) * (kMmPerInch / kDotsPerInch) - kSquareMm / 2;
  const double dy = (row + 0.5) * row_mm_ - kSquareMm / 2;
  return dx * dx + dy * dy;
}

bool DiscMask::Printable(int32_t x, int32_t row) const {
  const double d = SquaredMm(x, row);
  return d <= outer_sq_ && d >= inner_sq_;
}

DiscMask::RowSpan DiscMask::Row(int32_t row) const {
  // Left of the centre the distance falls as x grows, right of it it grows,
  // so each limit is found by bisection with the same test Printable makes.
  const int32_t centre = kSquareDots / 2;
  auto first_in = [&](int32_t lo, int32_t hi, auto&& inside) {  // first x in [lo, hi) inside
    while (lo < hi) {
      const int32_t mid = lo + (hi - lo) / 2;
      if (inside(mid)) hi = mid;
      else lo = mid + 1;
    }
    return lo;
  };
  auto first_out = [&](int32_t lo, int32_t hi, auto&& inside) {  // first x in [lo, hi) outside
    return first_in(lo, hi, [&](int32_t x) { return !inside(x); });
  };
  auto within_outer = [&](int32_t x) { return SquaredMm(x, row) <= outer_sq_; };
  auto within_hub = [&](int32_t x) { return SquaredMm(x, row) < inner_sq_; };
  RowSpan span;
  span.begin = first_in(0, centre, within_outer);
  span.end = first_out(centre, kSquareDots, within_outer);
  if (span.begin == centre && !within_outer(centre)) span.end = span.begin;  // the row misses the disc
  span.hub_begin = first_in(0, centre, within_hub);
  span.hub_end = first_out(centre, kSquareDots, within_hub);
  if (span.hub_begin == centre && !within_hub(centre)) span.hub_end = span.hub_begin;
  return span;
}

}  // namespace imaging
