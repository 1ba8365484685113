// PNG and JPEG documents: the picture path of `quillory2 encode`.
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

extern "C" bool PrintPicture(pappl_job_t* job, pappl_device_t* device, void* data) {
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
      !imaging::MakeLabelPages(bytes.data(), bytes.size(), settings.options, settings.layout,
                               &pages, &error)) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "The picture cannot be printed: " + error);
    return false;
  }
  bytes = std::vector<uint8_t>();
  papplJobSetImpressions(job, static_cast<int>(pages.size()));
  JobOutput output(job, device, settings.options);
  output.SetPosition(settings.offset, settings.layout.ring);
  if (!output.Load(&error)) {
    FailJob(job, PAPPL_JREASON_NONE, "The printer description is unusable: " + error);
    return false;
  }
  for (const page::InkPage& page : pages) {
    if (papplJobIsCanceled(job)) break;
    if (!output.SendPage(page, &error)) {
      FailJob(job, PAPPL_JREASON_NONE, error);
      output.Finish(&error);
      return false;
    }
  }
  if (!output.Finish(&error)) {
    FailJob(job, PAPPL_JREASON_NONE, error);
    return false;
  }
  return true;
}

}  // namespace printerapp
