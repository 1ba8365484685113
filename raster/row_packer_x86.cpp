// The vector row packer. A halftone row has runs of a byte or two, so going
// from run to run costs a mispredicted branch or a pair written per byte;
// here every byte is compared with the one before it sixteen or thirty-two at
// a time, the run starts become a bit mask, and the pairs are formed from the
// compacted start positions and values, sixteen at a time:
// pair i is (start[i + 1] - start[i] - 1, value[i]).
//
// Each kernel carries its own instruction set, as in plane_kernels_x86.cpp,
// and runs only after cpu_features.cpp has asked the processor.
#include "raster/row_packer.h"

#include "raster/command_stream.h"
#include "raster/plane_kernels.h"

#if QUILLORY2_X86_KERNELS

#include <immintrin.h>
#include <string.h>

#include "raster/x86_target.h"

namespace raster {
namespace {

// Rows the kernels take: lead + n below 256, so that every run, the lead's
// zeros and the trail's fit one pair, and every position a byte.
constexpr int32_t kMaxRow = 256;

// For every byte value: the positions of its set bits (bit 0 first), and
// their count.
struct CompactTable {
  uint8_t index[256][8];
  uint8_t count[256];
};
constexpr CompactTable MakeCompactTable() {
  CompactTable t{};
  for (int b = 0; b < 256; ++b) {
    int n = 0;
    for (int k = 0; k < 8; ++k) {
      if (b & (1 << k)) t.index[b][n++] = static_cast<uint8_t>(k);
    }
    t.count[b] = static_cast<uint8_t>(n);
  }
  return t;
}
constexpr CompactTable kCompact = MakeCompactTable();

// One row's working copy: the body (from the first non-zero byte on), a bit
// per body byte that starts a run, and the runs' starts and values. The
// kernels read and write these in whole vectors past the row's end.
struct Scratch {
  alignas(32) uint8_t body[kMaxRow + 32];
  uint32_t marks[kMaxRow / 32];
  alignas(16) uint8_t starts[kMaxRow + 32];
  alignas(16) uint8_t values[kMaxRow + 32];
};

// The row's parts outside the runs, as ComputeRLE forms them.
struct RowShape {
  int32_t first;  // first non-zero byte, 0 for a blank row
  int32_t body;   // bytes from first on
  int head;       // bytes of the lead pair
  int trail;      // bytes of the trail pair
};

inline RowShape Shape(const uint8_t* data, int32_t lead, int32_t n) {
  RowShape s;
  s.first = FirstNonZero(data, n);
  if (s.first < 0) s.first = 0;
  s.body = n - s.first;
  s.head = lead + s.first > 0 ? 2 : 0;
  s.trail = lead + n < geometry::kPrinterLineBytes ? 2 : 0;
  return s;
}

// Clears the marks past the body's last byte.
inline void ClearMarksPast(uint32_t* marks, int32_t body) {
  const int32_t word = (body - 1) / 32;
  const int32_t used = body - 32 * word;
  if (used < 32) marks[word] &= (uint32_t{1} << used) - 1;
}

// The lead pair, the runs' pairs and the trail pair into out; returns the
// packed size. sc->starts and sc->values hold `runs` runs.
Q2_INLINE("sse2") int PutPairs(const RowShape& s, int32_t lead, int32_t n, int32_t runs,
                               Scratch* sc, uint8_t* out) {
  int pos = 0;
  if (s.head) {
    out[0] = static_cast<uint8_t>(lead + s.first - 1);
    out[1] = 0;
    pos = 2;
  }
  sc->starts[runs] = static_cast<uint8_t>(s.body);  // where the last run ends
  const __m128i one = _mm_set1_epi8(1);
  // out holds RleBound(lead, n) bytes: 2 * n + 4.
  const int room = 2 * n + 4;
  for (int32_t i = 0; i < runs; i += 16) {
    const __m128i start = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sc->starts + i));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sc->starts + i + 1));
    const __m128i count = _mm_sub_epi8(_mm_sub_epi8(next, start), one);
    const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sc->values + i));
    const __m128i lo = _mm_unpacklo_epi8(count, value);
    const __m128i hi = _mm_unpackhi_epi8(count, value);
    if (pos + 32 <= room) {
      // Pairs past the last run are written over by the trail or lie past
      // the packed row.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + pos), lo);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + pos + 16), hi);
      pos += runs - i >= 16 ? 32 : 2 * (runs - i);
    } else {
      // Near the end of out the last pairs go through a copy.
      alignas(16) uint8_t last[32];
      _mm_store_si128(reinterpret_cast<__m128i*>(last), lo);
      _mm_store_si128(reinterpret_cast<__m128i*>(last + 16), hi);
      memcpy(out + pos, last, static_cast<size_t>(2 * (runs - i)));
      pos += 2 * (runs - i);
    }
  }
  if (s.trail) {
    out[pos] = static_cast<uint8_t>(geometry::kPrinterLineBytes - lead - n - 1);
    out[pos + 1] = 0;
    pos += 2;
  }
  return pos;
}

// Loads body bytes [at, at + 16) into the scratch copy, the bytes past the
// body as zeros.
Q2_INLINE("sse2") __m128i CopyBody16(const uint8_t* body, int32_t at, int32_t size, Scratch* sc) {
  uint8_t* dst = sc->body + at;
  if (size - at >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(body + at));
    _mm_store_si128(reinterpret_cast<__m128i*>(dst), v);
    return v;
  }
  _mm_store_si128(reinterpret_cast<__m128i*>(dst), _mm_setzero_si128());
  if (size >= 16) {
    // The body's last 16 bytes, stored where they belong: the bytes before
    // the step are written again with what they already hold.
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sc->body + size - 16),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(body + size - 16)));
  } else {
    memcpy(dst, body + at, static_cast<size_t>(size - at));
  }
  return _mm_load_si128(reinterpret_cast<const __m128i*>(dst));
}

