#include "printerapp/printer_driver.h"

#include <string.h>

#include <memory>
#include <vector>

#include "files/read_file.h"
#include "imaging/label.h"
#include "imaging/raster_rows.h"
#include "printerapp/job_output.h"
#include "printerapp/job_settings.h"
#include "printerapp/raster_types.h"
#include "printerapp/stall_guard.h"
#include "stream/decoder.h"

namespace printerapp {
namespace {

// The most a job in the printer's language can be: a page is at most a few
// megabytes, so this leaves room for many.
constexpr size_t kMaxNativeJob = size_t{256} << 20;

using imaging::RasterPixels;

// One raster job: its settings, where its pages go, and the page being
// gathered.
struct RasterJob {
  RasterJob(pappl_job_t* job, pappl_device_t* device, const JobSettings& s)
      : settings(s), output(job, device, s.options, /*counts_pages=*/false) {
    output.SetPosition(s.offset, s.layout.ring);
  }
  JobSettings settings;
  JobOutput output;
  imaging::RgbImage page;
  RasterPixels pixels = RasterPixels::kRgb8;
  bool resolution_fixed = false;
  uint32_t rows_written = 0;
  // For a document streamed from the client's connection.
  http_t* connection = nullptr;
  std::unique_ptr<StallGuard> stall;
};

RasterJob* RasterJobOf(pappl_job_t* job) { return static_cast<RasterJob*>(papplJobGetData(job)); }

// Ends a raster job's page with an error: whatever it already sent is not
// a whole job.
bool FailRaster(pappl_job_t* job, RasterJob* raster, pappl_jreason_t reason,
                const std::string& message);

}  // namespace

void FailJob(pappl_job_t* job, pappl_jreason_t reason, const std::string& message) {
  papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "%s", message.c_str());
  papplJobSetMessage(job, "%s", message.c_str());
  if (reason != PAPPL_JREASON_NONE) papplJobSetReasons(job, reason, PAPPL_JREASON_NONE);
}

namespace {

bool FailRaster(pappl_job_t* job, RasterJob* raster, pappl_jreason_t reason,
                const std::string& message) {
  FailJob(job, reason, message);
  raster->output.MarkFailed();
  return false;
}

}  // namespace

extern "C" {

bool PrintNativeJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!files::ReadWholeFile(papplJobGetFilename(job), &bytes, &error, kMaxNativeJob)) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "The print job cannot be read: " + error);
    return false;
  }
  const stream::DecodedStream decoded = stream::Decode(bytes.data(), bytes.size());
  if (!decoded.Clean()) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
            "Not a print job the printer reads cleanly: at byte " +
                std::to_string(decoded.problems[0].offset) + ", " + decoded.problems[0].message);
    return false;
  }
  papplJobSetImpressions(job, 1);
  if (!WriteToDevice(device, bytes.data(), bytes.size(), &error)) {
    FailJob(job, PAPPL_JREASON_NONE, "The job was not printed whole: " + error);
    return false;
  }
  MarkDeviceComplete(device);
  papplJobSetImpressionsCompleted(job, 1);
  return true;
}

bool StartRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  JobSettings settings;
  std::string error;
  if (!ResolveJobSettings(job, options, &settings, &error)) {
    FailJob(job, PAPPL_JREASON_JOB_COMPLETED_WITH_ERRORS, "Cannot print this job: " + error);
    return false;
  }
  auto raster = std::make_unique<RasterJob>(job, device, settings);
  if (!raster->output.Load(&error)) {
    FailJob(job, PAPPL_JREASON_NONE, "The printer description is unusable: " + error);
    return false;
  }
  raster->connection = RequestConnection();
  if (raster->connection != nullptr) {
    raster->stall = std::make_unique<StallGuard>(httpGetFd(raster->connection), kStallSeconds);
  }
  papplJobSetData(job, raster.release());
  return true;
}

