#include "imaging/disc_layout.h"

#include <algorithm>

namespace imaging {

Placement PlaceImage(int32_t image_width, int32_t image_height, int32_t rows_per_inch,
                     page::DiscSize disc) {
  Placement p;
  if (image_width <= 0 || image_height <= 0) return p;
  // Fit in 1/300 inch units first, where dots and rows are square.
  const int64_t side = page::DiscPageDots(disc);
  int64_t w = side, h = side;
  if (image_width >= image_height) {
    h = std::max<int64_t>(1, (side * image_height + image_width / 2) / image_width);
  } else {
    w = std::max<int64_t>(1, (side * image_width + image_height / 2) / image_height);
  }
  const int32_t factor = rows_per_inch == 600 ? 2 : 1;
  p.width = static_cast<int32_t>(w);
  p.height = static_cast<int32_t>(h) * factor;
  p.left = (kSquareDots - p.width) / 2;
  p.top = (SquareRows(rows_per_inch) - p.height) / 2;
  return p;
}

}  // namespace imaging
