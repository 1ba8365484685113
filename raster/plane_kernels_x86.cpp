// The x86 vector kernels of plane extraction. Each function carries its own
// instruction set, so the file is compiled for the oldest processor and the
// kernels run only after cpu_features.cpp has asked the processor.
//
// A 4-bit band byte holds two pixels, the even one in the high nibble; a
// plane's dot is the complement of one bit of a nibble. Shifting each 16-bit
// lane left brings that bit of every byte to bit 7, where pmovmskb collects
// it; interleaving the even and odd pixels' bytes before the collection puts
// the dots in printing order.
#include "raster/plane_kernels.h"

#if QUILLORY2_X86_KERNELS

#include <immintrin.h>
#include <string.h>

#include "raster/x86_target.h"

namespace raster {
namespace kernels {
namespace {

// Shift counts that bring the even (high nibble) and odd pixel's bit of the
// plane to bit 7 of its byte.
inline int EvenShift(int pixel_bit) { return 3 - pixel_bit; }
inline int OddShift(int pixel_bit) { return 7 - pixel_bit; }

inline void Store16(uint8_t* dst, uint32_t v) {
  const uint16_t h = static_cast<uint16_t>(v);
  memcpy(dst, &h, sizeof h);
}
inline void Store32(uint8_t* dst, uint32_t v) { memcpy(dst, &v, sizeof v); }

// Bytes 3, 2, 1, 0 of every group of four, in that order: the four band
// bytes of one line byte, so that the collected mask's low bit is the last dot.
Q2_INLINE("sse2") __m128i ReverseInDwordsSse2(__m128i x) {
  x = _mm_or_si128(_mm_slli_epi16(x, 8), _mm_srli_epi16(x, 8));
  x = _mm_shufflelo_epi16(x, 0xB1);
  return _mm_shufflehi_epi16(x, 0xB1);
}

// 32 pixels whose band bytes are reversed in groups of four: 4 line bytes.
Q2_INLINE("sse2") void Dots32(__m128i reversed, __m128i even, __m128i odd, uint8_t* dst) {
  const __m128i e = _mm_sll_epi16(reversed, even);
  const __m128i o = _mm_sll_epi16(reversed, odd);
  // A clear band bit is ink.
  const uint32_t lo = static_cast<uint32_t>(_mm_movemask_epi8(_mm_unpacklo_epi8(o, e))) ^ 0xFFFF;
  const uint32_t hi = static_cast<uint32_t>(_mm_movemask_epi8(_mm_unpackhi_epi8(o, e))) ^ 0xFFFF;
  Store32(dst, lo | hi << 16);
}

Q2_INLINE("ssse3") __m128i ReverseInDwordsSsse3(__m128i x) {
  const __m128i order = _mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
  return _mm_shuffle_epi8(x, order);
}

// Sixteen rows of eight band bytes, row j in lane j, turned into eight
// vectors: v[p] holds byte p of every row.
Q2_INLINE("sse2") void Transpose16x8(const __m128i* r, __m128i* v) {
  __m128i a[8], b[4], bh[4];
  for (int m = 0; m < 8; ++m) a[m] = _mm_unpacklo_epi8(r[2 * m], r[2 * m + 1]);
  for (int m = 0; m < 4; ++m) {
    b[m] = _mm_unpacklo_epi16(a[2 * m], a[2 * m + 1]);   // bytes 0..3 of rows 4m..4m+3
    bh[m] = _mm_unpackhi_epi16(a[2 * m], a[2 * m + 1]);  // bytes 4..7
  }
  const __m128i* halves[2] = {b, bh};
  for (int h = 0; h < 2; ++h) {
    const __m128i* q = halves[h];
    const __m128i top_lo = _mm_unpacklo_epi32(q[0], q[1]);  // rows 0..7, bytes 0 and 1 of the half
    const __m128i top_hi = _mm_unpackhi_epi32(q[0], q[1]);  // bytes 2 and 3
    const __m128i low_lo = _mm_unpacklo_epi32(q[2], q[3]);  // rows 8..15
    const __m128i low_hi = _mm_unpackhi_epi32(q[2], q[3]);
    v[4 * h + 0] = _mm_unpacklo_epi64(top_lo, low_lo);
    v[4 * h + 1] = _mm_unpackhi_epi64(top_lo, low_lo);
    v[4 * h + 2] = _mm_unpacklo_epi64(top_hi, low_hi);
    v[4 * h + 3] = _mm_unpackhi_epi64(top_hi, low_hi);
  }
}

// The scan line of lane j of the group of dots from k0 on: the collected
// mask's low byte is line byte k0 / 8, whose bit 7 is dot k0.
inline size_t LaneScan(size_t last_scan, int32_t k0, int j) {
  return last_scan - static_cast<size_t>(k0 + (j < 8 ? 7 - j : 23 - j));
}

Q2_INLINE("sse2") void LandscapeGroupSse2(const uint8_t* column, size_t last_scan, size_t stride,
                                          int32_t k0, __m128i even, __m128i odd,
                                          uint8_t (*dst)[kLineBufferBytes]) {
  __m128i r[16], v[8];
  for (int j = 0; j < 16; ++j) {
    r[j] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(column + LaneScan(last_scan, k0, j) * stride));
  }
  Transpose16x8(r, v);
  for (int p = 0; p < 8; ++p) {
    Store16(dst[2 * p] + k0 / 8, static_cast<uint32_t>(_mm_movemask_epi8(_mm_sll_epi16(v[p], even))) ^ 0xFFFF);
    Store16(dst[2 * p + 1] + k0 / 8, static_cast<uint32_t>(_mm_movemask_epi8(_mm_sll_epi16(v[p], odd))) ^ 0xFFFF);
  }
}

}  // namespace

Q2_KERNEL("sse2")
void PortraitColourSse2(const uint8_t* scan, int32_t blocks, int pixel_bit, uint8_t* dst) {
  const __m128i even = _mm_cvtsi32_si128(EvenShift(pixel_bit));
  const __m128i odd = _mm_cvtsi32_si128(OddShift(pixel_bit));
  for (int32_t b = 0; b < blocks; ++b) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scan + 16 * b));
    Dots32(ReverseInDwordsSse2(x), even, odd, dst + 4 * b);
  }
}

