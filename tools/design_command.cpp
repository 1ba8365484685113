#include "tools/design_command.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "designer/label_template.h"
#include "designer/render.h"
#include "files/read_file.h"
#include "files/write_file.h"
#include "imaging/label.h"
#include "imaging/png_writer.h"
#include "imaging/separation.h"
#include "imaging/preview.h"
#include "page/job_options.h"
#include "page/print_position.h"
#include "tools/encode_job.h"

namespace tools {
namespace {

struct DesignArgs {
  std::string label, output, preview;
  bool make_new = false;
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
  std::string module;
  int preview_width = 0;
  std::string offset_x = "0.0", offset_y = "0.0";
};

int RunNew(const DesignArgs& a) {
  const std::string text = designer::WriteTemplate(designer::StartingTemplate());
  std::string error;
  const std::string out = a.output.empty() ? "-" : a.output;
  if (!files::WriteWholeFile(out, reinterpret_cast<const uint8_t*>(text.data()), text.size(), &error)) {
    return Fail(error);
  }
  return 0;
}

int RunDesign(const DesignArgs& a) {
  if (a.make_new) {
    if (!a.label.empty() || !a.preview.empty()) return Fail("--new takes no template and no --preview", kExitUsage);
    return RunNew(a);
  }
  if (a.label.empty()) return Fail("give a TEMPLATE.json (or --new for one to start from)", kExitUsage);
  if (a.output.empty() && a.preview.empty()) return Fail("give -o JOB, --preview PNG, or both", kExitUsage);
  EncodeSettings settings;
  settings.driver = a.driver == "minidriver" ? Driver::kMinidriver : Driver::kPlugin;
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
  // Tone and ink limit as `quillory2 encode` takes them.
  imaging::LabelLayout base;
  base.separation.tone = a.tone;
  if (a.ink_limit == "media") {
    base.separation.ink_limit = imaging::kMediaInkLimit;
  } else if (a.ink_limit == "off") {
    base.separation.ink_limit = imaging::kNoInkLimit;
  } else {
    char* end = nullptr;
    const long value = strtol(a.ink_limit.c_str(), &end, 10);
    if (a.ink_limit.empty() || *end != '\0' || value < imaging::kMinInkLimit || value > imaging::kNoInkLimit)
      return Fail("unknown ink limit '" + a.ink_limit + "' (use media, off, or " +
                  std::to_string(imaging::kMinInkLimit) + " to " + std::to_string(imaging::kNoInkLimit) + ")",
                  kExitUsage);
    base.separation.ink_limit = static_cast<int>(value);
  }
  page::PrintOffset offset;
  if (!page::ParseOffsetMm(a.offset_x, &offset.x_tenths))
    return Fail("unknown --offset-x-mm '" + a.offset_x + "' (use " + page::kOffsetWords + ")", kExitUsage);
  if (!page::ParseOffsetMm(a.offset_y, &offset.y_tenths))
    return Fail("unknown --offset-y-mm '" + a.offset_y + "' (use " + page::kOffsetWords + ")", kExitUsage);
  settings.landscape = a.landscape;
  settings.module_path = a.module;
  for (const std::string* out : {&a.output, &a.preview}) {
    if (!out->empty() && *out == "-" && isatty(STDOUT_FILENO))
      return Fail("refusing to write to a terminal; use a file name", kExitUsage);
    if (!out->empty() && files::WouldReplaceInput(a.label, *out))
      return Fail("refusing to write over the template '" + a.label + "'; use another file name", kExitUsage);
  }
  if (a.output == "-" && a.preview == "-") return Fail("-o and --preview cannot both go to standard output", kExitUsage);

  std::vector<uint8_t> bytes;
  std::string error;
  if (!files::ReadWholeFile(a.label, &bytes, &error, designer::kMaxTemplateBytes)) return Fail(error);
  designer::LabelTemplate label;
  if (!designer::ReadTemplate(bytes.data(), bytes.size(), &label, &error)) {
    return Fail(files::InputName(a.label) + ": " + error);
  }
  bytes = std::vector<uint8_t>();
  designer::Warnings warnings;
  auto say_warnings = [&]() {
    for (const std::string& w : warnings) fprintf(stderr, "quillory2: warning: %s\n", w.c_str());
    warnings.clear();
  };

  std::vector<uint8_t> job;
  if (!a.output.empty()) {
    std::vector<page::InkPage> pages(1);
    if (!designer::DesignPage(label, o, base, &pages[0], &warnings, &error)) {
      return Fail(files::InputName(a.label) + ": " + error);
    }
    // Moved as `quillory2 encode` moves a picture's page.
    const page::RingLoss loss =
        page::LostRing(designer::LayoutFor(label).ring, offset, o.RowsPerInch(), page::kComponentReach);
    if (loss.Any()) warnings.push_back(page::DescribeRingLoss(loss));
    if (!offset.Zero()) pages[0] = page::MovePage(pages[0], offset, page::kComponentReach);
    if (!CheckEncodeSettings(pages, settings, &error)) return Fail(error, kExitUsage);
    if (!EncodeJob(pages, settings, &job, &error)) return Fail(error);
  }
  std::vector<uint8_t> png;
  if (!a.preview.empty()) {
    imaging::RgbImage picture;
    designer::Warnings preview_warnings;  // the same as the job's
    if (!designer::RenderPreview(label, &picture, a.output.empty() ? &warnings : &preview_warnings, &error)) {
      return Fail(files::InputName(a.label) + ": " + error);
    }
    if (a.preview_width > 0) picture = imaging::ScaleImage(picture, a.preview_width);
    if (!imaging::EncodePng(picture, &png, &error)) return Fail(error);
  }
  say_warnings();
  if (!a.output.empty() && !files::WriteWholeFile(a.output, job, &error)) return Fail(error);
  if (!a.preview.empty() && !files::WriteWholeFile(a.preview, png, &error)) return Fail(error);
  if (a.verbose && !a.output.empty()) {
    fprintf(stderr, "quillory2: %s: %zu bytes, %s, %s\n", a.output.c_str(), job.size(),
            page::ResolutionName(o.resolution).c_str(), page::ColourModeName(o.colour));
  }
  return 0;
}

}  // namespace

Command AddDesignCommand(CLI::App* parent) {
  auto a = std::make_shared<DesignArgs>();
  CLI::App* cmd = parent->add_subcommand("design", "Print a label designed as a template (JSON): photo, text on "
                                                   "arcs, text lines, a track list, logos");
  cmd->add_option("TEMPLATE", a->label, "Label template (JSON); - reads standard input");
  cmd->add_option("-o,--output", a->output, "Print job to write; - writes standard output (with --new: the "
                                            "template, standard output by default)");
  cmd->add_option("--preview", a->preview, "Also write what the label looks like on the disc, as a PNG picture "
                                           "(300 dots per inch, the tray grey, disc edge and hub outlined)");
  cmd->add_option("--preview-width", a->preview_width, "Scale the preview to this many pixels across (default: "
                                                      "1416, one pixel per dot)")->check(CLI::Range(16, 20000));
  cmd->add_flag("--new", a->make_new, "Write a template to start from instead of printing");
  cmd->add_option("--driver", a->driver, "Driver component that writes the job: plugin or minidriver")
      ->check(CLI::IsMember({"plugin", "minidriver"}))->capture_default_str();
  cmd->add_option("--resolution", a->resolution, "\"600 x 300 DPI \" (also 600) or \"300 x 300\" (also 300)")
      ->capture_default_str();
  cmd->add_option("--media", a->media, "Media: Regular or Matte")->capture_default_str();
  cmd->add_option("--option", a->option, "The printer's OFF/ON option")->capture_default_str();
  cmd->add_option("--image-control", a->image_control, "Image control: AUTO or 1 to 100")->capture_default_str();
  cmd->add_option("--disc", a->disc, "Disc type (plug-in only): standard or centre-band")->capture_default_str();
  cmd->add_flag("--mono", a->mono, "Print in black only");
  cmd->add_flag("--landscape", a->landscape, "Hand the page to the plug-in as a landscape band (plug-in only)");
  cmd->add_option("--tone", a->tone, "Lighter or darker mid-tones: -40 to 40, in % of ink coverage at mid-grey "
                                     "(as for encode)")
      ->check(CLI::Range(-imaging::kMaxTone, imaging::kMaxTone))->capture_default_str();
  cmd->add_option("--ink-limit", a->ink_limit, "Most ink a dot may carry in dark areas, in % of one ink: media, off, "
                                               "or 150 to 300 (as for encode)")->capture_default_str();
  cmd->add_option("--offset-x-mm", a->offset_x, "Move the whole label right (positive) or left, as seen on the "
                                                "disc in the tray: -3.0 to +3.0 mm in steps of 0.1")
      ->capture_default_str();
  cmd->add_option("--offset-y-mm", a->offset_y, "Move the whole label down (positive) or up: -3.0 to +3.0 mm")
      ->capture_default_str();
  cmd->add_option("--module", a->module, "Driver module to load instead of the built one");
  cmd->add_flag("-v,--verbose", a->verbose, "Say what was written");
  cmd->footer(
      "The template names the disc (120 or 80 mm, its printable and hub diameters), a background colour or "
      "photo, text on arcs, straight text, a track list (lines or a CUE sheet) and small pictures; its format "
      "is in docs/label-template.schema.json. The label is drawn at the printer's own resolution and printed through the "
      "same mask, separation and halftone as `quillory2 encode`. A font that is not installed falls back to "
      "DejaVu Sans with a warning; a track list that does not fit even at its minimum size is refused.\n"
      "Examples:\n"
      "  quillory2 design --new -o my-label.json\n"
      "  quillory2 design my-label.json -o label.prn --preview label.png\n"
      "  quillory2 design examples/audio-cd.json --resolution 300 --media Matte -o - | lp -d quillory2 -o raw");
  return Command{cmd, [a]() { return RunDesign(*a); }};
}

}  // namespace tools
