// The driver's callbacks that PAPPL calls while it prints: raster pages
// (PWG and Apple raster, which PAPPL reads itself), jobs already in the
// printer's own language, and the printer's status. C callbacks of a C
// library, so extern "C".
#ifndef QUILLORY2_PRINTERAPP_PRINTER_DRIVER_H_
#define QUILLORY2_PRINTERAPP_PRINTER_DRIVER_H_

#include <pappl/pappl.h>

#include <string>

namespace printerapp {

extern "C" {

// A job in the printer's command stream: sent as it is when the printer
// reads it cleanly, refused otherwise.
bool PrintNativeJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

// Raster pages, one row at a time: each page is gathered whole, then masked,
// separated and halftoned by the picture path and sent complete.
bool StartRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);
bool StartRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned page);
bool WriteRasterLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                     unsigned y, const unsigned char* line);
bool EndRasterPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device,
                   unsigned page);
bool EndRasterJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device);

// The printer reports nothing back; its three inks are listed with unknown
// levels.
bool UpdateStatus(pappl_printer_t* printer);

}  // extern "C"

// Ends a job that could not be printed, with its reason as the job's state
// message and in the log.
void FailJob(pappl_job_t* job, pappl_jreason_t reason, const std::string& message);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_PRINTER_DRIVER_H_
