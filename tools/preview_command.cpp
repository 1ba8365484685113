// quillory2 preview: what the printer would print from a job, as a PNG picture.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "files/write_file.h"
#include "imaging/png_writer.h"
#include "imaging/preview.h"
#include "page/job_options.h"
#include "tools/command.h"
#include "tools/disc_options.h"
#include "tools/job_report.h"

namespace tools {
namespace {

// A page number as people count: 1 for the first page. (CLI11's own range
// check would quote the largest double in full.)
CLI::Validator PageNumber() {
  return CLI::Validator(
      [](std::string& text) {
        char* end = nullptr;
        errno = 0;
        const long n = strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno != 0 || n < 1 || n > 1000000000) {
          return "'" + text + "' is not a page number: pages count from 1";
        }
        return std::string();
      },
      "PAGE");
}

struct PreviewArgs {
  std::string job, output;
  std::string driver = "auto";
  int origin = -1;
  std::string resolution;
  bool no_outline = false;
  bool planes = false;
  bool force = false;
  bool mono = false;
  bool verbose = false;
  int page = 1;
  int width = 0;
  tools::DiscArgs disc_args;
};

int RunPreview(const PreviewArgs& a) {
  std::string error;
  tools::DiscChoice disc;
  if (!tools::ResolveDisc(a.disc_args, &disc, &error)) return Fail(error, kExitUsage);
  if (WritesBinaryToTerminal(a.output))
    return Fail("refusing to write a PNG picture to a terminal; use -o FILE", kExitUsage);
  if (files::WouldReplaceInput(a.job, a.output))
    return Fail("refusing to write the preview over the job '" + a.job + "'; use another -o FILE", kExitUsage);
  stream::DecodeOptions options;
  int status = 0;
  if (!DecodeOptionsFor(a.resolution, &options, &status)) return status;
  tools::JobFile job;
  if (!job.Open(a.job, &error)) return Fail(error);
  // Only the planes of the page drawn are kept while the job is read.
  tools::PageCollector collector(a.mono ? tools::InkLayout::kMono : tools::InkLayout::kAuto, a.page);
  const stream::StreamSummary decoded = stream::DecodeStream(&job, options, &collector);
  if (!job.ReadCleanly(&error)) return Fail(error);
  if (!decoded.Clean() && !a.force) {
    return Fail("'" + a.job + "' is damaged: " + std::to_string(decoded.problem_count) + " problem(s), the " +
                FirstProblem(decoded) +
                " (see quillory2 decode --check; --force draws it anyway, leaving out what "
                "lies outside the page)");
  }
  std::vector<imaging::PrintedPlane> planes;
  int pages = 0;
  if (!collector.TakePage(&planes, &pages, &error)) return Fail("'" + a.job + "': " + error);

  imaging::PreviewSettings s;
  s.disc = disc.size;
  s.ring = disc.ring;
  s.ring_offset = disc.offset;
  s.outline = !a.no_outline;
  s.separate_planes = a.planes;
  s.rows_per_inch = tools::JobRowsPerInch(decoded.resolution_rows_per_inch, collector.SawOddRow());
  if (!a.resolution.empty()) {
    page::JobOptions o;
    page::ParseResolution(a.resolution, &o.resolution);
    s.rows_per_inch = o.RowsPerInch();
  }
  tools::DriverGuess guess = collector.Guess();
  if (a.driver == "plugin") guess = {tools::Driver::kPlugin, tools::OriginDots(tools::Driver::kPlugin), "--driver"};
  if (a.driver == "minidriver" && guess.driver != tools::Driver::kMinidriver) {
    guess = {tools::Driver::kMinidriver, tools::OriginDots(tools::Driver::kMinidriver), "--driver"};
  }
  s.origin_dots = a.origin >= 0 ? a.origin : guess.origin_dots;

  std::vector<uint8_t> png;
  imaging::RgbImage picture = imaging::DrawPreview(planes, s);
  if (a.width > 0) picture = imaging::ScaleImage(picture, a.width);
  if (!imaging::EncodePng(picture, &png, &error)) return Fail(error);
  if (!files::WriteWholeFile(a.output, png, &error)) return Fail(error);
  if (a.verbose) {
    fprintf(stderr,
            "quillory2: %s: page %d of %d, %zu plane(s), %d rows per inch, disc centred on printer dot %d "
            "(%s placement, from %s)\n",
            a.output.c_str(), a.page, pages, planes.size(), s.rows_per_inch, s.origin_dots + imaging::kSquareDots / 2,
            guess.driver == tools::Driver::kPlugin ? "plug-in" : "minidriver", guess.reason.c_str());
  }
  return 0;
}

}  // namespace