Q2_KERNEL("ssse3")
void PortraitColourSsse3(const uint8_t* scan, int32_t blocks, int pixel_bit, uint8_t* dst) {
  const __m128i even = _mm_cvtsi32_si128(EvenShift(pixel_bit));
  const __m128i odd = _mm_cvtsi32_si128(OddShift(pixel_bit));
  for (int32_t b = 0; b < blocks; ++b) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scan + 16 * b));
    Dots32(ReverseInDwordsSsse3(x), even, odd, dst + 4 * b);
  }
}

Q2_KERNEL("avx2")
void PortraitColourAvx2(const uint8_t* scan, int32_t blocks, int pixel_bit, uint8_t* dst) {
  const __m128i even = _mm_cvtsi32_si128(EvenShift(pixel_bit));
  const __m128i odd = _mm_cvtsi32_si128(OddShift(pixel_bit));
  const __m256i order = _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12,
                                         3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
  int32_t b = 0;
  for (; b + 2 <= blocks; b += 2) {
    __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(scan + 16 * b));
    // Quarters 0, 2 | 1, 3: the per-lane unpacks then take quarters 0 and 1
    // (the first 16 line bytes' pixels) together, and 2 and 3.
    x = _mm256_shuffle_epi8(_mm256_permute4x64_epi64(x, 0xD8), order);
    const __m256i e = _mm256_sll_epi16(x, even);
    const __m256i o = _mm256_sll_epi16(x, odd);
    Store32(dst + 4 * b, ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_unpacklo_epi8(o, e))));
    Store32(dst + 4 * b + 4, ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_unpackhi_epi8(o, e))));
  }
  if (b < blocks) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scan + 16 * b));
    Dots32(ReverseInDwordsSsse3(x), even, odd, dst + 4 * b);
  }
}

