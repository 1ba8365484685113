// PNG and JPEG documents: the picture path of `quillory2 encode`; and the
// steps every document that becomes ink pages shares.
//
// print-scaling: "fill" covers the disc's square page, the picture cut to
// a centred square first (what lies beyond the square's sides is left out);
// every other value (fit, auto, auto-fit, none) fits the whole picture in
// the square, as `quillory2 encode` does.
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "files/read_file.h"
#include "imaging/label.h"
#include "printerapp/document_filters.h"
#include "printerapp/job_output.h"
#include "printerapp/job_settings.h"
#include "printerapp/printer_driver.h"

namespace printerapp {
namespace {

imaging::RgbImage CentreSquare(const imaging::RgbImage& picture) {
  const int32_t side = std::min(picture.width, picture.height);
  imaging::RgbImage square(side, side);
  const int32_t left = (picture.width - side) / 2, top = (picture.height - side) / 2;
  for (int32_t y = 0; y < side; ++y) {
    memcpy(square.At(0, y), picture.At(left, top + y), static_cast<size_t>(side) * 3);
  }
  return square;
}

}  // namespace

bool PrintPages(pappl_job_t* job, pappl_device_t* device, const PageMaker& make_pages, const char* what) {
  std::unique_ptr<pappl_pr_options_t, void (*)(pappl_pr_options_t*)> options(
      papplJobCreatePrintOptions(job, 1, true), papplJobDeletePrintOptions);
  JobSettings settings;
  std::string error;
  if (!options || !ResolveJobSettings(job, options.get(), &settings, &error)) {
    FailJob(job, PAPPL_JREASON_JOB_COMPLETED_WITH_ERRORS, "Cannot print this job: " + error);
    return false;
  }
  std::vector<uint8_t> bytes;
  std::vector<page::InkPage> pages;
  if (!files::ReadWholeFile(papplJobGetFilename(job), &bytes, &error) ||
      !make_pages(bytes, settings, *options, &pages, &error)) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, std::string(what) + " cannot be printed: " + error);
    return false;
  }
  bytes = std::vector<uint8_t>();
  // Each copy is one more disc: the pages again, in order (collated).
  const int copies = options->copies > 1 ? options->copies : 1;
  papplJobSetImpressions(job, static_cast<int>(pages.size()) * copies);
  JobOutput output(job, device, settings.options);
  output.SetPosition(settings.offset, settings.layout.ring);
  if (!output.Load(&error)) {
    FailJob(job, PAPPL_JREASON_NONE, "The printer description is unusable: " + error);
    return false;
  }
  for (int copy = 0; copy < copies; ++copy) {
    for (const page::InkPage& page : pages) {
      if (papplJobIsCanceled(job)) break;
      if (!output.SendPage(page, &error)) {
        FailJob(job, PAPPL_JREASON_NONE, error);
        output.Finish(&error);
        return false;
      }
    }
  }
  if (!output.Finish(&error)) {
    FailJob(job, PAPPL_JREASON_NONE, error);
    return false;
  }
  return true;
}

extern "C" bool PrintPicture(pappl_job_t* job, pappl_device_t* device, void* data) {
  return PrintPages(
      job, device,
      [](const std::vector<uint8_t>& bytes, const JobSettings& settings, const pappl_pr_options_t& options,
         std::vector<page::InkPage>* pages, std::string* error) {
        imaging::RgbImage picture;
        if (!imaging::DecodeImage(bytes.data(), bytes.size(), &picture, error)) return false;
        if (options.print_scaling == PAPPL_SCALING_FILL) picture = CentreSquare(picture);
        pages->push_back(imaging::MakeLabelPage(picture, settings.options, settings.layout));
        return true;
      },
      "The picture");
}

}  // namespace printerapp