bool StartRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned page) {
  RasterJob* raster = RasterJobOf(job);
  if (raster == nullptr) return false;
  if (raster->stall) raster->stall->Progress();
  // PAPPL counts pages from 1 here.
  const std::string which = "Page " + std::to_string(page);
  const cups_page_header2_t& h = options->header;
  papplLogJob(job, PAPPL_LOGLEVEL_DEBUG,
              "%s: %ux%u, %u bits per pixel, colour space %u, %u bytes per line, %ux%u dpi",
              which.c_str(), h.cupsWidth, h.cupsHeight, h.cupsBitsPerPixel, h.cupsColorSpace,
              h.cupsBytesPerLine, h.HWResolution[0], h.HWResolution[1]);
  // The page as the client sent it, checked before any row is taken.
  std::string reason;
  if (!AcceptRasterPage(h, LastRasterPageRead(), &reason)) {
    FailRaster(job, raster, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, which + ": " + reason);
    return false;
  }
  const RasterPixels pixels = h.cupsBitsPerPixel == 24 ? RasterPixels::kRgb8 : RasterPixels::kGrey8;
  std::string error;
  const uint64_t line_bytes = (uint64_t{h.cupsWidth} * h.cupsBitsPerPixel + 7) / 8;
  if (!imaging::CheckImageSize(h.cupsWidth, h.cupsHeight, imaging::ImageLimits{}, &error) ||
      h.cupsBytesPerLine < line_bytes) {
    FailRaster(job, raster, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
            which + ": unusable raster page" + (error.empty() ? std::string() : ": " + error));
    return false;
  }
  // The rows are at the raster's resolution; the job's setup takes it from
  // the first page, and the printer keeps one resolution for the job.
  page::Resolution resolution;
  if (!page::ResolutionOfDots(h.HWResolution[0], h.HWResolution[1], &resolution)) {
    FailRaster(job, raster, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
            which + ": unsupported raster resolution " + std::to_string(h.HWResolution[0]) + "x" +
                std::to_string(h.HWResolution[1]) + " dpi (the printer prints 300x600 or 300x300)");
    return false;
  }
  if (!raster->resolution_fixed) {
    raster->settings.options.resolution = resolution;
    raster->output.SetOptions(raster->settings.options);
    raster->resolution_fixed = true;
  } else if (!raster->output.TakesResolution(resolution)) {
    FailRaster(job, raster, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
            which + " changes the resolution within the job; the printer takes one per job");
    return false;
  }
  raster->pixels = pixels;
  raster->page.Reset(static_cast<int32_t>(h.cupsWidth), static_cast<int32_t>(h.cupsHeight));
  raster->rows_written = 0;
  return true;
}

bool WriteRasterLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned y, const unsigned char* line) {
  RasterJob* raster = RasterJobOf(job);
  if (raster == nullptr || y >= static_cast<unsigned>(raster->page.height)) return false;
  // The pixels in the type the client sent, one of those the printer offers.
  imaging::RasterRowToRgb(raster->pixels, line, raster->page.width,
                          raster->page.At(0, static_cast<int32_t>(y)));
  ++raster->rows_written;
  if (raster->stall) raster->stall->Progress();
  return true;
}

bool EndRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                   unsigned page) {
  RasterJob* raster = RasterJobOf(job);
  if (raster == nullptr) return false;
  // Half a page is never printed: a cancelled job or one whose raster ended
  // early sends nothing of it.
  if (papplJobIsCanceled(job)) return true;
  if (raster->rows_written != static_cast<uint32_t>(raster->page.height) && raster->stall &&
      raster->stall->Stalled()) {
    return FailRaster(job, raster, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
                      "The client sent nothing for " + std::to_string(kStallSeconds) + " seconds; page " +
                          std::to_string(page) + " was not printed and the job was ended");
  }
  if (raster->rows_written != static_cast<uint32_t>(raster->page.height)) {
    FailRaster(job, raster, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
            "Page " + std::to_string(page) + " ended early (" +
                std::to_string(raster->rows_written) + " of " +
                std::to_string(raster->page.height) + " rows); it was not printed");
    return false;
  }
  const page::InkPage ink =
      imaging::MakeLabelPageOnDots(raster->page, raster->settings.options, raster->settings.layout);
  std::string error;
  if (!raster->output.SendPage(ink, &error)) {
    FailRaster(job, raster, PAPPL_JREASON_NONE, "Page " + std::to_string(page) + ": " + error);
    return false;
  }
  // The wait for the next page starts when this one has gone out.
  if (raster->stall) raster->stall->Progress();
  return true;
}

bool EndRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  std::unique_ptr<RasterJob> raster(RasterJobOf(job));
  papplJobSetData(job, nullptr);
  if (raster == nullptr) return false;
  std::string error;
  if (DocumentCutOff(raster->connection) && !raster->output.Failed() && !papplJobIsCanceled(job)) {
    FailRaster(job, raster.get(), PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
               "The client stopped sending before the document ended; " +
                   std::to_string(raster->output.PagesSent()) + " page(s) were printed");
    raster->output.Finish(&error);
    return false;
  }
  if (!raster->output.Finish(&error)) {
    FailJob(job, PAPPL_JREASON_NONE, error);
    return false;
  }
  return true;
}

bool UpdateStatus(pappl_printer_t* printer) {
  pappl_supply_t current[3];
  if (papplPrinterGetSupplies(printer, 3, current) == 3) return true;
  pappl_supply_t inks[3];
  memset(inks, 0, sizeof inks);
  const struct {
    pappl_supply_color_t color;
    const char* name;
  } kInks[3] = {{PAPPL_SUPPLY_COLOR_CYAN, "Cyan Ink"},
                {PAPPL_SUPPLY_COLOR_MAGENTA, "Magenta Ink"},
                {PAPPL_SUPPLY_COLOR_YELLOW, "Yellow Ink"}};
  for (int i = 0; i < 3; ++i) {
    inks[i].color = kInks[i].color;
    strncpy(inks[i].description, kInks[i].name, sizeof inks[i].description - 1);
    inks[i].is_consumed = true;
    inks[i].level = -1;
    inks[i].type = PAPPL_SUPPLY_TYPE_INK;
  }
  papplPrinterSetSupplies(printer, 3, inks);
  return true;
}

}  // extern "C"
}  // namespace printerapp
