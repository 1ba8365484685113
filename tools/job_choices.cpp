#include "tools/job_choices.h"

#include <ctype.h>

#include <utility>

#include "files/read_file.h"
#include "page/job_options.h"

namespace tools {

void AddJobChoices(CLI::App* cmd, JobChoiceArgs* a, bool pictures) {
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
  if (pictures) {
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
    cmd->add_option("--ink-curves", a->ink_curves,
                    "Each ink's real tone curve, as 'quillory2 calibrate --scan' measures it from the test disc: "
                    "C:0,18.1,...;M:...;Y:... (K: for --mono), the coverage in % that nominal 0, 10, ..., 100 % "
                    "prints; or @FILE holding that line; none: the inks print as nominal")
        ->capture_default_str();
  }
  cmd->add_option("--module", a->module,
                  "Driver module to load instead of <program dir>/../lib/" + ModuleFileName(Driver::kPlugin) +
                      " or " + ModuleFileName(Driver::kMinidriver));
}

bool ResolveJobChoices(const JobChoiceArgs& a, EncodeSettings* settings, imaging::SeparationSettings* separation,
                       std::string* error) {
  settings->driver = a.driver == "minidriver" ? Driver::kMinidriver : Driver::kPlugin;
  settings->landscape = a.landscape;
  settings->module_path = a.module;
  page::JobOptions& o = settings->options;
  const auto refuse = [error](const std::string& what, const std::string& value, const std::string& words) {
    *error = "unknown " + what + " '" + value + "' (use " + words + ")";
    return false;
  };
  if (!page::ParseResolution(a.resolution, &o.resolution)) return refuse("resolution", a.resolution, page::kResolutionWords);
  if (!page::ParseMedia(a.media, &o.media)) return refuse("media", a.media, page::kMediaWords);
  if (!page::ParseOnOff(a.option, &o.on_option)) return refuse("--option value", a.option, page::kOnOffWords);
  if (!page::ParseImageControl(a.image_control, &o.image_control))
    return refuse("image control", a.image_control, page::kImageControlWords);
  if (!page::ParseDiscType(a.disc, &o.disc_type)) return refuse("disc type", a.disc, "standard or centre-band");
  o.colour = a.mono ? page::ColourMode::kMonochrome : page::ColourMode::kColour;
  if (separation) {
    separation->tone = a.tone;
    if (!imaging::ParseInkLimit(a.ink_limit, &separation->ink_limit)) {
      return refuse("ink limit", a.ink_limit,
                    "media, off, or " + std::to_string(imaging::kMinInkLimit) + " to " +
                        std::to_string(imaging::kNoInkLimit));
    }
    std::string curves = a.ink_curves;
    if (!curves.empty() && curves[0] == '@') {
      std::vector<uint8_t> bytes;
      if (!files::ReadWholeFile(curves.substr(1), &bytes, error, 4096)) return false;
      curves.assign(bytes.begin(), bytes.end());
      while (!curves.empty() && isspace(static_cast<unsigned char>(curves.back()))) curves.pop_back();
    }
    std::string why;
    if (!imaging::ParseInkCurves(curves, &separation->curves, &why)) {
      *error = "unknown ink curves '" + curves + "': " + why;
      return false;
    }
  }
  return true;
}

page::InkPage PlaceForComponent(page::InkPage page, const page::DiscRing& ring, const page::PrintOffset& offset,
                                const EncodeSettings& settings, std::string* lost) {
  // The components place their rows themselves: a page moved left of the
  // square loses what lies beyond the line's start.
  const page::LineReach reach = ComponentReach(settings.driver, settings.options.Colour());
  const page::RingLoss loss = page::LostRing(ring, offset, settings.options.RowsPerInch(), reach);
  *lost = loss.Any() ? page::DescribeRingLoss(loss) : "";
  return offset.Zero() ? std::move(page) : page::MovePage(page, offset, reach);
}

}  // namespace tools
