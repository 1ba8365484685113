// Extracting one printer line of one ink plane from a band that Unidrv
// rendered at 1 bit per pixel (monochrome) or 4 bits per pixel (colour).
//
// In the band a clear bit is ink; in the extracted line a set bit is a dot to
// print, as the printer wants it. Portrait lines are scan lines; landscape
// lines are pixel columns read from the band's last scan line upward, so the
// printed image is the band turned a quarter turn clockwise.
#ifndef QUILLORY2_RASTER_PLANE_EXTRACTION_H_
#define QUILLORY2_RASTER_PLANE_EXTRACTION_H_

#include <stdint.h>

#include "raster/cpu_features.h"

namespace raster {

// The line buffer every extraction writes into.
constexpr int kLineBufferBytes = 200;

// Plane selectors: which colour bit of a 4-bit pixel a plane takes.
constexpr int32_t kPlaneBit0 = 0;
constexpr int32_t kPlaneBit2 = 1;
constexpr int32_t kPlaneBit1 = 2;

// The line length ExtractPlaneLine produces for this band, before clipping
// to the line buffer: the stride for 1-bit portrait, width / 8 rounded up
// for 4-bit portrait, height / 8 rounded up in landscape. 0 for a band with
// no pixels.
int32_t PlaneLineLength(int32_t landscape, int32_t width, int32_t height, uint16_t stride,
                        uint16_t bit_count);

// Extracts line `index` of plane `plane` (0, 1 or 2; ignored for 1-bit bands)
// into dst, which holds kLineBufferBytes, and returns the line length in
// bytes. bit_count 1 is a 1-bit band, any other value a 4-bit band.
// isa picks the kernels for 4-bit portrait lines (it must be supported, see
// cpu_features.h); every choice gives the same bytes.
//
// The band is `height` scan lines of `stride` bytes. Nothing outside those
// bytes is read: pixels that lie beyond the stride count as white, and a line
// longer than the line buffer is cut at the buffer's end. In landscape the
// bits of a last partial byte that stand for no scan line stay clear.
int32_t ExtractPlaneLine(int32_t index, const uint8_t* bits, int32_t plane, int32_t landscape,
                         int32_t width, int32_t height, uint16_t stride, uint16_t bit_count,
                         uint8_t* dst, Isa isa = Isa::kScalar);

// Whether portrait line `index` of a 4-bit band is blank on the plane, found
// with one AND pass over the scan line instead of extracting it: true exactly
// when ExtractPlaneLine would give a line without a set bit. Always false for
// 1-bit bands and unknown planes, whose lines are not tested.
bool PortraitLineBlank(int32_t index, const uint8_t* bits, int32_t plane, int32_t width,
                       int32_t height, uint16_t stride, uint16_t bit_count,
                       Isa isa = Isa::kScalar);

// Landscape lines are pixel columns; reading them one at a time touches every
// scan line once per column. ExtractLandscapeLines extracts `count` (at most
// kLandscapeBlockLines) consecutive landscape lines from first_index on into
// dst[0 .. count-1], each exactly as ExtractPlaneLine with landscape set would,
// and returns the line length. Aligned blocks of sixteen columns read each
// band byte once for all sixteen; isa picks the kernels for 4-bit bands.
constexpr int32_t kLandscapeBlockLines = 16;
int32_t ExtractLandscapeLines(int32_t first_index, int32_t count, const uint8_t* bits,
                              int32_t plane, int32_t width, int32_t height, uint16_t stride,
                              uint16_t bit_count, uint8_t (*dst)[kLineBufferBytes],
                              Isa isa = Isa::kScalar);

// Complements the first count bytes of buf.
void InvertBuf(uint8_t* buf, uint16_t count);

}  // namespace raster

#endif  // QUILLORY2_RASTER_PLANE_EXTRACTION_H_
