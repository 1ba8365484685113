// nt4_host: prints images through the NT 4.0 minidriver the way the NT 4.0
// host driver would, and writes the printer job to a file.
#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <initializer_list>
#include <iostream>
#include <string>
#include <vector>

#include "hosts/nt4_host.h"
#include "hosts/page_file.h"
#include "tools/file_io.h"

namespace {

const char kUsage[] =
    "Usage: nt4_host [options] -o JOB IMAGE...\n"
    "\n"
    "Prints each IMAGE as one page on the CD through the NT 4.0 minidriver and\n"
    "writes the printer job (the bytes the printer receives) to JOB; '-' writes\n"
    "to standard output when that is not a terminal.\n"
    "\n"
    "Images are netpbm files, one pixel per printer dot (300 dots per inch\n"
    "across, one row per printer row):\n"
    "  PBM (P1, P4) or PGM (P2, P5)  a monochrome page; black (grey below half)\n"
    "                                is ink; at most 1472 dots wide\n"
    "  PPM (P3, P6)                  a colour page; cyan ink where red is below\n"
    "                                half, magenta where green is, yellow where\n"
    "                                blue is; at most 1488 dots wide\n"
    "A job is all colour or all monochrome. Pages may be up to 2832 rows long at\n"
    "600 rows per inch, 1416 at 300; shorter pages are blank below the image.\n"
    "\n"
    "Options:\n"
    "  -o, --output JOB        where the job goes (required): a file, which appears\n"
    "                          whole or not at all, or a printer device\n"
    "  --resolution 600|300    rows per inch down the page (default 600)\n"
    "  --media regular|matte   media (default regular)\n"
    "  --text-quality off|on   the printer's ON option (default off)\n"
    "  --image-control auto|N  image control, N from 1 to 100 (default auto)\n"
    "  --module PATH           the minidriver module (default: libquilry2.so in\n"
    "                          the lib folder beside this program's folder)\n"
    "  -h, --help              this text\n"
    "\n"
    "The minidriver prints one colour page per load, as under NT 4.0: in a colour\n"
    "job only the first page is printed; the others are accepted and dropped.\n";

int Fail(const std::string& message) {
  std::cerr << "nt4_host: " << message << "\n";
  return 1;
}

// The last step of a run that wrote to standard output: a lost write there
// is a failure like any other.
int CloseOutput() {
  std::string error;
  return imaging::CloseStandardOutput(&error) ? 0 : Fail(error);
}

bool ParseChoice(const std::string& value, std::initializer_list<const char*> names, int* choice) {
  int position = 1;
  for (const char* name : names) {
    if (value == name) {
      *choice = position;
      return true;
    }
    ++position;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  hosts::Nt4JobSettings settings;
  std::string output;
  #ifdef _WIN32
  std::string module = hosts::ModuleBesideProgram(argv[0], "QUILRY2.DLL");
#else
  std::string module = hosts::ModuleBesideProgram(argv[0], "libquilry2.so");
#endif
  std::vector<std::string> images;
  int32_t rows_per_inch = 600;

  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
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
      if (!value(&output)) return Fail("-o needs a file name");
    } else if (arg == "--module") {
      if (!value(&module)) return Fail("--module needs a path");
    } else if (arg == "--resolution") {
      if (!value(&v) || (v != "600" && v != "300")) return Fail("--resolution is 600 or 300");
      rows_per_inch = v == "600" ? 600 : 300;
      settings.options.resolution = v == "600" ? 2 : 1;
    } else if (arg == "--media") {
      if (!value(&v) || !ParseChoice(v, {"regular", "matte"}, &settings.options.paper_quality)) {
        return Fail("--media is regular or matte");
      }
    } else if (arg == "--text-quality") {
      if (!value(&v) || !ParseChoice(v, {"off", "on"}, &settings.options.text_quality)) {
        return Fail("--text-quality is off or on");
      }
    } else if (arg == "--image-control") {
      if (!value(&v)) return Fail("--image-control is auto or a number from 1 to 100");
      if (v == "auto") {
        settings.options.image_control = 1;
      } else {
        char* end = nullptr;
        long n = strtol(v.c_str(), &end, 10);
        if (v.empty() || *end != 0 || n < 1 || n > 100) {
          return Fail("--image-control is auto or a number from 1 to 100");
        }
        settings.options.image_control = static_cast<int>(n) + 1;
      }
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return Fail("unknown option " + arg + " (see --help)");
    } else {
      images.push_back(arg);
    }
  }
  if (output.empty()) return Fail("no output given: use -o JOB (see --help)");
  if (images.empty()) return Fail("no image given (see --help)");
  if (output == "-" && isatty(STDOUT_FILENO)) return Fail("not writing a printer job to a terminal");

  std::vector<hosts::InkPage> pages(images.size());
  std::string error;
  for (size_t i = 0; i < images.size(); ++i) {
    if (!hosts::ReadPageFile(images[i], rows_per_inch, &pages[i], &error)) return Fail(error);
  }
  std::vector<uint8_t> job;
  if (!hosts::RenderNt4Job(module, pages, settings, &job, &error)) return Fail(error);
  if (pages[0].colour && pages.size() > 1) {
    std::cerr << "nt4_host: warning: only the first of " << pages.size()
              << " colour pages is printed; the minidriver prints one colour page per load\n";
  }

  if (!imaging::WriteWholeFile(output, job, &error)) return Fail(error);
  return CloseOutput();
}
