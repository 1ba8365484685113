// The user's choices for a disc-label job, as the filter learns them.
//
// Every choice is a record number of the printer's own option lists (the
// numbers the characterization table and the PPD agree on). The PPD puts
// them into the raster page header, so that the rasterizer carries the
// printer defaults and the user's choices alike:
//   resolution     HWResolution: 300x300 is record 1, 300x600 record 2
//   media          cupsMediaType 1 "Regular", 2 "Matte" (else MediaType)
//   image control  cupsInteger0: 1 "AUTO", n + 1 for level n (1 to 100)
//   OFF/ON option  cupsInteger1: 1 "OFF", 2 "ON"
//   disc type      cupsInteger2: 1 "DISC_S", 2 "DISC_D"
// A header field of 0 (or an empty string) means "not given"; the filter then
// takes the job option of the same name (MediaType, ImageControl,
// TextQuality, DiscType) and, failing that, the printer default.
#ifndef QUILLORY2_CUPS_JOB_CHOICES_H_
#define QUILLORY2_CUPS_JOB_CHOICES_H_

#include <cups/cups.h>
#include <cups/raster.h>

#include <string>

namespace cupsdrv {

constexpr int kImageControlLevels = 100;

struct JobChoices {
  int resolution = 2;     // 1: 300 x 300 dpi, 2: 300 across x 600 down
  int paper_quality = 1;  // 1 "Regular", 2 "Matte"
  int text_quality = 1;   // 1 "OFF", 2 "ON"
  int image_control = 1;  // 1 "AUTO", n + 1 level n
  int disc_type = 1;      // 1 "DISC_S", 2 "DISC_D"

  // The option keyword of the disc type, as the band encoder asks for it.
  const char* DiscTypeKeyword() const { return disc_type == 2 ? "DISC_D" : "DISC_S"; }
};

// Works out the choices for a page from its header and the job options.
// Returns false with a one-line reason in *error when a value is unknown;
// nothing is guessed for a disc that would be printed wrongly.
bool ResolveJobChoices(const cups_page_header2_t& header, int num_options,
                       cups_option_t* options, JobChoices* choices, std::string* error);

}  // namespace cupsdrv

#endif  // QUILLORY2_CUPS_JOB_CHOICES_H_
