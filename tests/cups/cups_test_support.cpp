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
      break;    case cupsdrv::PixelLayout::kRgb8:
    case cupsdrv::PixelLayout::kGrey8:
    case cupsdrv::PixelLayout::kBlack8:
      h.cupsColorSpace = page.layout == cupsdrv::PixelLayout::kRgb8   ? CUPS_CSPACE_RGB
                         : page.layout == cupsdrv::PixelLayout::kGrey8 ? CUPS_CSPACE_W
                                                                       : CUPS_CSPACE_K;
      h.cupsBitsPerColor = 8;
      h.cupsBitsPerPixel = page.layout == cupsdrv::PixelLayout::kRgb8 ? 24 : 8;
      h.cupsBytesPerLine = width * h.cupsBitsPerPixel / 8;
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
  for (int i = 0; i < 9; ++i) h.cupsInteger[i] = page.integers[i];
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
      case cupsdrv::PixelLayout::kRgb8:
      case cupsdrv::PixelLayout::kGrey8:
      case cupsdrv::PixelLayout::kBlack8:
        // The picture's pixels, white beyond it; grey as the mean of red,
        // green and blue.
        for (int32_t r = 0; r < ink.rows; ++r) {
          for (int32_t x = 0; x < ink.width_dots; ++x) {
            const imaging::Rgb c = pages[i].picture.Contains(x, r) ? pages[i].picture.Get(x, r) : imaging::Rgb{};
            if (pages[i].layout == cupsdrv::PixelLayout::kRgb8) {
              row[3 * x] = c.r, row[3 * x + 1] = c.g, row[3 * x + 2] = c.b;
            } else {
              const uint8_t grey = static_cast<uint8_t>((c.r + c.g + c.b) / 3);
              row[x] = pages[i].layout == cupsdrv::PixelLayout::kGrey8 ? grey : static_cast<uint8_t>(255 - grey);
            }
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

bool ForEachRasterPage(const std::string& path,
                       const std::function<bool(cups_raster_t*, const cups_page_header2_t&)>& read_page) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  bool ok = raster != nullptr;
  cups_page_header2_t h;
  while (ok && cupsRasterReadHeader2(raster, &h)) ok = read_page(raster, h);
  if (raster != nullptr) cupsRasterClose(raster);
  close(fd);
  return ok;
}

bool ReadRaster(const std::string& path, std::vector<page::InkPage>* pages,
                std::vector<cups_page_header2_t>* headers) {
  return ForEachRasterPage(path, [&](cups_raster_t* raster, const cups_page_header2_t& h) {
    cupsdrv::PageGeometry geometry;
    std::string error;
    page::InkPage ink;
    if (!cupsdrv::CheckPageHeader(h, &geometry, &error) ||
        ReadPage(raster, geometry, nullptr, &ink) != cupsdrv::ReadResult::kComplete) {
      return false;
    }
    pages->push_back(std::move(ink));
    headers->push_back(h);
    return true;
  });
}

std::vector<std::string> FilterArgs(const std::string& options, const std::string& file) {
  std::vector<std::string> args = {FilterPath(), "42", "tester", "disc label", "1", options};
  if (!file.empty()) args.push_back(file);
  return args;
}

::testing::AssertionResult PlanesMatch(const stream::DecodedStream& decoded, size_t first,
                                       const page::InkPage& ink, bool skip_centre) {
  static const int kColourOrder[3] = {page::kYellow, page::kMagenta, page::kCyan};
  constexpr int32_t kMarginBytes = 7;
  for (int k = 0; k < ink.PlaneCount(); ++k) {
    const size_t index = first + static_cast<size_t>(k);
    if (index >= decoded.planes.size()) {
      return ::testing::AssertionFailure() << "plane " << index << " missing; only "
                                           << decoded.planes.size() << " decoded";
    }
    const int ink_plane = ink.colour ? kColourOrder[k] : page::kBlack;
    ::testing::AssertionResult holds = testsupport::PlaneHolds(
        decoded.planes[index], testsupport::InkRows(ink, ink_plane, kMarginBytes, skip_centre));
    if (!holds) return holds << " (plane " << index << ", ink plane " << ink_plane << ")";
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
