// The printer's "Design a label" page: fields for a label template, a photo
// upload, a live preview the server renders (the picture `quillory2 design
// --preview` writes), printing, and template download and upload.
//
// Its resources live under the printer's own path (/<printer>/design, with
// /preview and /print for the page's requests), a link from the printer's
// page leads there, and PAPPL's rules hold as on its own pages: the same
// authorisation (papplClientHTMLAuthorize) and the session field checked on
// every POST (papplClientIsValidForm). A template sent here is bounded by
// the template reader's limits and kept only as the job's document.
#ifndef QUILLORY2_PRINTERAPP_DESIGN_PAGE_H_
#define QUILLORY2_PRINTERAPP_DESIGN_PAGE_H_

#include <pappl/pappl.h>

#include <string>

namespace printerapp {

// Adds the page and its link for a printer; a printer that has them already
// is left as it is. spool_dir is the system's spool folder, where a printed
// template waits as its job's document.
void AddDesignPage(pappl_system_t* system, pappl_printer_t* printer, const std::string& spool_dir);

// Names the vendor type of a document whose first bytes are a label
// template, for PAPPL's typing of documents sent without a format.
const char* DetectLabelTemplate(const unsigned char* header, size_t size);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_DESIGN_PAGE_H_
