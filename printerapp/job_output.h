// A job's way to the device: the printer description's job setup before the
// first page, each page through the band encoder, the end of the job after
// the last, all through the core's job writer.
//
// A page reaches the device only once it is complete, in one write: a
// cancelled or failed job never leaves half a page for the printer. A job
// that sent no page sends nothing at all; one that sent pages ends cleanly
// even when it stops early.
//
// Every write is checked: a device that did not take every byte fails the
// job with the reason ("No space left on device"). Only a job that ended
// whole is marked complete; a file:// printer's file is put in place only
// then (file_device.cpp), so a failed job leaves no file at all.
#ifndef QUILLORY2_PRINTERAPP_JOB_OUTPUT_H_
#define QUILLORY2_PRINTERAPP_JOB_OUTPUT_H_

#include <pappl/pappl.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "page/ink_page.h"
#include "page/job_options.h"
#include "page/print_position.h"
#include "printjob/job_writer.h"

namespace printerapp {

// Writes all of data to the device and flushes it; false with the reason
// when the device did not take every byte.
bool WriteToDevice(pappl_device_t* device, const uint8_t* data, size_t size, std::string* error);

// Marks the job now on the device as whole, and asks (once) whether it was.
void MarkDeviceComplete(pappl_device_t* device);
bool TakeDeviceComplete(pappl_device_t* device);

class JobOutput {
 public:
  // counts_pages: whether each page sent counts as a completed impression
  // (PAPPL counts the pages of its raster callbacks itself).
  JobOutput(pappl_job_t* job, pappl_device_t* device, const page::JobOptions& options,
            bool counts_pages = true)
      : job_(job), device_(device), options_(options), counts_pages_(counts_pages) {}

  // Reads the printer description; false with the reason.
  bool Load(std::string* error);
  // Changes the options before the first page is sent; false after it.
  bool SetOptions(const page::JobOptions& options);
  // Whether a page at this resolution can join the job (the job writer's rule).
  bool TakesResolution(page::Resolution resolution) const { return writer_.TakesResolution(resolution); }
  // Where the pages go: moved by the offset, the ring's loss (if any) said
  // in the job's log and message once.
  void SetPosition(const page::PrintOffset& offset, const page::DiscRing& ring);
  // Sends one complete page; false with the reason when it cannot be
  // encoded or written.
  bool SendPage(const page::InkPage& page, std::string* error);
  // Ends the job when a page was sent; false when the end cannot be
  // written. A job that sent pages and neither failed nor was cancelled is
  // then marked complete.
  bool Finish(std::string* error);
  // The job failed: what was sent is ended cleanly but is not complete.
  void MarkFailed() { failed_ = true; }
  bool Failed() const { return failed_; }
  int PagesSent() const { return pages_; }

 private:
  bool Write(std::string* error);

  pappl_job_t* job_;
  pappl_device_t* device_;
  page::JobOptions options_;
  bool counts_pages_;
  printjob::JobWriter writer_;
  page::PrintOffset offset_;
  page::DiscRing ring_;
  std::vector<uint8_t> bytes_;
  int pages_ = 0;
  bool failed_ = false;
};

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_JOB_OUTPUT_H_
