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

page::InkPage MakeLabelPage(const RgbImage& image, const page::JobOptions& options,
                            const LabelLayout& layout) {
  const int32_t rows_per_inch = options.RowsPerInch();
  const bool colour = options.Colour();
  page::InkPage label =
      page::InkPage::Blank(kSquareDots, SquareRows(rows_per_inch), rows_per_inch, colour);

  const Placement place = PlaceImage(image.width, image.height, rows_per_inch);
  const DiscMask mask(layout.ring, rows_per_inch);
  const int planes = label.PlaneCount();
  const int32_t width = label.width_dots;
  Diffuser diffuser(width, planes);
  // Densities stay 0 outside the picture; inside it they are rewritten on
  // every row that the picture covers.
  std::vector<float> density(static_cast<size_t>(width) * Diffuser::kLanes, 0.0f);
  std::vector<uint8_t> printable(width);
  const bool has_picture = place.width > 0 && place.height > 0 && !image.Empty();
  const RgbImage nothing(1, 1, Rgb{255, 255, 255});  // stands in for an empty picture
  RowResampler resampler(has_picture ? image : nothing, std::max(place.width, 1),
                         std::max(place.height, 1));

  // Tone curve as a table: 4096 steps are finer than any 8-bit input.
  constexpr int kSteps = 4096;
  std::vector<float> tone(kSteps + 1);
  for (int i = 0; i <= kSteps; ++i) {
    tone[i] = 1.0f - static_cast<float>(pow(double(i) / kSteps, layout.gamma));
  }
  auto ink = [&](float v) {
    return tone[static_cast<int>(std::clamp(v, 0.0f, 1.0f) * kSteps + 0.5f)];
  };

  bool picture_row_before = false;
  for (int32_t row = 0; row < label.rows; ++row) {
    const DiscMask::RowSpan span = mask.Row(row);
    std::fill(printable.begin(), printable.end(), 0);
    std::fill(printable.begin() + span.begin, printable.begin() + span.end, 1);
    std::fill(printable.begin() + span.hub_begin, printable.begin() + span.hub_end, 0);

    const int32_t iy = row - place.top;
    const bool picture_row = has_picture && iy >= 0 && iy < place.height;
    if (picture_row) {
      const float* rgb = resampler.Row(iy);
      float* dot = density.data() + static_cast<size_t>(place.left) * Diffuser::kLanes;
      for (int32_t ix = 0; ix < place.width; ++ix, dot += Diffuser::kLanes) {
        const float* p = rgb + static_cast<size_t>(ix) * 3;
        if (colour) {
          // Subtractive inks: cyan takes away red, magenta green, yellow blue.
          dot[page::kCyan] = ink(p[0]);
          dot[page::kMagenta] = ink(p[1]);
          dot[page::kYellow] = ink(p[2]);
        } else {
          dot[0] = ink(0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]);
        }
      }
    } else if (picture_row_before) {
      std::fill(density.begin(), density.end(), 0.0f);
    }
    picture_row_before = picture_row;

    uint8_t* rows[3];
    for (int plane = 0; plane < planes; ++plane) rows[plane] = label.Row(plane, row);
    diffuser.Rows(density.data(), printable.data(), rows);
  }
  return label;
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
