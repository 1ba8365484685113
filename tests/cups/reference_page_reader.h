// A page of CUPS raster read into ink planes dot by dot, independently of
// the filter's own reading: the reference the filter's bands are held to, in
// the tests and the CUPS page fuzz target. Header-only, so that the fuzz
// builds, which have no test framework, take it too.
#ifndef QUILLORY2_TESTS_CUPS_REFERENCE_PAGE_READER_H_
#define QUILLORY2_TESTS_CUPS_REFERENCE_PAGE_READER_H_

#include <cups/raster.h>
#include <signal.h>

#include <vector>

#include "cups/raster_page.h"
#include "page/ink_page.h"

namespace cupstest {

// Reads the rows of the page whose header was just read into ink planes:
// rows and dots beyond the geometry's crop dropped, padding bits never ink.
inline cupsdrv::ReadResult ReadPage(cups_raster_t* raster, const cupsdrv::PageGeometry& geometry,
                                    const volatile sig_atomic_t* cancel, page::InkPage* ink) {
  *ink = page::InkPage::Blank(geometry.width_dots, geometry.rows, geometry.rows_per_inch,
                              geometry.colour);
  std::vector<uint8_t> row(geometry.bytes_per_line);
  const bool planar = geometry.layout == cupsdrv::PixelLayout::kCmyPlanar;
  const uint32_t colour_bytes = (geometry.source_width + 7) / 8;
  for (int stream_plane = 0; stream_plane < (planar ? 3 : 1); ++stream_plane) {
    for (uint32_t y = 0; y < geometry.source_height; ++y) {
      if (cancel != nullptr && *cancel) return cupsdrv::ReadResult::kCancelled;
      if (cupsRasterReadPixels(raster, row.data(), geometry.bytes_per_line) !=
          geometry.bytes_per_line) {
        return cupsdrv::ReadResult::kTruncated;
      }
      if (y >= static_cast<uint32_t>(geometry.rows)) continue;
      // Dot by dot: a set bit is ink in K and CMY alike.
      for (int32_t x = 0; x < geometry.width_dots; ++x) {
        const auto bit = [&](uint32_t byte_offset) {
          return (row[byte_offset + static_cast<uint32_t>(x) / 8] >> (7 - x % 8)) & 1;
        };
        const int32_t r = static_cast<int32_t>(y);
        switch (geometry.layout) {
          case cupsdrv::PixelLayout::kBlack:
            if (bit(0)) ink->SetDot(page::kBlack, r, x);
            break;
          case cupsdrv::PixelLayout::kCmyPlanar:
            if (bit(0)) ink->SetDot(stream_plane, r, x);
            break;
          case cupsdrv::PixelLayout::kCmyBanded:
            for (int p = 0; p < 3; ++p) {
              if (bit(static_cast<uint32_t>(p) * colour_bytes)) ink->SetDot(p, r, x);
            }
            break;
          case cupsdrv::PixelLayout::kCmyChunked: {
            // Bit 2 cyan, bit 1 magenta, bit 0 yellow; the even pixel high.
            const int nibble = x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
            if (nibble & 4) ink->SetDot(page::kCyan, r, x);
            if (nibble & 2) ink->SetDot(page::kMagenta, r, x);
            if (nibble & 1) ink->SetDot(page::kYellow, r, x);
            break;
          }
          case cupsdrv::PixelLayout::kRgb8:
          case cupsdrv::PixelLayout::kGrey8:
          case cupsdrv::PixelLayout::kBlack8:
            return cupsdrv::ReadResult::kTruncated;  // contone: no dots to read
        }
      }
    }
  }
  return cupsdrv::ReadResult::kComplete;
}

}  // namespace cupstest

#endif  // QUILLORY2_TESTS_CUPS_REFERENCE_PAGE_READER_H_
