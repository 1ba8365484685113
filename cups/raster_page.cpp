#include "cups/raster_page.h"

#include <string.h>
#include <sys/mman.h>

#include <algorithm>
#include <new>

#include "imaging/raster_rows.h"
#include "page/job_options.h"

namespace cupsdrv {
namespace {

constexpr size_t kHugePage = size_t{2} << 20;

uint32_t BytesFor(uint32_t dots) { return (dots + 7) / 8; }

std::string ColourSpaceName(unsigned space) {
  switch (space) {
    case CUPS_CSPACE_W: return "W (grey)";
    case CUPS_CSPACE_SW: return "sGray";
    case CUPS_CSPACE_SRGB: return "sRGB";
    case CUPS_CSPACE_RGB: return "RGB";
    case CUPS_CSPACE_RGBA: return "RGBA";
    case CUPS_CSPACE_K: return "K";
    case CUPS_CSPACE_CMY: return "CMY";
    case CUPS_CSPACE_YMC: return "YMC";
    case CUPS_CSPACE_CMYK: return "CMYK";
    case CUPS_CSPACE_KCMY: return "KCMY";
    default: return std::to_string(space);
  }
}

// Spreads one 4-bit chunky CMY line into the three plane rows.
void SplitChunkedRow(const uint8_t* src, int32_t width_dots, uint8_t* cyan, uint8_t* magenta,
                     uint8_t* yellow) {
  const int32_t bytes = (width_dots + 7) / 8;
  for (int32_t b = 0; b < bytes; ++b) {
    uint8_t c = 0;
    uint8_t m = 0;
    uint8_t y = 0;
    // Eight pixels, two per source byte, the even pixel in the high nibble.
    const uint8_t* s = src + 4 * b;
    for (int k = 0; k < 8; ++k) {
      const int32_t x = 8 * b + k;
      if (x >= width_dots) break;
      const uint8_t nibble = (k & 1) ? (s[k / 2] & 0x0F) : (s[k / 2] >> 4);
      const uint8_t bit = static_cast<uint8_t>(0x80 >> k);
      if (nibble & 0x4) c |= bit;
      if (nibble & 0x2) m |= bit;
      if (nibble & 0x1) y |= bit;
    }
    cyan[b] = c;
    magenta[b] = m;
    yellow[b] = y;
  }
}

// Colour space and order are enums in the header, but the values come from
// the raster stream: read the raw word, since loading a value outside the
// enum's range is undefined.
template <class Enum>
unsigned RawValue(const Enum& field) {
  static_assert(sizeof(Enum) == sizeof(unsigned), "raster header enums are 32-bit");
  unsigned value;
  memcpy(&value, &field, sizeof value);
  return value;
}

// Reads every raster line of the page whose header was just read and hands
// the lines that lie within the crop to use(stream_plane, row, bytes); planar
// pages arrive as three whole planes, one after another. Lines beyond the
// crop are read and dropped.
template <class UseLine>
ReadResult ReadRasterLines(cups_raster_t* raster, const PageGeometry& geometry,
                           const volatile sig_atomic_t* cancel, std::vector<uint8_t>* row,
                           UseLine use) {
  row->resize(geometry.bytes_per_line);
  const int planes_in_stream = geometry.layout == PixelLayout::kCmyPlanar ? 3 : 1;
  for (int stream_plane = 0; stream_plane < planes_in_stream; ++stream_plane) {
    for (uint32_t y = 0; y < geometry.source_height; ++y) {
      if (cancel != nullptr && *cancel) return ReadResult::kCancelled;
      if (cupsRasterReadPixels(raster, row->data(), geometry.bytes_per_line) !=
          geometry.bytes_per_line) {
        return ReadResult::kTruncated;
      }
      if (y < static_cast<uint32_t>(geometry.rows)) {
        use(stream_plane, static_cast<int32_t>(y), static_cast<const uint8_t*>(row->data()));
      }
    }
  }
  return ReadResult::kComplete;
}

}  // namespace

bool CheckPageHeader(const cups_page_header2_t& header, PageGeometry* geometry,
                     std::string* error) {
  PageGeometry g;
  const bool contone = header.cupsBitsPerColor == 8;
  if (header.cupsBitsPerColor != 1 && !contone) {
    *error = "Unsupported raster bit depth " + std::to_string(header.cupsBitsPerColor) +
             " bits per colour; the printer takes 8 (or 1) bits per colour";
    return false;
  }
  const uint32_t width = header.cupsWidth;
  if (width == 0 || header.cupsHeight == 0) {
    *error = "Raster page has no pixels (" + std::to_string(width) + " x " +
             std::to_string(header.cupsHeight) + ")";
    return false;
  }
  if (width > kMaxRasterDots) {
    *error = "Raster page is " + std::to_string(width) + " dots wide, more than " +
             std::to_string(kMaxRasterDots) + " can be";
    return false;
  }

  uint32_t expected_bits_per_pixel = 1;
  uint32_t expected_bytes = BytesFor(width);
  const unsigned space = RawValue(header.cupsColorSpace);
  const unsigned order = RawValue(header.cupsColorOrder);
  if (contone) {
    if (order != CUPS_ORDER_CHUNKED) {
      *error = "Unsupported raster colour order " + std::to_string(order) +
               " for 8 bits per colour; the printer takes chunky pixels";
      return false;
    }
    if (space == CUPS_CSPACE_RGB || space == CUPS_CSPACE_SRGB) {
      g.layout = PixelLayout::kRgb8;
    } else if (space == CUPS_CSPACE_W || space == CUPS_CSPACE_SW) {
      g.layout = PixelLayout::kGrey8;
    } else if (space == CUPS_CSPACE_K) {
      g.layout = PixelLayout::kBlack8;
    } else {
      *error = "Unsupported raster colour space " + ColourSpaceName(space) +
               " for 8 bits per colour; the printer takes RGB, W (grey) or K";
      return false;
    }
    g.colour = g.layout == PixelLayout::kRgb8;
    expected_bits_per_pixel = g.colour ? 24 : 8;
    expected_bytes = width * (g.colour ? 3 : 1);
  } else if (space == CUPS_CSPACE_K) {
    g.layout = PixelLayout::kBlack;
    g.colour = false;
  } else if (space == CUPS_CSPACE_CMY) {
    g.colour = true;
    switch (order) {
      case CUPS_ORDER_CHUNKED:
        g.layout = PixelLayout::kCmyChunked;
        // Three 1-bit colours are padded to a 4-bit pixel.
        expected_bits_per_pixel = 4;
        expected_bytes = (width * 4 + 7) / 8;
        break;
      case CUPS_ORDER_BANDED:
        g.layout = PixelLayout::kCmyBanded;
        expected_bytes = 3 * BytesFor(width);
        break;
      case CUPS_ORDER_PLANAR:
        g.layout = PixelLayout::kCmyPlanar;
        break;
      default:
        *error = "Unsupported raster colour order " + std::to_string(order);
        return false;
    }
  } else {
    *error = "Unsupported raster colour space " + ColourSpaceName(space) +
             "; the printer takes K (black) or CMY";
    return false;
  }
  if (header.cupsBitsPerPixel != expected_bits_per_pixel ||
      header.cupsBytesPerLine != expected_bytes) {
    *error = "Inconsistent raster header: " + std::to_string(header.cupsBitsPerPixel) +
             " bits per pixel and " + std::to_string(header.cupsBytesPerLine) +
             " bytes per line for " + std::to_string(width) + " " +
             ColourSpaceName(space) + " pixels";
    return false;
  }

  page::Resolution resolution;
  if (!page::ResolutionOfDots(header.HWResolution[0], header.HWResolution[1], &resolution)) {
    *error = "Unsupported resolution " + std::to_string(header.HWResolution[0]) + "x" +
             std::to_string(header.HWResolution[1]) +
             " dpi; the printer prints 300x300 or 300x600 dpi";
    return false;
  }

  g.source_width = width;
  g.source_height = header.cupsHeight;
  g.bytes_per_line = header.cupsBytesPerLine;
  g.rows_per_inch = static_cast<int32_t>(header.HWResolution[1]);
  // A contone page is laid on the printable square, whose ring the label
  // path masks: beyond the square nothing of it prints.
  const int32_t widest = g.Contone() ? geometry::kDiscAreaDots : kMaxPrintableDots;
  g.width_dots = width < static_cast<uint32_t>(widest) ? static_cast<int32_t>(width) : widest;
  const int32_t max_rows = geometry::DiscAreaRows(g.rows_per_inch);
  g.rows = header.cupsHeight < static_cast<uint32_t>(max_rows)
               ? static_cast<int32_t>(header.cupsHeight)
               : max_rows;
  *geometry = g;
  return true;
}

raster::PlanesView PagePlanes::View() const {
  raster::PlanesView view;
  for (int p = 0; p < plane_count; ++p) view.planes[p] = Row(p, 0);
  view.plane_count = plane_count;
  view.rows = rows;
  view.row_bytes = row_bytes;
  view.stride = static_cast<size_t>(row_bytes);
  return view;
}

ReadResult ReadPageDots(cups_raster_t* raster, const PageGeometry& geometry, int32_t left,
                        int32_t top, const volatile sig_atomic_t* cancel, std::vector<uint8_t>* row,
                        imaging::RgbImage* dots) {
  const imaging::RasterPixels pixels = geometry.layout == PixelLayout::kRgb8    ? imaging::RasterPixels::kRgb8
                                       : geometry.layout == PixelLayout::kGrey8 ? imaging::RasterPixels::kGrey8
                                                                                : imaging::RasterPixels::kBlack8;
  dots->Reset(geometry::kDiscAreaDots, geometry::DiscAreaRows(geometry.rows_per_inch));
  const int32_t first = left < 0 ? -left : 0;
  const int32_t last = std::min(static_cast<int32_t>(geometry.source_width), dots->width - left);
  const int bytes = imaging::RasterPixelBytes(pixels);
  return ReadRasterLines(raster, geometry, cancel, row, [&](int, int32_t y, const uint8_t* src) {
    if (top + y < 0 || top + y >= dots->height || first >= last) return;
    imaging::RasterRowToRgb(pixels, src + static_cast<size_t>(first) * bytes, last - first,
                            dots->At(left + first, top + y));
  });
}

ReadResult ReadPagePlanes(cups_raster_t* raster, const PageGeometry& geometry,
                          const volatile sig_atomic_t* cancel, std::vector<uint8_t>* row,
                          PagePlanes* planes) {
  const int plane_count = geometry.colour ? 3 : 1;
  const int32_t row_bytes = static_cast<int32_t>(BytesFor(static_cast<uint32_t>(geometry.width_dots)));
  const size_t size =
      static_cast<size_t>(plane_count) * static_cast<size_t>(row_bytes) * static_cast<size_t>(geometry.rows);
  // Sized exactly and left uninitialised: each row is written whole.
  if (planes->capacity < size) {
    // The colour planes of the disc area are 1.5 MB: in one huge page, where
    // the system offers them on request, they cost one page fault instead of
    // some four hundred. Clearing a huge page costs more than the faults of
    // a page under half its size (a black one), which stays in ordinary pages.
    size_t capacity = size;
    void* bits;
    if (size > kHugePage / 2) {
      capacity = (size + kHugePage - 1) / kHugePage * kHugePage;
      bits = aligned_alloc(kHugePage, capacity);
      if (bits != nullptr) madvise(bits, capacity, MADV_HUGEPAGE);
    } else {
      bits = malloc(capacity);
    }
    if (bits == nullptr) throw std::bad_alloc();
    planes->bits.reset(static_cast<uint8_t*>(bits));
    planes->capacity = capacity;
  }
  planes->rows_per_inch = geometry.rows_per_inch;
  planes->width = geometry.width_dots;
  planes->rows = geometry.rows;
  planes->row_bytes = row_bytes;
  planes->plane_count = plane_count;
  // Dots past the page's width are cleared whatever the row's padding holds.
  const uint8_t last_mask = static_cast<uint8_t>(0xFF << ((8 - geometry.width_dots % 8) % 8));
  const size_t copied = static_cast<size_t>(row_bytes);
  const uint32_t colour_bytes = BytesFor(geometry.source_width);
  return ReadRasterLines(raster, geometry, cancel, row,
                         [&](int stream_plane, int32_t y, const uint8_t* src) {
    switch (geometry.layout) {
      case PixelLayout::kBlack:
      case PixelLayout::kCmyPlanar: {
        uint8_t* line = planes->Row(stream_plane, y);
        memcpy(line, src, copied);
        line[row_bytes - 1] &= last_mask;
        break;
      }
      case PixelLayout::kCmyBanded:
        for (int p = 0; p < 3; ++p) {
          uint8_t* line = planes->Row(p, y);
          memcpy(line, src + p * colour_bytes, copied);
          line[row_bytes - 1] &= last_mask;
        }
        break;
      case PixelLayout::kCmyChunked:
        SplitChunkedRow(src, geometry.width_dots, planes->Row(0, y), planes->Row(1, y),
                        planes->Row(2, y));
        break;
      case PixelLayout::kRgb8:
      case PixelLayout::kGrey8:
      case PixelLayout::kBlack8:
        break;  // contone pages are read by ReadPageDots
    }
  });
}

}  // namespace cupsdrv
