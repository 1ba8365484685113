#include "calibration/scan_file.h"

#include <string.h>

#include <vector>

#include "files/read_file.h"
#include "imaging/image_reader.h"

namespace calibration {

namespace {

uint32_t Big32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint32_t Big16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }

bool Density(double x, double y, double* dpi, std::string* error) {
  if (x <= 0 || y <= 0) return true;  // stated as nothing: unknown
  if (x != y) {
    *error = "the scan's pixels are not square (" + std::to_string(static_cast<int>(x + 0.5)) + " x " +
             std::to_string(static_cast<int>(y + 0.5)) + " dpi); scan at one resolution both ways";
    return false;
  }
  *dpi = x;
  return true;
}

// PNG: pHYs holds pixels per unit across and down, and the unit (1: metre;
// 0: only the aspect ratio).
bool PngDpi(const uint8_t* data, size_t size, double* dpi, std::string* error) {
  size_t pos = 8;
  while (size - pos >= 12) {
    const uint32_t length = Big32(data + pos);
    if (length > size - pos - 12) return true;
    const uint8_t* type = data + pos + 4;
    if (memcmp(type, "IDAT", 4) == 0 || memcmp(type, "IEND", 4) == 0) return true;
    if (memcmp(type, "pHYs", 4) == 0 && length == 9 && data[pos + 16] == 1) {
      return Density(Big32(data + pos + 8) * 0.0254, Big32(data + pos + 12) * 0.0254, dpi, error);
    }
    pos += 12 + length;
  }
  return true;
}

// JPEG: the JFIF segment (APP0) gives its unit (1: per inch, 2: per cm; 0:
// aspect only) and the densities across and down.
bool JpegDpi(const uint8_t* data, size_t size, double* dpi, std::string* error) {
  size_t pos = 2;
  while (size - pos >= 4 && data[pos] == 0xFF) {
    const uint8_t marker = data[pos + 1];
    const size_t length = Big16(data + pos + 2);
    if (marker == 0xDA || length < 2 || length > size - pos - 2) return true;  // image data: no more headers
    if (marker == 0xE0 && length >= 14 && memcmp(data + pos + 4, "JFIF\0", 5) == 0) {
      const uint8_t unit = data[pos + 11];
      const double per = unit == 1 ? 1.0 : unit == 2 ? 2.54 : 0.0;
      return Density(Big16(data + pos + 12) * per, Big16(data + pos + 14) * per, dpi, error);
    }
    pos += 2 + length;
  }
  return true;
}

}  // namespace

bool StatedDpi(const uint8_t* data, size_t size, double* dpi, std::string* error) {
  *dpi = 0;
  if (imaging::IsJpeg(data, size)) return JpegDpi(data, size, dpi, error);
  if (size >= 8 && data[0] == 0x89 && memcmp(data + 1, "PNG", 3) == 0) return PngDpi(data, size, dpi, error);
  return true;
}

bool ReadScan(const std::string& path, Scan* scan, std::string* error) {
  *scan = Scan();
  std::vector<uint8_t> bytes;
  if (!files::ReadWholeFile(path, &bytes, error)) return false;
  std::string why;
  if (!imaging::DecodeImage(bytes.data(), bytes.size(), &scan->picture, &why) ||
      !StatedDpi(bytes.data(), bytes.size(), &scan->dpi, &why)) {
    *error = files::InputName(path) + ": " + why;
    *scan = Scan();
    return false;
  }
  return true;
}

}  // namespace calibration
