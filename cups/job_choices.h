// The user's choices for a disc-label job, as the filter learns them, mapped
// onto the core's job options.
//
// The PPD puts them into the raster page header as codes, so that the
// rasterizer carries the printer defaults and the user's choices alike:
//   resolution     HWResolution: 300x300 or 300x600 (300 across, 600 down)
//   colour         cupsColorSpace: CMY or K
//   media          cupsMediaType 1 "Regular", 2 "Matte" (else MediaType)
//   image control  cupsInteger0: 1 "AUTO", n + 1 for level n (1 to 100)
//   OFF/ON option  cupsInteger1: 1 "OFF", 2 "ON"
//   disc type      cupsInteger2: 1 "DISC_S", 2 "DISC_D"
//   outer diameter cupsInteger3: the printable diameter in mm
//   hub diameter   cupsInteger4: the diameter of the blank hub in mm
//   print position cupsInteger5 across, cupsInteger6 down: 100 + the offset
//                  in tenths of a mm
//   tone           cupsInteger7: 100 + the tone (60 to 140, imaging/separation.h)
//   ink limit      cupsInteger8: 1 the media's own, else the limit in % (150
//                  to 300, 300 no limit)
//   disc size      the page size: "CD" a 120 mm disc, "CD80" an 80 mm one
// A header field of 0 (or an empty string) means "not given"; the filter then
// takes the job option of the same name (MediaType, ImageControl,
// TextQuality, DiscType), read with the core's words, and failing that the
// printer default. The diameters' job options are OuterDiameter and
// HubDiameter, in mm; the print position's OffsetX and OffsetY, in mm; the
// tone's Tone (-40 to 40), the ink limit's InkLimit (media, off or a %).
// Each ink's tone curve has no header field: its job option InkCurves
// (imaging/ink_curves.h's words) alone.
#ifndef QUILLORY2_CUPS_JOB_CHOICES_H_
#define QUILLORY2_CUPS_JOB_CHOICES_H_

#include <cups/cups.h>
#include <cups/raster.h>

#include <string>

#include "imaging/separation.h"
#include "page/disc_ring.h"
#include "page/job_options.h"
#include "page/print_position.h"

namespace cupsdrv {

// Works out the options for a page from its header and the job options.
// Returns false with a one-line reason in *error when a value is unknown;
// nothing is guessed for a disc that would be printed wrongly.
bool ResolveJobChoices(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                       page::JobOptions* choices, std::string* error);

// The disc a page is for: an 80 mm disc for the page size CD80 (by its name,
// or a page of its 226.8 points square), else 120 mm.
page::DiscSize PageDiscSize(const cups_page_header2_t& header);

// Works out the printable ring of the disc from the page header and the job
// options, defaults 118 and 22 mm (78 and 22 on an 80 mm disc, where an outer
// diameter beyond the disc is taken as 78). False with a one-line reason for
// a value that is not a number or a ring that cannot be.
bool ResolveDiscRing(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                     page::DiscRing* ring, std::string* error);

// Works out the tone and ink limit of the separation; false with a one-line
// reason.
bool ResolveSeparation(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                       imaging::SeparationSettings* settings, std::string* error);

// Works out the print-position offset; false with a one-line reason.
bool ResolvePrintOffset(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                        page::PrintOffset* offset, std::string* error);

}  // namespace cupsdrv

#endif  // QUILLORY2_CUPS_JOB_CHOICES_H_
