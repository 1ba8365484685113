#include "raster/plane_extraction.h"

#include <stddef.h>

namespace raster {
namespace {

// Masks by bit position, most significant bit first: mask k sets or picks
// dot k of a byte.
constexpr uint8_t kBitMask[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

// Which mask a plane selector tests: its even-pixel mask is entry i, its
// odd-pixel mask entry i + 4. Selector 0 takes pixel bit 0, 1 bit 2, 2 bit 1.
constexpr int kPlaneMaskIndex[3] = {3, 1, 2};

// For each plane and each band byte (two 4-bit pixels), the two dots the byte
// gives that plane, even pixel in bit 1 and odd pixel in bit 0. A clear colour
// bit is ink, hence the exclusive-or with 0x77 before the test.
struct PairTable {
  uint8_t dots[3][256];
};
constexpr PairTable MakePairTable() {
  PairTable t{};
  for (int plane = 0; plane < 3; ++plane) {
    const uint8_t even = kBitMask[kPlaneMaskIndex[plane]];
    const uint8_t odd = kBitMask[kPlaneMaskIndex[plane] + 4];
    for (int b = 0; b < 256; ++b) {
      const int inked = b ^ 0x77;
      t.dots[plane][b] = static_cast<uint8_t>(((inked & even) ? 2 : 0) | ((inked & odd) ? 1 : 0));
    }
  }
  return t;
}
constexpr PairTable kPairTable = MakePairTable();

inline int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }

void ClearBytes(uint8_t* dst, int32_t n) {
  for (int32_t i = 0; i < n; ++i) dst[i] = 0;
}

}  // namespace

int32_t PlaneLineLength(int32_t landscape, int32_t width, int32_t height, uint16_t stride,
                        uint16_t bit_count) {
  if (width <= 0 || height <= 0) return 0;
  if (landscape) return static_cast<int32_t>((static_cast<int64_t>(height) + 7) / 8);
  if (bit_count == 1) return stride;
  return static_cast<int32_t>((static_cast<int64_t>(width) + 7) / 8);
}

void InvertBuf(uint8_t* buf, uint16_t count) {
  for (uint16_t i = 0; i < count; ++i) buf[i] = static_cast<uint8_t>(~buf[i]);
}

int32_t FirstNonZero(const uint8_t* buf, int32_t length) {
  for (int32_t i = 0; i < length; ++i) {
    if (buf[i] != 0) return i;
  }
  return -1;
}

int32_t LastNonZero(const uint8_t* buf, int32_t length) {
  for (int32_t i = length - 1; i >= 0; --i) {
    if (buf[i] != 0) return i;
  }
  return -1;
}

int32_t ExtractPlaneLine(int32_t index, const uint8_t* bits, int32_t plane, int32_t landscape,
                         int32_t width, int32_t height, uint16_t stride, uint16_t bit_count,
                         uint8_t* dst) {
  const int32_t length = Min(PlaneLineLength(landscape, width, height, stride, bit_count),
                             kLineBufferBytes);
  if (length <= 0) return 0;
  const bool colour = bit_count != 1;
  // A selector outside 0..2 picks no bit at all: the line stays blank.
  const bool known_plane = plane >= 0 && plane <= 2;

  if (!landscape) {
    if (index < 0 || index >= height) {
      ClearBytes(dst, length);
      return length;
    }
    const uint8_t* scan = bits + static_cast<size_t>(index) * stride;
    if (!colour) {
      for (int32_t i = 0; i < length; ++i) dst[i] = static_cast<uint8_t>(~scan[i]);
      return length;
    }
    ClearBytes(dst, length);
    if (!known_plane) return length;
    // Pixels past the end of the stride are not in the band: they stay white.
    const int32_t pixels = Min(Min(width, length * 8), static_cast<int32_t>(stride) * 2);
    const uint8_t* dots = kPairTable.dots[plane];
    int32_t i = 0;
    for (; i + 8 <= pixels; i += 8) {
      const uint8_t* s = scan + i / 2;
      dst[i / 8] = static_cast<uint8_t>((dots[s[0]] << 6) | (dots[s[1]] << 4) |
                                        (dots[s[2]] << 2) | dots[s[3]]);
    }
    for (; i < pixels; ++i) {
      const uint8_t pair = dots[scan[i / 2]];
      const bool ink = (i & 1) ? (pair & 1) : (pair & 2);
      if (ink) dst[i / 8] |= kBitMask[i % 8];
    }
    return length;
  }

  // Landscape: pixel column `index` becomes the line, read from the last
  // scan line upward, so dot k comes from scan line height - 1 - k.
  ClearBytes(dst, length);
  if (index < 0 || index >= width) return length;
  const int32_t source_byte = colour ? index / 2 : index / 8;
  if (source_byte >= stride) return length;  // the column lies outside the band
  const int32_t dots = Min(height, length * 8);
  const uint8_t* column = bits + source_byte;
  const size_t last_scan = static_cast<size_t>(height) - 1;
  if (!colour) {
    const uint8_t mask = kBitMask[index % 8];
    for (int32_t k = 0; k < dots; ++k) {
      // A clear band bit is ink; bits for no scan line stay clear.
      if (!(column[(last_scan - k) * stride] & mask)) dst[k / 8] |= kBitMask[k % 8];
    }
    return length;
  }
  if (!known_plane) return length;
  const uint8_t mask = kBitMask[kPlaneMaskIndex[plane] + ((index & 1) ? 4 : 0)];
  for (int32_t k = 0; k < dots; ++k) {
    if ((column[(last_scan - k) * stride] ^ 0x77) & mask) dst[k / 8] |= kBitMask[k % 8];
  }
  return length;
}

}  // namespace raster
