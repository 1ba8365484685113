// The NT 4.0 minidriver capturing and sending a whole colour page, loaded
// fresh for every page as the host driver would load it, and the stream
// decoder reading the streams both drivers write. Results are also given as
// multiples of a memcpy of the same bytes (x_memcpy).
#include <benchmark/benchmark.h>

#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_pages.h"
#include "hosts/nt4_module.h"
#include "page/band.h"
#include "raster/band_encoder.h"
#include "stream/decoder.h"
#include "tests/support/recording_sink.h"

namespace {

// Colour scanlines as the host driver renders them: 186 bytes, the page's
// row padded with zeros, cyan, magenta and yellow rows in turn; the first
// byte of the first scanline carries the 600-rows-per-inch mark.
constexpr int32_t kScanlineBytes = 186;

std::vector<uint8_t> Scanlines(const page::InkPage& page) {
  std::vector<uint8_t> all(static_cast<size_t>(page.rows) * 3 * kScanlineBytes, 0);
  for (int32_t r = 0; r < page.rows; ++r) {
    for (int p = 0; p < 3; ++p) {
      uint8_t* out = all.data() + (static_cast<size_t>(r) * 3 + p) * kScanlineBytes;
      const uint8_t* row = page.Row(p, r);
      for (int32_t i = 0; i < page.BytesPerRow(); ++i) out[i] = row[i];
    }
  }
  if (page.rows_per_inch == 600) all[0] |= 0x40;
  return all;
}

std::vector<uint8_t>* g_job = nullptr;

int32_t Q2_STDCALL Spool(void*, const void* bytes, int32_t count) {
  const uint8_t* b = static_cast<const uint8_t*>(bytes);
  g_job->insert(g_job->end(), b, b + count);
  return count;
}

void MinidriverPage(benchmark::State& state, bench::PageKind kind) {
  const page::InkPage page = bench::MakePage(kind, true);
  const std::vector<uint8_t> scanlines = Scanlines(page);
  std::vector<uint8_t> job;
  job.reserve(8 << 20);
  g_job = &job;
  const double floor = bench::MemcpySeconds(scanlines.size());
  double busy = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::string error;
    std::unique_ptr<hosts::Nt4Module> module = hosts::Nt4Module::Load(QUILLORY2_MINIDRIVER_PATH, &error);
    if (!module) {
      state.SkipWithError(error.c_str());
      break;
    }
    Q2MinidriverInit record{sizeof(Q2MinidriverInit), 1, Spool};
    module->InitProc();
    module->SetFuncAddr(&record);
    job.clear();
    state.ResumeTiming();
    const double start = bench::ThreadSeconds();
    // Every scanline of the page; the module sends all three planes inside
    // the call that reaches its line limit and drops the rest.
    for (size_t at = 0; at < scanlines.size(); at += kScanlineBytes) {
      module->FilterGraphics(nullptr, scanlines.data() + at, kScanlineBytes);
    }
    busy += bench::ThreadSeconds() - start;
    state.PauseTiming();
    module.reset();
    state.ResumeTiming();
  }
  const double per_page = state.iterations() > 0 ? busy / static_cast<double>(state.iterations()) : 0;
  state.SetBytesProcessed(static_cast<int64_t>(scanlines.size()) * state.iterations());
  state.counters["x_memcpy"] = per_page / floor;
  state.counters["job_bytes"] = static_cast<double>(job.size());
}

// Streams to decode: the plug-in's and the minidriver's output for a page.
std::vector<uint8_t> PluginStream(const page::InkPage& page) {
  page::Band band;
  if (!page::MakeBand(page, false, &band)) return {};
  testsupport::RecordingSink recorder;
  raster::EncodeBand(band.View(), raster::BandSettings{}, &recorder);
  return recorder.bytes;
}

