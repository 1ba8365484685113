#include "raster/plane_extraction.h"

#include <stddef.h>
#include <string.h>

#include "raster/plane_kernels.h"

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

// The pixel bit each plane selector takes.
constexpr int kPlanePixelBit[3] = {0, 2, 1};

inline int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }

// Band bytes in reading order, the first byte in the most significant place:
// pixel 0 of a 4-bit band then sits in the top nibble.
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
inline uint64_t LoadBigEndian64(const uint8_t* p) {
  uint64_t v;
  memcpy(&v, p, sizeof v);
  return __builtin_bswap64(v);
}
#else
inline uint64_t LoadBigEndian64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
  return v;
}
#endif

// The dots of one plane in 16 pixels of a 4-bit band (8 bytes, big-endian),
// pixel 0 in bit 15. A clear colour bit is ink, so the bytes are complemented;
// the plane's bit of every nibble is then gathered four places at a time.
inline uint32_t PlaneDots16(uint64_t pixels, int pixel_bit) {
  uint64_t t = (~pixels >> pixel_bit) & 0x1111111111111111ULL;
  t = (t | t >> 3) & 0x0303030303030303ULL;
  t = (t | t >> 6) & 0x000F000F000F000FULL;
  t = (t | t >> 12) & 0x000000FF000000FFULL;
  return static_cast<uint32_t>((t | t >> 24) & 0xFFFF);
}

// True when no pixel of the first `pixels` of a 4-bit scan line has ink on
// the plane of pixel_bit, that is when the bit is set in every nibble.
inline bool PlaneBlank(const uint8_t* scan, int32_t pixels, int pixel_bit, Isa isa) {
  const uint8_t both = static_cast<uint8_t>(0x11 << pixel_bit);
  const uint64_t every_byte = both * 0x0101010101010101ULL;
  const int32_t bytes = pixels / 2;
  int32_t i = 0;
#if QUILLORY2_X86_KERNELS
  if (isa != Isa::kScalar) {
    i = isa == Isa::kAvx2 ? kernels::WhitePrefixAvx2(scan, bytes, both)
                          : kernels::WhitePrefixSse2(scan, bytes, both);
    if (i < 0) return false;
  }
#endif
  // A line with ink usually shows it early: stop at the first 64 bytes that do.
  for (; i + 64 <= bytes; i += 64) {
    uint64_t w[8];
    memcpy(w, scan + i, sizeof w);
    const uint64_t all = (w[0] & w[1]) & (w[2] & w[3]) & (w[4] & w[5]) & (w[6] & w[7]);
    if ((all & every_byte) != every_byte) return false;
  }
  uint8_t folded = 0xFF;
  for (; i < bytes; ++i) folded &= scan[i];
  if (pixels % 2) folded &= static_cast<uint8_t>(scan[bytes] | 0x0F);  // its even pixel only
  return (folded & both) == both;
}

// Transposes an 8 x 8 bit block: byte i (from the top) holds row i, bit 7 its
// column 0; afterwards byte c holds column c, bit 7 its row 0.
inline uint64_t Transpose8x8(uint64_t x) {
  uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAULL;
  x ^= t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCULL;
  x ^= t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ULL;
  return x ^ t ^ (t << 28);
}

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

