// quillory2: prints pictures on discs through either driver component, and
// reads print jobs back.
//
//   quillory2 encode IMAGE -o JOB      picture -> print job
//   quillory2 decode JOB               annotated command listing, --check
//   quillory2 preview JOB -o PNG       what the printer would print
//   quillory2 test-disc -o JOB         the test disc, which shows where the printer prints
//   quillory2 calibrate --left A ...   the offsets its readings call for
//   quillory2 tables                   the printer description in readable form
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "files/read_file.h"
#include "imaging/disc_layout.h"
#include "imaging/label.h"
#include "imaging/picture_file.h"
#include "imaging/png_writer.h"
#include "imaging/preview.h"
#include "page/job_options.h"
#include "quillory2/version.h"
#include "stream/decoder.h"
#include "tables/built_tables.h"
#include "tables/table_dump.h"
#include "tools/calibration_commands.h"
#include "tools/disc_options.h"
#include "tools/encode_job.h"
#include "files/write_file.h"
#include "tools/job_report.h"

namespace {

constexpr int kExitFailure = 1;  // bad input, a failed check
constexpr int kExitUsage = 2;    // bad command line

int Fail(const std::string& message, int status = kExitFailure) {
  fprintf(stderr, "quillory2: error: %s\n", message.c_str());
  return status;
}

bool WritesBinaryToTerminal(const std::string& path) { return path == "-" && isatty(STDOUT_FILENO); }

// --- encode ---------------------------------------------------------------

struct EncodeArgs {
  std::string image, output;
  std::string driver = "plugin";
  std::string resolution = "600 x 300 DPI ";
  std::string media = "Regular";
  std::string option = "OFF";
  std::string image_control = "AUTO";
  std::string disc = "standard";
  bool mono = false;
  bool landscape = false;
  bool verbose = false;
  int tone = 0;
  std::string ink_limit = "media";
  tools::DiscArgs disc_args;
  std::string module;
};

// --ink-limit: "media" (the media's default), "off", or a percentage.
bool ParseInkLimit(const std::string& text, int* limit) {
  if (text == "media") *limit = imaging::kMediaInkLimit;
  else if (text == "off") *limit = imaging::kNoInkLimit;
  else {
    char* end = nullptr;
    const long value = strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < imaging::kMinInkLimit || value > imaging::kNoInkLimit) return false;
    *limit = static_cast<int>(value);
  }
  return true;
}

