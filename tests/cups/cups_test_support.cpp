#include "tests/cups/cups_test_support.h"

#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

namespace cupstest {
namespace {

void PutRasterRow(cups_raster_t* raster, const uint8_t* row, size_t size) {
  cupsRasterWritePixels(raster, const_cast<uint8_t*>(row), static_cast<unsigned>(size));
}

}  // namespace

std::string FilterPath() { return BuildDir() + "/bin/rastertoquillory2"; }
std::string PpdPath() { return BuildDir() + "/share/ppd/quilry2.ppd"; }

page::InkPage PatternPage(int32_t width, int32_t rows, int rows_per_inch, bool colour,
                           uint32_t seed) {
  page::InkPage page = page::InkPage::Blank(width, rows, rows_per_inch, colour);
  for (int p = 0; p < page.PlaneCount(); ++p) {
    const uint32_t s = seed * 7 + static_cast<uint32_t>(p) * 13;
    for (int32_t r = 0; r < rows; ++r) {
      if ((r / 50 + s) % 6 == 3) continue;  // a blank stretch
      for (int32_t x = 0; x < width; ++x) {
        const bool diagonal = (static_cast<uint32_t>(x + 3 * r) + s) % 97 < 9;
        const bool block = (static_cast<uint32_t>(x / 64 + r / 40) + s) % 5 == 0;
        const bool edge = (x == width - 1 && r % 7 == 0) || (x == 0 && r % 11 == 0);
        if (diagonal || block || edge) page.SetDot(p, r, x);
      }
    }
  }
  return page;
}

cups_page_header2_t HeaderFor(const RasterPage& page) {
  cups_page_header2_t h;
  memset(&h, 0, sizeof h);
  const page::InkPage& ink = page.ink;
  const unsigned width = static_cast<unsigned>(ink.width_dots);
  const unsigned colour_bytes = (width + 7) / 8;
  h.cupsWidth = width;
  h.cupsHeight = static_cast<unsigned>(ink.rows);
  h.HWResolution[0] = page.x_resolution != 0 ? page.x_resolution : 300;
  h.HWResolution[1] = static_cast<unsigned>(ink.rows_per_inch);
  h.PageSize[0] = width * 72 / 300;
  h.PageSize[1] = static_cast<unsigned>(ink.rows) * 72 / static_cast<unsigned>(ink.rows_per_inch);
  h.cupsBitsPerColor = 1;
  h.cupsBitsPerPixel = 1;
  h.cupsBytesPerLine = colour_bytes;
  h.cupsColorOrder = CUPS_ORDER_CHUNKED;
  h.cupsColorSpace = CUPS_CSPACE_K;
  switch (page.layout) {
    case cupsdrv::PixelLayout::kBlack:
      break;
    case cupsdrv::PixelLayout::kCmyChunked:
      h.cupsColorSpace = CUPS_CSPACE_CMY;
      h.cupsBitsPerPixel = 4;
      h.cupsBytesPerLine = (width * 4 + 7) / 8;
      break;
    case cupsdrv::PixelLayout::kCmyBanded:
      h.cupsColorSpace = CUPS_CSPACE_CMY;
      h.cupsColorOrder = CUPS_ORDER_BANDED;
      h.cupsBytesPerLine = 3 * colour_bytes;
      break;
    case cupsdrv::PixelLayout::kCmyPlanar:
      h.cupsColorSpace = CUPS_CSPACE_CMY;
      h.cupsColorOrder = CUPS_ORDER_PLANAR;
      break;
  }
  if (page.colour_space != 0) h.cupsColorSpace = static_cast<cups_cspace_t>(page.colour_space);
  if (page.bits_per_colour != 0) {
    h.cupsBitsPerColor = page.bits_per_colour;
    h.cupsBitsPerPixel = page.bits_per_colour;
    h.cupsBytesPerLine = (width * page.bits_per_colour + 7) / 8;
  }
  h.cupsNumColors = h.cupsColorSpace == CUPS_CSPACE_K ? 1 : 3;
  h.cupsMediaType = page.media_type;
  for (int i = 0; i < 7; ++i) h.cupsInteger[i] = page.integers[i];
  return h;
}

bool WriteRaster(const std::string& path, const std::vector<RasterPage>& pages, cups_mode_t mode) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  cups_raster_t* raster = cupsRasterOpen(fd, mode);
  bool ok = raster != nullptr;
  for (size_t i = 0; ok && i < pages.size(); ++i) {
    cups_page_header2_t h = HeaderFor(pages[i]);
    ok = cupsRasterWriteHeader2(raster, &h) != 0;
    const page::InkPage& ink = pages[i].ink;
    const size_t colour_bytes = static_cast<size_t>(ink.BytesPerRow());
    std::vector<uint8_t> row(h.cupsBytesPerLine, 0);
    if (!ok) break;
    if (pages[i].bits_per_colour != 0 || pages[i].colour_space != 0) {
      // A page the filter refuses: any pixels will do.
      for (unsigned y = 0; y < h.cupsHeight; ++y) PutRasterRow(raster, row.data(), row.size());
      continue;
    }
    switch (pages[i].layout) {
      case cupsdrv::PixelLayout::kBlack:
        for (int32_t r = 0; r < ink.rows; ++r) PutRasterRow(raster, ink.Row(0, r), colour_bytes);
        break;
      case cupsdrv::PixelLayout::kCmyPlanar:
        for (int p = 0; p < 3; ++p) {
          for (int32_t r = 0; r < ink.rows; ++r) PutRasterRow(raster, ink.Row(p, r), colour_bytes);
        }
        break;
      case cupsdrv::PixelLayout::kCmyBanded:
        for (int32_t r = 0; r < ink.rows; ++r) {
          for (int p = 0; p < 3; ++p) memcpy(row.data() + p * colour_bytes, ink.Row(p, r), colour_bytes);
          PutRasterRow(raster, row.data(), row.size());
        }
        break;
      case cupsdrv::PixelLayout::kCmyChunked:
        for (int32_t r = 0; r < ink.rows; ++r) {
          std::fill(row.begin(), row.end(), 0);
          for (int32_t x = 0; x < ink.width_dots; ++x) {
            const uint8_t nibble = static_cast<uint8_t>((ink.Dot(page::kCyan, r, x) ? 4 : 0) |
                                                        (ink.Dot(page::kMagenta, r, x) ? 2 : 0) |
                                                        (ink.Dot(page::kYellow, r, x) ? 1 : 0));
            row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? nibble << 4 : nibble);
          }
          PutRasterRow(raster, row.data(), row.size());
        }
        break;
    }
  }
  if (raster != nullptr) cupsRasterClose(raster);
  close(fd);
  return ok;
}

