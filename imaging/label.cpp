#include "imaging/label.h"

#include <math.h>

#include <algorithm>

#include "imaging/halftone.h"

namespace imaging {

bool ValidateLayout(const LabelLayout& layout, std::string* error) {
  if (!ValidateRing(layout.ring, error)) return false;
  if (!(layout.gamma >= 0.2 && layout.gamma <= 5)) {
    *error = "the gamma must lie between 0.2 and 5";
    return false;
  }
  return true;
}

namespace {

// Everything after placing: the samples of the placed picture (place.width x
// place.height, 3 floats 0..1 each) masked to the ring, separated and
// halftoned into the page.
page::InkPage LabelFromSamples(const std::vector<float>& rgb, const Placement& place,
                               const page::JobOptions& options, const LabelLayout& layout) {
  const int32_t rows_per_inch = options.RowsPerInch();
  const bool colour = options.Colour();
  page::InkPage label =
      page::InkPage::Blank(kSquareDots, SquareRows(rows_per_inch), rows_per_inch, colour);

  const DiscMask mask(layout.ring, rows_per_inch);
  const int planes = label.PlaneCount();
  const int32_t width = label.width_dots;
  std::vector<Diffuser> diffusers(planes, Diffuser(width));
  std::vector<float> density(static_cast<size_t>(width) * planes);
  std::vector<uint8_t> printable(width);

  // Tone curve as a table: 4096 steps are finer than any 8-bit input.
  constexpr int kSteps = 4096;
  std::vector<float> tone(kSteps + 1);
  for (int i = 0; i <= kSteps; ++i) {
    tone[i] = 1.0f - static_cast<float>(pow(double(i) / kSteps, layout.gamma));
  }
  auto ink = [&](float v) {
    return tone[static_cast<int>(std::clamp(v, 0.0f, 1.0f) * kSteps + 0.5f)];
  };

  for (int32_t row = 0; row < label.rows; ++row) {
    std::fill(density.begin(), density.end(), 0.0f);
    for (int32_t x = 0; x < width; ++x) printable[x] = mask.Printable(x, row) ? 1 : 0;
    const int32_t iy = row - place.top;
    if (iy >= 0 && iy < place.height) {
      for (int32_t ix = 0; ix < place.width; ++ix) {
        const float* p = rgb.data() + (static_cast<size_t>(iy) * place.width + ix) * 3;
        const size_t x = static_cast<size_t>(place.left + ix);
        if (colour) {
          // Subtractive inks: cyan takes away red, magenta green, yellow blue.
          density[page::kCyan * static_cast<size_t>(width) + x] = ink(p[0]);
          density[page::kMagenta * static_cast<size_t>(width) + x] = ink(p[1]);
          density[page::kYellow * static_cast<size_t>(width) + x] = ink(p[2]);
        } else {
          density[x] = ink(0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]);
        }
      }
    }
    for (int plane = 0; plane < planes; ++plane) {
      diffusers[plane].Row(density.data() + static_cast<size_t>(plane) * width, printable.data(),
                           label.Row(plane, row));
    }
  }
  return label;
}

}  // namespace

page::InkPage MakeLabelPage(const RgbImage& image, const page::JobOptions& options,
                            const LabelLayout& layout) {
  const Placement place = PlaceImage(image.width, image.height, options.RowsPerInch());
  return LabelFromSamples(Resample(image, place.width, place.height), place, options, layout);
}

page::InkPage MakeLabelPageOnDots(const RgbImage& dots, const page::JobOptions& options,
                                  const LabelLayout& layout) {
  // Centred on the square: a larger page loses as much on either side.
  Placement place;
  place.width = std::min(dots.width, kSquareDots);
  place.height = std::min(dots.height, SquareRows(options.RowsPerInch()));
  place.left = (kSquareDots - place.width) / 2;
  place.top = (SquareRows(options.RowsPerInch()) - place.height) / 2;
  const int32_t skip_x = (dots.width - place.width) / 2;
  const int32_t skip_y = (dots.height - place.height) / 2;
  std::vector<float> rgb(static_cast<size_t>(place.width) * place.height * 3);
  float* out = rgb.data();
  for (int32_t y = 0; y < place.height; ++y) {
    const uint8_t* in = dots.At(skip_x, skip_y + y);
    for (int32_t i = 0; i < place.width * 3; ++i) *out++ = in[i] * (1.0f / 255);
  }
  return LabelFromSamples(rgb, place, options, layout);
}

bool MakeLabelPages(const uint8_t* data, size_t size, const page::JobOptions& options,
                    const LabelLayout& layout, std::vector<page::InkPage>* pages,
                    std::string* error, const ImageLimits& limits) {
  RgbImage picture;
  if (!DecodeImage(data, size, &picture, error, limits)) return false;
  pages->clear();
  pages->push_back(MakeLabelPage(picture, options, layout));
  return true;
}

}  // namespace imaging
