// nt4_host: prints images through the NT 4.0 minidriver the way the NT 4.0
// host driver would, and writes the printer job to a file.
#include <stdio.h>
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <iostream>
#include <string>
#include <vector>

#include "errors/fail.h"
#include "hosts/host_arguments.h"
#include "hosts/module_path.h"
#include "hosts/nt4_host.h"
#include "files/write_file.h"
#include "hosts/page_file.h"

namespace {

const char kDescription[] =
    "Prints each IMAGE as one page on the CD through the NT 4.0 minidriver and\n"
    "writes the printer job (the bytes the printer receives) to JOB; '-' writes\n"
    "to standard output when that is not a terminal.";

const char kFooter[] =
    "Images are netpbm files (\"-\": standard input), one pixel per printer dot\n"
    "(300 dots per inch across, one row per printer row):\n"
    "  PBM (P1, P4) or PGM (P2, P5)  a monochrome page; black (grey below half)\n"
    "                                is ink; 1472 dots across are printed\n"
    "  PPM (P3, P6)                  a colour page; cyan ink where red is below\n"
    "                                half, magenta where green is, yellow where\n"
    "                                blue is; 1488 dots across are printed\n"
    "A job is all colour or all monochrome. The disc area is 2832 rows long at\n"
    "600 rows per inch, 1416 at 300; shorter pages are blank below the image.\n"
    "Only the disc area is printed, as the host driver renders only the paper:\n"
    "a larger page is cut to it, with a warning.\n"
    "\n"
    "The minidriver prints one colour page per load, as under NT 4.0: in a colour\n"
    "job only the first page is printed; the others are accepted and dropped.\n"
    "\n"
    "Example:\n"
    "  nt4_host page.ppm -o job.prn --resolution 300 --media matte\n";

int Fail(const std::string& message) { return errors::ReportFailure("nt4_host: ", message, 1); }

}  // namespace

int main(int argc, char** argv) {
  hosts::Nt4JobSettings settings;
  std::string output;
  std::string module = hosts::ModuleBesideProgram(hosts::MinidriverModuleName());
  std::vector<std::string> images;

  CLI::App app{kDescription, "nt4_host"};
  app.footer(kFooter);
  app.add_option("IMAGE", images, "netpbm page files, one page each")->required();
  app.add_option("-o,--output", output, "where the job goes")->required();
  hosts::AddJobOptionArguments(&app, &settings.options);
  app.add_option("--module,--plugin", module, "the minidriver module")->capture_default_str();
  const int status = hosts::ParseArguments(&app, argc, argv);
  if (status >= 0) return status;
  for (const std::string& input : images) {
    if (files::WouldReplaceInput(input, output)) {
      std::cerr << "nt4_host: refusing to write the job over the page '" << input << "'\n";
      return 2;
    }
  }
  if (output == "-" && isatty(STDOUT_FILENO))
    return Fail("not writing a printer job to a terminal");

  // The scanlines the host driver renders for this printer, and the disc area.
  const int32_t rows_per_inch = settings.options.RowsPerInch();
  const hosts::PageArea area{hosts::kNt4ColourScanlineBytes * 8, hosts::kNt4MonoScanlineMaxBytes * 8,
                             geometry::DiscAreaRows(rows_per_inch)};
  std::vector<page::InkPage> pages(images.size());
  std::string error;
  for (size_t i = 0; i < images.size(); ++i) {
    std::string cropped;
    if (!hosts::ReadPageFile(images[i], rows_per_inch, area, &pages[i], &cropped, &error)) {
      return Fail(error);
    }
    if (!cropped.empty()) std::cerr << "nt4_host: warning: " << cropped << "\n";
  }
  std::vector<uint8_t> job;
  if (!hosts::RenderNt4Job(module, pages, settings, &job, &error)) return Fail(error);
  if (pages[0].colour && pages.size() > 1) {
    std::cerr << "nt4_host: warning: only the first of " << pages.size()
              << " colour pages is printed; the minidriver prints one colour page per load\n";
  }

  if (!files::WriteWholeFile(output, job, &error)) return Fail(error);
  return hosts::CloseOutput(app.get_name());
}
