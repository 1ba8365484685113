#include "tests/calibration/synthetic_scan.h"

#include <math.h>

#include <algorithm>
#include <random>
#include <string>

#include "imaging/image_reader.h"
#include "imaging/png_writer.h"
#include "imaging/preview.h"
#include "imaging/srgb.h"
#include "page/print_position.h"
#include "testdisc/test_disc.h"
#include "tests/support/jpeg_writer.h"

namespace testsupport {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kPrintPxMm = 300 / 25.4;

double Gauss(std::mt19937* random) { return std::normal_distribution<double>(0, 1)(*random); }

// A Gaussian blur, across then down, each pass over whole rows.
void Blur(imaging::RgbImage* img, double sigma) {
  const int radius = static_cast<int>(ceil(3 * sigma));
  std::vector<float> kernel(2 * radius + 1);
  float sum = 0;
  for (int i = -radius; i <= radius; ++i) sum += kernel[i + radius] = static_cast<float>(exp(-i * i / (2 * sigma * sigma)));
  for (float& k : kernel) k /= sum;
  const int32_t w = img->width, h = img->height, stride = w * 3;
  std::vector<float> across(img->pixels.size());
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = img->pixels.data() + static_cast<size_t>(y) * stride;
    float* out = across.data() + static_cast<size_t>(y) * stride;
    for (int32_t x = 0; x < w; ++x)
      for (int k = -radius; k <= radius; ++k) {
        const uint8_t* q = in + std::clamp(x + k, 0, w - 1) * 3;
        for (int c = 0; c < 3; ++c) out[x * 3 + c] += kernel[k + radius] * q[c];
      }
  }
  std::vector<float> row(stride);
  for (int32_t y = 0; y < h; ++y) {
    std::fill(row.begin(), row.end(), 0.0f);
    for (int k = -radius; k <= radius; ++k) {
      const float* q = across.data() + static_cast<size_t>(std::clamp(y + k, 0, h - 1)) * stride;
      const float f = kernel[k + radius];
      for (int32_t i = 0; i < stride; ++i) row[i] += f * q[i];
    }
    uint8_t* out = img->pixels.data() + static_cast<size_t>(y) * stride;
    for (int32_t i = 0; i < stride; ++i) out[i] = static_cast<uint8_t>(std::clamp(row[i] + 0.5f, 0.0f, 255.0f));
  }
}

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out->push_back(static_cast<uint8_t>(v >> s));
}

}  // namespace

Print TestDiscPrint(page::DiscSize size, const page::PrintOffset& offset) {
  testdisc::TestDiscSettings settings;
  settings.disc = size;
  settings.ring = page::DefaultRing(size);
  settings.offset = offset;
  settings.printed_by = "tests";
  const page::InkPage moved =
      page::MovePage(testdisc::DrawTestDisc(settings), offset, page::kComponentReach);
  // The planes as the printer holds them: rows by row address, each a
  // printer line from its first dot.
  const imaging::InkColour inks[3] = {imaging::InkColour::kCyan, imaging::InkColour::kMagenta,
                                      imaging::InkColour::kYellow};
  std::vector<imaging::PrintedPlane> planes(moved.PlaneCount());
  for (int p = 0; p < moved.PlaneCount(); ++p) {
    planes[p].ink = moved.colour ? inks[p] : imaging::InkColour::kBlack;
    for (int32_t row = 0; row < moved.rows; ++row) {
      const uint8_t* bytes = moved.Row(p, row);
      if (std::all_of(bytes, bytes + moved.BytesPerRow(), [](uint8_t b) { return b == 0; })) continue;
      std::vector<uint8_t> line(moved.margin_bytes, 0);
      line.insert(line.end(), bytes, bytes + moved.BytesPerRow());
      planes[p].rows[row * moved.RowStep()] = line;
    }
  }
  imaging::PreviewSettings preview;
  preview.rows_per_inch = moved.rows_per_inch;
  preview.outline = false;
  Print print;
  print.picture = imaging::DrawPreview(planes, preview);
  // The disc's centre: the middle of the printable square, which starts at
  // the plug-in's printer dot.
  print.centre_x = imaging::kPluginOriginDots + geometry::kDiscAreaDots / 2.0;
  print.centre_y = geometry::kDiscAreaDots / 2.0;
  return print;
}

