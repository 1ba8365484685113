#include "hosts/page_file.h"

#include <stdlib.h>

#include <cctype>
#include <fstream>
#include <vector>


namespace hosts {
namespace {

constexpr long kMaxWidth = 1536;
constexpr long kMaxRows = 100000;

// Reads the next blank-separated token of a netpbm header or plain sample,
// skipping comments.
bool ReadToken(std::istream& in, std::string* token) {
  token->clear();
  int c;
  while ((c = in.get()) != EOF) {
    if (c == '#') {
      while ((c = in.get()) != EOF && c != '\n') {
      }
      continue;
    }
    if (!std::isspace(c)) break;
  }
  if (c == EOF) return false;
  token->push_back(static_cast<char>(c));
  while ((c = in.peek()) != EOF && !std::isspace(c) && c != '#') {
    token->push_back(static_cast<char>(in.get()));
  }
  return true;
}

bool ReadNumber(std::istream& in, long* value) {
  std::string token;
  if (!ReadToken(in, &token) || token.empty() ||
      token.find_first_not_of("0123456789") != std::string::npos || token.size() > 9) {
    return false;
  }
  *value = strtol(token.c_str(), nullptr, 10);
  return true;
}

}  // namespace

bool ReadPageFile(const std::string& path, int32_t rows_per_inch, page::InkPage* page,
                  std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path;
    return false;
  }
  std::string magic;
  if (!ReadToken(in, &magic) || magic.size() != 2 || magic[0] != 'P' || magic[1] < '1' ||
      magic[1] > '6') {
    *error = path + " is not a PBM, PGM or PPM image";
    return false;
  }
  const int kind = magic[1] - '0';
  const bool ascii = kind <= 3;
  const int format = ascii ? kind : kind - 3;  // 1 bitmap, 2 grey, 3 colour
  long width = 0, height = 0, maxval = 1;
  if (!ReadNumber(in, &width) || !ReadNumber(in, &height) ||
      (format != 1 && !ReadNumber(in, &maxval))) {
    *error = path + ": damaged header";
    return false;
  }
  if (width <= 0 || height <= 0 || width > kMaxWidth || height > kMaxRows || maxval <= 0 ||
      maxval > 65535) {
    *error = path + ": " + std::to_string(width) + " x " + std::to_string(height) +
             " does not fit the printer (at most " + std::to_string(kMaxWidth) + " dots across)";
    return false;
  }
  if (!ascii) in.get();  // the single blank before binary samples

  page->width_dots = static_cast<int32_t>(width);
  page->rows = static_cast<int32_t>(height);
  page->rows_per_inch = rows_per_inch;
  page->colour = format == 3;
  page->Allocate();

  const int samples = format == 3 ? 3 : 1;
  const int sample_bytes = maxval > 255 ? 2 : 1;
  std::vector<uint8_t> packed_row((width + 7) / 8);
  long pixel[3] = {0, 0, 0};
  const std::string ends_early = path + ": the image data ends early";
  for (long y = 0; y < height; ++y) {
    const int32_t row = static_cast<int32_t>(y);
    if (format == 1 && !ascii &&
        !in.read(reinterpret_cast<char*>(packed_row.data()),
                 static_cast<std::streamsize>(packed_row.size()))) {
      *error = ends_early;
      return false;
    }
    for (long x = 0; x < width; ++x) {
      for (int s = 0; s < samples; ++s) {
        if (format == 1 && !ascii) {
          pixel[s] = (packed_row[x / 8] >> (7 - x % 8)) & 1;  // padding bits are never read
        } else if (ascii) {
          if (!ReadNumber(in, &pixel[s])) {
            *error = ends_early;
            return false;
          }
        } else {
          unsigned char bytes[2];
          if (!in.read(reinterpret_cast<char*>(bytes), sample_bytes)) {
            *error = ends_early;
            return false;
          }
          pixel[s] = sample_bytes == 2 ? (bytes[0] << 8 | bytes[1]) : bytes[0];
        }
      }
      const int32_t dot = static_cast<int32_t>(x);
      if (format == 1) {
        if (pixel[0] != 0) page->SetDot(page::kBlack, row, dot);
      } else if (format == 2) {
        if (pixel[0] * 2 < maxval) page->SetDot(page::kBlack, row, dot);
      } else {
        // Red light is what cyan ink takes away, green magenta, blue yellow.
        if (pixel[0] * 2 < maxval) page->SetDot(page::kCyan, row, dot);
        if (pixel[1] * 2 < maxval) page->SetDot(page::kMagenta, row, dot);
        if (pixel[2] * 2 < maxval) page->SetDot(page::kYellow, row, dot);
      }
    }
  }
  return true;
}

}  // namespace hosts
