// The band encoder allocates nothing: not per band, not per row. This
// program replaces the global allocation functions with counting ones and
// converts whole pages with every kind of line the conversion meets.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <new>
#include <vector>

#include "raster/band_encoder.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(size_t size) {
  ++g_allocations;
  if (void* p = malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  ++g_allocations;
  return malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
// Every operator new above takes its memory from malloc, so free is the
// matching release; GCC cannot see that across the replaced operators.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
#pragma GCC diagnostic pop

// The C allocator too, through the symbols the C library resolves to. Under
// AddressSanitizer the sanitizer owns malloc, so only operator new is counted.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLORY2_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUILLORY2_ASAN 1
#endif
#if !defined(QUILLORY2_ASAN)
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void* malloc(size_t size) {
  ++g_allocations;
  return __libc_malloc(size);
}
extern "C" void* calloc(size_t n, size_t size) {
  ++g_allocations;
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, size_t size) {
  ++g_allocations;
  return __libc_realloc(p, size);
}
#endif

namespace {

// A sink that only counts: recording the bytes would allocate.
struct CountingSink : raster::ByteSink {
  size_t bytes = 0;
  size_t writes = 0;
  void Write(const uint8_t*, int32_t count) override {
    bytes += static_cast<size_t>(count);
    ++writes;
  }
};

// A band with blank, packed, plain and noisy lines, and lines across the hub.
std::vector<uint8_t> MixedBand(int32_t width, int32_t height, uint16_t bit_count, uint16_t stride) {
  std::vector<uint8_t> band(static_cast<size_t>(stride) * height, 0xFF);
  uint32_t seed = 12345;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* scan = band.data() + static_cast<size_t>(y) * stride;
    switch (y % 4) {
      case 0: break;  // blank
      case 1: memset(scan + 3, bit_count == 1 ? 0x00 : 0x88, stride / 2); break;  // long runs
      case 2:
        for (int32_t i = 0; i < stride; ++i) scan[i] = static_cast<uint8_t>(seed = seed * 1103515245 + 12345);
        break;
      case 3: scan[stride / 3] = 0x31; break;  // a lone dot
    }
  }
  return band;
}

size_t AllocationsDuringConversion(bool landscape, uint16_t bit_count) {
  // The page as one band: 1416 x 2832 dots portrait, turned for landscape.
  const int32_t across = 1416, down = 2832;
  const int32_t width = landscape ? down : across;
  const int32_t height = landscape ? across : down;
  const int32_t row_bytes = bit_count == 1 ? (width + 7) / 8 : (width + 1) / 2;
  const uint16_t stride = static_cast<uint16_t>((row_bytes + 3) / 4 * 4);
  const std::vector<uint8_t> bits = MixedBand(width, height, bit_count, stride);
  raster::BandView band;
  band.bits = bits.data();
  band.width = width;
  band.height = height;
  band.stride = stride;
  band.bits_per_pixel = bit_count;
  band.landscape = landscape;
  raster::BandSettings settings;
  settings.skip_centre = true;
  CountingSink sink;

  const long before = g_allocations.load();
  raster::EncodeBand(band, settings, &sink);
  const long during = g_allocations.load() - before;
  // The encoder did real work, or zero allocations would prove nothing.
  EXPECT_GT(sink.writes, 1000u);
  return static_cast<size_t>(during);
}

TEST(BandEncoderAllocation, CountingAllocatorSeesAllocations) {
  const long before = g_allocations.load();
  std::vector<int>* v = new std::vector<int>(100);
  void* p = malloc(16);
  free(p);
  delete v;
#if defined(QUILLORY2_ASAN)
  EXPECT_GE(g_allocations.load() - before, 2);  // the vector and its buffer
#else
  EXPECT_GE(g_allocations.load() - before, 3);  // and the malloc
#endif
}

TEST(BandEncoderAllocation, ColourPortraitPageAllocatesNothing) {
  EXPECT_EQ(AllocationsDuringConversion(false, 4), 0u);
}

TEST(BandEncoderAllocation, ColourLandscapePageAllocatesNothing) {
  EXPECT_EQ(AllocationsDuringConversion(true, 4), 0u);
}

TEST(BandEncoderAllocation, MonochromePagesAllocateNothing) {
  EXPECT_EQ(AllocationsDuringConversion(false, 1), 0u);
  EXPECT_EQ(AllocationsDuringConversion(true, 1), 0u);
}

}  // namespace
