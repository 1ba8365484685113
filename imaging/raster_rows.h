// Contone raster rows, as rasterizers and clients send them, into the
// picture on the printer's dots that the label path takes
// (MakeLabelPageOnDots): the one conversion of the printer application's
// PWG and Apple raster and of the CUPS filter's pages.
#ifndef QUILLORY2_IMAGING_RASTER_ROWS_H_
#define QUILLORY2_IMAGING_RASTER_ROWS_H_

#include <stdint.h>

namespace imaging {

// How an 8-bit raster row holds its pixels.
enum class RasterPixels {
  kRgb8,    // red, green, blue: 3 bytes a pixel (sRGB)
  kGrey8,   // grey, 255 white: 1 byte a pixel (W, sGray)
  kBlack8,  // black, 0 white: 1 byte a pixel (K)
};

// Bytes a pixel takes in a row.
inline int RasterPixelBytes(RasterPixels pixels) { return pixels == RasterPixels::kRgb8 ? 3 : 1; }

// Writes the first `width` pixels of a raster row as RGB, 3 bytes a pixel.
void RasterRowToRgb(RasterPixels pixels, const uint8_t* row, int32_t width, uint8_t* rgb);

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_RASTER_ROWS_H_
