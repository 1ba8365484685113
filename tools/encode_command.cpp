// quillory2 encode: a picture to a print job through either driver component.
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "files/write_file.h"
#include "imaging/label.h"
#include "imaging/picture_file.h"
#include "page/job_options.h"
#include "tools/command.h"
#include "tools/disc_options.h"
#include "tools/encode_job.h"

namespace tools {
namespace {

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
  if (!imaging::ParseInkLimit(a.ink_limit, &layout.separation.ink_limit))
    return Fail("unknown ink limit '" + a.ink_limit + "' (use media, off, or " + std::to_string(imaging::kMinInkLimit) +
                " to " + std::to_string(imaging::kNoInkLimit) + ")", kExitUsage);
  if (!imaging::ValidateLayout(layout, &error)) return Fail(error, kExitUsage);
  settings.landscape = a.landscape;
  settings.module_path = a.module;
  if (WritesBinaryToTerminal(a.output))
    return Fail("refusing to write a print job to a terminal; use -o FILE", kExitUsage);
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

}  // namespace

Command AddEncodeCommand(CLI::App* program) {
  auto a = std::make_shared<EncodeArgs>();
  CLI::App* cmd = program->add_subcommand("encode", "Turn a picture (PNG, JPEG or PNM) into a print job for the disc");
  cmd->add_option("IMAGE", a->image, "Picture to print: PNG, JPEG, or PNM (P1 to P6); - reads standard input")
      ->required();
  cmd->add_option("-o,--output", a->output, "Print job to write; - writes standard output")->required();
  cmd->add_option("--driver", a->driver,
                  "Driver component that writes the job: plugin (Windows 2000/XP "
                  "rendering plug-in) or minidriver (Windows NT 4.0 minidriver)")
      ->check(CLI::IsMember({"plugin", "minidriver"}))
      ->capture_default_str();
  cmd->add_option("--resolution", a->resolution,
                  "\"600 x 300 DPI \" (also 600x300 or 600: 600 rows per inch "
                  "down) or \"300 x 300\" (also 300)")
      ->capture_default_str();
  cmd->add_option("--media", a->media, "Media: Regular or Matte")->capture_default_str();
  cmd->add_option("--option", a->option, "The printer's OFF/ON option")->capture_default_str();
  cmd->add_option("--image-control", a->image_control, "Image control: AUTO or 1 to 100")->capture_default_str();
  cmd->add_option("--disc", a->disc,
                  "Disc type (plug-in only): standard prints everything; centre-band leaves "
                  "out row addresses 896 to 1936 across the middle of the disc")
      ->capture_default_str();
  cmd->add_flag("--mono", a->mono, "Print in black only (one plane) instead of cyan, magenta and yellow");
  cmd->add_flag("--landscape", a->landscape,
                "Hand the page to the plug-in as a landscape band (plug-in only; "
                "the printed result is the same)");
  cmd->add_option("--tone", a->tone,
                  "Lighter or darker mid-tones, for a printer or disc that prints darker or "
                  "lighter than the colorimetric default: -40 to 40, in % of ink coverage at "
                  "mid-grey (10 prints a mid-grey with 10 % less ink; white, full colours and "
                  "greys' neutrality stay)")
      ->check(CLI::Range(-imaging::kMaxTone, imaging::kMaxTone))
      ->capture_default_str();
  cmd->add_option("--ink-limit", a->ink_limit,
                  "Most ink a dot may carry in dark areas, in % of one ink: media "
                  "(Regular 280, Matte 300), off (300: every ink, the densest black), "
                  "or 150 to 300")
      ->capture_default_str();
  tools::AddDiscOptions(cmd, &a->disc_args, /*offsets=*/true);
  cmd->add_option("--module", a->module,
                  "Driver module to load instead of <program dir>/../lib/" +
                      tools::ModuleFileName(tools::Driver::kPlugin) + " or " +
                      tools::ModuleFileName(tools::Driver::kMinidriver));
  cmd->add_flag("-v,--verbose", a->verbose, "Say what was written");
  cmd->footer(
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
  return {cmd, [a] { return RunEncode(*a); }};
}

}  // namespace tools
