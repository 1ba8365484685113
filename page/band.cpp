#include "page/band.h"

#include <string.h>

#include "errors/fail.h"
#include "raster/plane_extraction.h"

namespace page {

namespace {

// The encoder takes the stride as 16 bits.
constexpr int32_t kMaxStride = 0xFFFF;

// Colour pixel bits: a clear bit is ink; bit 3 is unused and kept set.
constexpr uint8_t kInkBit[3] = {0x1 /* cyan */, 0x2 /* magenta */, 0x4 /* yellow */};

int32_t AlignedStride(int32_t pixels, int bits_per_pixel) {
  return ((pixels * bits_per_pixel + 31) / 32) * 4;
}

// Spreads the 8 dots of a byte over 8 nibbles, dot 0 (bit 7) into bit 28.
struct NibbleSpread {
  uint32_t of[256];
};
constexpr NibbleSpread MakeNibbleSpread() {
  NibbleSpread t{};
  for (int b = 0; b < 256; ++b) {
    for (int k = 0; k < 8; ++k) {
      if (b & (0x80 >> k)) t.of[b] |= uint32_t{1} << (28 - 4 * k);
    }
  }
  return t;
}
constexpr NibbleSpread kNibbleSpread = MakeNibbleSpread();

// The same spread onto each ink's pixel bit: a colour band byte of dots
// becomes four band bytes from three lookups.
struct InkSpread {
  uint32_t of[3][256];
};
constexpr InkSpread MakeInkSpread() {
  InkSpread t{};
  for (int p = 0; p < 3; ++p) {
    for (int b = 0; b < 256; ++b) t.of[p][b] = kNibbleSpread.of[b] * kInkBit[p];
  }
  return t;
}
constexpr InkSpread kInkSpread = MakeInkSpread();

// Eight bytes at p, for skipping blank stretches a word at a time.
inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

uint8_t LastByteMask(int32_t width_dots) {
  return static_cast<uint8_t>(0xFF << ((8 - width_dots % 8) % 8));
}

// Portrait bands a byte of dots at a time; the same bits as the dot-by-dot
// loop below, which a whole page makes far too slow for a filter.
void FillPortrait(const InkPage& page, int32_t stride, uint8_t* band) {
  for (int32_t row = 0; row < page.rows; ++row) {
    const uint8_t* const ink[3] = {page.Row(0, row), page.colour ? page.Row(1, row) : nullptr,
                                   page.colour ? page.Row(2, row) : nullptr};
    PortraitBandLine(ink, page.colour, page.width_dots, stride,
                     band + static_cast<size_t>(row) * stride);
  }
}

}  // namespace

int32_t PortraitBandStride(int32_t width_dots, bool colour) {
  return AlignedStride(width_dots, colour ? 4 : 1);
}

void PortraitBandLine(const uint8_t* const ink[3], bool colour, int32_t width_dots,
                      int32_t stride, uint8_t* line) {
  const int32_t bytes = (width_dots + 7) / 8;
  // Dots past the page's width stay white whatever the row's padding holds.
  const uint8_t last_mask = LastByteMask(width_dots);
  if (!colour) {
    for (int32_t i = 0; i + 1 < bytes; ++i) line[i] = static_cast<uint8_t>(~ink[0][i]);
    line[bytes - 1] = static_cast<uint8_t>(~(ink[0][bytes - 1] & last_mask));
    for (int32_t i = bytes; i < stride; ++i) line[i] = 0xFF;  // alignment bytes
    return;
  }
  // A colour line is exactly four bytes per byte of dots: no alignment bytes.
  // Stretches without ink on any plane (most of a disc label) become white
  // eight bytes of dots at a time.
  int32_t i = 0;
  while (i < bytes) {
    if (i + 8 < bytes && (Load64(ink[0] + i) | Load64(ink[1] + i) | Load64(ink[2] + i)) == 0) {
      memset(line + 4 * i, 0xFF, 32);
      i += 8;
      continue;
    }
    const uint8_t mask = i == bytes - 1 ? last_mask : 0xFF;
    const uint32_t pixels = ~(kInkSpread.of[0][ink[0][i] & mask] | kInkSpread.of[1][ink[1][i] & mask] |
                              kInkSpread.of[2][ink[2][i] & mask]);
    const uint8_t be[4] = {static_cast<uint8_t>(pixels >> 24), static_cast<uint8_t>(pixels >> 16),
                           static_cast<uint8_t>(pixels >> 8), static_cast<uint8_t>(pixels)};
    memcpy(line + 4 * i, be, 4);
    ++i;
  }
}

void AddPortraitInk(const uint8_t* ink, int plane, int32_t width_dots, uint8_t* line) {
  const int32_t bytes = (width_dots + 7) / 8;
  const uint8_t last_mask = LastByteMask(width_dots);
  for (int32_t i = 0; i < bytes; ++i) {
    const uint8_t mask = i == bytes - 1 ? last_mask : 0xFF;
    const uint32_t clear = kInkSpread.of[plane][ink[i] & mask];
    for (int k = 0; k < 4; ++k) line[4 * i + k] &= static_cast<uint8_t>(~(clear >> (24 - 8 * k)));
  }
}

raster::BandView Band::View() const {
  raster::BandView view;
  view.bits = bits.data();
  view.width = width;
  view.height = height;
  view.stride = static_cast<uint16_t>(stride);
  view.bits_per_pixel = bits_per_pixel;
  view.landscape = landscape;
  return view;
}

bool MakeBand(const InkPage& page, bool landscape, Band* band, std::string* error) {
  if (page.width_dots <= 0 || page.rows <= 0) return errors::Fail(error, "the page is empty");
  // The encoder puts every line margin_bytes into the printer line (the
  // plug-in's 7 bytes: 1480 dots remain).
  if (page.margin_bytes < 0 || page.margin_bytes > geometry::kPluginMarginBytes) {
    return errors::Fail(error, "the page's margin of " + std::to_string(page.margin_bytes) +
                                   " bytes is not one the encoder takes (0 to 7)");
  }
  const int32_t printable_dots = (geometry::kPrinterLineBytes - page.margin_bytes) * 8;
  if (page.width_dots > printable_dots) {
    return errors::Fail(error, "the page is " + std::to_string(page.width_dots) +
                           " dots wide; the printer line holds " +
                           std::to_string(printable_dots) + " after its margin");
  }
  const size_t plane_bytes = static_cast<size_t>(page.BytesPerRow()) * page.rows;
  for (int p = 0; p < page.PlaneCount(); ++p) {
    if (page.planes[p].size() != plane_bytes) {
      return errors::Fail(error, "plane " + std::to_string(p) + " does not match the page size");
    }
  }

  const int bpp = page.colour ? 4 : 1;
  const int32_t width = landscape ? page.rows : page.width_dots;
  const int32_t height = landscape ? page.width_dots : page.rows;
  const int32_t stride = AlignedStride(width, bpp);
  // A 1-bit scan line is read whole, alignment bytes included.
  if (!landscape && !page.colour && stride > raster::kLineBufferBytes) {
    return errors::Fail(error, "the page's scan lines are too long for the plug-in");
  }
  const uint64_t size = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  if (size > (uint64_t{1} << 30) || stride > kMaxStride) {
    return errors::Fail(error, "the page is too large for one band");
  }

  band->width = width;
  band->height = height;
  band->stride = stride;
  band->bits_per_pixel = static_cast<uint16_t>(bpp);
  band->landscape = landscape;
  band->margin_bytes = page.margin_bytes;
  // All white: every bit set, alignment bits included.
  band->bits.assign(static_cast<size_t>(size), 0xFF);
  uint8_t* bits = band->bits.data();
  if (!landscape) {
    FillPortrait(page, stride, bits);
  } else {
    for (int32_t row = 0; row < page.rows; ++row) {
      for (int32_t dot = 0; dot < page.width_dots; ++dot) {
        const int32_t x = landscape ? row : dot;
        const int32_t y = landscape ? height - 1 - dot : row;
        uint8_t* line = bits + static_cast<size_t>(y) * stride;
        if (page.colour) {
          uint8_t clear = 0;
          for (int p = 0; p < 3; ++p) {
            if (page.Dot(p, row, dot)) clear |= kInkBit[p];
          }
          if (clear == 0) continue;
          // Even pixels sit in the high nibble.
          line[x / 2] &= static_cast<uint8_t>(~(x % 2 == 0 ? clear << 4 : clear));
        } else if (page.Dot(0, row, dot)) {
          line[x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
        }
      }
    }
  }
  return true;
}

raster::BandSettings EncoderSettings(const JobOptions& options, int32_t margin_bytes) {
  raster::BandSettings settings;
  settings.row_step = options.RowStep();
  settings.skip_centre = options.SkipsCentre();
  settings.margin_bytes = margin_bytes;
  return settings;
}

}  // namespace page
