// unidrv_host: prints disc-label pages through the rendering plug-in the way
// Unidrv on Windows 2000/XP drives it, and writes the printer job to a file.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "hosts/host_arguments.h"
#include "hosts/module_path.h"
#include "hosts/page_file.h"
#include "hosts/unidrv_host.h"
#include "files/write_file.h"

namespace {

const char kDescription[] =
    "Renders each PAGE through the rendering plug-in (loaded by path and driven\n"
    "through its COM interface as Unidrv does), frames the bands with the job\n"
    "commands of the printer description, and writes the printer job to JOB.";

const char kFooter[] =
    "PAGE is a netpbm image (\"-\": standard input), one page per file, one pixel\n"
    "per printer dot (300 dots per inch across):\n"
    "  PBM (P1, P4)  monochrome; black pixels are ink\n"
    "  PGM (P2, P5)  monochrome; pixels darker than half are ink\n"
    "  PPM (P3, P6)  colour; cyan ink where red is below half, magenta where\n"
    "                green is, yellow where blue is\n"
    "Image rows are printer rows, 1/300 or 1/600 inch apart (see --resolution).\n"
    "Only the disc area is printed, as Unidrv renders only the paper: 1480 dots\n"
    "across (the printer line after the plug-in's margin) and 2832 rows at 600\n"
    "rows per inch, 1416 at 300. A larger page is cut to it, with a warning.\n"
    "\n"
    "Example:\n"
    "  unidrv_host page.ppm -o job.prn --resolution 600 --disc-type D -v\n";

}  // namespace

int main(int argc, char** argv) {
  hosts::UnidrvJobSettings settings;
  std::vector<std::string> inputs;
  std::string output;
  std::string plugin = hosts::ModuleBesideProgram(hosts::PluginModuleName());
  bool verbose = false;

  CLI::App app{kDescription, "unidrv_host"};
  app.footer(kFooter);
  app.add_option("PAGE", inputs, "netpbm page files, one page each")->required();
  app.add_option("-o,--output", output, "job file to write (\"-\" for standard output)")
      ->required();
  hosts::AddJobOptionArguments(&app, &settings.options);
  app.add_flag("-l,--landscape", settings.landscape, "hand the pages over as landscape bands");
  hosts::AddWordOption(&app, "-d,--disc-type", &settings.options.disc_type, page::ParseDiscType,
                       "S or D",
                       "S prints the whole disc; D leaves out the band across the disc's "
                       "hub; default S");
  app.add_option("--plugin,--module", plugin, "plug-in module to load")->capture_default_str();
  app.add_flag("-v,--verbose", verbose, "list the calls of the job on standard error");
  const int status = hosts::ParseArguments(&app, argc, argv);
  if (status >= 0) return status;
  for (const std::string& input : inputs) {
    if (files::WouldReplaceInput(input, output)) {
      std::cerr << "unidrv_host: refusing to write the job over the page '" << input << "'\n";
      return 2;
    }
  }
  if (output == "-" && isatty(STDOUT_FILENO)) {
    std::cerr << "unidrv_host: not writing a printer job to a terminal\n";
    return 1;
  }

  // The plug-in's line after its margin, and the disc area.
  const int32_t rows_per_inch = settings.options.RowsPerInch();
  const hosts::PageArea area{geometry::kPluginPrintableDots, geometry::kPluginPrintableDots,
                             geometry::DiscAreaRows(rows_per_inch)};
  std::vector<page::InkPage> pages(inputs.size());
  for (size_t i = 0; i < inputs.size(); ++i) {
    std::string problem, cropped;
    if (!hosts::ReadPageFile(inputs[i], rows_per_inch, area, &pages[i], &cropped, &problem)) {
      std::cerr << "unidrv_host: " << problem << "\n";
      return 1;
    }
    if (!cropped.empty()) std::cerr << "unidrv_host: warning: " << cropped << "\n";
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
  if (!files::WriteWholeFile(output, job, &error)) {
    std::cerr << "unidrv_host: " << error << "\n";
    return 1;
  }
  if (verbose) {
    std::cerr << "unidrv_host: " << pages.size() << " page(s), " << job.size() << " bytes\n";
  }
  return hosts::CloseOutput(app.get_name());
}
