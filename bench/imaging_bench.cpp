// The picture path in-process, without process start, picture file reading
// or the job: the example label decoded once, then turned into its ink page
// (placing, masking, separation, error diffusion) again and again.
// page_cpu_ms is the CPU time of the whole process per page (both threads
// when two are used); the benchmark's own time is wall time. x_memcpy is the
// CPU time as a multiple of a memcpy of the finished ink page.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_pages.h"
#include "files/read_file.h"
#include "imaging/label.h"

namespace {

void LabelPage(benchmark::State& state, bool colour, int rows_per_inch, int threads) {
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
  // CPU time of the whole process: with two threads both cores count.
  const double start = bench::ProcessSeconds();
  for (auto _ : state) {
    const page::InkPage page = imaging::MakeLabelPage(picture, options, layout, threads);
    page_bytes = static_cast<size_t>(page.PlaneCount()) * page.planes[0].size();
    benchmark::DoNotOptimize(page.planes[0].data());
  }
  const double per_page = (bench::ProcessSeconds() - start) / static_cast<double>(state.iterations());
  state.counters["page_cpu_ms"] = per_page * 1e3;
  state.counters["x_memcpy"] = per_page / bench::MemcpySeconds(page_bytes);
}

void Register() {
  for (int threads : {1, 2}) {
    const std::string t = "/threads:" + std::to_string(threads);
    benchmark::RegisterBenchmark(("LabelPage/colour/600" + t).c_str(), LabelPage, true, 600, threads)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("LabelPage/mono/600" + t).c_str(), LabelPage, false, 600, threads)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("LabelPage/colour/300" + t).c_str(), LabelPage, true, 300, threads)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
  }
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
