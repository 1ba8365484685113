// The band Unidrv renders for a page, as the rendering plug-in receives it.
#ifndef QUILLORY2_HOSTS_UNIDRV_BAND_H_
#define QUILLORY2_HOSTS_UNIDRV_BAND_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "hosts/ink_page.h"
#include "platform/windows_types.h"

namespace hosts {

// Turns a page into one band: 4 bits per pixel for colour, 1 bit for
// monochrome, a clear bit meaning ink (colour: pixel bit 2 yellow, bit 1
// magenta, bit 0 cyan, bit 3 set). Scan lines are 4-byte aligned, scan line
// 0 first in memory, alignment bits white.
// Portrait: the band is the page. Landscape: the band is the page turned so
// that the plug-in's column reading gives it back (width = rows, height =
// width_dots, band pixel (j, height - 1 - k) = dot k of page row j).
// Fails (false, with a message) for an empty page, planes that do not match
// its size, a page wider than the 1480 dots the printer line holds after the
// plug-in's margin, or lines too long for the plug-in's line buffer.
bool MakeBand(const InkPage& page, bool landscape, std::vector<uint8_t>* bits,
              BITMAPINFOHEADER* header, std::string* error = nullptr);

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_UNIDRV_BAND_H_
