// Pages the benchmarks print, and the baseline every result is set against.
#ifndef QUILLORY2_BENCH_BENCH_PAGES_H_
#define QUILLORY2_BENCH_BENCH_PAGES_H_

#include <stddef.h>
#include <stdint.h>

#include <time.h>

#include <vector>

#include "page/ink_page.h"

namespace bench {

// The disc area at 600 rows per inch: 1416 dots across, 2832 rows down.
constexpr int32_t kPageDots = geometry::kDiscAreaDots;
constexpr int32_t kPageRows = geometry::kDiscAreaRowAddresses;

enum class PageKind {
  kLabel,  // a disc label: photo, text, empty hub and margins
  kWhite,  // nothing to print
  kNoise,  // every dot random: the worst case for packing
};
const char* PageName(PageKind kind);

// A colour (or monochrome: black only) page of the disc area.
page::InkPage MakePage(PageKind kind, bool colour, int32_t rows_per_inch = 600);

// CPU time of the calling thread, in seconds. The machine is shared, so
// results and baselines are both taken in CPU time, not wall time.
double ThreadSeconds();

// The physical floor of reading `bytes` bytes: the median CPU time of a
// memcpy of that many bytes between two warm buffers, in seconds.
double MemcpySeconds(size_t bytes);

// CPU seconds per iteration of a benchmark loop timed by the caller.
class LoopTimer {
 public:
  LoopTimer() : start_(ThreadSeconds()) {}
  double SecondsPer(int64_t iterations) const {
    return iterations > 0 ? (ThreadSeconds() - start_) / static_cast<double>(iterations) : 0.0;
  }

 private:
  double start_;
};

}  // namespace bench

#endif  // QUILLORY2_BENCH_BENCH_PAGES_H_
