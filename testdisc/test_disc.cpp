#include "testdisc/test_disc.h"

#include <math.h>

#include <algorithm>

#include "imaging/bitmap_font.h"
#include "imaging/label.h"
#include "testdisc/ramps.h"

namespace testdisc {
namespace {

constexpr double kDotMm = page::kMmPerInch / geometry::kDotsPerInch;
constexpr int32_t kPageDots = 1472;
constexpr double kLineMm = 0.15;  // circles and the cross
constexpr double kTickMm = 0.1;   // ticks and the scales' base lines
constexpr double kDigitPixelMm = 0.13;  // a number is 0.91 mm tall: less than the 1 mm between numbers

struct Vec {
  double x, y;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
Vec operator*(double k, Vec a) { return {k * a.x, k * a.y}; }

// The page in mm from the disc's centre, x right, y down: a dot is inked when
// its centre lies in a shape, as the ring mask judges dots.
class Canvas {
 public:
  explicit Canvas(page::InkPage* page)
      : page_(page), row_mm_(page::kMmPerInch / page->rows_per_inch) {}

  template <class Inside>
  void Fill(double x0, double y0, double x1, double y1, Inside inside) {
    const int32_t first_dot = std::max<int32_t>(0, static_cast<int32_t>(floor((x0 + kHalf) / kDotMm - 0.5)));
    const int32_t last_dot =
        std::min<int32_t>(page_->width_dots - 1, static_cast<int32_t>(ceil((x1 + kHalf) / kDotMm - 0.5)));
    const int32_t first_row = std::max<int32_t>(0, static_cast<int32_t>(floor((y0 + kHalf) / row_mm_ - 0.5)));
    const int32_t last_row =
        std::min<int32_t>(page_->rows - 1, static_cast<int32_t>(ceil((y1 + kHalf) / row_mm_ - 0.5)));
    for (int32_t row = first_row; row <= last_row; ++row) {
      const double y = (row + 0.5) * row_mm_ - kHalf;
      for (int32_t dot = first_dot; dot <= last_dot; ++dot) {
        const double x = (dot + 0.5) * kDotMm - kHalf;
        if (!inside(x, y)) continue;
        for (int p = 0; p < page_->PlaneCount(); ++p) page_->SetDot(p, row, dot);
      }
    }
  }

  void Circle(double diameter_mm, double width_mm) {
    const double r = diameter_mm / 2, reach = r + width_mm;
    Fill(-reach, -reach, reach, reach, [&](double x, double y) { return fabs(hypot(x, y) - r) <= width_mm / 2; });
  }

  // A rectangle from corner a spanning along and across (both axis-parallel).
  void Box(Vec a, Vec along, Vec across) {
    const Vec b = a + along + across;
    const double x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x);
    const double y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    Fill(x0, y0, x1, y1, [&](double x, double y) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; });
  }

  // A line of width w from a along an axis-parallel direction d for length mm.
  void Line(Vec a, Vec d, double length, double w) {
    const Vec side{-d.y, d.x};
    Box(a + (-w / 2) * side, length * d, w * side);
  }

  // Text whose letters advance along `advance` and whose glyphs run down
  // along `down` (both unit, axis-parallel), top-left corner at origin.
  void Text(const std::string& text, Vec origin, Vec advance, Vec down, double pixel_mm) {
    for (size_t i = 0; i < text.size(); ++i) {
      const uint8_t* rows = imaging::Glyph(text[i]);
      for (int gy = 0; gy < imaging::kGlyphHeight; ++gy) {
        for (int gx = 0; gx < imaging::kGlyphWidth; ++gx) {
          if (!(rows[gy] & (0x10 >> gx))) continue;
          const Vec corner = origin + ((i * imaging::kGlyphAdvance + gx) * pixel_mm) * advance + (gy * pixel_mm) * down;
          Box(corner, pixel_mm * advance, pixel_mm * down);
        }
      }
    }
  }

  double TextLength(const std::string& text, double pixel_mm) const {
    return (text.size() * imaging::kGlyphAdvance - 1) * pixel_mm;
  }

