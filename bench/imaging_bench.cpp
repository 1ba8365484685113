// The picture path in-process, without process start, picture file reading
// or the job: a decoded picture turned into its ink page (placing, masking,
// separation, error diffusion) again and again.
//
// Pictures: the example label (1024 x 1024), and a 12-megapixel picture the
// size of a phone camera's (4000 x 3000, smooth gradients under fine
// detail, made here so that it needs no file).
// Renderings: photo (linear-light separation, vector error diffusion; the
// default) and classic (1 - code value, Floyd-Steinberg per plane: the
// picture path before it), run in turn in the same process.
// x_memcpy is the page time as a multiple of a memcpy of the finished ink
// page; x_classic (on the photo rendering) the page time over the classic
// rendering's, measured alternately in the same benchmark.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "bench/bench_pages.h"
#include "files/read_file.h"
#include "imaging/label.h"

namespace {

const imaging::RgbImage* ExampleLabel(std::string* error) {
  static imaging::RgbImage picture;
  static bool read = false;
  if (!read) {
    std::vector<uint8_t> file;
    if (!files::ReadWholeFile(QUILLORY2_EXAMPLE_LABEL, &file, error) ||
        !imaging::DecodeImage(file.data(), file.size(), &picture, error)) {
      return nullptr;
    }
    read = true;
  }
  return &picture;
}

const imaging::RgbImage* PhonePhoto() {
  static imaging::RgbImage picture;
  if (picture.Empty()) {
    picture.Reset(4000, 3000);
    for (int32_t y = 0; y < picture.height; ++y) {
      uint8_t* p = picture.At(0, y);
      for (int32_t x = 0; x < picture.width; ++x, p += 3) {
        const double detail = 40 * std::sin(x * 0.37) * std::cos(y * 0.23);
        p[0] = static_cast<uint8_t>(std::clamp(255.0 * x / picture.width + detail, 0.0, 255.0));
        p[1] = static_cast<uint8_t>(std::clamp(255.0 * y / picture.height - detail, 0.0, 255.0));
        p[2] = static_cast<uint8_t>(std::clamp(128 + 100 * std::sin((x + y) * 0.002) + detail, 0.0, 255.0));
      }
    }
  }
  return &picture;
}

void LabelPage(benchmark::State& state, bool phone, bool colour, int rows_per_inch) {
  std::string error;
  const imaging::RgbImage* picture = phone ? PhonePhoto() : ExampleLabel(&error);
  if (picture == nullptr) {
    state.SkipWithError(error.c_str());
    return;
  }
  page::JobOptions options;
  options.colour = colour ? page::ColourMode::kColour : page::ColourMode::kMonochrome;
  options.resolution = rows_per_inch == 600 ? page::Resolution::k600 : page::Resolution::k300;
  imaging::LabelLayout photo, classic;
  classic.rendering = imaging::Rendering::kClassic;
  size_t page_bytes = 0;
  double photo_seconds = 0, classic_seconds = 0;
  for (auto _ : state) {
    // The classic rendering runs in turn, outside the timed part.
    state.PauseTiming();
    double start = bench::ThreadSeconds();
    benchmark::DoNotOptimize(imaging::MakeLabelPage(*picture, options, classic).planes[0].data());
    classic_seconds += bench::ThreadSeconds() - start;
    state.ResumeTiming();
    start = bench::ThreadSeconds();
    const page::InkPage page = imaging::MakeLabelPage(*picture, options, photo);
    photo_seconds += bench::ThreadSeconds() - start;
    page_bytes = static_cast<size_t>(page.PlaneCount()) * page.planes[0].size();
    benchmark::DoNotOptimize(page.planes[0].data());
  }
  const double per_page = photo_seconds / std::max<int64_t>(1, state.iterations());
  state.counters["page_cpu_ms"] = per_page * 1e3;
  state.counters["classic_cpu_ms"] = classic_seconds / std::max<int64_t>(1, state.iterations()) * 1e3;
  state.counters["x_classic"] = photo_seconds / classic_seconds;
  state.counters["x_memcpy"] = per_page / bench::MemcpySeconds(page_bytes);
}

void Register() {
  for (bool phone : {false, true}) {
    const std::string name = phone ? "PhonePhoto12MP" : "ExampleLabel";
    benchmark::RegisterBenchmark((name + "/colour/600").c_str(), LabelPage, phone, true, 600)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((name + "/mono/600").c_str(), LabelPage, phone, false, 600)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((name + "/colour/300").c_str(), LabelPage, phone, true, 300)
        ->Unit(benchmark::kMillisecond);
  }
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
