// unidrv_host: prints disc-label pages through the rendering plug-in the way
// Unidrv on Windows 2000/XP drives it, and writes the printer job to a file.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <cctype>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "hosts/page_file.h"
#include "hosts/unidrv_host.h"
#include "tools/file_io.h"

namespace {

const char kUsage[] =
    "usage: unidrv_host [options] PAGE... -o JOB\n"
    "\n"
    "Renders each PAGE through the rendering plug-in (loaded by path and driven\n"
    "through its COM interface as Unidrv does), frames the bands with the job\n"
    "commands of the printer description, and writes the printer job to JOB.\n"
    "\n"
    "PAGE is a netpbm image, one page per file, one pixel per printer dot\n"
    "(300 dots per inch across, at most 1480 dots wide):\n"
    "  PBM (P1, P4)  monochrome; black pixels are ink\n"
    "  PGM (P2, P5)  monochrome; pixels darker than half are ink\n"
    "  PPM (P3, P6)  colour; cyan ink where red is below half, magenta where\n"
    "                green is, yellow where blue is\n"
    "Image rows are printer rows, 1/300 or 1/600 inch apart (see --resolution).\n"
    "\n"
    "options:\n"
    "  -o, --output FILE          job file or printer device to write (\"-\" for\n"
    "                             standard output); a file appears whole or not\n"
    "                             at all\n"
    "  -r, --resolution 300|600   rows per inch down (default 600)\n"
    "  -l, --landscape            print in landscape orientation\n"
    "  -d, --disc-type S|D        S: print the whole disc (default);\n"
    "                             D: leave out the band across the disc's hub\n"
    "      --paper regular|matte  media (default regular)\n"
    "      --text-quality off|on  the printer's ON option (default off)\n"
    "      --image-control auto|N image control, auto or option N of 1..100\n"
    "                             (default auto)\n"
    "      --plugin PATH          plug-in module (default: the one built beside\n"
    "                             this program, ../lib/libquilry2uni.so)\n"
    "  -v, --verbose              list the calls of the job on standard error\n"
    "  -h, --help                 show this help\n";

// The last step of a run that wrote to standard output: a lost write there
// is a failure like any other.
int CloseOutput() {
  std::string error;
  if (imaging::CloseStandardOutput(&error)) return 0;
  std::cerr << "unidrv_host: " << error << "\n";
  return 1;
}

int Usage(const std::string& message) {
  std::cerr << "unidrv_host: " << message << "\n(unidrv_host --help explains the options)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  hosts::UnidrvJobSettings settings;
  std::vector<std::string> inputs;
  std::string output;
  std::string plugin;
  int rows_per_inch = 600;
  bool verbose = false;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return CloseOutput();
    } else if (arg == "-o" || arg == "--output") {
      if (!value(&output)) return Usage(arg + " needs a file name");
    } else if (arg == "-r" || arg == "--resolution") {
      if (!value(&v) || (v != "300" && v != "600")) return Usage("--resolution is 300 or 600");
      rows_per_inch = std::stoi(v);
    } else if (arg == "-l" || arg == "--landscape") {
      settings.landscape = true;
    } else if (arg == "-d" || arg == "--disc-type") {
      if (!value(&v) || (v != "S" && v != "D" && v != "DISC_S" && v != "DISC_D")) {
        return Usage("--disc-type is S or D");
      }
      settings.disc_type = v.size() == 1 ? "DISC_" + v : v;
    } else if (arg == "--paper") {
      if (!value(&v) || (v != "regular" && v != "matte")) return Usage("--paper is regular or matte");
      settings.options.paper_quality = v == "matte" ? 2 : 1;
    } else if (arg == "--text-quality") {
      if (!value(&v) || (v != "off" && v != "on")) return Usage("--text-quality is off or on");
      settings.options.text_quality = v == "on" ? 2 : 1;
    } else if (arg == "--image-control") {
      if (!value(&v)) return Usage("--image-control needs auto or a number");
      if (v == "auto") {
        settings.options.image_control = 1;
      } else {
        char* end = nullptr;
        const long n = strtol(v.c_str(), &end, 10);
        if (v.empty() || *end != '\0' || n < 1 || n > 100) {
          return Usage("--image-control is auto or 1..100");
        }
        settings.options.image_control = static_cast<int>(n) + 1;
      }
    } else if (arg == "--plugin") {
      if (!value(&plugin)) return Usage("--plugin needs a path");
    } else if (arg == "-v" || arg == "--verbose") {
      verbose = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage("unknown option " + arg);
    } else {
      inputs.push_back(arg);
    }
  }
  if (inputs.empty()) return Usage("no page given");
  if (output.empty()) return Usage("no job file given (-o JOB)");
  settings.options.resolution = rows_per_inch == 300 ? 1 : 2;
  if (plugin.empty()) plugin = hosts::ModuleBesideProgram(argv[0], hosts::PluginModuleName());

  std::vector<hosts::InkPage> pages(inputs.size());
  for (size_t i = 0; i < inputs.size(); ++i) {
    std::string problem;
    if (!hosts::ReadPageFile(inputs[i], rows_per_inch, &pages[i], &problem)) {
      std::cerr << "unidrv_host: " << problem << "\n";
      return 1;
    }
  }

  std::vector<uint8_t> job;
  std::string error;
  hosts::UnidrvTrace trace;
  const bool ok = hosts::RenderUnidrvJob(plugin, pages, settings, &job, &error, &trace);
  if (verbose) {
    for (const std::string& event : trace.events) std::cerr << "unidrv_host: " << event << "\n";
  }
  if (!ok) {
    std::cerr << "unidrv_host: " << error << "\n";
    return 1;
  }

  // Nothing is written unless the whole job rendered.
  if (!imaging::WriteWholeFile(output, job, &error)) {
    std::cerr << "unidrv_host: " << error << "\n";
    return 1;
  }
  if (verbose) {
    std::cerr << "unidrv_host: " << pages.size() << " page(s), " << job.size() << " bytes\n";
  }
  return CloseOutput();
}
