// A job's settings from its IPP attributes: the printer's job options and
// the disc's printable ring.
//
// Standard attributes come through PAPPL's print options (printer-resolution,
// print-color-mode, media-type). A vendor attribute the job leaves out takes
// the printer's default, read from the printer's own attributes, since
// PAPPL does not always copy NAME-default into the job's options.
#ifndef QUILLORY2_PRINTERAPP_JOB_SETTINGS_H_
#define QUILLORY2_PRINTERAPP_JOB_SETTINGS_H_

#include <pappl/pappl.h>

#include <functional>
#include <string>

#include "imaging/label.h"
#include "page/job_options.h"
#include "page/print_position.h"

namespace printerapp {

struct JobSettings {
  page::JobOptions options;
  imaging::LabelLayout layout;  // with the disc of the job's media size
  page::PrintOffset offset;
};

// The value of a vendor attribute as text (a keyword, or an integer in
// decimal); nullptr when neither the job nor the printer has one.
using VendorLookup = std::function<const char*(const char* name)>;

// The settings for the standard choices of PAPPL's options and the vendor
// values. False with a one-line reason for a value the printer does not
// offer. media_size names the media size (the 80 mm disc's prints its ring:
// diameters larger than that disc are the 120 mm disc's and give way to its
// own default, 78/22 mm); nullptr or any other is the 120 mm disc.
bool ResolveSettings(int x_resolution, int y_resolution, pappl_color_mode_t color_mode,
                     const char* media_type, const VendorLookup& vendor, JobSettings* settings,
                     std::string* error, const char* media_size = nullptr);

// The same for a job being printed.
bool ResolveJobSettings(pappl_job_t* job, const pappl_pr_options_t* options,
                        JobSettings* settings, std::string* error);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_JOB_SETTINGS_H_
