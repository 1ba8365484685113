#include "printerapp/printer_icons.h"

#include <math.h>

#include <mutex>
#include <string>

#include "imaging/png_writer.h"

namespace printerapp {
namespace {

struct Colour {
  double r, g, b;
};

// What lies under a point of the icon, in units of the icon's side (0..1):
// the tray, its round well, the disc with its printable ring, the clear
// band and the hub hole.
Colour Shade(double x, double y) {
  const Colour background{1.0, 1.0, 1.0};
  const Colour tray{0.30, 0.32, 0.36};
  const Colour tray_edge{0.18, 0.19, 0.22};
  const Colour well{0.42, 0.44, 0.48};
  const Colour clear_band{0.86, 0.88, 0.90};
  // The tray: a rounded rectangle across the icon.
  const double left = 0.04, right = 0.96, top = 0.04, bottom = 0.96, radius = 0.08;
  const double cx = fmin(fmax(x, left + radius), right - radius);
  const double cy = fmin(fmax(y, top + radius), bottom - radius);
  const double corner = hypot(x - cx, y - cy);
  if (corner > radius) return background;
  if (corner > radius - 0.02) return tray_edge;
  // The disc sits in the tray's round well.
  const double dx = x - 0.5, dy = y - 0.5;
  const double r = hypot(dx, dy);
  if (r > 0.39) return r > 0.41 ? tray : well;
  if (r < 0.045) return well;        // the hub hole, down to the tray
  if (r < 0.13) return clear_band;   // the clear plastic round the hub
  // The printable ring: a label of warm colours turning with the angle,
  // lighter towards the rim like light on the disc's face.
  const double angle = atan2(dy, dx);
  const double light = 0.55 + 0.45 * (r - 0.13) / 0.26;
  Colour label{0.5 + 0.5 * cos(angle), 0.5 + 0.5 * cos(angle - 2.094), 0.5 + 0.5 * cos(angle + 2.094)};
  return Colour{0.25 + 0.7 * label.r * light, 0.25 + 0.7 * label.g * light, 0.25 + 0.7 * label.b * light};
}

}  // namespace

imaging::RgbImage DrawPrinterIcon(int size) {
  imaging::RgbImage icon(size, size);
  // Four by four samples a pixel, so the edges stay smooth at 48 pixels.
  constexpr int kSamples = 4;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      Colour sum{0, 0, 0};
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const Colour c = Shade((x + (sx + 0.5) / kSamples) / size, (y + (sy + 0.5) / kSamples) / size);
          sum.r += c.r;
          sum.g += c.g;
          sum.b += c.b;
        }
      }
      const double n = kSamples * kSamples;
      icon.Set(x, y, imaging::Rgb{static_cast<uint8_t>(lround(255 * fmin(sum.r / n, 1.0))),
                                  static_cast<uint8_t>(lround(255 * fmin(sum.g / n, 1.0))),
                                  static_cast<uint8_t>(lround(255 * fmin(sum.b / n, 1.0)))});
    }
  }
  return icon;
}

const std::vector<uint8_t>& PrinterIconPng(int which) {
  static std::once_flag drawn;
  static std::vector<uint8_t> pngs[3];
  std::call_once(drawn, [] {
    for (int i = 0; i < 3; ++i) {
      std::string error;
      // An icon that cannot be encoded stays empty and PAPPL keeps its own.
      if (!imaging::EncodePng(DrawPrinterIcon(kIconSizes[i]), &pngs[i], &error)) pngs[i].clear();
    }
  });
  return pngs[which];
}

}  // namespace printerapp
