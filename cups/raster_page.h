// Reading one page of CUPS raster: contone pages into the picture the label
// path separates and halftones, 1-bit pages straight into the ink planes the
// encoder takes.
//
// The PPD asks for contone pages, 8 bits per colour, chunky: RGB (or sRGB)
// for colour, W (or sGray, or K) for monochrome. Queues made with an older
// PPD send 1 bit per colour, black alone (CUPS_CSPACE_K) or cyan, magenta
// and yellow (CUPS_CSPACE_CMY) in any of the three CUPS colour orders, a set
// bit ink as on the printer; those dots are printed as they come. Either
// way 300 dots per inch across and 300 or 600 rows per inch down. Everything
// else is refused before a single row is read, so that no page of a wrong
// kind reaches the printer half converted.
#ifndef QUILLORY2_CUPS_RASTER_PAGE_H_
#define QUILLORY2_CUPS_RASTER_PAGE_H_

#include <cups/raster.h>
#include <signal.h>
#include <stdint.h>

#include <stddef.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "geometry/printer_geometry.h"
#include "imaging/rgb_image.h"
#include "raster/band_encoder.h"

namespace cupsdrv {

// The widest line the printer takes from this path: the band encoder places
// its lines 7 bytes into the printer line.
constexpr int32_t kMaxPrintableDots = geometry::kPluginPrintableDots;
// Widest raster line accepted at all, so that a damaged header cannot make
// the filter allocate without bound.
constexpr uint32_t kMaxRasterDots = 100000;

enum class PixelLayout {
  kBlack,       // K, 1 bit per pixel
  kCmyChunked,  // CMY, 4 bits per pixel: bit 2 cyan, bit 1 magenta, bit 0 yellow
  kCmyBanded,   // CMY, each row holds the cyan, magenta and yellow lines in turn
  kCmyPlanar,   // CMY, the whole cyan plane, then magenta, then yellow
  // Contone pages, 8 bits per colour, chunky: separated and halftoned by
  // the label path (imaging/label.h) as every front end's pages are.
  kRgb8,        // RGB or sRGB
  kGrey8,       // W or sGray, 255 white
  kBlack8,      // K, 0 white
};

// What a page header asks for, checked against what the printer can do.
struct PageGeometry {
  PixelLayout layout = PixelLayout::kBlack;
  uint32_t source_width = 0;    // cupsWidth
  uint32_t source_height = 0;   // cupsHeight
  uint32_t bytes_per_line = 0;  // cupsBytesPerLine
  int32_t rows_per_inch = 600;  // HWResolution[1]
  int32_t width_dots = 0;       // dots kept: the printable part of each line
  int32_t rows = 0;             // rows kept: the part of the page on the disc area
  bool colour = true;

  bool Contone() const {
    return layout == PixelLayout::kRgb8 || layout == PixelLayout::kGrey8 || layout == PixelLayout::kBlack8;
  }
  bool Cropped() const {
    return static_cast<uint32_t>(width_dots) < source_width ||
           static_cast<uint32_t>(rows) < source_height;
  }
};

// Checks a page header. On refusal returns false and puts a one-line reason
// (without any "ERROR:" prefix) into *error.
bool CheckPageHeader(const cups_page_header2_t& header, PageGeometry* geometry,
                     std::string* error);

enum class ReadResult { kComplete, kTruncated, kCancelled };

// A page read straight into its ink planes, as the band encoder takes them
// (raster::PlanesView): the dots of the disc area, a set bit ink, dots past
// the page's width clear. The storage is kept from page to page and is not
// cleared: every byte of each plane is written as the rows arrive.
struct PagePlanes {
  int32_t width = 0;      // dots kept across
  int32_t rows = 0;       // rows kept
  int32_t row_bytes = 0;  // bytes per row, (width + 7) / 8
  int plane_count = 3;    // 3 colour (cyan, magenta, yellow), 1 black
  int32_t rows_per_inch = 600;
  std::unique_ptr<uint8_t[], void (*)(void*)> bits{nullptr, free};
  size_t capacity = 0;

  uint8_t* Row(int plane, int32_t row) const {
    return bits.get() + (static_cast<size_t>(plane) * rows + row) * row_bytes;
  }
  raster::PlanesView View() const;
};

// Reads the rows of a contone page whose header was just read into *dots,
// the printable square at the page's rows per inch (white where the page
// leaves it), with the page's corner at (left, top) of the square: what lies
// beyond the square is read and dropped.
ReadResult ReadPageDots(cups_raster_t* raster, const PageGeometry& geometry, int32_t left,
                        int32_t top, const volatile sig_atomic_t* cancel, std::vector<uint8_t>* row,
                        imaging::RgbImage* dots);

// Reads the rows of the 1-bit page whose header was just read into *planes: rows
// and dots beyond the geometry's crop are read and dropped. *row is the
// raster line buffer, reused from page to page. Stops early when *cancel
// becomes non-zero.
ReadResult ReadPagePlanes(cups_raster_t* raster, const PageGeometry& geometry,
                          const volatile sig_atomic_t* cancel, std::vector<uint8_t>* row,
                          PagePlanes* planes);

}  // namespace cupsdrv

#endif  // QUILLORY2_CUPS_RASTER_PAGE_H_
