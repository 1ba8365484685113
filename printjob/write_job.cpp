// Whole jobs of ink pages: the printer application's and the tests' way in.
// Kept apart from the writer's pieces, so that the CUPS filter, which reads
// its pages straight into bands, links none of it.
#include "page/band.h"
#include "printjob/job_writer.h"

namespace printjob {

bool WriteJob(const std::vector<page::InkPage>& pages, const page::JobOptions& options,
              std::vector<uint8_t>* job, std::string* error) {
  job->clear();
  if (pages.empty()) {
    *error = "there is no page to print";
    return false;
  }
  for (size_t i = 0; i < pages.size(); ++i) {
    if (pages[i].rows_per_inch != options.RowsPerInch()) {
      *error = "page " + std::to_string(i + 1) + " has " + std::to_string(pages[i].rows_per_inch) +
               " rows per inch; the resolution chosen prints " +
               std::to_string(options.RowsPerInch());
      return false;
    }
  }
  JobWriter writer;
  if (!writer.Load(error) || !writer.AppendJobSetup(options, job, error)) {
    job->clear();
    return false;
  }
  page::Band band;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (!page::MakeBand(pages[i], /*landscape=*/false, &band, error)) {
      *error = "page " + std::to_string(i + 1) + ": " + *error;
      job->clear();
      return false;
    }
    JobWriter::AppendPage(band.View(), options, job, band.margin_bytes);
  }
  writer.AppendJobEnd(job);
  return true;
}

}  // namespace printjob
