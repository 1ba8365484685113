// A designed label, from "print" to a complete job, against a picture alone:
// `quillory2 design` of a photo label with a title and subtitle on arcs and
// a two-column track list of 30 entries (reading the template, drawing it
// with Cairo and Pango on the 300 x 600 dot grid, separation, halftone, the
// job through the plug-in), against `quillory2 encode` of the same photo
// (decoding, placing, separation, halftone, the job). Times are CPU time of
// each process, measured alternately; x_encode is design's as a multiple of
// encode's. Design/draw is the drawing alone, in-process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/processes.h"
#include "designer/label_template.h"
#include "designer/render.h"
#include "files/read_file.h"
#include "files/write_file.h"

namespace {

// The example photo label with a track list added, and its photo alone.
struct Inputs {
  bench::TempDir dir{"design"};
  std::string label, photo;
  designer::LabelTemplate parsed;
  bool ok = false;
  Inputs() {
    std::vector<uint8_t> bytes;
    std::string error;
    if (dir.path().empty() || !files::ReadWholeFile(QUILLORY2_PHOTO_LABEL, &bytes, &error) ||
        !designer::ReadTemplate(bytes.data(), bytes.size(), &parsed, &error)) {
      return;
    }
    for (int i = 1; i <= 30; ++i) parsed.tracks.entries.push_back(std::to_string(i) + ". Track");
    parsed.tracks.columns = 2;
    parsed.tracks.region = designer::TrackRegion::kBottom;
    const std::string text = designer::WriteTemplate(parsed);
    label = dir.path() + "/label.json";
    photo = dir.path() + "/photo.png";
    ok = files::WriteWholeFile(label, reinterpret_cast<const uint8_t*>(text.data()), text.size(), &error) &&
         files::WriteWholeFile(photo, parsed.background.photo.picture.bytes, &error);
  }
};

const Inputs& Shared() {
  static const Inputs inputs;
  return inputs;
}

void DesignAgainstEncode(benchmark::State& state) {
  const Inputs& in = Shared();
  if (!in.ok) {
    state.SkipWithError("cannot write the label and its photo");
    return;
  }
  bench::ProcessRun design{{QUILLORY2_TOOL_PATH, "design", in.label, "-o", in.dir.path() + "/label.prn"}, {}, ""};
  bench::ProcessRun encode{{QUILLORY2_TOOL_PATH, "encode", in.photo, "-o", in.dir.path() + "/photo.prn"}, {}, ""};
  std::vector<double> design_times, encode_times;
  for (auto _ : state) {
    const double a = bench::RunSeconds(design);
    const double b = bench::RunSeconds(encode);
    if (a < 0 || b < 0) {
      state.SkipWithError(a < 0 ? "quillory2 design failed" : "quillory2 encode failed");
      break;
    }
    design_times.push_back(a);
    encode_times.push_back(b);
  }
  if (design_times.empty()) return;
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double d = median(design_times), e = median(encode_times);
  state.counters["design_cpu_ms"] = d * 1e3;
  state.counters["encode_cpu_ms"] = e * 1e3;
  state.counters["x_encode"] = d / e;
}

void Draw(benchmark::State& state) {
  const Inputs& in = Shared();
  imaging::RgbImage dots;
  designer::Warnings warnings;
  std::string error;
  for (auto _ : state) {
    if (!designer::RenderLabel(in.parsed, 600, &dots, &warnings, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
}

void Register() {
  benchmark::RegisterBenchmark("Design/print/photo-arcs-tracks", DesignAgainstEncode)
      ->Unit(benchmark::kMillisecond)->Iterations(15)->UseRealTime();
  benchmark::RegisterBenchmark("Design/draw/600rpi", Draw)->Unit(benchmark::kMillisecond)->Iterations(10);
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
