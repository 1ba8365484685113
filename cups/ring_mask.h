// Keeping a page on the disc: whatever the application printed, no ink goes
// onto the tray around the disc or into its hole.
//
// The filter's page starts at the top left corner of the printable square
// (the PPD's page size "CD" has no margins), so raster dot x of row y is dot
// (x, y) of the square, where the disc lies centred. Dots off the printable
// ring (page/disc_ring.h) lose their ink in the page's planes before these
// are encoded.
#ifndef QUILLORY2_CUPS_RING_MASK_H_
#define QUILLORY2_CUPS_RING_MASK_H_

#include "cups/raster_page.h"
#include "page/disc_ring.h"

namespace cupsdrv {

// Clears the ink of every dot of the planes that lies off the ring.
void ClearOffRing(const page::DiscMask& mask, PagePlanes* planes);

}  // namespace cupsdrv

#endif  // QUILLORY2_CUPS_RING_MASK_H_
