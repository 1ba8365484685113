// PNG and JPEG documents: the picture path of `quillory2 encode`; and the
// steps every document that becomes ink pages shares.
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
      !make_pages(bytes, settings, &pages, &error)) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, std::string(what) + " cannot be printed: " + error);
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

extern "C" bool PrintPicture(pappl_job_t* job, pappl_device_t* device, void* data) {
  return PrintPages(
      job, device,
      [](const std::vector<uint8_t>& bytes, const JobSettings& settings, std::vector<page::InkPage>* pages,
         std::string* error) {
        return imaging::MakeLabelPages(bytes.data(), bytes.size(), settings.options, settings.layout, pages, error);
      },
      "The picture");
}

}  // namespace printerapp
