// unidrv_host: prints disc-label pages through the rendering plug-in the way
// Unidrv on Windows 2000/XP drives it, and writes the printer job to a file.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <cctype>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "hosts/unidrv_host.h"

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
    "  -o, --output FILE          job file to write (\"-\" for standard output)\n"
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

bool ReadToken(std::istream& in, std::string* token) {
  token->clear();
  int c;
  while ((c = in.get()) != EOF) {
    if (c == '#') {
      while ((c = in.get()) != EOF && c != '\n') {
      }
      continue;
    }
    if (!std::isspace(c)) break;
  }
  if (c == EOF) return false;
  token->push_back(static_cast<char>(c));
  while ((c = in.peek()) != EOF && !std::isspace(c) && c != '#') {
    token->push_back(static_cast<char>(in.get()));
  }
  return true;
}

bool ReadNumber(std::istream& in, long* value) {
  std::string token;
  if (!ReadToken(in, &token) || token.empty() ||
      token.find_first_not_of("0123456789") != std::string::npos || token.size() > 9) {
    return false;
  }
  *value = strtol(token.c_str(), nullptr, 10);
  return true;
}

// Reads one netpbm image into a page. Returns an empty message on success.
std::string ReadPage(const std::string& path, int rows_per_inch, hosts::InkPage* page) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot open " + path;
  std::string magic;
  if (!ReadToken(in, &magic) || magic.size() != 2 || magic[0] != 'P' || magic[1] < '1' ||
      magic[1] > '6') {
    return path + " is not a PBM, PGM or PPM image";
  }
  const int kind = magic[1] - '0';
  const bool ascii = kind <= 3;
  const int format = ascii ? kind : kind - 3;  // 1 bitmap, 2 grey, 3 colour
  long width = 0, height = 0, maxval = 1;
  if (!ReadNumber(in, &width) || !ReadNumber(in, &height) ||
      (format != 1 && !ReadNumber(in, &maxval))) {
    return path + ": damaged header";
  }
  if (width <= 0 || height <= 0 || width > 1480 || height > 100000 || maxval <= 0 ||
      maxval > 65535) {
    return path + ": " + std::to_string(width) + " x " + std::to_string(height) +
           " does not fit the printer (at most 1480 dots across)";
  }
  if (!ascii) in.get();  // the single whitespace before binary samples

  page->width_dots = static_cast<int32_t>(width);
  page->rows = static_cast<int32_t>(height);
  page->rows_per_inch = rows_per_inch;
  page->colour = format == 3;
  page->Allocate();

  const int samples = format == 3 ? 3 : 1;
  const int sample_bytes = maxval > 255 ? 2 : 1;
  std::vector<uint8_t> packed_row((width + 7) / 8);
  std::vector<long> pixel(samples);
  for (long y = 0; y < height; ++y) {
    if (format == 1 && !ascii) {
      if (!in.read(reinterpret_cast<char*>(packed_row.data()),
                   static_cast<std::streamsize>(packed_row.size()))) {
        return path + ": the image data ends early";
      }
    }
    for (long x = 0; x < width; ++x) {
      for (int s = 0; s < samples; ++s) {
        if (format == 1 && !ascii) {
          pixel[s] = (packed_row[x / 8] >> (7 - x % 8)) & 1;
        } else if (ascii) {
          if (!ReadNumber(in, &pixel[s])) return path + ": the image data ends early";
        } else {
          unsigned char bytes[2];
          if (!in.read(reinterpret_cast<char*>(bytes), sample_bytes)) {
            return path + ": the image data ends early";
          }
          pixel[s] = sample_bytes == 2 ? (bytes[0] << 8 | bytes[1]) : bytes[0];
        }
      }
      if (format == 1) {
        if (pixel[0] != 0) page->SetDot(hosts::kBlack, static_cast<int32_t>(y), x);
      } else if (format == 2) {
        if (pixel[0] * 2 < maxval) page->SetDot(hosts::kBlack, static_cast<int32_t>(y), x);
      } else {
        // Red light is what cyan ink takes away, green magenta, blue yellow.
        if (pixel[0] * 2 < maxval) page->SetDot(hosts::kCyan, static_cast<int32_t>(y), x);
        if (pixel[1] * 2 < maxval) page->SetDot(hosts::kMagenta, static_cast<int32_t>(y), x);
        if (pixel[2] * 2 < maxval) page->SetDot(hosts::kYellow, static_cast<int32_t>(y), x);
      }
    }
  }
  return "";
}

std::string DefaultPluginPath(const char* argv0) {
  std::string program = argv0;
#ifndef _WIN32
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) program.assign(self, static_cast<size_t>(n));
#endif
  const size_t slash = program.find_last_of("/\\");
  const std::string dir = slash == std::string::npos ? "." : program.substr(0, slash);
#ifdef _WIN32
  return dir + "/" + hosts::PluginModuleName();
#else
  return dir + "/../lib/" + hosts::PluginModuleName();
#endif
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
      return 0;
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
  if (plugin.empty()) plugin = DefaultPluginPath(argv[0]);

  std::vector<hosts::InkPage> pages(inputs.size());
  for (size_t i = 0; i < inputs.size(); ++i) {
    const std::string problem = ReadPage(inputs[i], rows_per_inch, &pages[i]);
    if (!problem.empty()) {
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
  if (output == "-") {
    std::cout.write(reinterpret_cast<const char*>(job.data()), static_cast<std::streamsize>(job.size()));
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "unidrv_host: cannot write the job to standard output\n";
      return 1;
    }
  } else {
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(job.data()), static_cast<std::streamsize>(job.size()));
    out.close();
    if (!out) {
      std::cerr << "unidrv_host: cannot write " << output << "\n";
      return 1;
    }
  }
  if (verbose) {
    std::cerr << "unidrv_host: " << pages.size() << " page(s), " << job.size() << " bytes\n";
  }
  return 0;
}