int32_t ExtractPlaneLine(int32_t index, const uint8_t* bits, int32_t plane, int32_t landscape,
                         int32_t width, int32_t height, uint16_t stride, uint16_t bit_count,
                         uint8_t* dst, Isa isa) {
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
    if (!known_plane) {
      ClearBytes(dst, length);
      return length;
    }
    // Pixels past the end of the stride are not in the band: they stay white.
    const int32_t pixels = Min(Min(width, length * 8), static_cast<int32_t>(stride) * 2);
    const uint8_t* dots = kPairTable.dots[plane];
    const int pixel_bit = kPlanePixelBit[plane];
    int32_t i = 0;
#if QUILLORY2_X86_KERNELS
    if (isa != Isa::kScalar) {
      const int32_t blocks = pixels / 32;
      if (isa == Isa::kAvx2) kernels::PortraitColourAvx2(scan, blocks, pixel_bit, dst);
      else if (isa == Isa::kSsse3) kernels::PortraitColourSsse3(scan, blocks, pixel_bit, dst);
      else kernels::PortraitColourSse2(scan, blocks, pixel_bit, dst);
      i = blocks * 32;
    }
#endif
    // The scalar steps below set single dots of the last bytes, and pixels
    // past the band stay white.
    ClearBytes(dst + i / 8, length - i / 8);
    // Two independent gathers per step keep the processor's units busy.
    for (; i + 32 <= pixels; i += 32) {
      const uint32_t a = PlaneDots16(LoadBigEndian64(scan + i / 2), pixel_bit);
      const uint32_t b = PlaneDots16(LoadBigEndian64(scan + i / 2 + 8), pixel_bit);
      dst[i / 8] = static_cast<uint8_t>(a >> 8);
      dst[i / 8 + 1] = static_cast<uint8_t>(a);
      dst[i / 8 + 2] = static_cast<uint8_t>(b >> 8);
      dst[i / 8 + 3] = static_cast<uint8_t>(b);
    }
    for (; i + 16 <= pixels; i += 16) {
      const uint32_t d = PlaneDots16(LoadBigEndian64(scan + i / 2), pixel_bit);
      dst[i / 8] = static_cast<uint8_t>(d >> 8);
      dst[i / 8 + 1] = static_cast<uint8_t>(d);
    }
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

bool PortraitLineBlank(int32_t index, const uint8_t* bits, int32_t plane, int32_t width,
                       int32_t height, uint16_t stride, uint16_t bit_count, Isa isa) {
  if (bit_count == 1 || plane < 0 || plane > 2) return false;
  if (index < 0 || index >= height || width <= 0) return true;
  const int32_t length = Min(PlaneLineLength(0, width, height, stride, bit_count), kLineBufferBytes);
  const int32_t pixels = Min(Min(width, length * 8), static_cast<int32_t>(stride) * 2);
  return PlaneBlank(bits + static_cast<size_t>(index) * stride, pixels, kPlanePixelBit[plane], isa);
}

int32_t ExtractLandscapeLines(int32_t first_index, int32_t count, const uint8_t* bits,
                              int32_t plane, int32_t width, int32_t height, uint16_t stride,
                              uint16_t bit_count, uint8_t (*dst)[kLineBufferBytes],
                              Isa isa) {
  const int32_t length = Min(PlaneLineLength(1, width, height, stride, bit_count), kLineBufferBytes);
  if (length <= 0) return 0;
  if (count > kLandscapeBlockLines) count = kLandscapeBlockLines;
  const bool colour = bit_count != 1;
  const bool aligned = first_index >= 0 && first_index % kLandscapeBlockLines == 0 &&
                       first_index <= width - kLandscapeBlockLines &&
                       (colour ? first_index / 2 + 8 : first_index / 8 + 2) <= stride;
  if (!aligned || count != kLandscapeBlockLines || (colour && (plane < 0 || plane > 2))) {
    // Blocks at the band's edge take the single-line path.
    for (int32_t c = 0; c < count; ++c) {
      ExtractPlaneLine(first_index + c, bits, plane, 1, width, height, stride, bit_count, dst[c]);
    }
    return length;
  }

  // Sixteen columns side by side: per scan line the block's dots of the
  // plane make two bytes (bit 15 = the first column); eight scan lines make
  // two 8 x 8 blocks that, turned, give one byte of each of the sixteen
  // lines. Each band byte is read once per plane instead of once per column.
  const int32_t dots = Min(height, length * 8);
  const size_t source_byte = colour ? static_cast<size_t>(first_index / 2) : static_cast<size_t>(first_index / 8);
  const uint8_t* column = bits + source_byte;
  const size_t last_scan = static_cast<size_t>(height) - 1;
  const int pixel_bit = colour ? kPlanePixelBit[plane] : 0;

  // Blocks of a label are often blank on a plane from end to end: an AND
  // over the block's bytes of every scan line tells, and stops at the first
  // ink. The vector kernels turn a block in about the time the test takes,
  // so with them the test is left out.
  const bool vector = colour && isa != Isa::kScalar && QUILLORY2_X86_KERNELS;
  const uint64_t white = colour ? (0x11ULL << pixel_bit) * 0x0101010101010101ULL : 0xFFFFULL;
  bool blank = !vector;
  for (int32_t k = 0; k < dots && blank; ++k) {
    const uint8_t* src = column + (last_scan - static_cast<size_t>(k)) * stride;
    const uint64_t bytes = colour ? LoadBigEndian64(src) : static_cast<uint64_t>(src[0] << 8 | src[1]);
    blank = (bytes & white) == white;
  }
  if (blank) {
    for (int32_t c = 0; c < kLandscapeBlockLines; ++c) ClearBytes(dst[c], length);
    return length;
  }

  int32_t k0 = 0;
#if QUILLORY2_X86_KERNELS
  if (vector) {
    // Whole groups of sixteen dots; the last partial one is read below.
    const int32_t groups = dots / 16;
    if (isa == Isa::kAvx2) kernels::LandscapeColourAvx2(column, last_scan, stride, groups, pixel_bit, dst);
    else kernels::LandscapeColourSse2(column, last_scan, stride, groups, pixel_bit, dst);
    k0 = groups * 16;
  }
#endif
  for (; k0 < length * 8; k0 += 8) {
    uint64_t left = 0, right = 0;
    for (int32_t i = 0; i < 8; ++i) {
      const int32_t k = k0 + i;
      uint32_t row_dots = 0;
      if (k < dots) {
        const uint8_t* src = column + (last_scan - static_cast<size_t>(k)) * stride;
        row_dots = colour ? PlaneDots16(LoadBigEndian64(src), pixel_bit)
                          : static_cast<uint16_t>(~(src[0] << 8 | src[1]));
      }
      left = left << 8 | (row_dots >> 8);
      right = right << 8 | (row_dots & 0xFF);
    }
    if ((left | right) == 0) {
      for (int32_t c = 0; c < kLandscapeBlockLines; ++c) dst[c][k0 / 8] = 0;
      continue;
    }
    left = Transpose8x8(left);
    right = Transpose8x8(right);
    for (int32_t c = 0; c < 8; ++c) {
      dst[c][k0 / 8] = static_cast<uint8_t>(left >> (56 - 8 * c));
      dst[c + 8][k0 / 8] = static_cast<uint8_t>(right >> (56 - 8 * c));
    }
  }
  return length;
}

}  // namespace raster
