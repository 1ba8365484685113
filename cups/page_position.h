// Putting a page where the disc lies: an 80 mm disc's page centred on the
// printable square, and the whole page moved by the print-position offset,
// with the page model's placement (page/print_position.h), so that the
// filter's pages land where the other front ends' do.
#ifndef QUILLORY2_CUPS_PAGE_POSITION_H_
#define QUILLORY2_CUPS_PAGE_POSITION_H_

#include "cups/raster_page.h"
#include "page/print_position.h"

namespace cupsdrv {

// Copies the planes of a page that lies at (left, top) of the printable
// square into *out, moved by the offset within the job writer's reach: the
// square's rows, as wide as the moved page needs. *margin_bytes gets where
// the moved rows start in the printer line. Ink moved off the line or the
// page is dropped.
void MovePlanes(const PagePlanes& in, int32_t left, int32_t top, const page::PrintOffset& offset,
                PagePlanes* out, int32_t* margin_bytes);

}  // namespace cupsdrv

#endif  // QUILLORY2_CUPS_PAGE_POSITION_H_