Print GainedTestDiscPrint(const page::JobOptions& options, const DotGain& gain) {
  testdisc::TestDiscSettings settings;
  settings.options = options;
  settings.printed_by = "tests";
  const page::InkPage page = testdisc::DrawTestDisc(settings);
  const PrintedInk ink = PrintInk(page, gain, kSpreadRadius);
  Print print;
  const int32_t origin = page.margin_bytes * 8;
  print.picture = imaging::RgbImage(origin + ink.width, ink.height, imaging::Rgb{255, 255, 255});
  for (int32_t y = 0; y < ink.height; ++y)
    for (int32_t x = 0; x < ink.width; ++x) {
      uint8_t* out = print.picture.At(origin + x, y);
      for (int c = 0; c < 3; ++c) {
        const float cover = ink.coverage[page.colour ? c : 0][static_cast<size_t>(y) * ink.width + x];
        out[c] = static_cast<uint8_t>(lround(255 * imaging::LinearToSrgb(1 - cover)));
      }
    }
  print.centre_x = origin + geometry::kDiscAreaDots / 2.0;
  print.centre_y = geometry::kDiscAreaDots / 2.0;
  return print;
}

imaging::RgbImage SyntheticScan(const Print& print, const ScanSetup& s) {
  const double px_mm = s.dpi / 25.4;
  const int32_t size = static_cast<int32_t>(ceil((s.disc_mm + 16) * px_mm));
  // The disc's centre off the pixel grid, and off the picture's middle.
  const double cx = size / 2.0 + 3.3 * px_mm / 11.8, cy = size / 2.0 - 2.1 * px_mm / 11.8;
  const double rot = s.rotation_deg * kPi / 180, cr = cos(rot), sr = sin(rot);
  const imaging::Rgb bg = s.background;
  const double coat[3] = {238, 236, 230};
  const double clear[3] = {(bg.r + 120) / 2.0, (bg.g + 122) / 2.0, (bg.b + 126) / 2.0};
  const double disc_r = s.disc_mm / 2, hole_r = 7.5, coat_in = 10.5, coat_out = disc_r - 0.5;
  imaging::RgbImage scan(size, size);
  for (int32_t y = 0; y < size; ++y)
    for (int32_t x = 0; x < size; ++x) {
      const double dx = (x + 0.5 - cx) / px_mm, dy = (y + 0.5 - cy) / px_mm;
      // The disc's own directions: the scan turned back.
      const double qx = dx * cr + dy * sr, qy = -dx * sr + dy * cr, r = hypot(qx, qy);
      const double pixel = 1 / px_mm;
      // Share of the pixel on the disc's material, and on its coating.
      const double on_disc = std::clamp((disc_r - r) / pixel + 0.5, 0.0, 1.0) *
                             std::clamp((r - hole_r) / pixel + 0.5, 0.0, 1.0);
      const double coated = std::clamp((coat_out - r) / pixel + 0.5, 0.0, 1.0) *
                            std::clamp((r - coat_in) / pixel + 0.5, 0.0, 1.0);
      double rgb[3];
      const double bgc[3] = {1.0 * bg.r, 1.0 * bg.g, 1.0 * bg.b};
      // The print: label position of this point, less the offset, at its size.
      const double lx = (qx - s.offset_x_mm) / s.scale_x, ly = (qy - s.offset_y_mm) / s.scale_y;
      const double px = print.centre_x + lx * kPrintPxMm - 0.5, py = print.centre_y + ly * kPrintPxMm - 0.5;
      double ink[3] = {1, 1, 1};
      if (px >= 0 && py >= 0 && px < print.picture.width - 1 && py < print.picture.height - 1) {
        const int32_t x0 = static_cast<int32_t>(px), y0 = static_cast<int32_t>(py);
        const double fx = px - x0, fy = py - y0;
        // Light mixes linearly: in linear light, its four neighbours are
        // each decoded before they are mixed.
        auto at = [&](int32_t ax, int32_t ay, int c) {
          const double v = print.picture.At(ax, ay)[c] / 255.0;
          return s.linear_light ? imaging::SrgbToLinear(v) : v;
        };
        for (int c = 0; c < 3; ++c)
          ink[c] = (at(x0, y0, c) * (1 - fx) + at(x0 + 1, y0, c) * fx) * (1 - fy) +
                   (at(x0, y0 + 1, c) * (1 - fx) + at(x0 + 1, y0 + 1, c) * fx) * fy;
      }
      for (int c = 0; c < 3; ++c) {
        const double material = coated * coat[c] + (1 - coated) * clear[c];
        if (s.linear_light) {
          auto lin = [](double code) { return imaging::SrgbToLinear(code / 255); };
          // Light let in unevenly adds to what the disc reflects.
          rgb[c] = 255 * imaging::LinearToSrgb(std::min(1.0, on_disc * lin(material) * ink[c] +
                                                                 (1 - on_disc) * lin(bgc[c]) +
                                                                 s.uneven_light / 255 * x / size));
        } else {
          rgb[c] = on_disc * material * ink[c] + (1 - on_disc) * bgc[c];
        }
      }
      scan.Set(x, y, imaging::Rgb{static_cast<uint8_t>(lround(rgb[0])), static_cast<uint8_t>(lround(rgb[1])),
                                  static_cast<uint8_t>(lround(rgb[2]))});
    }
  // Light let in unevenly by an open lid brightens one side.
  for (int32_t y = 0; s.uneven_light > 0 && !s.linear_light && y < size; ++y)
    for (int32_t x = 0; x < size; ++x)
      for (int c = 0; c < 3; ++c) {
        uint8_t* v = scan.At(x, y) + c;
        *v = static_cast<uint8_t>(std::min(255.0, *v + s.uneven_light * x / size + 0.5));
      }
  if (s.blur_px > 0) Blur(&scan, s.blur_px);
  if (s.noise > 0) {
    // Gaussian noise from a table, drawn by a cheap generator: scans of
    // millions of pixels stay quick to make.
    std::mt19937 random(7);
    std::vector<float> table(65536);
    for (float& g : table) g = static_cast<float>(s.noise * Gauss(&random));
    uint32_t state = 12345;
    for (uint8_t& v : scan.pixels) {
      state = state * 1664525u + 1013904223u;
      v = static_cast<uint8_t>(std::clamp(v + table[state >> 16] + 0.5f, 0.0f, 255.0f));
    }
  }
  if (s.jpeg_quality > 0) {
    const std::vector<uint8_t> jpeg = ScanFile(scan, s.dpi, s.jpeg_quality);
    std::string error;
    imaging::DecodeJpeg(jpeg.data(), jpeg.size(), &scan, &error);
  }
  return scan;
}

