// A stand-in for the Windows NT 4.0 universal printer driver (the host
// driver) as far as the minidriver meets it: it frames the job with the
// commands of the printer description table and hands every rendered
// scanline to the minidriver's CBFilterGraphics.
//
// What the stand-in does for one job:
// - loads a fresh copy of the minidriver (see hosts/nt4_module.h: one load
//   prints at most one colour page, so every job gets its own load), calls
//   bInitProc and binds its spool-write callback through bSetFuncAddr;
// - writes the table's JobSetup and PageStart for the first page, PageStart
//   for every later one, and JobEnd at the end;
// - colour pages: for every row of the whole page (2832 rows at 600 rows per
//   inch, 1416 at 300; rows below the InkPage are blank) the cyan, magenta and
//   yellow rows in turn, each 186 bytes (the page row padded with zeros on
//   the right); bit 6 of the first byte of cyan row 0 is the resolution mark,
//   set at 600 rows per inch and clear at 300;
// - monochrome pages: every non-blank row as a scanline of the page's row
//   length (at most 184 bytes); blank rows are skipped, and the table's row
//   position command moves the printer down past them, since the printer
//   itself moves down one row after each transfer.
#ifndef QUILLORY2_HOSTS_NT4_HOST_H_
#define QUILLORY2_HOSTS_NT4_HOST_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "page/ink_page.h"
#include "page/job_options.h"

namespace hosts {

// Scanline lengths the host driver renders for this printer.
constexpr int32_t kNt4ColourScanlineBytes = 186;
constexpr int32_t kNt4MonoScanlineMaxBytes = 184;

struct Nt4JobSettings {
  // Resolution, media, the OFF/ON option and image control. The minidriver
  // has no disc type, and the colour comes from the pages.
  page::JobOptions options;
};

// Renders the pages as one job through the minidriver module at module_path
// and appends the job's bytes to *job. Every page must have the resolution
// the options choose, all pages must be colour or all monochrome, a colour
// row must fit 186 bytes, a monochrome row 184 bytes, and a page the paper's
// length. On any error returns false with a message in *error and leaves
// *job as it was.
bool RenderNt4Job(const std::string& module_path, const std::vector<page::InkPage>& pages,
                  const Nt4JobSettings& settings, std::vector<uint8_t>* job, std::string* error);

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_NT4_HOST_H_
