#include "tests/support/modelled_print.h"

#include <math.h>

#include <algorithm>

#include "imaging/disc_layout.h"
#include "imaging/srgb.h"

namespace testsupport {
namespace {

// Box-filtered copy of a plane, (2 radius + 1)^2 pixels, edges clamped.
std::vector<float> BoxBlur(const std::vector<float>& in, int32_t w, int32_t h, int radius) {
  std::vector<float> across(in.size()), out(in.size());
  const float n = 2.0f * radius + 1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      float s = 0;
      for (int k = -radius; k <= radius; ++k)
        s += in[static_cast<size_t>(y) * w + std::clamp(x + k, 0, w - 1)];
      across[static_cast<size_t>(y) * w + x] = s / n;
    }
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      float s = 0;
      for (int k = -radius; k <= radius; ++k)
        s += across[static_cast<size_t>(std::clamp(y + k, 0, h - 1)) * w + x];
      out[static_cast<size_t>(y) * w + x] = s / n;
    }
  return out;
}

std::array<double, 3> Lab(const double rgb[3]) {
  const double x = (0.4124 * rgb[0] + 0.3576 * rgb[1] + 0.1805 * rgb[2]) / 0.9505;
  const double y = 0.2126 * rgb[0] + 0.7152 * rgb[1] + 0.0722 * rgb[2];
  const double z = (0.0193 * rgb[0] + 0.1192 * rgb[1] + 0.9505 * rgb[2]) / 1.0890;
  auto f = [](double t) { return t > 216.0 / 24389 ? cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

}  // namespace

double DotGain::Printed(int ink, double c) const {
  return 1 - pow(1 - std::clamp(c, 0.0, 1.0), exponent[ink]);
}

PrintedInk PrintInk(const page::InkPage& page, const DotGain& gain, int radius) {
  PrintedInk out;
  const int32_t step = page.rows_per_inch / 300;
  out.width = page.width_dots;
  out.height = page.rows / step;
  for (int p = 0; p < page.PlaneCount(); ++p) {
    std::vector<float> plane(static_cast<size_t>(out.width) * out.height, 0.0f);
    for (int32_t row = 0; row < out.height * step; ++row)
      for (int32_t x = 0; x < out.width; ++x)
        plane[static_cast<size_t>(row / step) * out.width + x] +=
            page.Dot(p, row, x) / static_cast<float>(step);
    if (radius > 0) plane = BoxBlur(plane, out.width, out.height, radius);
    const int ink = page.colour ? p : 3;
    for (float& c : plane) c = static_cast<float>(gain.Printed(ink, c));
    out.coverage.push_back(std::move(plane));
  }
  return out;
}

double ModelledDeltaE(const page::InkPage& page, const imaging::RgbImage& picture,
                      const DotGain& gain, const page::DiscRing& ring) {
  const PrintedInk ink = PrintInk(page, gain, kSpreadRadius);
  const int32_t step = page.rows_per_inch / 300, block = 12;  // 12 pixels: 1 mm
  const imaging::DiscMask mask(ring, page.rows_per_inch);
  double linear[256];
  for (int v = 0; v < 256; ++v) linear[v] = imaging::SrgbToLinear(v / 255.0);
  double sum = 0;
  int blocks = 0;
  for (int32_t by = 0; by + block <= ink.height; by += block)
    for (int32_t bx = 0; bx + block <= std::min(ink.width, picture.width); bx += block) {
      double printed[3] = {0, 0, 0}, wanted[3] = {0, 0, 0};
      bool inside = true;
      for (int32_t y = by; y < by + block && inside; ++y)
        for (int32_t x = bx; x < bx + block; ++x) {
          if (!mask.Printable(x, y * step) || !mask.Printable(x, y * step + step - 1)) {
            inside = false;
            break;
          }
          for (int c = 0; c < 3; ++c) {
            const float cover =
                ink.coverage[page.colour ? c : 0][static_cast<size_t>(y) * ink.width + x];
            printed[c] += 1 - cover;
            for (int32_t r = 0; r < step; ++r)
              wanted[c] += linear[picture.At(x, y * step + r)[c]] / step;
          }
        }
      if (!inside) continue;
      for (int c = 0; c < 3; ++c) printed[c] /= block * block, wanted[c] /= block * block;
      if (!page.colour) {
        const double grey = 0.2126 * wanted[0] + 0.7152 * wanted[1] + 0.0722 * wanted[2];
        wanted[0] = wanted[1] = wanted[2] = grey;
      }
      const std::array<double, 3> a = Lab(printed), b = Lab(wanted);
      sum += sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                  (a[2] - b[2]) * (a[2] - b[2]));
      ++blocks;
    }
  return blocks ? sum / blocks : 0;
}

imaging::RgbImage PhotoLikePicture(int32_t rows_per_inch) {
  const int32_t w = imaging::kSquareDots, h = imaging::SquareRows(rows_per_inch);
  imaging::RgbImage picture(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
      // A sky wash at the top, a warm skin-like hill below, a dark shadow
      // band on the right, with soft ripples across all of them.
      const double sky = std::clamp(1.6 - 3 * v, 0.0, 1.0),
                   shadow = std::clamp((u - 0.75) * 5, 0.0, 1.0);
      const double ripple = 0.08 * sin(17 * u + 9 * v) + 0.06 * sin(31 * v - 5 * u);
      double r = sky * (0.45 + 0.3 * u) + (1 - sky) * (0.85 - 0.35 * v) + ripple;
      double g = sky * (0.65 + 0.2 * u) + (1 - sky) * (0.62 - 0.4 * v) + ripple;
      double b = sky * 0.95 + (1 - sky) * (0.45 - 0.35 * v + 0.3 * u * v) - ripple;
      r *= 1 - 0.8 * shadow, g *= 1 - 0.75 * shadow, b *= 1 - 0.6 * shadow;
      auto code = [](double c) {
        return static_cast<uint8_t>(lround(std::clamp(c, 0.0, 1.0) * 255));
      };
      picture.Set(x, y, imaging::Rgb{code(r), code(g), code(b)});
    }
  return picture;
}

}  // namespace testsupport
