// The plug-in's band conversion on a whole page in one band, as Unidrv hands
// it over: colour portrait and landscape, and monochrome. Each result is also
// given as a multiple of a memcpy of the same band (x_memcpy).
#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "bench/bench_pages.h"
#include "hosts/unidrv_band.h"
#include "platform/printer_oem.h"
#include "raster/band_conversion.h"

namespace {

// Unidrv's helper interface reduced to what a spooler does with the bytes:
// append them to the job.
struct Spooler {
  plat::IPrintOemDriverUni iface;
  std::vector<uint8_t> job;
};

HRESULT Q2_STDCALL GetDriverSetting(plat::IPrintOemDriverUni*, PVOID, PCSTR, PVOID output, DWORD size,
                                    PDWORD, PDWORD) {
  memset(output, 0, size);
  memcpy(output, "DISC_S", 7);
  return S_OK;
}

HRESULT Q2_STDCALL WriteSpoolBuf(plat::IPrintOemDriverUni* self, plat::PDEVOBJ, PVOID buffer,
                                 DWORD size, DWORD* written) {
  auto* spooler = reinterpret_cast<Spooler*>(self);
  const uint8_t* b = static_cast<const uint8_t*>(buffer);
  spooler->job.insert(spooler->job.end(), b, b + size);
  *written = size;
  return S_OK;
}

void ConvertPage(benchmark::State& state, bench::PageKind kind, bool colour, bool landscape) {
  const hosts::InkPage page = bench::MakePage(kind, colour);
  std::vector<uint8_t> band;
  BITMAPINFOHEADER header{};
  std::string error;
  if (!hosts::MakeBand(page, landscape, &band, &header, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  static const plat::IPrintOemDriverUniVtbl vtbl = [] {
    plat::IPrintOemDriverUniVtbl v{};
    v.DrvGetDriverSetting = GetDriverSetting;
    v.DrvWriteSpoolBuf = WriteSpoolBuf;
    return v;
  }();
  Spooler spooler{{&vtbl}, {}};
  spooler.job.reserve(8 << 20);
  DEVMODEW devmode{};
  devmode.dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
  devmode.dmYResolution = 600;
  plat::DEVOBJ devobj{};
  devobj.dwSize = sizeof devobj;
  devobj.pPublicDM = &devmode;

  const double floor = bench::MemcpySeconds(band.size());
  bench::LoopTimer timer;
  for (auto _ : state) {
    spooler.job.clear();
    PBYTE result = nullptr;
    raster::ConvertBand(&spooler.iface, &devobj, band.data(), &header, &result);
    benchmark::DoNotOptimize(result);
  }
  const double per_page = timer.SecondsPer(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(band.size()) * state.iterations());
  state.counters["x_memcpy"] = per_page / floor;
  state.counters["band_bytes"] = static_cast<double>(band.size());
  state.counters["job_bytes"] = static_cast<double>(spooler.job.size());
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
