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

#include <functional>
#include <string>
#include <vector>

#include "page/ink_page.h"

namespace printerapp {

struct JobSettings;

// What the PDF filter needs to know, set once when the server starts.
struct GhostscriptConfig {
  std::string program;      // the gs program; empty when there is none
  int time_limit_s = 300;   // a document that takes longer is abandoned
};

// The gs program on PATH (or QUILLORY2_GHOSTSCRIPT when set), empty when
// there is none that runs.
std::string FindGhostscript();

// The most CPU seconds one document may take: QUILLORY2_GHOSTSCRIPT_SECONDS
// when it is a number from 1 to 300 (an administrator's lower cap, and the
// tests' way to end an endless document sooner), else 300.
int GhostscriptTimeLimit(const char* text);

// A document's bytes to ink pages, with the job's settings; false with a
// one-line reason.
using PageMaker = std::function<bool(const std::vector<uint8_t>& bytes, const JobSettings& settings,
                                     const pappl_pr_options_t& options, std::vector<page::InkPage>* pages,
                                     std::string* error)>;

// Prints the job's document as the pages make_pages gives (each copy one
// more disc), through the job writer; a document it cannot read fails the job with "<what> cannot be
// printed: <reason>".
bool PrintPages(pappl_job_t* job, pappl_device_t* device, const PageMaker& make_pages, const char* what);

extern "C" {
bool PrintPicture(pappl_job_t* job, pappl_device_t* device, void* data);
bool PrintPdf(pappl_job_t* job, pappl_device_t* device, void* data);
// Label templates (application/vnd.quillory2-label+json), with the designer.
bool PrintLabelTemplate(pappl_job_t* job, pappl_device_t* device, void* data);
}

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_DOCUMENT_FILTERS_H_
