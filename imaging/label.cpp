#include "imaging/label.h"

#include <math.h>

#include <algorithm>

#include "imaging/halftone.h"
#include "imaging/vector_diffusion.h"

namespace imaging {

bool ValidateLayout(const LabelLayout& layout, std::string* error) {
  return page::ValidateRingOn(layout.disc, layout.ring, error) && ValidateSeparation(layout.separation, error);
}

namespace {

// One page row of densities, and where ink may land.
struct DensityRow {
  std::vector<float> density;      // Diffuser::kLanes (= VectorDiffuser::kLanes) per dot
  std::vector<uint8_t> printable;  // 1 where ink may land
  bool has_picture = false;        // densities other than 0 in the picture's columns
};

// Placing, masking and separating: one page row of densities at a time.
class Separation {
 public:
  // A picture scaled to fit the square.
  Separation(const RgbImage& image, const page::JobOptions& options, const LabelLayout& layout,
             int32_t width)
      : Separation(image, PlaceImage(image.width, image.height, options.RowsPerInch(), layout.disc),
                   options, layout, width) {}

  // A picture already on the printer's dots, centred on the square without
  // scaling: a larger one loses as much on either side.
  static Placement OnDots(const RgbImage& dots, int32_t rows) {
    Placement place;
    place.width = std::min(dots.width, kSquareDots);
    place.height = std::min(dots.height, rows);
    place.left = (kSquareDots - place.width) / 2;
    place.top = (rows - place.height) / 2;
    return place;
  }
  Separation(const RgbImage& dots, const page::JobOptions& options, const LabelLayout& layout,
             int32_t width, int32_t rows)
      : Separation(dots, OnDots(dots, rows), options, layout, width) {
    on_dots_ = true;
    skip_x_ = (dots.width - place_.width) / 2;
    skip_y_ = (dots.height - place_.height) / 2;
    dots_ = &dots;
    dot_row_.resize(static_cast<size_t>(place_.width) * 3);
  }

  Separation(const RgbImage& image, const Placement& place, const page::JobOptions& options,
             const LabelLayout& layout, int32_t width)
      : colour_(options.Colour()),
        width_(width),
        place_(place),
        mask_(layout.ring, options.RowsPerInch()),
        has_picture_(place_.width > 0 && place_.height > 0 && !image.Empty()),
        resampler_(has_picture_ ? image : nothing_, std::max(place_.width, 1),
                   std::max(place_.height, 1)),
        classic_(layout.rendering == Rendering::kClassic),
        separator_(layout.separation, options.media, colour_) {}

  void Row(int32_t row, DensityRow* out) {
    out->density.resize(static_cast<size_t>(width_) * Diffuser::kLanes, 0.0f);
    out->printable.resize(width_);
    // The ring may reach a little past the square (a 120 mm disc): clip.
    const page::RingRow span = mask_.Row(row);
    auto fill = [&](int32_t first, int32_t last, uint8_t value) {
      first = std::max(first, 0);
      last = std::min(last, width_ - 1);
      if (first <= last) std::fill(out->printable.begin() + first, out->printable.begin() + last + 1, value);
    };
    std::fill(out->printable.begin(), out->printable.end(), 0);
    fill(span.first, span.last, 1);
    fill(span.hub_first, span.hub_last, 0);

    // Densities stay 0 outside the picture's columns; inside them they are
    // written on every row the picture covers, and cleared after it.
    float* dot = out->density.data() + static_cast<size_t>(place_.left) * Diffuser::kLanes;
    const int32_t iy = row - place_.top;
    const bool picture_row = has_picture_ && iy >= 0 && iy < place_.height;
    if (!picture_row) {
      if (out->has_picture) std::fill(dot, dot + static_cast<size_t>(place_.width) * Diffuser::kLanes, 0.0f);
      out->has_picture = false;
      return;
    }
    out->has_picture = true;
    const float* rgb = on_dots_ ? DotRow(iy) : resampler_.Row(iy);
    for (int32_t ix = 0; ix < place_.width; ++ix, dot += Diffuser::kLanes) {
      const float* p = rgb + static_cast<size_t>(ix) * 3;
      if (!classic_) {
        separator_.Separate(p, dot);
      } else if (colour_) {
        // Subtractive inks: cyan takes away red, magenta green, yellow blue.
        dot[page::kCyan] = Ink(p[0]);
        dot[page::kMagenta] = Ink(p[1]);
        dot[page::kYellow] = Ink(p[2]);
      } else {
        dot[0] = Ink(0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]);
      }
    }
  }