std::vector<uint8_t> ScanFile(const imaging::RgbImage& scan, double dpi, int jpeg_quality) {
  std::vector<uint8_t> bytes;
  if (jpeg_quality > 0) {
    bytes = EncodeJpeg(scan.pixels.data(), scan.width, scan.height, JpegKind::kRgb, jpeg_quality);
    // libjpeg writes its JFIF segment first: the unit at byte 13, the
    // densities after it.
    if (dpi > 0) {
      const uint16_t d = static_cast<uint16_t>(lround(dpi));
      bytes[13] = 1;
      bytes[14] = bytes[16] = static_cast<uint8_t>(d >> 8);
      bytes[15] = bytes[17] = static_cast<uint8_t>(d);
    }
    return bytes;
  }
  std::string error;
  imaging::EncodePng(scan, &bytes, &error);
  if (dpi > 0) {
    // A pHYs chunk right after the image header: pixels per metre.
    std::vector<uint8_t> chunk{'p', 'H', 'Y', 's'};
    const uint32_t ppm = static_cast<uint32_t>(lround(dpi / 0.0254));
    Put32(&chunk, ppm);
    Put32(&chunk, ppm);
    chunk.push_back(1);
    std::vector<uint8_t> framed;
    Put32(&framed, 9);
    framed.insert(framed.end(), chunk.begin(), chunk.end());
    Put32(&framed, Crc32(chunk.data(), chunk.size()));
    bytes.insert(bytes.begin() + 33, framed.begin(), framed.end());
  }
  return bytes;
}

}  // namespace testsupport
