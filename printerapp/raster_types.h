// The raster pages a client sends, as read from its document, beside the
// header PAPPL hands the driver.
//
// PAPPL 1.3.1 passes the rows of a page type the printer does not offer on
// unconverted: a cmyk_8 page keeps its own header, so the driver sees what
// it is, but a black_1 page comes with the printer's default 8-bit sRGB
// header over its 1-bit rows, which would print as a stripe. The program
// therefore notes each page header PAPPL reads (web_hooks.cpp, on the job's
// own thread), and a page is taken only when the header handed over is the
// one read.
#ifndef QUILLORY2_PRINTERAPP_RASTER_TYPES_H_
#define QUILLORY2_PRINTERAPP_RASTER_TYPES_H_

#include <cups/raster.h>

#include <string>

namespace printerapp {

// Notes the header of a page just read from the job's raster document.
void NoteRasterPageRead(const cups_page_header2_t& header);
// The last page header read on this thread, or nullptr when none was.
const cups_page_header2_t* LastRasterPageRead();

// The raster type of a header in the words of pwg-raster-document-type-
// supported ("srgb_8", "sgray_8", "black_1", "cmyk_8", ...), or a
// description of its bits and colour space when it is none of those.
std::string RasterTypeName(const cups_page_header2_t& header);

// Whether the driver may take the page whose header it was given: it must
// be 8-bit sRGB or grey and describe the rows as they were read (`read`,
// when known). False with a one-line reason naming what was sent.
bool AcceptRasterPage(const cups_page_header2_t& given, const cups_page_header2_t* read,
                      std::string* reason);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_RASTER_TYPES_H_
