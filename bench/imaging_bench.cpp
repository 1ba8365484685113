// The picture path in-process, without process start, picture file reading
// or the job: the example label decoded once, then turned into its ink page
// (placing, masking, separation, error diffusion) again and again.
// x_memcpy is the page time as a multiple of a memcpy of the finished ink
// page.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_pages.h"
#include "files/read_file.h"
#include "imaging/label.h"

namespace {

void LabelPage(benchmark::State& state, bool colour, int rows_per_inch) {
  std::vector<uint8_t> file;
  std::string error;
  imaging::RgbImage picture;
  if (!files::ReadWholeFile(QUILLORY2_EXAMPLE_LABEL, &file, &error) ||
      !imaging::DecodeImage(file.data(), file.size(), &picture, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  page::JobOptions options;
  options.colour = colour ? page::ColourMode::kColour : page::ColourMode::kMonochrome;
  options.resolution = rows_per_inch == 600 ? page::Resolution::k600 : page::Resolution::k300;
  const imaging::LabelLayout layout;
  size_t page_bytes = 0;
  bench::LoopTimer timer;
  for (auto _ : state) {
    const page::InkPage page = imaging::MakeLabelPage(picture, options, layout);
    page_bytes = static_cast<size_t>(page.PlaneCount()) * page.planes[0].size();
    benchmark::DoNotOptimize(page.planes[0].data());
  }
  const double per_page = timer.SecondsPer(state.iterations());
  state.counters["page_cpu_ms"] = per_page * 1e3;
  state.counters["x_memcpy"] = per_page / bench::MemcpySeconds(page_bytes);
}

void Register() {
  benchmark::RegisterBenchmark("LabelPage/colour/600", LabelPage, true, 600)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("LabelPage/mono/600", LabelPage, false, 600)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("LabelPage/colour/300", LabelPage, true, 300)->Unit(benchmark::kMillisecond);
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
