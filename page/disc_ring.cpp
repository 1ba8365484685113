#include "page/disc_ring.h"

#include <math.h>

namespace page {
namespace {

constexpr double kDotMm = kMmPerInch / geometry::kDotsPerInch;

// Squared distance across from the disc centre to the centre of dot x.
double DxSquared(int32_t x) {
  const double dx = (x + 0.5) * kDotMm - kDiscAreaMm / 2;
  return dx * dx;
}

// Where inside(x) starts to hold, for a test that holds from some dot up to
// the centre line (and, mirrored, from there on), on a circle of
// half_width_sq (square mm across, negative when the row misses it): the
// first dot left of the centre, and the last right of it. The circle gives
// each edge to within a dot or so; the test itself then moves each edge
// dot by dot, so that the spans agree with it to the last rounding. Dots
// further out may lie beyond the square: a ring up to 120 mm reaches a little
// past its 119.9 mm.
template <class Inside>
bool InsideSpan(Inside inside, double half_width_sq, int32_t* first, int32_t* last) {
  constexpr int32_t kCentre = geometry::kDiscAreaDots / 2;  // the first dot right of the centre line
  constexpr int32_t kLeftmost = -geometry::kDiscAreaDots;
  constexpr int32_t kPastRight = 2 * geometry::kDiscAreaDots;
  double left = kCentre, right = kCentre;  // estimates of the first dot in and the first out
  if (half_width_sq > 0) {
    const double w = sqrt(half_width_sq);
    left = ceil((kDiscAreaMm / 2 - w) / kDotMm - 0.5);
    right = floor((kDiscAreaMm / 2 + w) / kDotMm - 0.5) + 1;
  }
  int32_t x = left < kLeftmost ? kLeftmost : left > kCentre ? kCentre : static_cast<int32_t>(left);
  while (x > kLeftmost && inside(x - 1)) --x;
  while (x < kCentre && !inside(x)) ++x;
  if (x == kCentre) return false;
  *first = x;
  x = right < kCentre ? kCentre : right > kPastRight ? kPastRight : static_cast<int32_t>(right);
  while (x > kCentre && !inside(x - 1)) --x;
  while (x < kPastRight && inside(x)) ++x;
  *last = x - 1;
  return true;
}

}  // namespace

const char kDiscSizeWords[] = "120 or 80 (mm)";

double DiscDiameterMm(DiscSize size) { return size == DiscSize::k80 ? 80.0 : 120.0; }

DiscRing DefaultRing(DiscSize size) {
  return size == DiscSize::k80 ? DiscRing{kDisc80OuterMm, kDefaultInnerMm} : DiscRing{};
}

// 80 mm is 944.9 dots; the page takes whole dots, and lies half a dot off
// centre, which the ring, centred exactly, does not notice.
int32_t DiscPageDots(DiscSize size) { return size == DiscSize::k80 ? 945 : geometry::kDiscAreaDots; }

int32_t DiscPageRows(DiscSize size, int32_t rows_per_inch) {
  return size == DiscSize::k80 ? (rows_per_inch == 600 ? 1890 : 945) : geometry::DiscAreaRows(rows_per_inch);
}

int32_t DiscPageLeft(DiscSize size) { return (geometry::kDiscAreaDots - DiscPageDots(size)) / 2; }

int32_t DiscPageTop(DiscSize size, int32_t rows_per_inch) {
  return (geometry::DiscAreaRows(rows_per_inch) - DiscPageRows(size, rows_per_inch)) / 2;
}

bool ValidateRingOn(DiscSize size, const DiscRing& ring, std::string* error) {
  if (!ValidateRing(ring, error)) return false;
  if (ring.outer_mm > DiscDiameterMm(size)) {
    *error = std::string("the outer diameter must be at most the disc's: ") + DiscSizeName(size);
    return false;
  }
  return true;
}

DiscRing FitRing(DiscSize size, DiscRing ring) {
  // Only a diameter some larger disc could have; anything else is left for
  // ValidateRing to refuse.
  if (ring.outer_mm > DiscDiameterMm(size) && ring.outer_mm <= kMaxOuterMm) {
    ring.outer_mm = DefaultRing(size).outer_mm;
  }
  return ring;
}

bool ParseDiscSize(std::string_view text, DiscSize* value) {
  std::string s;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    s += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (s == "120" || s == "120mm" || s == "cd") {
    *value = DiscSize::k120;
  } else if (s == "80" || s == "80mm" || s == "mini") {
    *value = DiscSize::k80;
  } else {
    return false;
  }
  return true;
}

const char* DiscSizeName(DiscSize value) { return value == DiscSize::k80 ? "80 mm" : "120 mm"; }

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

DiscMask::DiscMask(const DiscRing& ring, int32_t rows_per_inch, int32_t left, int32_t top)
    : outer_sq_(ring.outer_mm * ring.outer_mm / 4),
      inner_sq_(ring.inner_mm * ring.inner_mm / 4),
      row_mm_(kMmPerInch / (rows_per_inch == 600 ? 600 : 300)),
      left_(left),
      top_(top) {}

double DiscMask::DistanceMm(int32_t x, int32_t row) const {
  const double dy = (row + top_ + 0.5) * row_mm_ - kDiscAreaMm / 2;
  return sqrt(DxSquared(x + left_) + dy * dy);
}

bool DiscMask::Printable(int32_t x, int32_t row) const {
  const double dy = (row + top_ + 0.5) * row_mm_ - kDiscAreaMm / 2;
  const double d = DxSquared(x + left_) + dy * dy;
  return d <= outer_sq_ && d >= inner_sq_;
}

RingRow DiscMask::Row(int32_t row) const {
  RingRow span = SquareRow(row + top_);
  span.first -= left_;
  span.last -= left_;
  span.hub_first -= left_;
  span.hub_last -= left_;
  return span;
}

RingRow DiscMask::SquareRow(int32_t row) const {
  const double dy = (row + 0.5) * row_mm_ - kDiscAreaMm / 2;
  const double dy_sq = dy * dy;
  RingRow span;
  InsideSpan([&](int32_t x) { return DxSquared(x) + dy_sq <= outer_sq_; }, outer_sq_ - dy_sq,
             &span.first, &span.last);
  InsideSpan([&](int32_t x) { return DxSquared(x) + dy_sq < inner_sq_; }, inner_sq_ - dy_sq,
             &span.hub_first, &span.hub_last);
  return span;
}

}  // namespace page
