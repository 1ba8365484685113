// Getting the label centred on the printer application: the test disc as
// PAPPL's "Print Test Page", and the printer's Calibrate page, where the
// test disc's four readings set a printer's print-position offsets.
#ifndef QUILLORY2_PRINTERAPP_CALIBRATION_H_
#define QUILLORY2_PRINTERAPP_CALIBRATION_H_

#include <pappl/pappl.h>

#include <string>

#include "printerapp/job_settings.h"

namespace printerapp {

// The settings of a job that names nothing: the printer's defaults. False
// with the reason when a default is unusable.
bool PrinterDefaultSettings(pappl_printer_t* printer, JobSettings* settings, std::string* error);

// Adds the Calibrate page, /calibrate?printer=NAME, and its link in the
// navigation bar. (PAPPL 1.3.1 announces a new printer while it holds the
// locks that adding a page takes, so the page is one for all printers.)
void AddCalibrationPage(pappl_system_t* system);

extern "C" {
// PAPPL's test-page callback: writes the test disc, printed with the
// printer's defaults, as a job in the printer's language into the spool
// folder, and returns its name (nullptr when it cannot).
const char* PrintTestDisc(pappl_printer_t* printer, char* buffer, size_t bufsize);
// Tells PAPPL a job already in the printer's language from its first bytes
// (the begin-document command), as the test page is; nullptr otherwise.
const char* RecogniseNativeJob(const unsigned char* header, size_t size, void* data);
}

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_CALIBRATION_H_