Q2_KERNEL("sse2")
bool LineExtentSse2(const uint8_t* line, int32_t length, int32_t* first, int32_t* last) {
  // One bit per byte of the line buffer, set where the byte is not zero:
  // 13 blocks of 16 bytes cover the 200-byte buffer (the last block read
  // from byte 184 on, its first 8 bytes dropped).
  static_assert(kLineBufferBytes == 200, "13 blocks, the last one overlapping");
  const __m128i zero = _mm_setzero_si128();
  uint32_t inked[13];
  for (int b = 0; b < 12; ++b) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + 16 * b));
    inked[b] = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero))) ^ 0xFFFF;
  }
  inked[12] = (static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(
                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + 184)), zero))) ^ 0xFFFF) >> 8;
  // Bytes from length on do not count.
  for (int b = 0; b < 13; ++b) {
    const int32_t from = 16 * b;
    const uint32_t keep = length <= from ? 0 : length >= from + 16 ? 0xFFFF : (1u << (length - from)) - 1;
    inked[b] &= keep;
  }
  // Two blocks to a 32-bit word (a 32-bit processor has no 64-bit bit
  // search); the first and last set bit are picked with conditional moves
  // rather than a search that stops at the data.
  int32_t lo = kLineBufferBytes, hi = -1;
  for (int w = 6; w >= 0; --w) {
    const uint32_t bits = inked[2 * w] | (2 * w + 1 < 13 ? inked[2 * w + 1] << 16 : 0);
    const int32_t here = 32 * w + __builtin_ctz(bits | 0x80000000u);
    lo = bits != 0 ? here : lo;
  }
  for (int w = 0; w < 7; ++w) {
    const uint32_t bits = inked[2 * w] | (2 * w + 1 < 13 ? inked[2 * w + 1] << 16 : 0);
    const int32_t here = 32 * w + 31 - __builtin_clz(bits | 1u);
    hi = bits != 0 ? here : hi;
  }
  if (hi < 0) return false;
  *first = lo;
  *last = hi;
  return true;
}

#if defined(__x86_64__)
Q2_KERNEL("avx2")
bool LineExtentAvx2(const uint8_t* line, int32_t length, int32_t* first, int32_t* last) {
  // One bit per byte of the line buffer in four 64-bit words: six blocks of
  // 32 bytes, and the last 8 bytes from a block read from byte 168 on.
  static_assert(kLineBufferBytes == 200, "six blocks and the last 8 bytes");
  const __m256i zero = _mm256_setzero_si256();
  uint32_t half[7];
  for (int b = 0; b < 6; ++b) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + 32 * b));
    half[b] = ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, zero)));
  }
  half[6] = ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + 168)), zero))) >> 24;
  int32_t lo = kLineBufferBytes, hi = -1;
  uint64_t inked[4];
  for (int w = 0; w < 4; ++w) {
    // Bytes from length on do not count.
    const int32_t from = 64 * w;
    const uint64_t keep = length <= from ? 0 : length >= from + 64 ? ~uint64_t{0}
                                                                  : (uint64_t{1} << (length - from)) - 1;
    inked[w] = (half[2 * w] | (w < 3 ? static_cast<uint64_t>(half[2 * w + 1]) << 32 : 0)) & keep;
  }
  // The first and last set bit, picked with conditional moves.
  for (int w = 3; w >= 0; --w) {
    const int32_t here = 64 * w + __builtin_ctzll(inked[w] | (uint64_t{1} << 63));
    lo = inked[w] != 0 ? here : lo;
  }
  for (int w = 0; w < 4; ++w) {
    const int32_t here = 64 * w + 63 - __builtin_clzll(inked[w] | 1);
    hi = inked[w] != 0 ? here : hi;
  }
  if (hi < 0) return false;
  *first = lo;
  *last = hi;
  return true;
}
#endif

Q2_KERNEL("sse2")
int32_t WhitePrefixSse2(const uint8_t* scan, int32_t bytes, uint8_t white) {
  const __m128i w = _mm_set1_epi8(static_cast<char>(white));
  int32_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    const __m128i both = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(scan + i)),
                                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(scan + i + 16)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(both, w), w)) != 0xFFFF) return -1;
  }
  return i;
}