std::vector<uint8_t> MinidriverStream(const page::InkPage& page) {
  std::string error;
  std::unique_ptr<hosts::Nt4Module> module = hosts::Nt4Module::Load(QUILLORY2_MINIDRIVER_PATH, &error);
  if (!module) return {};
  std::vector<uint8_t> job;
  g_job = &job;
  Q2MinidriverInit record{sizeof(Q2MinidriverInit), 1, Spool};
  module->SetFuncAddr(&record);
  const std::vector<uint8_t> scanlines = Scanlines(page);
  for (size_t at = 0; at < scanlines.size(); at += kScanlineBytes) {
    module->FilterGraphics(nullptr, scanlines.data() + at, kScanlineBytes);
  }
  return job;
}

// The page's stream from either component; empty, with the benchmark
// skipped, when there is none.
std::vector<uint8_t> StreamToDecode(benchmark::State& state, bench::PageKind kind, bool plugin) {
  const page::InkPage page = bench::MakePage(kind, true);
  std::vector<uint8_t> job = plugin ? PluginStream(page) : MinidriverStream(page);
  if (job.empty()) state.SkipWithError("no stream to decode");
  return job;
}

void DecodeStream(benchmark::State& state, bench::PageKind kind, bool plugin) {
  const std::vector<uint8_t> job = StreamToDecode(state, kind, plugin);
  if (job.empty()) return;
  const double floor = bench::MemcpySeconds(job.size());
  bench::LoopTimer timer;
  size_t rows = 0;
  for (auto _ : state) {
    const stream::DecodedStream decoded = stream::Decode(job.data(), job.size());
    rows = 0;
    for (const auto& plane : decoded.planes) rows += plane.rows.size();
    benchmark::DoNotOptimize(rows);
  }
  state.SetBytesProcessed(static_cast<int64_t>(job.size()) * state.iterations());
  state.counters["x_memcpy"] = timer.SecondsPer(state.iterations()) / floor;
  state.counters["stream_bytes"] = static_cast<double>(job.size());
  state.counters["rows"] = static_cast<double>(rows);
}

// The same streams read the way `quillory2 decode` reads a file: in 64 KiB
// pieces, each command and plane handed to a listener, nothing kept.
class Pieces : public stream::ByteSource {
 public:
  explicit Pieces(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  size_t Read(uint8_t* buffer, size_t capacity) override {
    const size_t n = std::min({capacity, bytes_.size() - at_, size_t{64 * 1024}});
    memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t at_ = 0;
};

class CountRows : public stream::DecodeListener {
 public:
  void OnPlaneEnd(stream::Plane& plane, size_t) override { rows += plane.rows.size(); }
  size_t rows = 0;
};

void StreamDecode(benchmark::State& state, bench::PageKind kind, bool plugin) {
  const std::vector<uint8_t> job = StreamToDecode(state, kind, plugin);
  if (job.empty()) return;
  const double floor = bench::MemcpySeconds(job.size());
  bench::LoopTimer timer;
  size_t rows = 0;
  for (auto _ : state) {
    Pieces source(job);
    CountRows listener;
    const stream::StreamSummary summary = stream::DecodeStream(&source, stream::WholeJob(), &listener);
    rows = listener.rows;
    benchmark::DoNotOptimize(summary.problem_count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(job.size()) * state.iterations());
  state.counters["x_memcpy"] = timer.SecondsPer(state.iterations()) / floor;
  state.counters["stream_bytes"] = static_cast<double>(job.size());
  state.counters["rows"] = static_cast<double>(rows);
}

void Register() {
  for (bench::PageKind kind : {bench::PageKind::kLabel, bench::PageKind::kWhite, bench::PageKind::kNoise}) {
    const std::string page = bench::PageName(kind);
    benchmark::RegisterBenchmark(("Minidriver/colour_page/" + page).c_str(), MinidriverPage, kind)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Decoder/plugin_stream/" + page).c_str(), DecodeStream, kind, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Decoder/minidriver_stream/" + page).c_str(), DecodeStream, kind, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("StreamDecoder/plugin_stream/" + page).c_str(), StreamDecode, kind, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("StreamDecoder/minidriver_stream/" + page).c_str(), StreamDecode, kind, false)
        ->Unit(benchmark::kMillisecond);
  }
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
