// A page as the printer prints it: what the imaging path makes of a picture,
// and the common input of both host stand-ins, the job writer and the CUPS
// filter's tests.
//
// One plane (monochrome: black) or three (colour: cyan, magenta, yellow) of
// `rows` rows each. A row is BytesPerRow() bytes, bit 7 of byte 0 the
// leftmost dot, a set bit a dot of ink. Dots are 1/300 inch across; rows are
// 1/rows_per_inch inch down (300 or 600).
#ifndef QUILLORY2_PAGE_INK_PAGE_H_
#define QUILLORY2_PAGE_INK_PAGE_H_

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "geometry/printer_geometry.h"

namespace page {

enum Ink : int { kCyan = 0, kMagenta = 1, kYellow = 2, kBlack = 0 };

struct InkPage {
  int32_t width_dots = 0;
  int32_t rows = 0;
  int32_t rows_per_inch = 600;
  bool colour = true;
  std::vector<uint8_t> planes[3];
  // Where the job writer puts dot 0 of a row in the printer line, in bytes:
  // the plug-in's 7, or less for a page moved left of the square
  // (page/print_position.h). The Windows components place rows themselves.
  int32_t margin_bytes = geometry::kPluginMarginBytes;

  int32_t BytesPerRow() const { return (width_dots + 7) / 8; }
  int PlaneCount() const { return colour ? 3 : 1; }
  // Row address step of one row in 1/600 inch: 1 at 600 rows per inch, 2 at 300.
  int32_t RowStep() const { return geometry::RowStep(rows_per_inch); }

  // A blank page of the given geometry.
  static InkPage Blank(int32_t width_dots, int32_t rows, int32_t rows_per_inch, bool colour) {
    InkPage page;
    page.width_dots = width_dots;
    page.rows = rows;
    page.rows_per_inch = rows_per_inch;
    page.colour = colour;
    page.Allocate();
    return page;
  }

  // Sizes the planes for the current geometry, all blank.
  void Allocate() {
    for (int p = 0; p < 3; ++p) {
      planes[p].assign(p < PlaneCount() ? static_cast<size_t>(BytesPerRow()) * rows : 0, 0);
    }
  }
  uint8_t* Row(int plane, int32_t row) {
    return planes[plane].data() + static_cast<size_t>(row) * BytesPerRow();
  }
  const uint8_t* Row(int plane, int32_t row) const {
    return planes[plane].data() + static_cast<size_t>(row) * BytesPerRow();
  }
  bool Dot(int plane, int32_t row, int32_t x) const {
    return (Row(plane, row)[x >> 3] >> (7 - (x & 7))) & 1;
  }
  void SetDot(int plane, int32_t row, int32_t x) {
    Row(plane, row)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
};

}  // namespace page

#endif  // QUILLORY2_PAGE_INK_PAGE_H_
