// From a picture to a print job, as whole processes: `quillory2 encode` on
// the example label (picture decoding, placing, masking, separation, error
// diffusion, and the job through the loaded plug-in), against CUPS's own
// chain for the same PNG and the same printer: cupsfilter with this
// printer's PPD, which runs CUPS's imagetoraster and then rastertoquillory2.
// Times are CPU time (user + system) of each process and the processes it
// waited for; x_cups_chain is encode's as a multiple of the chain's, both
// measured alternately in the same run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/processes.h"

namespace {

// A ServerBin of the bench's own, so that cupsfilter runs the filter of
// this build: CUPS's filters, and rastertoquillory2 linked in beside them.
std::string CupsConfig() {
  static const bench::TempDir chain("chain");
  static const std::string config = []() -> std::string {
    const std::string& dir = chain.path();
    if (dir.empty()) return "";
    const std::string filters = dir + "/serverbin/filter";
    const std::string command = "mkdir -p '" + filters + "' && for f in '" QUILLORY2_CUPS_SERVERBIN
                                "'/filter/*; do ln -s \"$f\" '" + filters + "'/; done; rm -f '" +
                                filters + "/rastertoquillory2' && ln -s '" QUILLORY2_FILTER_PATH "' '" +
                                filters + "/rastertoquillory2' && echo 'ServerBin " + dir +
                                "/serverbin' > '" + dir + "/cups-files.conf'";
    return system(command.c_str()) == 0 ? dir + "/cups-files.conf" : "";
  }();
  return config;
}

void EncodePicture(benchmark::State& state, bool colour) {
  const std::string config = CupsConfig();
  const bench::TempDir out_dir("encode");
  const std::string& out = out_dir.path();
  if (config.empty() || out.empty()) {
    state.SkipWithError("cannot set up the CUPS chain's folders");
    return;
  }
  bench::ProcessRun ours;
  ours.argv = {QUILLORY2_TOOL_PATH, "encode", QUILLORY2_EXAMPLE_LABEL, "-o", out + "/label.prn"};
  bench::ProcessRun chain;
  chain.argv = {QUILLORY2_CUPSFILTER, "-c", config, "-p", QUILLORY2_PPD_PATH, "-m", "printer/foo", "-e"};
  if (!colour) {
    ours.argv.push_back("--mono");
    chain.argv.insert(chain.argv.end(), {"-o", "ColorModel=Gray"});
  }
  chain.argv.push_back(QUILLORY2_EXAMPLE_LABEL);

  // Alternate runs, so that both see the same neighbours on the machine.
  std::vector<double> encode_times, chain_times;
  for (auto _ : state) {
    const double a = bench::RunSeconds(ours);
    const double b = bench::RunSeconds(chain);
    if (a < 0 || b < 0) {
      state.SkipWithError(a < 0 ? "quillory2 encode failed" : "cupsfilter failed");
      break;
    }
    encode_times.push_back(a);
    chain_times.push_back(b);
  }
  if (encode_times.empty()) return;
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double encode = median(encode_times), cups = median(chain_times);
  state.counters["encode_cpu_ms"] = encode * 1e3;
  state.counters["cups_chain_cpu_ms"] = cups * 1e3;
  state.counters["x_cups_chain"] = encode / cups;
}

void Register() {
  benchmark::RegisterBenchmark("Encode/colour/label", EncodePicture, true)
      ->Unit(benchmark::kMillisecond)->Iterations(15)->UseRealTime();
  benchmark::RegisterBenchmark("Encode/mono/label", EncodePicture, false)
      ->Unit(benchmark::kMillisecond)->Iterations(15)->UseRealTime();
}

const int registered = (Register(), 0);

}  // namespace

BENCHMARK_MAIN();
