#include "imaging/preview.h"

#include <math.h>

#include <algorithm>

#include "imaging/bitmap_font.h"
#include "imaging/halftone.h"
#include "imaging/srgb.h"
#include "page/print_position.h"

namespace imaging {

namespace {

constexpr int32_t kPrinterLineDots = 1536;
constexpr int32_t kPanelGap = 12;
const Rgb kOutlineGrey{150, 150, 150};
const Rgb kDiscGrey{90, 90, 90};
const Rgb kGapColour{224, 224, 224};

// The sRGB code of linear light 0..1: the share of a pixel the inks leave
// white is light, and a picture shows light through its code values.
uint8_t EncodeLight(double light) {
  return static_cast<uint8_t>(lround(255 * LinearToSrgb(std::clamp(light, 0.0, 1.0))));
}

// Red, green and blue that an ink lets through, out of 1.
void Transmission(InkColour ink, double t[3]) {
  t[0] = t[1] = t[2] = 1;
  switch (ink) {
    case InkColour::kCyan: t[0] = 0; break;
    case InkColour::kMagenta: t[1] = 0; break;
    case InkColour::kYellow: t[2] = 0; break;
    case InkColour::kBlack: t[0] = t[1] = t[2] = 0; break;
  }
}

// Per pixel, how many dots of each plane fall on it.
std::vector<uint8_t> CountDots(const PrintedPlane& plane, int32_t width, int32_t height) {
  std::vector<uint8_t> counts(static_cast<size_t>(width) * height, 0);
  for (const auto& [address, bytes] : plane.rows) {
    if (address < 0) continue;
    const int32_t y = address / 2;
    if (y >= height) continue;
    uint8_t* row = counts.data() + static_cast<size_t>(y) * width;
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (!bytes[i]) continue;
      for (int b = 0; b < 8; ++b) {
        const int64_t x = static_cast<int64_t>(i) * 8 + b;
        if (x < width && (bytes[i] & (0x80 >> b)) && row[x] < 255) ++row[x];
      }
    }
  }
  return counts;
}

void DrawCircles(RgbImage* image, int32_t left, double cx, double cy, const double (&diameters_mm)[2],
                 Rgb colour) {
  const double px_per_mm = kDotsPerInch / kMmPerInch;
  for (double diameter : diameters_mm) {
    const double r = diameter / 2 * px_per_mm;
    if (r <= 0) continue;
    const int32_t y0 = std::max<int32_t>(0, static_cast<int32_t>(cy - r - 2));
    const int32_t y1 = std::min<int32_t>(image->height - 1, static_cast<int32_t>(cy + r + 2));
    const int32_t x0 = std::max<int32_t>(left, static_cast<int32_t>(cx - r - 2));
    const int32_t x1 = std::min<int32_t>(image->width - 1, static_cast<int32_t>(cx + r + 2));
    for (int32_t y = y0; y <= y1; ++y) {
      for (int32_t x = x0; x <= x1; ++x) {
        const double d = hypot(x + 0.5 - cx, y + 0.5 - cy);
        if (fabs(d - r) < 0.6) image->Set(x, y, colour);
      }
    }
  }
}

void DrawRing(RgbImage* image, int32_t left, const PreviewSettings& s) {
  // Pixels are 1/300 inch square; the disc centre is the centre of the
  // printable square, 708 dots right of its left edge and 1416 row addresses
  // (708 pixels) down. The printable ring moves with the job's offset.
  const double cx = left + s.origin_dots + kSquareDots / 2.0;
  const double cy = kSquareDots / 2.0;
  const double dx = page::OffsetDots(s.ring_offset.x_tenths);
  const double dy = page::OffsetRows(s.ring_offset.y_tenths, s.rows_per_inch) *
                    (s.rows_per_inch == 600 ? 0.5 : 1.0);
  DrawCircles(image, left, cx + dx, cy + dy, {s.ring.outer_mm, s.ring.inner_mm}, kOutlineGrey);
  DrawCircles(image, left, cx, cy, {page::DiscDiameterMm(s.disc), page::kDiscHoleMm}, kDiscGrey);
}

}  // namespace