bool ReadRaster(const std::string& path, std::vector<page::InkPage>* pages,
                std::vector<cups_page_header2_t>* headers) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  bool ok = raster != nullptr;
  cups_page_header2_t h;
  while (ok && cupsRasterReadHeader2(raster, &h)) {
    cupsdrv::PageGeometry geometry;
    std::string error;
    page::InkPage ink;
    ok = cupsdrv::CheckPageHeader(h, &geometry, &error) &&
         ReadPage(raster, geometry, nullptr, &ink) == cupsdrv::ReadResult::kComplete;
    if (ok) {
      pages->push_back(std::move(ink));
      headers->push_back(h);
    }
  }
  if (raster != nullptr) cupsRasterClose(raster);
  close(fd);
  return ok;
}

std::vector<std::string> FilterArgs(const std::string& options, const std::string& file) {
  std::vector<std::string> args = {FilterPath(), "42", "tester", "disc label", "1", options};
  if (!file.empty()) args.push_back(file);
  return args;
}

std::vector<uint8_t> ExpectedJobSetup(const page::JobOptions& options) {
  using testsupport::Esc;
  // Begin document with its pattern, the OFF/ON option when on, media,
  // resolution, image control (AUTO, or 500 + 20 n for level n).
  std::vector<uint8_t> out = testsupport::Concat(
      {Esc("!c2Q"), {0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}});
  if (options.on_option == page::OnOff::kOn) out = testsupport::Concat({out, Esc("!d6Q")});
  return testsupport::Concat(
      {out, Esc(options.media == page::Media::kMatte ? "!t200Q" : "!t000Q"),
       Esc(options.resolution == page::Resolution::k300 ? "*t300R" : "*t600R"),
       Esc(options.image_control == page::kImageControlAuto
               ? "!s0Q"
               : "!s" + std::to_string(500 + 20 * options.image_control) + "Q")});
}

