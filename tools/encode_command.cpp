// quillory2 encode: a picture to a print job through either driver component.
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "files/write_file.h"
#include "imaging/label.h"
#include "imaging/picture_file.h"
#include "page/job_options.h"
#include "tools/command.h"
#include "tools/disc_options.h"
#include "tools/encode_job.h"
#include "tools/job_choices.h"

namespace tools {
namespace {

struct EncodeArgs {
  std::string image, output;
  JobChoiceArgs job;
  bool verbose = false;
  tools::DiscArgs disc_args;
};

int RunEncode(const EncodeArgs& a) {
  tools::EncodeSettings settings;
  imaging::LabelLayout layout;
  std::string error;
  if (!ResolveJobChoices(a.job, &settings, &layout.separation, &error)) return Fail(error, kExitUsage);
  const page::JobOptions& o = settings.options;
  tools::DiscChoice disc;
  if (!tools::ResolveDisc(a.disc_args, &disc, &error)) return Fail(error, kExitUsage);
  layout.disc = disc.size;
  layout.ring = disc.ring;
  if (!imaging::ValidateLayout(layout, &error)) return Fail(error, kExitUsage);
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
  std::string lost;
  pages[0] = PlaceForComponent(std::move(pages[0]), disc.ring, disc.offset, settings, &lost);
  if (!lost.empty()) fprintf(stderr, "quillory2: warning: %s\n", lost.c_str());
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
  AddJobChoices(cmd, &a->job, /*pictures=*/true);
  tools::AddDiscOptions(cmd, &a->disc_args, /*offsets=*/true);
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
