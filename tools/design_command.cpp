#include "tools/design_command.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <utility>
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
#include "tools/job_choices.h"

namespace tools {
namespace {

struct DesignArgs {
  std::string label, output, preview;
  bool make_new = false;
  JobChoiceArgs job;
  bool verbose = false;
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
  imaging::LabelLayout base;  // tone and ink limit as `quillory2 encode` takes them
  std::string error;
  if (!ResolveJobChoices(a.job, &settings, &base.separation, &error)) return Fail(error, kExitUsage);
  const page::JobOptions& o = settings.options;
  page::PrintOffset offset;
  if (!page::ParseOffsetMm(a.offset_x, &offset.x_tenths))
    return Fail("unknown --offset-x-mm '" + a.offset_x + "' (use " + page::kOffsetWords + ")", kExitUsage);
  if (!page::ParseOffsetMm(a.offset_y, &offset.y_tenths))
    return Fail("unknown --offset-y-mm '" + a.offset_y + "' (use " + page::kOffsetWords + ")", kExitUsage);
  for (const std::string* out : {&a.output, &a.preview}) {
    if (!out->empty() && *out == "-" && isatty(STDOUT_FILENO))
      return Fail("refusing to write to a terminal; use a file name", kExitUsage);
    if (!out->empty() && files::WouldReplaceInput(a.label, *out))
      return Fail("refusing to write over the template '" + a.label + "'; use another file name", kExitUsage);
  }
  if (a.output == "-" && a.preview == "-") return Fail("-o and --preview cannot both go to standard output", kExitUsage);

  std::vector<uint8_t> bytes;
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
    std::string lost;
    pages[0] = PlaceForComponent(std::move(pages[0]), designer::LayoutFor(label).ring, offset, settings, &lost);
    if (!lost.empty()) warnings.push_back(lost);
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
  AddJobChoices(cmd, &a->job, /*pictures=*/true);
  cmd->add_option("--offset-x-mm", a->offset_x, "Move the whole label right (positive) or left, as seen on the "
                                                "disc in the tray: -3.0 to +3.0 mm in steps of 0.1")
      ->capture_default_str();
  cmd->add_option("--offset-y-mm", a->offset_y, "Move the whole label down (positive) or up: -3.0 to +3.0 mm")
      ->capture_default_str();
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
