#include "imaging/raster_rows.h"

#include <string.h>

namespace imaging {

void RasterRowToRgb(RasterPixels pixels, const uint8_t* row, int32_t width, uint8_t* rgb) {
  switch (pixels) {
    case RasterPixels::kRgb8:
      memcpy(rgb, row, static_cast<size_t>(width) * 3);
      break;
    case RasterPixels::kGrey8:
      for (int32_t x = 0; x < width; ++x) rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = row[x];
      break;
    case RasterPixels::kBlack8:
      for (int32_t x = 0; x < width; ++x) {
        rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = static_cast<uint8_t>(255 - row[x]);
      }
      break;
  }
}

}  // namespace imaging
