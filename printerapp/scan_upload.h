// The Calibrate page's scan upload: a scan of the printed test disc, sent
// from the browser, measured by the same analysis as `quillory2 calibrate
// --scan` (calibration/), and the offsets it calls for.
#ifndef QUILLORY2_PRINTERAPP_SCAN_UPLOAD_H_
#define QUILLORY2_PRINTERAPP_SCAN_UPLOAD_H_

#include <pappl/pappl.h>

#include <string>

#include "calibration/scan_calibration.h"
#include "page/print_position.h"
#include "printerapp/job_settings.h"

namespace printerapp {

// The form's names: the uploaded file and its resolution (blank: the file's,
// else the disc's own size).
constexpr char kScanField[] = "scan";
constexpr char kScanDpiField[] = "scan-dpi";

// Measures the uploaded scan at path, of a test disc printed with `printed`
// on the disc and ring of `settings`. Only a file PAPPL received for this
// request is read (one in its temporary folder), never a path a form names
// otherwise. False with a one-line reason for the page.
bool MeasureUploadedScan(const char* path, const char* dpi_text, const JobSettings& settings,
                         const page::PrintOffset& printed, calibration::ScanCalibration* result,
                         std::string* error);

// The upload form: the scan's file, its resolution and the offsets the test
// disc was printed with (prefilled with the printer's), for printer.
void ScanUploadForm(pappl_client_t* client, const char* page_path, const char* printer,
                    const page::PrintOffset& current);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_SCAN_UPLOAD_H_
