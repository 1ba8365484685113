// The printing choices that every sub-command writing a job takes (encode,
// design, test-disc), declared and read in one place with the page model's
// words, so that the same words print the same way whatever the source.
#ifndef QUILLORY2_TOOLS_JOB_CHOICES_H_
#define QUILLORY2_TOOLS_JOB_CHOICES_H_

#include <CLI/CLI.hpp>
#include <string>

#include "imaging/separation.h"
#include "page/disc_ring.h"
#include "page/ink_page.h"
#include "page/print_position.h"
#include "tools/encode_job.h"

namespace tools {

struct JobChoiceArgs {
  std::string driver = "plugin";
  std::string resolution = "600 x 300 DPI ";
  std::string media = "Regular";
  std::string option = "OFF";
  std::string image_control = "AUTO";
  std::string disc = "standard";
  bool mono = false;
  bool landscape = false;
  int tone = 0;                     // pictures only
  std::string ink_limit = "media";  // pictures only
  std::string ink_curves = "none";  // pictures only: words, or @FILE holding them
  std::string module;
};

// Adds --driver, --resolution, --media, --option, --image-control, --disc,
// --mono, --landscape and --module; for pictures also --tone, --ink-limit
// and --ink-curves.
void AddJobChoices(CLI::App* cmd, JobChoiceArgs* args, bool pictures);

// Reads them into the component's settings and, where given, the picture
// separation; false with a one-line reason (a usage fault).
bool ResolveJobChoices(const JobChoiceArgs& args, EncodeSettings* settings,
                       imaging::SeparationSettings* separation, std::string* error);

// A page of the printable square moved by the offset within what the chosen
// component reaches; *lost tells how much of the ring that cuts ("" when
// nothing is lost).
page::InkPage PlaceForComponent(page::InkPage page, const page::DiscRing& ring, const page::PrintOffset& offset,
                                const EncodeSettings& settings, std::string* lost);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_JOB_CHOICES_H_