 private:
  static constexpr double kHalf = page::kDiscAreaMm / 2;
  page::InkPage* page_;
  double row_mm_;
};

// One scale across radius r0 on the side `out` points to: a base line from
// r0 - 3 to r0 + 3 mm, ticks beside it every 0.5 mm (longer at whole mm, the
// longest at 0), and the numbers beyond the ticks, upright with this side at
// the top.
void Scale(Canvas* canvas, double r0, Vec out) {
  const Vec beside{-out.y, out.x};  // the ticks' side
  canvas->Line((r0 - kScaleReachMm) * out, out, 2 * kScaleReachMm, kTickMm);
  const int steps = static_cast<int>(lround(kScaleReachMm / kTickStepMm));
  for (int k = -steps; k <= steps; ++k) {
    const Vec at = (r0 + k * kTickStepMm) * out;
    const bool whole = k % 2 == 0;
    const double length = k == 0 ? 1.8 : whole ? 1.2 : 0.7;
    canvas->Line(at, beside, length, kTickMm);
    if (!whole) continue;
    const int value = k / 2;
    const std::string text = value > 0 ? "+" + std::to_string(value) : std::to_string(value);
    // Glyph tops point outwards; the number is centred on its tick.
    const Vec origin = at + (1.8 + 0.3) * beside + (imaging::kGlyphHeight * kDigitPixelMm / 2) * out;
    canvas->Text(text, origin, beside, -1.0 * out, kDigitPixelMm);
  }
}

// The ramps, halftoned as pictures are, onto the page.
void DrawRamps(const page::DiscRing& ring, page::InkPage* page) {
  const std::vector<RampPatch> patches = RampPatches(ring);
  if (patches.empty()) return;
  const double half = page::kDiscAreaMm / 2, row_mm = page::kMmPerInch / page->rows_per_inch;
  const bool colour = page->colour;
  const imaging::CoverageAt at = [&](int32_t dot, int32_t row, float* coverage) {
    const RampPatch* patch = PatchAt(patches, (dot + 0.5) * kDotMm - half, (row + 0.5) * row_mm - half);
    if (!patch || (!colour && patch->ramp != kGreyRamp)) return false;
    const float c = patch->step / (kRampSteps - 1.0f);
    if (!colour) {
      coverage[0] = c;
    } else {
      for (int ink = 0; ink < 3; ++ink) coverage[ink] = patch->ramp == kGreyRamp || patch->ramp == ink + 1 ? c : 0;
    }
    return true;
  };
  const page::InkPage ramps = imaging::HalftoneCoverage(page->width_dots, page->rows, page->rows_per_inch, colour, at);
  for (int p = 0; p < page->PlaneCount(); ++p)
    for (int32_t row = 0; row < page->rows; ++row) {
      uint8_t* out = page->Row(p, row);
      const uint8_t* in = ramps.Row(p, row);
      for (int32_t i = 0; i < page->BytesPerRow(); ++i) out[i] |= in[i];
    }
}

std::string Upper(std::string text) {
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return text;
}

}  // namespace

std::vector<std::string> SettingsLabel(const TestDiscSettings& s) {
  char ring[64];
  snprintf(ring, sizeof ring, "RING %g / %g MM", s.ring.outer_mm, s.ring.inner_mm);
  return {
      "QUILLORY2 TEST DISC",
      Upper(page::DiscSizeName(s.disc)) + " DISC, " + ring,
      "OFFSET X " + page::OffsetMmName(s.offset.x_tenths) + " MM, Y " + page::OffsetMmName(s.offset.y_tenths) + " MM",
      Upper(page::ResolutionName(s.options.resolution)) + ", " + Upper(page::ColourModeName(s.options.colour)) + ", " +
          Upper(page::MediaName(s.options.media)),
      Upper(s.printed_by),
  };
}

page::InkPage DrawTestDisc(const TestDiscSettings& s) {
  const int32_t rpi = s.options.RowsPerInch();
  // Wider than the square, so that the right-hand outer scale fits: as wide
  // as every component prints (the minidriver's black rows end at 1472).
  page::InkPage page = page::InkPage::Blank(kPageDots, geometry::DiscAreaRows(rpi), rpi, s.options.Colour());
  Canvas canvas(&page);
  canvas.Circle(s.ring.outer_mm, kLineMm);
  if (s.ring.inner_mm > 0) canvas.Circle(s.ring.inner_mm, kLineMm);
  for (const Vec d : {Vec{1, 0}, Vec{0, 1}}) canvas.Line(-3.0 * d, d, 6.0, kLineMm);
  const double edge = page::DiscDiameterMm(s.disc) / 2, hole = page::kDiscHoleMm / 2;
  for (const Vec out : {Vec{0, -1}, Vec{1, 0}, Vec{0, 1}, Vec{-1, 0}}) {
    Scale(&canvas, edge, out);
    Scale(&canvas, hole, out);
  }
  // The label in the upper half of the ring, the way to read it in the lower.
  const double pixel = 0.28, line = 9 * pixel;
  const std::vector<std::string> label = SettingsLabel(s);
  double y = -(std::max(s.ring.inner_mm / 2, hole + kScaleReachMm) + 3 + line * label.size());
  for (const std::string& text : label) {
    canvas.Text(text, Vec{-canvas.TextLength(text, pixel) / 2, y}, Vec{1, 0}, Vec{0, 1}, pixel);
    y += line;
  }
  y = std::max(s.ring.inner_mm / 2, hole + kScaleReachMm) + 3;
  for (const char* text : {"READ EACH SCALE WHERE", "THE DISC'S EDGE MEETS IT"}) {
    canvas.Text(text, Vec{-canvas.TextLength(text, pixel) / 2, y}, Vec{1, 0}, Vec{0, 1}, pixel);
    y += line;
  }
  DrawRamps(s.ring, &page);
  return page;
}

}  // namespace testdisc