 private:
  const float* DotRow(int32_t iy) {
    const uint8_t* in = dots_->At(skip_x_, skip_y_ + iy);
    for (size_t i = 0; i < dot_row_.size(); ++i) dot_row_[i] = in[i] * (1.0f / 255);
    return dot_row_.data();
  }

  static float Ink(float v) { return 1.0f - std::clamp(v, 0.0f, 1.0f); }

  const RgbImage nothing_{1, 1, Rgb{255, 255, 255}};  // stands in for an empty picture
  bool colour_;
  int32_t width_;
  Placement place_;
  DiscMask mask_;
  bool has_picture_;
  RowResampler resampler_;
  bool classic_;
  Separator separator_;
  bool on_dots_ = false;  // rows straight from dots_, not resampled
  int32_t skip_x_ = 0, skip_y_ = 0;
  const RgbImage* dots_ = nullptr;
  std::vector<float> dot_row_;
};

static_assert(Diffuser::kLanes == VectorDiffuser::kLanes, "both diffusers read the same rows");

template <typename AnyDiffuser, typename Rows>
page::InkPage Diffuse(AnyDiffuser* diffuser, Rows* separation, page::InkPage label) {
  DensityRow in;
  uint8_t* rows[Diffuser::kMaxPlanes];
  for (int32_t row = 0; row < label.rows; ++row) {
    separation->Row(row, &in);
    for (int plane = 0; plane < label.PlaneCount(); ++plane) rows[plane] = label.Row(plane, row);
    diffuser->Rows(in.density.data(), in.printable.data(), rows);
  }
  return label;
}

page::InkPage Halftone(Separation* separation, page::InkPage label, Rendering rendering) {
  if (rendering == Rendering::kClassic) {
    Diffuser diffuser(label.width_dots, label.PlaneCount());
    return Diffuse(&diffuser, separation, std::move(label));
  }
  VectorDiffuser diffuser(label.width_dots, label.PlaneCount(), label.rows_per_inch);
  return Diffuse(&diffuser, separation, std::move(label));
}

// Rows of a coverage chart, as Diffuse reads them.
class CoverageRows {
 public:
  CoverageRows(int32_t width, const CoverageAt& at) : width_(width), at_(at) {}
  void Row(int32_t row, DensityRow* out) {
    out->density.assign(static_cast<size_t>(width_) * Diffuser::kLanes, 0.0f);
    out->printable.assign(width_, 0);
    for (int32_t x = 0; x < width_; ++x)
      out->printable[x] = at_(x, row, out->density.data() + static_cast<size_t>(x) * Diffuser::kLanes) ? 1 : 0;
  }

 private:
  int32_t width_;
  const CoverageAt& at_;
};

page::InkPage BlankLabel(const page::JobOptions& options) {
  return page::InkPage::Blank(kSquareDots, SquareRows(options.RowsPerInch()), options.RowsPerInch(),
                              options.Colour());
}

}  // namespace

page::InkPage MakeLabelPage(const RgbImage& image, const page::JobOptions& options,
                            const LabelLayout& layout) {
  Separation separation(image, options, layout, kSquareDots);
  return Halftone(&separation, BlankLabel(options), layout.rendering);
}

page::InkPage MakeLabelPageOnDots(const RgbImage& dots, const page::JobOptions& options,
                                  const LabelLayout& layout) {
  Separation separation(dots, options, layout, kSquareDots, SquareRows(options.RowsPerInch()));
  return Halftone(&separation, BlankLabel(options), layout.rendering);
}

page::InkPage HalftoneCoverage(int32_t width_dots, int32_t rows, int32_t rows_per_inch, bool colour,
                               const CoverageAt& at) {
  CoverageRows chart(width_dots, at);
  VectorDiffuser diffuser(width_dots, colour ? 3 : 1, rows_per_inch);
  return Diffuse(&diffuser, &chart, page::InkPage::Blank(width_dots, rows, rows_per_inch, colour));
}

}  // namespace imaging
