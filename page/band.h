// The band Unidrv renders for a page, as the plug-in's band encoder takes it.
//
// A page becomes one band: 4 bits per pixel for colour, 1 bit for
// monochrome, a clear bit meaning ink (colour: pixel bit 2 yellow, bit 1
// magenta, bit 0 cyan, bit 3 set). Scan lines are 4-byte aligned, scan line 0
// first in memory, alignment bits white.
// Portrait: the band is the page. Landscape: the band is the page turned so
// that the encoder's column reading gives it back (width = rows, height =
// width_dots, band pixel (j, height - 1 - k) = dot k of page row j).
#ifndef QUILLORY2_PAGE_BAND_H_
#define QUILLORY2_PAGE_BAND_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "page/ink_page.h"
#include "page/job_options.h"
#include "raster/band_encoder.h"

namespace page {

struct Band {
  int32_t width = 0;            // pixels per scan line
  int32_t height = 0;           // scan lines
  int32_t stride = 0;           // bytes per scan line
  uint16_t bits_per_pixel = 4;  // 4 colour, 1 monochrome
  bool landscape = false;
  int32_t margin_bytes = geometry::kPluginMarginBytes;  // the page's, for the job writer
  std::vector<uint8_t> bits;  // height * stride bytes

  raster::BandView View() const;
};

// Makes the band of a page. Fails (false, with a message) for an empty page,
// planes that do not match its size, a page wider than the dots the printer
// line holds after the page's margin (the plug-in's 7 bytes unless the page
// was moved left), lines too long for the encoder's
// line buffer, or a band too large to hand over.
bool MakeBand(const InkPage& page, bool landscape, Band* band, std::string* error = nullptr);

// What the encoder needs of a page's job options, the one conversion: the
// row step of the resolution, the centre band of the disc type, and where
// the page's lines go in the printer line.
raster::BandSettings EncoderSettings(const JobOptions& options,
                                     int32_t margin_bytes = geometry::kPluginMarginBytes);

// One scan line of a portrait band, for callers that build the band a row
// at a time (the CUPS filter, straight from its raster rows). Scan line
// stride in bytes for a page width_dots wide.
int32_t PortraitBandStride(int32_t width_dots, bool colour);
// Writes the whole scan line (stride bytes, alignment included) for one page
// row: ink[0] alone for monochrome, ink[0..2] cyan, magenta, yellow for
// colour, each (width_dots + 7) / 8 bytes. Dots past width_dots stay white.
void PortraitBandLine(const uint8_t* const ink[3], bool colour, int32_t width_dots, int32_t stride,
                      uint8_t* line);
// Adds the dots of one colour plane row (0 cyan, 1 magenta, 2 yellow) to a
// colour scan line already written by PortraitBandLine.
void AddPortraitInk(const uint8_t* ink, int plane, int32_t width_dots, uint8_t* line);

}  // namespace page

#endif  // QUILLORY2_PAGE_BAND_H_