const char* InkName(InkColour ink) {
  switch (ink) {
    case InkColour::kCyan: return "cyan";
    case InkColour::kMagenta: return "magenta";
    case InkColour::kYellow: return "yellow";
    case InkColour::kBlack: return "black";
  }
  return "?";
}

RgbImage ScaleImage(const RgbImage& image, int32_t width) {
  if (image.Empty() || width <= 0) return RgbImage();
  const int32_t height =
      std::max<int32_t>(1, static_cast<int32_t>((int64_t{image.height} * width + image.width / 2) / image.width));
  // Light adds up linearly: a pixel half covered by ink shows half the light,
  // which in sRGB is code 188, not 128. So the pixels are averaged as light.
  RgbImage linear(image.width, image.height);
  uint8_t to_linear[256];
  for (int v = 0; v < 256; ++v) to_linear[v] = static_cast<uint8_t>(lround(255 * SrgbToLinear(v / 255.0)));
  for (size_t i = 0; i < image.pixels.size(); ++i) linear.pixels[i] = to_linear[image.pixels[i]];
  const std::vector<float> rgb = Resample(linear, width, height);
  RgbImage out(width, height);
  for (size_t i = 0; i < rgb.size(); ++i) out.pixels[i] = EncodeLight(rgb[i]);
  return out;
}

Rgb InkTint(InkColour ink, double coverage) {
  double t[3];
  Transmission(ink, t);
  auto channel = [&](double through) {
    return EncodeLight(1 - coverage * (1 - through));
  };
  return Rgb{channel(t[0]), channel(t[1]), channel(t[2])};
}

RgbImage DrawPreview(const std::vector<PrintedPlane>& planes, const PreviewSettings& settings) {
  // The page, whatever the planes hold beyond it.
  const int32_t width = kPrinterLineDots;
  const int32_t height = kSquareDots;
  const int panels = settings.separate_planes ? 1 + static_cast<int>(planes.size()) : 1;
  RgbImage image(width * panels + kPanelGap * (panels - 1), height, Rgb{});
  const double per_dot = settings.rows_per_inch == 600 ? 0.5 : 1.0;

  std::vector<double> light(static_cast<size_t>(width) * height * 3, 1.0);
  for (size_t p = 0; p < planes.size(); ++p) {
    const std::vector<uint8_t> counts = CountDots(planes[p], width, height);
    double t[3];
    Transmission(planes[p].ink, t);
    const int32_t panel_left = static_cast<int32_t>(p + 1) * (width + kPanelGap);
    for (size_t i = 0; i < counts.size(); ++i) {
      if (!counts[i]) continue;
      const double cover = std::min(1.0, counts[i] * per_dot);
      for (int c = 0; c < 3; ++c) light[i * 3 + c] *= 1 - cover * (1 - t[c]);
      if (settings.separate_planes) {
        image.Set(panel_left + static_cast<int32_t>(i % width), static_cast<int32_t>(i / width),
                  InkTint(planes[p].ink, cover));
      }
    }
  }
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const double* l = light.data() + (static_cast<size_t>(y) * width + x) * 3;
      image.Set(x, y, Rgb{EncodeLight(l[0]), EncodeLight(l[1]), EncodeLight(l[2])});
    }
  }
  for (int panel = 0; panel < panels; ++panel) {
    const int32_t left = panel * (width + kPanelGap);
    if (panel > 0) image.FillRect(left - kPanelGap, 0, kPanelGap, height, kGapColour);
    if (settings.outline) DrawRing(&image, left, settings);
    if (settings.separate_planes) {
      std::string label = panel == 0 ? std::string("all planes")
                                     : "plane " + std::to_string(panel) + ": " + InkName(planes[panel - 1].ink);
      DrawText(&image, left + 16, 16, label, 3, Rgb{64, 64, 64});
    }
  }
  return image;
}

}  // namespace imaging