Q2_KERNEL("avx2")
int32_t WhitePrefixAvx2(const uint8_t* scan, int32_t bytes, uint8_t white) {
  const __m256i w = _mm256_set1_epi8(static_cast<char>(white));
  int32_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    const __m256i both = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(scan + i)),
                                          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(scan + i + 32)));
    const __m256i missing = _mm256_andnot_si256(both, w);
    if (!_mm256_testz_si256(missing, missing)) return -1;
  }
  return i;
}

Q2_KERNEL("sse2")
void LandscapeColourSse2(const uint8_t* column, size_t last_scan, size_t stride, int32_t groups,
                         int pixel_bit, uint8_t (*dst)[kLineBufferBytes]) {
  const __m128i even = _mm_cvtsi32_si128(EvenShift(pixel_bit));
  const __m128i odd = _mm_cvtsi32_si128(OddShift(pixel_bit));
  for (int32_t g = 0; g < groups; ++g) LandscapeGroupSse2(column, last_scan, stride, 16 * g, even, odd, dst);
}

Q2_KERNEL("avx2")
void LandscapeColourAvx2(const uint8_t* column, size_t last_scan, size_t stride, int32_t groups,
                         int pixel_bit, uint8_t (*dst)[kLineBufferBytes]) {
  const __m128i even = _mm_cvtsi32_si128(EvenShift(pixel_bit));
  const __m128i odd = _mm_cvtsi32_si128(OddShift(pixel_bit));
  int32_t g = 0;
  // Two groups of sixteen dots side by side, one per 128-bit lane: the
  // collected 32-bit mask is four line bytes.
  for (; g + 2 <= groups; g += 2) {
    const int32_t k0 = 16 * g;
    __m256i a[8], b[4], bh[4];
    __m256i r[16];
    for (int j = 0; j < 16; ++j) {
      const __m128i first = _mm_loadl_epi64(
          reinterpret_cast<const __m128i*>(column + LaneScan(last_scan, k0, j) * stride));
      const __m128i second = _mm_loadl_epi64(
          reinterpret_cast<const __m128i*>(column + LaneScan(last_scan, k0 + 16, j) * stride));
      r[j] = _mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1);
    }
    for (int m = 0; m < 8; ++m) a[m] = _mm256_unpacklo_epi8(r[2 * m], r[2 * m + 1]);
    for (int m = 0; m < 4; ++m) {
      b[m] = _mm256_unpacklo_epi16(a[2 * m], a[2 * m + 1]);
      bh[m] = _mm256_unpackhi_epi16(a[2 * m], a[2 * m + 1]);
    }
    const __m256i* halves[2] = {b, bh};
    for (int h = 0; h < 2; ++h) {
      const __m256i* q = halves[h];
      const __m256i top_lo = _mm256_unpacklo_epi32(q[0], q[1]);
      const __m256i top_hi = _mm256_unpackhi_epi32(q[0], q[1]);
      const __m256i low_lo = _mm256_unpacklo_epi32(q[2], q[3]);
      const __m256i low_hi = _mm256_unpackhi_epi32(q[2], q[3]);
      const __m256i v[4] = {_mm256_unpacklo_epi64(top_lo, low_lo), _mm256_unpackhi_epi64(top_lo, low_lo),
                            _mm256_unpacklo_epi64(top_hi, low_hi), _mm256_unpackhi_epi64(top_hi, low_hi)};
      for (int i = 0; i < 4; ++i) {
        const int p = 4 * h + i;
        Store32(dst[2 * p] + k0 / 8, ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_sll_epi16(v[i], even))));
        Store32(dst[2 * p + 1] + k0 / 8, ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_sll_epi16(v[i], odd))));
      }
    }
  }
  if (g < groups) LandscapeGroupSse2(column, last_scan, stride, 16 * g, even, odd, dst);
}

}  // namespace kernels
}  // namespace raster

#endif  // QUILLORY2_X86_KERNELS
