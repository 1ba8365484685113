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

// One scan line of a portrait band, for callers that build the band a row
// at a time (the CUPS filter, straight from its raster rows). Scan line
// stride in bytes for a page width_dots wide.
int32_t PortraitBandStride(int32_t width_dots, bool colour);
// Writes the whole scan line (stride bytes, alignment included) for one page
// row: ink[0] alone for monochrome, ink[0..2] cyan, magenta, yellow for
// colour, each (width_dots + 7) / 8 bytes. Dots past width_dots stay white.
void PortraitBandLine(const uint8_t* const ink[3], bool colour, int32_t width_dots,
                      int32_t stride, uint8_t* line);
// Adds the dots of one colour plane row (0 cyan, 1 magenta, 2 yellow) to a
// colour scan line already written by PortraitBandLine.
void AddPortraitInk(const uint8_t* ink, int plane, int32_t width_dots, uint8_t* line);

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_UNIDRV_BAND_H_