std::vector<uint8_t> ExpectedJobEnd() { return testsupport::Esc("!d0Q"); }

::testing::AssertionResult PlanesMatch(const stream::DecodedStream& decoded, size_t first,
                                       const page::InkPage& ink, bool skip_centre) {
  static const int kColourOrder[3] = {page::kYellow, page::kMagenta, page::kCyan};
  constexpr int kMarginBytes = 7;
  const int32_t step = ink.RowStep();
  for (int k = 0; k < ink.PlaneCount(); ++k) {
    const size_t index = first + static_cast<size_t>(k);
    if (index >= decoded.planes.size()) {
      return ::testing::AssertionFailure() << "plane " << index << " missing; only "
                                           << decoded.planes.size() << " decoded";
    }
    const stream::Plane& plane = decoded.planes[index];
    const int ink_plane = ink.colour ? kColourOrder[k] : page::kBlack;
    // Every decoded row must belong to a page row that is printed.
    for (const auto& entry : plane.rows) {
      const int32_t y = entry.first;
      const bool blank = std::all_of(entry.second.begin(), entry.second.end(),
                                     [](uint8_t b) { return b == 0; });
      const bool page_row = y >= 0 && y % step == 0 && y / step < ink.rows;
      const bool skipped = skip_centre && y >= 896 && y <= 1936;
      if (!blank && (!page_row || skipped)) {
        return ::testing::AssertionFailure() << "plane " << index << " has ink at row address "
                                             << y << " where the page has none to print";
      }
    }
    std::vector<uint8_t> expected(stream::kLineBytes);
    for (int32_t r = 0; r < ink.rows; ++r) {
      const int32_t y = r * step;
      if (skip_centre && y >= 896 && y <= 1936) continue;
      std::fill(expected.begin(), expected.end(), 0);
      const uint8_t* src = ink.Row(ink_plane, r);
      for (int32_t b = 0; b < ink.BytesPerRow() && b + kMarginBytes < stream::kLineBytes; ++b) {
        expected[kMarginBytes + b] = src[b];
      }
      const auto found = plane.rows.find(y);
      const std::vector<uint8_t> zero(stream::kLineBytes, 0);
      const std::vector<uint8_t>& got = found != plane.rows.end() ? found->second : zero;
      if (got != expected) {
        size_t byte = 0;
        while (byte < expected.size() && byte < got.size() && got[byte] == expected[byte]) ++byte;
        return ::testing::AssertionFailure()
               << "plane " << index << " (ink plane " << ink_plane << ") differs at page row " << r
               << " (row address " << y << "), line byte " << byte;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

page::InkPage OnRing(const page::InkPage& ink, const page::DiscRing& ring) {
  page::InkPage masked = ink;
  const page::DiscMask mask(ring, ink.rows_per_inch);
  for (int p = 0; p < ink.PlaneCount(); ++p) {
    for (int32_t r = 0; r < ink.rows; ++r) {
      for (int32_t x = 0; x < ink.width_dots; ++x) {
        if (!mask.Printable(x, r)) masked.Row(p, r)[x >> 3] &= static_cast<uint8_t>(~(0x80 >> (x & 7)));
      }
    }
  }
  return masked;
}

bool StartsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& prefix) {
  return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

bool EndsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& suffix) {
  return bytes.size() >= suffix.size() &&
         std::equal(suffix.begin(), suffix.end(), bytes.end() - static_cast<long>(suffix.size()));
}

}  // namespace cupstest
