// Page files of the two host programs: netpbm images, one pixel per printer
// dot (300 dots per inch across), one image row per printer row.
//
//   PBM (P1, P4)  monochrome; black pixels are ink
//   PGM (P2, P5)  monochrome; pixels darker than half are ink
//   PPM (P3, P6)  colour; cyan ink where red is below half, magenta where
//                 green is, yellow where blue is
//
// They are read with the tool's netpbm reader, so the same files pass and
// fail with the same words.
#ifndef QUILLORY2_HOSTS_PAGE_FILE_H_
#define QUILLORY2_HOSTS_PAGE_FILE_H_

#include <stdint.h>

#include <string>

#include "page/ink_page.h"

namespace hosts {

// What a host prints of a page: the dots its component's line takes (the
// minidriver's colour and monochrome lines differ) and the rows of the disc
// area. A host renders nothing beyond its paper, so neither does a stand-in.
struct PageArea {
  int32_t colour_dots = 0;
  int32_t mono_dots = 0;
  int32_t rows = 0;
};

// Reads one page ("-": standard input) and keeps what lies within area;
// the rest is read and dropped, and *cropped then says what was left out
// (it is cleared otherwise). Returns false with a one-line message that
// names the file in *error.
bool ReadPageFile(const std::string& path, int32_t rows_per_inch, const PageArea& area,
                  page::InkPage* page, std::string* cropped, std::string* error);

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_PAGE_FILE_H_
