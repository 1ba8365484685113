// What the printer would put on the disc, drawn from the planes of a job.
//
// The printer lays its planes over one another: a colour job of either
// driver sends yellow, magenta and cyan in that order, a monochrome job one
// black plane. Row addresses count 1/600 inch and dots 1/300 inch, so the
// preview is drawn at 300 x 300 dpi: at 600 rows per inch two rows share one
// pixel and each gives it half its ink.
#ifndef QUILLORY2_IMAGING_PREVIEW_H_
#define QUILLORY2_IMAGING_PREVIEW_H_

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "imaging/disc_layout.h"
#include "imaging/rgb_image.h"
#include "page/print_position.h"

namespace imaging {

enum class InkColour { kCyan, kMagenta, kYellow, kBlack };
const char* InkName(InkColour ink);

// One plane as the printer holds it: each printed row by row address, as
// printer line bytes (bit 7 of byte 0 is printer dot 0, a set bit a dot).
struct PrintedPlane {
  InkColour ink = InkColour::kBlack;
  std::map<int32_t, std::vector<uint8_t>> rows;
};

// The printer dot of page dot 0 for each driver: the plug-in places its lines
// 7 bytes into the printer line, the minidriver its colour rows 3 bytes in.
constexpr int32_t kPluginOriginDots = geometry::kPluginMarginBytes * 8;
constexpr int32_t kMinidriverOriginDots = geometry::kMinidriverMarginBytes * 8;

struct PreviewSettings {
  int32_t rows_per_inch = 600;                  // 300 or 600: how many rows share a pixel row
  int32_t origin_dots = kPluginOriginDots;      // printer dot of the square's left edge
  bool outline = true;                          // draw the disc, its hole and the printable ring
  page::DiscSize disc = page::DiscSize::k120;   // the disc, where it lies in the tray
  DiscRing ring;                                // the printable ring, moved by ring_offset
  page::PrintOffset ring_offset;                // the offset the job was printed with
  bool separate_planes = false;                 // add one panel per plane
};

// Draws the planes over the whole printer line across (1536 pixels) and the
// page down (1416 pixels, 2832 row addresses); what lies outside the page
// (rows below it, bytes past the line) is left out. The disc's edge and hole
// are drawn where the disc lies in the tray, whatever the job's offset, in
// dark grey; the printable ring, moved with the label, in light grey. Each pixel takes, per
// ink, the share of its dots that are set, and inks multiply like
// transparent layers: cyan takes red away, magenta green, yellow blue,
// black all three. The light left is written in sRGB code values, so that
// the picture looks as light as the print.
RgbImage DrawPreview(const std::vector<PrintedPlane>& planes, const PreviewSettings& settings);

// The picture scaled to width pixels across (height in proportion, at least
// 1), averaging the light of the pixels it shrinks (in linear light, 8 bits:
// made for previews, whose pixels are mostly whole dots).
RgbImage ScaleImage(const RgbImage& image, int32_t width);

// The ink colour in which a plane at the given coverage (0..1) tints white.
Rgb InkTint(InkColour ink, double coverage);

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_PREVIEW_H_
