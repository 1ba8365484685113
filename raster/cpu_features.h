// Which vector instructions the band conversion may use on this processor.
//
// The plug-in runs on every x86 processor Windows 2000 runs on, down to ones
// without SSE2, so nothing is compiled for a newer processor globally: the
// vector kernels carry their instruction set per function, and the processor
// is asked (cpuid, and for AVX2 whether the system saves the wide registers)
// before one is used. Every path writes the same bytes as the scalar one.
#ifndef QUILLORY2_RASTER_CPU_FEATURES_H_
#define QUILLORY2_RASTER_CPU_FEATURES_H_

#include <stdint.h>

namespace raster {

// Instruction sets in order of preference; each one implies those before it.
enum class Isa : uint8_t { kScalar, kSse2, kSsse3, kAvx2 };
constexpr int kIsaCount = 4;

// "scalar", "sse2", "ssse3" or "avx2".
const char* IsaName(Isa isa);

// Whether this build has kernels for isa and this processor runs them.
// kScalar is always supported.
bool IsaSupported(Isa isa);

// The best supported instruction set; asked once per process.
Isa BestIsa();

}  // namespace raster

#endif  // QUILLORY2_RASTER_CPU_FEATURES_H_
