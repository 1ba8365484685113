// Internal to raster/: the vector kernels behind plane_extraction.cpp. Each
// works on whole blocks only and leaves the band's edges to the scalar code;
// each writes exactly the bytes the scalar code writes for those blocks.
// Callers check IsaSupported first.
#ifndef QUILLORY2_RASTER_PLANE_KERNELS_H_
#define QUILLORY2_RASTER_PLANE_KERNELS_H_

#include <stddef.h>
#include <stdint.h>

#include "raster/plane_extraction.h"

#if (defined(__i386__) || defined(__x86_64__)) && (defined(__GNUC__) || defined(__clang__))
#define QUILLORY2_X86_KERNELS 1
#else
#define QUILLORY2_X86_KERNELS 0
#endif

namespace raster {
namespace kernels {

#if QUILLORY2_X86_KERNELS
// Portrait, 4-bit band: the dots of the plane of pixel_bit in `blocks` blocks
// of 32 pixels (16 band bytes from scan on), 4 line bytes per block into dst.
void PortraitColourSse2(const uint8_t* scan, int32_t blocks, int pixel_bit, uint8_t* dst);
void PortraitColourSsse3(const uint8_t* scan, int32_t blocks, int pixel_bit, uint8_t* dst);
void PortraitColourAvx2(const uint8_t* scan, int32_t blocks, int pixel_bit, uint8_t* dst);

// Portrait, 4-bit band: whether every one of the first `bytes` band bytes
// has all the bits of `white` set (no ink on the plane). Reads whole blocks
// of 64 bytes (AVX2) or 32 (SSE2) and returns how many bytes it found white,
// or -1 at the first block with ink.
int32_t WhitePrefixSse2(const uint8_t* scan, int32_t bytes, uint8_t white);
int32_t WhitePrefixAvx2(const uint8_t* scan, int32_t bytes, uint8_t white);

// The first and last non-zero byte of line[0 .. length-1] (length at most
// kLineBufferBytes; line holds kLineBufferBytes bytes, of which those past
// length are not looked at). False, leaving both alone, for a blank line.
// Every 16 bytes are compared at once, with no branch on the data but one.
bool LineExtentSse2(const uint8_t* line, int32_t length, int32_t* first, int32_t* last);
#if defined(__x86_64__)
// The same in four 64-bit words (no 32-bit processor runs it).
bool LineExtentAvx2(const uint8_t* line, int32_t length, int32_t* first, int32_t* last);
#endif

// Landscape, 4-bit band: sixteen pixel columns side by side (8 band bytes of
// each scan line from column on), dots 0 .. 16 * groups - 1 of their lines,
// dot k read from scan line last_scan - k. Writes bytes 0 .. 2 * groups - 1
// of dst[0 .. 15].
void LandscapeColourSse2(const uint8_t* column, size_t last_scan, size_t stride, int32_t groups,
                         int pixel_bit, uint8_t (*dst)[kLineBufferBytes]);
void LandscapeColourAvx2(const uint8_t* column, size_t last_scan, size_t stride, int32_t groups,
                         int pixel_bit, uint8_t (*dst)[kLineBufferBytes]);
#endif

}  // namespace kernels
}  // namespace raster

#endif  // QUILLORY2_RASTER_PLANE_KERNELS_H_
