// The two steps from a picture to dots: resampling onto the dot grid, and
// error diffusion of ink densities into dots.
#ifndef QUILLORY2_IMAGING_HALFTONE_H_
#define QUILLORY2_IMAGING_HALFTONE_H_

#include <stdint.h>

#include <utility>
#include <vector>

#include "imaging/rgb_image.h"

namespace imaging {

// Resamples a picture to width x height samples of 3 floats in 0..1, one
// output row at a time, with a tent filter widened to the source footprint
// when shrinking, so that fine detail averages instead of aliasing. Pixel
// aspect comes from the target size alone: the caller may stretch rows (600
// rows per inch). Each source row is filtered across once and kept only
// while output rows still need it, so a page never holds the whole
// resampled picture.
class RowResampler {
 public:
  // src must outlive the resampler; width and height must be positive and
  // src not empty.
  RowResampler(const RgbImage& src, int32_t width, int32_t height);

  // Output row y (width * 3 floats: red, green, blue of each sample). Rows
  // must be asked for in increasing order; the row stays valid until the
  // next call.
  const float* Row(int32_t y);

 private:
  struct Tap {
    int32_t first = 0;
    std::vector<float> weights;
  };
  static std::vector<Tap> AxisTaps(int32_t in, int32_t out);
  const std::vector<float>& Across(int32_t sy);

  const RgbImage& src_;
  int32_t width_;
  std::vector<Tap> xt_, yt_;
  std::vector<std::pair<int32_t, std::vector<float>>> across_;  // source rows filtered across
  std::vector<float> row_;
};

// The whole picture resampled as above: width x height x 3 floats (white
// for an empty picture).
std::vector<float> Resample(const RgbImage& src, int32_t width, int32_t height);

// Floyd-Steinberg error diffusion, serpentine, one row at a time, of one ink
// plane or of up to three planes side by side.
class Diffuser {
 public:
  static constexpr int kMaxPlanes = 3;
  static constexpr int kLanes = 4;  // densities per dot in Rows

  explicit Diffuser(int32_t width, int planes = 1);
  // Halftones one row of ink densities (0 none .. 1 full) into out_bits (bit
  // 7 of byte 0 the leftmost dot; bits are only ever set, so the caller
  // clears the row). Where printable is given and 0 no dot is set and the
  // error stops there: ink that may not land is not pushed onto neighbours.
  // For a diffuser of one plane.
  void Row(const float* density, const uint8_t* printable, uint8_t* out_bits);
  // The same for every plane at once: dot x's density on plane p is
  // density[x * kLanes + p], and plane p's dots go to out_bits[p]. Each
  // plane comes out exactly as a diffuser of its own would give it.
  void Rows(const float* density, const uint8_t* printable, uint8_t* const* out_bits);

 private:
  int32_t width_;
  int planes_;
  int32_t row_ = 0;
  std::vector<float> current_, next_;  // kLanes errors per dot, width + 2 dots
  std::vector<float> lanes_;           // Row's densities in Rows' layout
};

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_HALFTONE_H_