int RunEncode(const EncodeArgs& a) {
  tools::EncodeSettings settings;
  settings.driver = a.driver == "minidriver" ? tools::Driver::kMinidriver : tools::Driver::kPlugin;
  page::JobOptions& o = settings.options;
  if (!page::ParseResolution(a.resolution, &o.resolution))
    return Fail("unknown resolution '" + a.resolution + "' (use " + page::kResolutionWords + ")", kExitUsage);
  if (!page::ParseMedia(a.media, &o.media))
    return Fail("unknown media '" + a.media + "' (use " + page::kMediaWords + ")", kExitUsage);
  if (!page::ParseOnOff(a.option, &o.on_option))
    return Fail("unknown --option value '" + a.option + "' (use " + page::kOnOffWords + ")", kExitUsage);
  if (!page::ParseImageControl(a.image_control, &o.image_control))
    return Fail("unknown image control '" + a.image_control + "' (use " + page::kImageControlWords + ")", kExitUsage);
  if (!page::ParseDiscType(a.disc, &o.disc_type))
    return Fail("unknown disc type '" + a.disc + "' (use standard or centre-band)", kExitUsage);
  o.colour = a.mono ? page::ColourMode::kMonochrome : page::ColourMode::kColour;
  std::string error;
  tools::DiscChoice disc;
  if (!tools::ResolveDisc(a.disc_args, &disc, &error)) return Fail(error, kExitUsage);
  imaging::LabelLayout layout;
  layout.disc = disc.size;
  layout.ring = disc.ring;
  layout.separation.tone = a.tone;
  if (!ParseInkLimit(a.ink_limit, &layout.separation.ink_limit))
    return Fail("unknown ink limit '" + a.ink_limit + "' (use media, off, or " + std::to_string(imaging::kMinInkLimit) +
                " to " + std::to_string(imaging::kNoInkLimit) + ")", kExitUsage);
  if (!imaging::ValidateLayout(layout, &error)) return Fail(error, kExitUsage);
  settings.landscape = a.landscape;
  settings.module_path = a.module;
  if (WritesBinaryToTerminal(a.output)) return Fail("refusing to write a print job to a terminal; use -o FILE", kExitUsage);
  if (files::WouldReplaceInput(a.image, a.output))
    return Fail("refusing to write the job over the picture '" + a.image + "'; use another -o FILE", kExitUsage);

  std::vector<page::InkPage> pages;
  {
    imaging::RgbImage picture;
    if (!imaging::ReadPictureFile(a.image, &picture, &error)) return Fail(error);
    pages.push_back(imaging::MakeLabelPage(picture, o, layout));
  }
  // The components place their rows themselves: a page moved left of the
  // square loses what lies beyond the line's start.
  const page::LineReach reach = tools::ComponentReach(settings.driver, o.Colour());
  const page::RingLoss loss = page::LostRing(disc.ring, disc.offset, o.RowsPerInch(), reach);
  if (loss.Any()) fprintf(stderr, "quillory2: warning: %s\n", page::DescribeRingLoss(loss).c_str());
  if (!disc.offset.Zero()) pages[0] = page::MovePage(pages[0], disc.offset, reach);
  if (!tools::CheckEncodeSettings(pages, settings, &error)) return Fail(error, kExitUsage);

  std::vector<uint8_t> job;
  if (!tools::EncodeJob(pages, settings, &job, &error)) return Fail(error);
  if (!files::WriteWholeFile(a.output, job, &error)) return Fail(error);
  if (a.verbose) {
    fprintf(stderr, "quillory2: %s: %zu bytes, %s, %s, %s\n", a.output.c_str(), job.size(),
            page::ResolutionName(o.resolution).c_str(), page::ColourModeName(o.colour),
            settings.driver == tools::Driver::kPlugin ? "plug-in" : "minidriver");
  }
  return 0;
}

// --- decode ---------------------------------------------------------------

struct DecodeArgs {
  std::string job;
  bool check = false;
  bool quiet = false;
  bool colour = false;
  std::string resolution;
};

// The decoder's options from --resolution; false with the exit status set.
bool DecodeOptionsFor(const std::string& resolution, stream::DecodeOptions* options, int* status) {
  *options = stream::WholeJob();
  if (resolution.empty()) return true;
  page::Resolution r;
  if (!page::ParseResolution(resolution, &r)) {
    *status = Fail("unknown resolution '" + resolution + "' (use 600 or 300)", kExitUsage);
    return false;
  }
  options->row_step = page::JobOptions{r}.RowStep();
  return true;
}

std::string FirstProblem(const stream::StreamSummary& summary) {
  return "first at @" + std::to_string(summary.problems[0].offset) + ": " + summary.problems[0].message;
}

int RunDecode(const DecodeArgs& a) {
  stream::DecodeOptions options;
  int status = 0;
  if (!DecodeOptionsFor(a.resolution, &options, &status)) return status;
  if (a.colour) options.planes_per_page = 3;
  tools::JobFile job;
  std::string error;
  if (!job.Open(a.job, &error)) return Fail(error);

  // The listing goes out as the job is read; a job of any size takes the
  // memory of one page, and a failed write ends the run.
  std::string write_error;
  tools::JobReport report(!a.quiet, [&](const std::string& text) {
    if (files::WriteStandardOutput(text, &write_error)) return true;
    job.Stop();
    return false;
  });
  const stream::StreamSummary summary = stream::DecodeStream(&job, options, &report);
  if (!job.ReadCleanly(&error)) return Fail(error);
  std::ostringstream tail;
  if (!a.quiet) tail << '\n';
  report.WriteSummary(summary, tail);
  if (!report.FlushListing() || !files::WriteStandardOutput(tail.str(), &write_error)) return Fail(write_error);
  if (a.check && !summary.Clean()) {
    return Fail(std::to_string(summary.problem_count) + " problem(s): the printer would not read '" + a.job +
                "' cleanly (" + FirstProblem(summary) + ")");
  }
  return 0;
}

