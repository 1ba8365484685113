// Page files of the two host programs: netpbm images, one pixel per printer
// dot (300 dots per inch across), one image row per printer row.
//
//   PBM (P1, P4)  monochrome; black pixels are ink
//   PGM (P2, P5)  monochrome; pixels darker than half are ink
//   PPM (P3, P6)  colour; cyan ink where red is below half, magenta where
//                 green is, yellow where blue is
#ifndef QUILLORY2_HOSTS_PAGE_FILE_H_
#define QUILLORY2_HOSTS_PAGE_FILE_H_

#include <stdint.h>

#include <string>

#include "page/ink_page.h"

namespace hosts {

// Reads one page. Pages wider than the printer line (1536 dots) or longer
// than 100000 rows are refused; each host checks its own, narrower limits.
// Returns false with a one-line message in *error.
bool ReadPageFile(const std::string& path, int32_t rows_per_inch, page::InkPage* page,
                  std::string* error);

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_PAGE_FILE_H_