Command AddPreviewCommand(CLI::App* program) {
  auto a = std::make_shared<PreviewArgs>();
  CLI::App* cmd = program->add_subcommand("preview", "Draw what the printer would print from a job, as a PNG picture");
  cmd->add_option("JOB", a->job, "Print job; - reads standard input")->required();
  cmd->add_option("-o,--output", a->output, "PNG picture to write; - writes standard output")->required();
  cmd->add_flag("--planes", a->planes, "Add a panel for each plane on its own, in its ink");
  cmd->add_flag("--no-outline", a->no_outline, "Do not draw the disc's edge and hub");
  tools::AddDiscOptions(cmd, &a->disc_args, /*offsets=*/true);
  cmd->add_option("--driver", a->driver,
                  "Whose placement to assume for the disc outline: auto, plugin or "
                  "minidriver")
      ->check(CLI::IsMember({"auto", "plugin", "minidriver"}))
      ->capture_default_str();
  cmd->add_option("--origin", a->origin, "Printer dot at which the printable square starts (overrides --driver)")
      ->check(CLI::Range(0, 1535));
  cmd->add_option("--resolution", a->resolution, "Rows per inch when the job does not say: 600 or 300");
  cmd->add_option("--page", a->page, "Page to draw (1 = first)")->check(PageNumber())->capture_default_str();
  cmd->add_option("--width", a->width,
                  "Scale the picture to this many pixels across (default: one pixel per "
                  "dot)")
      ->check(CLI::Range(16, 20000));
  cmd->add_flag("--mono", a->mono, "Read every plane as a black monochrome page");
  cmd->add_flag("--force", a->force, "Draw a job even if the printer would not read it cleanly");
  cmd->add_flag("-v,--verbose", a->verbose, "Say what was assumed");
  cmd->footer(
      "The picture covers the whole printer line (1536 dots) at 300 x 300 dots per inch: at 600 rows per inch two "
      "rows make one pixel row, each giving half its ink. Three planes are yellow, magenta and cyan in the order "
      "both drivers send them; one plane is black. The disc outline is centred 708 dots right of the printable "
      "square's left edge and 1416 row addresses down, where the disc lies in the tray (dark grey: the disc's edge "
      "and hole, --disc-size); the printable ring (light grey, --outer-mm, --inner-mm) is drawn moved by "
      "--offset-x-mm and --offset-y-mm, the offsets the job was printed with, so an offset shows as the picture "
      "moving against the disc. The plug-in starts that square at printer dot 56 (its "
      "7-byte margin), the minidriver at dot 24 (3 bytes). With --driver auto the minidriver is assumed when the "
      "job shows something only it writes (row address 0 without digits, a repeated plain packing command after "
      "the first plane start, dots left of dot 16 (the job writer's pages moved 3 mm left start at dot 16), or monochrome lines sent plain from a zero byte, whose column then "
      "gives the square's left edge: 8 x (189 - row length)); otherwise the plug-in.\n"
      "Example:\n  quillory2 preview label.prn --planes -o label-preview.png");
  return {cmd, [a] { return RunPreview(*a); }};
}

}  // namespace tools
