// The one job writer of the core: pages and typed job options in, a complete
// print job out.
//
// A job is the printer description table's job setup for the options (begin
// document, media, resolution, the OFF/ON option, image control), then every
// page through the band encoder (each plane a whole image from row address
// 0, with the page's row step and disc type), then the table's end-document
// command. The table's begin-page command is not sent: the encoder starts
// every plane itself. These are the bytes Unidrv sends around the plug-in's
// bands, so a job written here equals the plug-in's job for the same pages.
//
// The CUPS filter writes its pages as they complete (AppendJobSetup once,
// AppendPage per page, AppendJobEnd); the printer application and the tests
// write whole jobs of ink pages with WriteJob.
#ifndef QUILLORY2_PRINTJOB_JOB_WRITER_H_
#define QUILLORY2_PRINTJOB_JOB_WRITER_H_

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "page/ink_page.h"
#include "page/job_options.h"
#include "raster/band_encoder.h"
#include "tables/printer_table.h"

namespace printjob {

class JobWriter {
 public:
  // Reads the printer description table built into the program. False, with
  // the reason, when it cannot be read.
  bool Load(std::string* error);

  // Appends the job setup for options. False, with the reason, before Load
  // or for options the table does not offer.
  bool AppendJobSetup(const page::JobOptions& options, std::vector<uint8_t>* out,
                      std::string* error);
  // The printer takes one resolution per job: once the job setup is out, a
  // page at another resolution cannot be part of the job (false).
  bool TakesResolution(page::Resolution resolution) const;
  // Appends one page, given as the band the encoder takes, with the row step
  // and disc type of options, margin_bytes into the printer line (less than
  // the plug-in's 7 for a page moved left, page::InkPage::margin_bytes).
  // Reserve EncodedBandBound() beforehand and the page appends without
  // allocating.
  static void AppendPage(const raster::BandView& band, const page::JobOptions& options,
                         std::vector<uint8_t>* out,
                         int32_t margin_bytes = geometry::kPluginMarginBytes);
  // The same for a portrait page given as its ink planes (EncodedPlanesBound).
  static void AppendPage(const raster::PlanesView& planes, const page::JobOptions& options,
                         std::vector<uint8_t>* out,
                         int32_t margin_bytes = geometry::kPluginMarginBytes);
  // Appends the end of the job (nothing before Load).
  void AppendJobEnd(std::vector<uint8_t>* out) const;

 private:
  std::optional<tables::PrinterTable> table_;
  std::optional<page::Resolution> resolution_;  // the job setup's, once it is out
};

// The whole job of pages, each sent as one portrait band. Every page must have
// the rows per inch of the options' resolution. False, with a one-line
// reason, when a page cannot be one band or the options are not offered; job
// then holds nothing.
bool WriteJob(const std::vector<page::InkPage>& pages, const page::JobOptions& options,
              std::vector<uint8_t>* job, std::string* error);

}  // namespace printjob

#endif  // QUILLORY2_PRINTJOB_JOB_WRITER_H_
