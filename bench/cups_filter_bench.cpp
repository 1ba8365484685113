// The CUPS filter as CUPS runs it: a whole process reading a raster file and
// writing the printer's stream, against CUPS's own rastertoepson and
// rastertohp run the same way on the same file. Times are the children's CPU
// time (user + system), so a busy machine does not blur the comparison;
// x_rastertoepson and x_rastertohp are this filter's time as a multiple of
// theirs.
#include <benchmark/benchmark.h>
#include <cups/raster.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_pages.h"
#include "bench/processes.h"

namespace {

const char kEpson[] = "/usr/lib/cups/filter/rastertoepson";
const char kHp[] = "/usr/lib/cups/filter/rastertohp";

// CUPS's sample drivers come as a driver description; their PPDs (which the
// two baseline filters insist on) are compiled once per run with ppdc.
std::string SamplePpdDir() {
  static const bench::TempDir folder("ppd");
  static const std::string dir = [] {
    if (folder.path().empty()) return std::string();
    const std::string command = "ppdc -d " + folder.path() + " /usr/share/cups/drv/sample.drv >/dev/null 2>&1";
    return system(command.c_str()) == 0 ? folder.path() : std::string();
  }();
  return dir;
}

// filter on file with CUPS's argument list and the PPD in the environment
// (when given).
bench::ProcessRun FilterRun(const std::string& filter, const std::string& file, const std::string& ppd = "") {
  bench::ProcessRun run;
  run.argv = {filter, "1", "bench", "page", "1", "", file};
  if (!ppd.empty()) run.environment.push_back("PPD=" + ppd);
  return run;
}

// One page of the disc area as a rasterizer writes it for this printer:
// 1 bit per colour at 300 x 600 dpi, black or CMY with each row's cyan,
// magenta and yellow lines in turn.
std::string WriteRaster(const page::InkPage& page, const std::string& name) {
  const std::string path = std::string(P_tmpdir) + "/q2bench-" + std::to_string(getpid()) + "-" + name + ".ras";
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return "";
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_WRITE);
  cups_page_header2_t h{};
  h.HWResolution[0] = 300;
  h.HWResolution[1] = static_cast<unsigned>(page.rows_per_inch);
  h.cupsWidth = static_cast<unsigned>(page.width_dots);
  h.cupsHeight = static_cast<unsigned>(page.rows);
  h.cupsBitsPerColor = 1;
  h.cupsColorSpace = page.colour ? CUPS_CSPACE_CMY : CUPS_CSPACE_K;
  h.cupsColorOrder = page.colour ? CUPS_ORDER_BANDED : CUPS_ORDER_CHUNKED;
  h.cupsBitsPerPixel = 1;
  h.cupsNumColors = page.colour ? 3 : 1;
  h.cupsBytesPerLine = static_cast<unsigned>(page.BytesPerRow() * page.PlaneCount());
  h.PageSize[0] = static_cast<unsigned>(page.width_dots * 72 / 300);
  h.PageSize[1] = static_cast<unsigned>(page.rows * 72 / page.rows_per_inch);
  h.NumCopies = 1;
  cupsRasterWriteHeader2(raster, &h);
  std::vector<uint8_t> line(h.cupsBytesPerLine);
  for (int32_t r = 0; r < page.rows; ++r) {
    for (int p = 0; p < page.PlaneCount(); ++p) {
      std::copy(page.Row(p, r), page.Row(p, r) + page.BytesPerRow(), line.begin() + p * page.BytesPerRow());
    }
    cupsRasterWritePixels(raster, line.data(), static_cast<unsigned>(line.size()));
  }
  cupsRasterClose(raster);
  close(fd);
  return path;
}

void FilterPage(benchmark::State& state, bench::PageKind kind, bool colour) {
  const page::InkPage page = bench::MakePage(kind, colour);
  const std::string file = WriteRaster(page, std::string(bench::PageName(kind)) + (colour ? "-cmy" : "-k"));
  if (file.empty()) {
    state.SkipWithError("cannot write the raster file");
    return;
  }
  const std::string ppds = SamplePpdDir();
  if (ppds.empty()) {
    state.SkipWithError("cannot compile CUPS's sample PPDs with ppdc");
    return;
  }
  const double epson = bench::MedianSeconds(FilterRun(kEpson, file, ppds + "/epson24.ppd"), 5);
  const double hp = bench::MedianSeconds(FilterRun(kHp, file, ppds + "/deskjet.ppd"), 5);
  double busy = 0;
  bool failed = false;
  for (auto _ : state) {
    const double t = bench::RunSeconds(FilterRun(QUILLORY2_FILTER_PATH, file));
    if (t < 0) {
      failed = true;
      break;
    }
    busy += t;
  }
  if (getenv("Q2BENCH_KEEP") == nullptr) unlink(file.c_str());
  if (failed) {
    state.SkipWithError("rastertoquillory2 failed on the page");
    return;
  }
  const double ours = busy / static_cast<double>(state.iterations());
  state.counters["cpu_ms"] = ours * 1e3;
  // A baseline that refuses the page is reported as 0.
  state.counters["rastertoepson_cpu_ms"] = epson > 0 ? epson * 1e3 : 0;
  state.counters["rastertohp_cpu_ms"] = hp > 0 ? hp * 1e3 : 0;
  state.counters["x_rastertoepson"] = epson > 0 ? ours / epson : 0;
  state.counters["x_rastertohp"] = hp > 0 ? ours / hp : 0;
}

void Register() {
  for (bench::PageKind kind : {bench::PageKind::kLabel, bench::PageKind::kWhite, bench::PageKind::kNoise}) {
    const std::string page = bench::PageName(kind);
    for (bool colour : {false, true}) {
      benchmark::RegisterBenchmark(("CupsFilter/" + std::string(colour ? "cmy/" : "black/") + page).c_str(),
                                   FilterPage, kind, colour)
          ->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
    }
  }
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
