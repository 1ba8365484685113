// The band encoder on a whole page in one band, as Unidrv hands it to the
// plug-in: colour portrait and landscape, and monochrome. Each result is also
// given as a multiple of a memcpy of the same band (x_memcpy).
#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "bench/bench_pages.h"
#include "page/band.h"
#include "raster/band_encoder.h"
#include "tests/support/recording_sink.h"

namespace {

void ConvertPage(benchmark::State& state, bench::PageKind kind, bool colour, bool landscape) {
  const page::InkPage page = bench::MakePage(kind, colour);
  page::Band band;
  std::string error;
  if (!page::MakeBand(page, landscape, &band, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  // What a spooler does with the bytes: append them to the job.
  testsupport::RecordingSink spooler;
  spooler.bytes.reserve(8 << 20);
  const raster::BandView view = band.View();

  const double floor = bench::MemcpySeconds(band.bits.size());
  bench::LoopTimer timer;
  for (auto _ : state) {
    spooler.bytes.clear();
    spooler.sizes.clear();
    raster::EncodeBand(view, raster::BandSettings{}, &spooler);
    benchmark::DoNotOptimize(spooler.bytes.data());
  }
  const double per_page = timer.SecondsPer(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(band.bits.size()) * state.iterations());
  state.counters["x_memcpy"] = per_page / floor;
  state.counters["band_bytes"] = static_cast<double>(band.bits.size());
  state.counters["job_bytes"] = static_cast<double>(spooler.bytes.size());
}

void Register() {
  for (bench::PageKind kind : {bench::PageKind::kLabel, bench::PageKind::kWhite, bench::PageKind::kNoise}) {
    const std::string page = bench::PageName(kind);
    benchmark::RegisterBenchmark(("BandConversion/colour_portrait/" + page).c_str(), ConvertPage, kind, true, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BandConversion/colour_landscape/" + page).c_str(), ConvertPage, kind, true, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BandConversion/mono_portrait/" + page).c_str(), ConvertPage, kind, false, false)
        ->Unit(benchmark::kMillisecond);
  }
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
