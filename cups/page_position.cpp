#include "cups/page_position.h"

#include <stdlib.h>
#include <string.h>

#include <new>

namespace cupsdrv {

void MovePlanes(const PagePlanes& in, int32_t left, int32_t top, const page::PrintOffset& offset,
                PagePlanes* out, int32_t* margin_bytes) {
  const int32_t dx = page::OffsetDots(offset.x_tenths);
  const int32_t dy = page::OffsetRows(offset.y_tenths, in.rows_per_inch);
  const page::MovedLine line = page::PlaceLine(left + in.width, dx, page::kJobWriterReach);
  const int32_t rows = geometry::DiscAreaRows(in.rows_per_inch);
  const int32_t row_bytes = (line.width + 7) / 8;
  const size_t size = static_cast<size_t>(in.plane_count) * row_bytes * rows;
  if (out->capacity < size) {
    void* bits = malloc(size);
    if (bits == nullptr) throw std::bad_alloc();
    out->bits.reset(static_cast<uint8_t*>(bits));
    out->capacity = size;
  }
  out->width = line.width;
  out->rows = rows;
  out->row_bytes = row_bytes;
  out->plane_count = in.plane_count;
  out->rows_per_inch = in.rows_per_inch;
  memset(out->bits.get(), 0, size);
  for (int32_t row = 0; row < rows; ++row) {
    const int32_t from = row - top - dy;
    if (from < 0 || from >= in.rows) continue;
    for (int p = 0; p < in.plane_count; ++p) {
      page::MoveDots(in.Row(p, from), in.width, line.square_at + left, out->Row(p, row), line.width);
    }
  }
  *margin_bytes = line.margin_bytes;
}

}  // namespace cupsdrv