// --- preview --------------------------------------------------------------

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
  if (WritesBinaryToTerminal(a.output)) return Fail("refusing to write a PNG picture to a terminal; use -o FILE", kExitUsage);
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
                FirstProblem(decoded) + " (see quillory2 decode --check; --force draws it anyway, leaving out what "
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
    fprintf(stderr, "quillory2: %s: page %d of %d, %zu plane(s), %d rows per inch, disc centred on printer dot %d "
                    "(%s placement, from %s)\n",
            a.output.c_str(), a.page, pages, planes.size(), s.rows_per_inch, s.origin_dots + imaging::kSquareDots / 2,
            guess.driver == tools::Driver::kPlugin ? "plug-in" : "minidriver", guess.reason.c_str());
  }
  return 0;
}

// --- tables ---------------------------------------------------------------

int RunTables() {
  std::string error;
  const tables::TableBytes gpc = tables::BuiltGpcTable();
  std::optional<tables::PrinterTable> table = tables::PrinterTable::Parse(gpc.data, gpc.size, &error);
  if (!table) return Fail("the built-in printer description table is damaged: " + error);
  const tables::TableBytes ext_bytes = tables::BuiltNtExtTable();
  std::optional<tables::NtExtTable> ext = tables::NtExtTable::Parse(ext_bytes.data, ext_bytes.size, &error);
  if (!ext) return Fail("the built-in NT extension table is damaged: " + error);
  std::ostringstream out;
  out << tables::DescribeTables(*table, &*ext, [](int id) { return tables::BuiltString(id); });
  out << "\nString table (language 1033):\n";
  for (const tables::StringEntry& e : tables::BuiltStrings()) {
    out << "  " << e.id << "\t\"" << e.text << "\"\n";
  }
  return files::WriteStandardOutput(out.str(), &error) ? 0 : Fail(error);
}

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