Q2_INLINE("avx2") __m256i CopyBody32(const uint8_t* body, int32_t at, int32_t size, Scratch* sc) {
  uint8_t* dst = sc->body + at;
  if (size - at >= 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(body + at));
    _mm256_store_si256(reinterpret_cast<__m256i*>(dst), v);
    return v;
  }
  _mm256_store_si256(reinterpret_cast<__m256i*>(dst), _mm256_setzero_si256());
  if (size >= 32) {
    // The body's last 32 bytes, stored where they belong: the bytes before
    // the step are written again with what they already hold.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(sc->body + size - 32),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(body + size - 32)));
  } else {
    memcpy(dst, body + at, static_cast<size_t>(size - at));
  }
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(dst));
}

// How many bits of the mark words are set, by the compaction table's counts
// (the kernels' instruction sets do not include a population count).
inline int32_t CountMarks(const uint32_t* marks, int32_t words) {
  int32_t runs = 0;
  for (int32_t w = 0; w < words; ++w) {
    const uint32_t m = marks[w];
    runs += kCompact.count[m & 0xFF] + kCompact.count[(m >> 8) & 0xFF] +
            kCompact.count[(m >> 16) & 0xFF] + kCompact.count[m >> 24];
  }
  return runs;
}

Q2_KERNEL("sse2")
int PackRowSse2(const uint8_t* data, int32_t lead, int32_t n, uint8_t* out, int32_t limit) {
  const RowShape s = Shape(data, lead, n);
  const uint8_t* body = data + s.first;
  Scratch sc;
  // A byte starts a run where it differs from the byte before it (the last
  // byte of the previous step moved in front).
  __m128i before = _mm_setzero_si128();
  for (int32_t at = 0; at < s.body; at += 16) {
    const __m128i here = CopyBody16(body, at, s.body, &sc);
    const __m128i shifted = _mm_or_si128(_mm_slli_si128(here, 1), _mm_srli_si128(before, 15));
    const uint32_t starts = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, shifted))) ^ 0xFFFF;
    if (at % 32 == 0) sc.marks[at / 32] = starts;
    else sc.marks[at / 32] |= starts << 16;
    before = here;
  }
  sc.marks[0] |= 1;  // the body's first byte starts its first run
  ClearMarksPast(sc.marks, s.body);
  const int32_t words = (s.body + 31) / 32;
  const int32_t runs = CountMarks(sc.marks, words);
  // Every run is one pair: a row longer than the limit is known before any
  // pair is formed.
  const int size = s.head + 2 * runs + s.trail;
  if (size > limit) return size;
  int32_t r = 0;
  for (int32_t w = 0; w < words; ++w) {
    for (uint32_t m = sc.marks[w]; m != 0; m &= m - 1) {
      const int32_t k = 32 * w + __builtin_ctz(m);
      sc.starts[r] = static_cast<uint8_t>(k);
      sc.values[r] = sc.body[k];
      ++r;
    }
  }
  return PutPairs(s, lead, n, runs, &sc, out);
}

Q2_KERNEL("avx2")
int PackRowAvx2(const uint8_t* data, int32_t lead, int32_t n, uint8_t* out, int32_t limit) {
  const RowShape s = Shape(data, lead, n);
  const uint8_t* body = data + s.first;
  Scratch sc;
  __m256i before = _mm256_setzero_si256();
  for (int32_t at = 0; at < s.body; at += 32) {
    const __m256i here = CopyBody32(body, at, s.body, &sc);
    // Each byte's predecessor: the vector moved up a byte, across the lanes,
    // with the previous step's last byte in front.
    const __m256i carry = _mm256_permute2x128_si256(before, here, 0x21);
    const __m256i shifted = _mm256_alignr_epi8(here, carry, 15);
    sc.marks[at / 32] = ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(here, shifted)));
    before = here;
  }
  sc.marks[0] |= 1;
  ClearMarksPast(sc.marks, s.body);
  const int size = s.head + 2 * CountMarks(sc.marks, (s.body + 31) / 32) + s.trail;
  if (size > limit) return size;
  // Eight body bytes a step: the start positions among them and their values
  // packed to the front with one shuffle each.
  int32_t runs = 0;
  const int32_t groups = (s.body + 7) / 8;
  for (int32_t g = 0; g < groups; ++g) {
    const uint32_t bits = (sc.marks[g / 4] >> (8 * (g % 4))) & 0xFF;
    const __m128i index = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kCompact.index[bits]));
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sc.body + 8 * g));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(sc.values + runs), _mm_shuffle_epi8(bytes, index));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(sc.starts + runs),
                     _mm_add_epi8(index, _mm_set1_epi8(static_cast<char>(8 * g))));
    runs += kCompact.count[bits];
  }
  return PutPairs(s, lead, n, runs, &sc, out);
}

}  // namespace

int ComputeRLE(const uint8_t* data, int32_t lead, int32_t n, uint8_t* out, int32_t limit, Isa isa) {
  if (isa != Isa::kScalar && n > 0 && lead >= 0 && lead + n < kMaxRow) {
    return isa == Isa::kAvx2 ? PackRowAvx2(data, lead, n, out, limit)
                             : PackRowSse2(data, lead, n, out, limit);
  }
  return ComputeRLE(data, lead, n, out, limit);
}

}  // namespace raster

#else

namespace raster {

int ComputeRLE(const uint8_t* data, int32_t lead, int32_t n, uint8_t* out, int32_t limit, Isa) {
  return ComputeRLE(data, lead, n, out, limit);
}

}  // namespace raster

#endif
