#include "raster/cpu_features.h"

#include <atomic>

#include "raster/plane_kernels.h"

#if QUILLORY2_X86_KERNELS
#include <cpuid.h>
#endif

namespace raster {
namespace {

#if QUILLORY2_X86_KERNELS
// The best instruction set the processor offers, from cpuid. AVX2 also needs
// the system to save the 256-bit registers on a task switch (OSXSAVE, and
// XCR0 with the SSE and AVX states).
Isa AskProcessor() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return Isa::kScalar;
  if (!(d & bit_SSE2)) return Isa::kScalar;
  if (!(c & bit_SSSE3)) return Isa::kSse2;
  const bool os_saves_ymm = [c] {
    if (!(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
    uint32_t lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (lo & 6) == 6;
  }();
  unsigned a7 = 0, b7 = 0, c7 = 0, d7 = 0;
  if (os_saves_ymm && __get_cpuid_count(7, 0, &a7, &b7, &c7, &d7) && (b7 & bit_AVX2)) {
    return Isa::kAvx2;
  }
  return Isa::kSsse3;
}
#else
Isa AskProcessor() { return Isa::kScalar; }
#endif

}  // namespace

const char* IsaName(Isa isa) {
  switch (isa) {
    case Isa::kSse2: return "sse2";
    case Isa::kSsse3: return "ssse3";
    case Isa::kAvx2: return "avx2";
    case Isa::kScalar: break;
  }
  return "scalar";
}

Isa BestIsa() {
  // Asked once: cpuid is slow under a hypervisor. Racing first callers store
  // the same value, so a relaxed atomic is enough (and needs no lock).
  static std::atomic<int> best{-1};
  int known = best.load(std::memory_order_relaxed);
  if (known < 0) {
    known = static_cast<int>(AskProcessor());
    best.store(known, std::memory_order_relaxed);
  }
  return static_cast<Isa>(known);
}

bool IsaSupported(Isa isa) { return static_cast<int>(isa) <= static_cast<int>(BestIsa()); }

}  // namespace raster