int Run(int argc, char** argv) {
  CLI::App app{"quillory2: prints pictures on discs with the Quillory2 disc-label printer through either "
               "driver component, and reads print jobs back.",
               "quillory2"};
  app.set_version_flag("--version", "quillory2 " QUILLORY2_VERSION);
  app.require_subcommand(1);
  app.footer("Run 'quillory2 COMMAND --help' for the options of a command.\n"
             "Example:\n  quillory2 encode label.png -o label.prn && quillory2 preview label.prn -o preview.png");

  EncodeArgs enc;
  CLI::App* encode = app.add_subcommand("encode", "Turn a picture (PNG, JPEG or PNM) into a print job for the disc");
  encode->add_option("IMAGE", enc.image, "Picture to print: PNG, JPEG, or PNM (P1 to P6); - reads standard input")->required();
  encode->add_option("-o,--output", enc.output, "Print job to write; - writes standard output")->required();
  encode->add_option("--driver", enc.driver, "Driver component that writes the job: plugin (Windows 2000/XP "
                                             "rendering plug-in) or minidriver (Windows NT 4.0 minidriver)")
      ->check(CLI::IsMember({"plugin", "minidriver"}))->capture_default_str();
  encode->add_option("--resolution", enc.resolution, "\"600 x 300 DPI \" (also 600x300 or 600: 600 rows per inch "
                                                     "down) or \"300 x 300\" (also 300)")->capture_default_str();
  encode->add_option("--media", enc.media, "Media: Regular or Matte")->capture_default_str();
  encode->add_option("--option", enc.option, "The printer's OFF/ON option")->capture_default_str();
  encode->add_option("--image-control", enc.image_control, "Image control: AUTO or 1 to 100")->capture_default_str();
  encode->add_option("--disc", enc.disc, "Disc type (plug-in only): standard prints everything; centre-band leaves "
                                         "out row addresses 896 to 1936 across the middle of the disc")
      ->capture_default_str();
  encode->add_flag("--mono", enc.mono, "Print in black only (one plane) instead of cyan, magenta and yellow");
  encode->add_flag("--landscape", enc.landscape, "Hand the page to the plug-in as a landscape band (plug-in only; "
                                                 "the printed result is the same)");
  encode->add_option("--tone", enc.tone, "Lighter or darker mid-tones, for a printer or disc that prints darker or "
                                         "lighter than the colorimetric default: -40 to 40, in % of ink coverage at "
                                         "mid-grey (10 prints a mid-grey with 10 % less ink; white, full colours and "
                                         "greys' neutrality stay)")
      ->check(CLI::Range(-imaging::kMaxTone, imaging::kMaxTone))->capture_default_str();
  encode->add_option("--ink-limit", enc.ink_limit, "Most ink a dot may carry in dark areas, in % of one ink: media "
                                                   "(Regular 280, Matte 300), off (300: every ink, the densest black), "
                                                   "or 150 to 300")->capture_default_str();
  tools::AddDiscOptions(encode, &enc.disc_args, /*offsets=*/true);
  encode->add_option("--module", enc.module, "Driver module to load instead of <program dir>/../lib/" +
                                                 tools::ModuleFileName(tools::Driver::kPlugin) + " or " +
                                                 tools::ModuleFileName(tools::Driver::kMinidriver));
  encode->add_flag("-v,--verbose", enc.verbose, "Say what was written");
  encode->footer(
      "The picture is scaled to fit the printable square of the paper size \"CD\" (1416 x 1416 dots, 4.72 inch, "
      "at 300 dots per inch across), centred, keeping its aspect; nothing is printed outside the outer diameter "
      "or inside the hub. An 80 mm disc (--disc-size 80) gets the picture scaled to its own square, centred where "
      "the 120 mm disc's centre is. --offset-x-mm and --offset-y-mm move the whole label, picture and ring "
      "together; what they move beyond the printer line or the page is cut, with a warning. Colours are separated "
      "into cyan, magenta and yellow in linear light, so that the print matches the picture's lightness, and "
      "halftoned by vector error diffusion.\n"
      "Examples:\n"
      "  quillory2 encode examples/label.png -o label.prn\n"
      "  quillory2 encode photo.png --driver minidriver --resolution 300 --media Matte -o photo.prn\n"
      "  pngtopnm photo.png | quillory2 encode - --mono -o - | lp -d quillory2 -o raw");

  DecodeArgs dec;
  CLI::App* decode = app.add_subcommand("decode", "List the commands of a print job and check that the printer reads it");
  decode->add_option("JOB", dec.job, "Print job; - reads standard input")->required();
  decode->add_flag("--check", dec.check, "Exit with status 1 unless the printer reads the job cleanly");
  decode->add_flag("-q,--quiet", dec.quiet, "Print only the summary, not every command");
  decode->add_flag("--colour", dec.colour, "Expect colour pages: with --check, every job must hold its planes in "
                                           "threes (yellow, magenta, cyan)");
  decode->add_option("--resolution", dec.resolution, "Row step to assume until the job selects a resolution: "
                                                     "600 (1 address per row) or 300 (2)");
  decode->footer(
      "Each line shows the byte offset, the bytes in hex (long data elided), what the command means with its "
      "parameter, and for raster transfers the row address and the dots placed. The summary lists the planes, "
      "the framing and options recognised, and every problem by offset (the first 300; the rest are counted).\n"
      "Besides each command, --check judges the job as a whole, as the drivers frame it: the begin-document "
      "command first; media, resolution and image control before the first plane; every plane starting with "
      "the plane start and plain packing-mode commands; raster data only inside a plane; every row address "
      "within the page (2832 row addresses less the row step: 2831 at 600 rows per inch, 2830 at 300); at "
      "least one plane; the end-document command last, followed by nothing but another whole job.\n"
      "Example:\n  quillory2 decode --check label.prn");

  PreviewArgs pre;
  CLI::App* preview = app.add_subcommand("preview", "Draw what the printer would print from a job, as a PNG picture");
  preview->add_option("JOB", pre.job, "Print job; - reads standard input")->required();
  preview->add_option("-o,--output", pre.output, "PNG picture to write; - writes standard output")->required();
  preview->add_flag("--planes", pre.planes, "Add a panel for each plane on its own, in its ink");
  preview->add_flag("--no-outline", pre.no_outline, "Do not draw the disc's edge and hub");
  tools::AddDiscOptions(preview, &pre.disc_args, /*offsets=*/true);
  preview->add_option("--driver", pre.driver, "Whose placement to assume for the disc outline: auto, plugin or "
                                              "minidriver")
      ->check(CLI::IsMember({"auto", "plugin", "minidriver"}))->capture_default_str();
  preview->add_option("--origin", pre.origin, "Printer dot at which the printable square starts (overrides --driver)")
      ->check(CLI::Range(0, 1535));
  preview->add_option("--resolution", pre.resolution, "Rows per inch when the job does not say: 600 or 300");
  preview->add_option("--page", pre.page, "Page to draw (1 = first)")->check(PageNumber())->capture_default_str();
  preview->add_option("--width", pre.width, "Scale the picture to this many pixels across (default: one pixel per "
                                            "dot)")->check(CLI::Range(16, 20000));
  preview->add_flag("--mono", pre.mono, "Read every plane as a black monochrome page");
  preview->add_flag("--force", pre.force, "Draw a job even if the printer would not read it cleanly");
  preview->add_flag("-v,--verbose", pre.verbose, "Say what was assumed");
  preview->footer(
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

  const tools::SubCommand test_disc = tools::AddTestDiscCommand(&app);
  const tools::SubCommand calibrate = tools::AddCalibrateCommand(&app);

  CLI::App* tables_cmd = app.add_subcommand("tables", "Print the printer description table, strings and NT extension "
                                                      "table in readable form");
  tables_cmd->footer("Example:\n  quillory2 tables | less");

  bool known = argc < 2 || argv[1][0] == '-';
  for (const CLI::App* sub : app.get_subcommands({})) known = known || sub->get_name() == argv[1];
  if (!known) {
    fprintf(stderr, "quillory2: error: unknown command '%s' (use encode, decode, preview, test-disc, calibrate or tables)\n"
                    "Run 'quillory2 --help' for usage.\n", argv[1]);
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {
      // --help and --version.
      std::ostringstream text;
      app.exit(e, text, std::cerr);
      std::string error;
      return files::WriteStandardOutput(text.str(), &error) ? 0 : Fail(error);
    }
    fprintf(stderr, "quillory2: error: %s\nRun 'quillory2 --help' for usage.\n", e.what());
    return kExitUsage;
  }
  if (encode->parsed()) return RunEncode(enc);
  if (decode->parsed()) return RunDecode(dec);
  if (preview->parsed()) return RunPreview(pre);
  if (tables_cmd->parsed()) return RunTables();
  if (test_disc.app->parsed()) return test_disc.run();
  if (calibrate.app->parsed()) return calibrate.run();
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  int status;
  // Pictures and pages are as large as the limits allow; a machine short of
  // memory gets a message, not an abort. Nothing partial has been written:
  // output is written whole at the end.
  try {
    status = Run(argc, argv);
  } catch (const std::bad_alloc&) {
    status = Fail("out of memory");
  }
  // Whatever went to standard output must have arrived. (A run that failed
  // has said why already.)
  std::string error;
  if (!files::CloseStandardOutput(&error) && status == 0) return Fail(error);
  return status;
}
