#include "hosts/page_file.h"

#include <algorithm>
#include <vector>

#include "files/read_file.h"
#include "imaging/netpbm_reader.h"

namespace hosts {

namespace {

bool ReadOpenPage(FILE* file, const std::string& path, int32_t rows_per_inch, const PageArea& area,
                  page::InkPage* page, std::string* cropped, std::string* error) {
  imaging::NetpbmReader reader(file);
  imaging::NetpbmHeader h;
  std::string why;
  if (!reader.ReadHeader(imaging::ImageLimits{}, &h, &why)) {
    *error = files::InputName(path) + ": " + why;
    return false;
  }
  const int32_t width = static_cast<int32_t>(h.width);
  const int32_t height = static_cast<int32_t>(h.height);
  page->colour = h.Colour();
  page->width_dots = std::min(width, page->colour ? area.colour_dots : area.mono_dots);
  page->rows = std::min(height, area.rows);
  page->rows_per_inch = rows_per_inch;
  page->Allocate();
  cropped->clear();
  if (page->width_dots < width || page->rows < height) {
    *cropped = files::InputName(path) + " is " + std::to_string(width) + " x " + std::to_string(height) +
               " dots; only the disc area of " + std::to_string(page->width_dots) + " x " +
               std::to_string(page->rows) + " dots is printed";
  }

  std::vector<uint16_t> samples(static_cast<size_t>(width) * h.Channels());
  for (int32_t row = 0; row < height; ++row) {
    if (!reader.ReadRow(samples.data(), &why)) {
      *error = files::InputName(path) + ": " + why;
      return false;
    }
    if (row >= page->rows) continue;  // read to the end, so a damaged file is still found
    for (int32_t x = 0; x < page->width_dots; ++x) {
      if (h.Bitmap()) {
        if (samples[x] != 0) page->SetDot(page::kBlack, row, x);
      } else if (!h.Colour()) {
        if (samples[x] * 2 < h.maxval) page->SetDot(page::kBlack, row, x);
      } else {
        // Red light is what cyan ink takes away, green magenta, blue yellow.
        const uint16_t* rgb = &samples[3 * static_cast<size_t>(x)];
        if (rgb[0] * 2 < h.maxval) page->SetDot(page::kCyan, row, x);
        if (rgb[1] * 2 < h.maxval) page->SetDot(page::kMagenta, row, x);
        if (rgb[2] * 2 < h.maxval) page->SetDot(page::kYellow, row, x);
      }
    }
  }
  return true;
}

}  // namespace

bool ReadPageFile(const std::string& path, int32_t rows_per_inch, const PageArea& area,
                  page::InkPage* page, std::string* cropped, std::string* error) {
  FILE* file = files::OpenInput(path, error);
  if (file == nullptr) return false;
  const bool ok = ReadOpenPage(file, path, rows_per_inch, area, page, cropped, error);
  files::CloseInput(file);
  return ok;
}

}  // namespace hosts
