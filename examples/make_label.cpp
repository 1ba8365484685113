// Draws the example disc label: a sunset photo stand-in with smooth
// gradients, hairlines and thin rings that show how fine detail survives the
// halftone, and lettering in the built-in bitmap font.
//
//   make_label OUT.png          (writes the picture; "-" for standard output)
//   make_label --photo OUT.png  (the scene alone, 800 x 600: the photo of the
//                                designer's example template)
//
// The result is committed as examples/label.png; running the program again
// must give the same pixels (a test checks this).
#include <math.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "imaging/bitmap_font.h"
#include "imaging/png_writer.h"
#include "imaging/rgb_image.h"
#include "files/write_file.h"

namespace {

using imaging::Rgb;
using imaging::RgbImage;

constexpr int kSize = 1024;
constexpr double kPi = 3.14159265358979323846;

double Mix(double a, double b, double t) { return a + (b - a) * t; }
double Clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
double Smooth(double e0, double e1, double x) {
  double t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

Rgb ToRgb(double r, double g, double b) {
  return Rgb{static_cast<uint8_t>(lround(Clamp01(r) * 255)), static_cast<uint8_t>(lround(Clamp01(g) * 255)),
             static_cast<uint8_t>(lround(Clamp01(b) * 255))};
}

// Sky from deep blue to orange, a soft sun, two ranges of hills and a lake
// that mirrors the sky: large smooth tone changes like a photograph.
Rgb Scene(double x, double y) {
  const double horizon = 0.62;
  double r, g, b;
  auto sky = [](double v, double* rr, double* gg, double* bb) {
    const double t = Clamp01(v / 0.62);
    *rr = Mix(0.10, 1.00, t * t);
    *gg = Mix(0.15, 0.62, t * t * t);
    *bb = Mix(0.45, 0.30, t);
  };
  if (y < horizon) {
    sky(y, &r, &g, &b);
  } else {
    sky(2 * horizon - y, &r, &g, &b);
    r *= 0.75, g *= 0.80, b = Mix(b, 0.55, 0.4);
    // Ripples: faint horizontal bands on the water.
    const double ripple = 0.04 * sin(y * 420) * Smooth(horizon, 1, y);
    r += ripple, g += ripple, b += ripple;
  }
  // Sun with a glow.
  const double d = hypot(x - 0.62, y - 0.50);
  const double glow = exp(-d * d / 0.02);
  r = Mix(r, 1.0, glow * 0.8), g = Mix(g, 0.92, glow * 0.7), b = Mix(b, 0.65, glow * 0.5);
  if (d < 0.075 && y < horizon) r = 1.0, g = 0.93, b = 0.70;
  // Hills: far ones blue-grey, near ones dark green, both shaded.
  const double far = 0.55 - 0.05 * sin(x * 7.0 + 0.6) - 0.025 * sin(x * 17.0);
  const double near = 0.60 - 0.08 * sin(x * 4.0 + 2.0) - 0.02 * sin(x * 23.0);
  if (y > far && y < horizon) {
    const double s = Smooth(far, horizon, y);
    r = Mix(0.35, 0.25, s), g = Mix(0.32, 0.28, s), b = Mix(0.50, 0.40, s);
  }
  if (y > near && y < horizon + 0.01) {
    const double s = Smooth(near, horizon, y);
    r = Mix(0.10, 0.04, s), g = Mix(0.30, 0.16, s), b = Mix(0.12, 0.08, s);
  }
  return ToRgb(r, g, b);
}

void Ring(RgbImage* img, double cx, double cy, double radius, double width, Rgb colour) {
  for (int y = 0; y < img->height; ++y) {
    for (int x = 0; x < img->width; ++x) {
      if (fabs(hypot(x + 0.5 - cx, y + 0.5 - cy) - radius) <= width / 2) img->Set(x, y, colour);
    }
  }
}

void Line(RgbImage* img, double x0, double y0, double x1, double y1, Rgb colour) {
  const int steps = static_cast<int>(hypot(x1 - x0, y1 - y0) * 2) + 1;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    img->Set(static_cast<int>(Mix(x0, x1, t)), static_cast<int>(Mix(y0, y1, t)), colour);
  }
}

void Centred(RgbImage* img, double cy, const std::string& text, int scale, Rgb colour) {
  const int w = imaging::TextWidth(text, scale);
  imaging::DrawText(img, (img->width - w) / 2, static_cast<int>(cy), text, scale, colour);
}

RgbImage DrawLabel() {
  RgbImage img(kSize, kSize);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) img.Set(x, y, Scene((x + 0.5) / kSize, (y + 0.5) / kSize));

  const double c = kSize / 2.0;
  const double rim = c * 0.985;  // the label's edge in picture pixels
  // A white band near the rim with hairline rings of 1 and 2 pixels.
  Ring(&img, c, c, rim * 0.93, rim * 0.10, Rgb{255, 255, 255});
  Ring(&img, c, c, rim * 0.895, 1.0, Rgb{0, 0, 0});
  Ring(&img, c, c, rim * 0.965, 2.0, Rgb{200, 0, 40});
  // Fine spokes in the white band: lines one pixel wide, converging slightly.
  for (int i = 0; i < 180; ++i) {
    const double a = i * 2 * kPi / 180;
    Line(&img, c + cos(a) * rim * 0.90, c + sin(a) * rim * 0.90, c + cos(a) * rim * 0.955,
         c + sin(a) * rim * 0.955, i % 10 == 0 ? Rgb{0, 0, 160} : Rgb{90, 90, 90});
  }
  // A grey wedge and pure inks under the title, to judge tone and colour.
  const int patch = 34, wedge_y = static_cast<int>(kSize * 0.74);
  for (int i = 0; i < 11; ++i) {
    const uint8_t v = static_cast<uint8_t>(255 - i * 255 / 10);
    img.FillRect(static_cast<int>(c) - 11 * patch / 2 + i * patch, wedge_y, patch, patch, Rgb{v, v, v});
  }
  const Rgb inks[6] = {{0, 255, 255}, {255, 0, 255}, {255, 255, 0}, {255, 0, 0}, {0, 160, 0}, {0, 0, 255}};
  for (int i = 0; i < 6; ++i)
    img.FillRect(static_cast<int>(c) - 3 * patch + i * patch, wedge_y + patch + 6, patch, patch, inks[i]);

  Centred(&img, kSize * 0.14, "QUILLORY2", 9, Rgb{255, 255, 255});
  Centred(&img, kSize * 0.22, "DISC LABEL EXAMPLE", 4, Rgb{255, 240, 200});
  Centred(&img, kSize * 0.855, "300 X 600 DPI - 3 INKS - 1536 DOTS", 2, Rgb{30, 30, 30});
  Centred(&img, kSize * 0.875, "SMALL TEXT: THE QUICK BROWN FOX JUMPS 0123456789", 1, Rgb{0, 0, 0});
  return img;
}

// The scene on its own, as a landscape photo would be.
RgbImage DrawPhoto() {
  RgbImage img(800, 600);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) img.Set(x, y, Scene((x + 0.5) / 600 - 1.0 / 6, (y + 0.5) / 600));
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  const bool photo = argc == 3 && std::string(argv[1]) == "--photo";
  if (argc != 2 && !photo) {
    fprintf(stderr, "usage: make_label [--photo] OUT.png\n");
    return 2;
  }
  std::vector<uint8_t> png;
  std::string error;
  if (!imaging::EncodePng(photo ? DrawPhoto() : DrawLabel(), &png, &error) ||
      !files::WriteWholeFile(argv[argc - 1], png, &error)) {
    fprintf(stderr, "make_label: error: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
