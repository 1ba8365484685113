// The formats the printer application reads itself, as PAPPL filters from
// the document's format to the printer's command stream.
//
// PNG and JPEG go through the command-line tool's picture path (read, place,
// mask, separate, halftone) and the core's job writer, so a picture printed
// here makes the same job, byte for byte, as `quillory2 encode` with the same
// settings. PDF is rendered by Ghostscript, run as a separate program, into
// pages on the printer's dots, which go through the same mask, separation
// and halftoning; it is offered only when Ghostscript is there.
#ifndef QUILLORY2_PRINTERAPP_DOCUMENT_FILTERS_H_
#define QUILLORY2_PRINTERAPP_DOCUMENT_FILTERS_H_

#include <pappl/pappl.h>

#include <string>

namespace printerapp {

// What the PDF filter needs to know, set once when the server starts.
struct GhostscriptConfig {
  std::string program;      // the gs program; empty when there is none
  int time_limit_s = 300;   // a document that takes longer is abandoned
};

// The gs program on PATH (or QUILLORY2_GHOSTSCRIPT when set), empty when
// there is none that runs.
std::string FindGhostscript();

extern "C" {
bool PrintPicture(pappl_job_t* job, pappl_device_t* device, void* data);
bool PrintPdf(pappl_job_t* job, pappl_device_t* device, void* data);
}

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_DOCUMENT_FILTERS_H_
