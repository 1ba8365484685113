// The two steps from a picture to dots: resampling onto the dot grid, and
// error diffusion of ink densities into dots.
#ifndef QUILLORY2_IMAGING_HALFTONE_H_
#define QUILLORY2_IMAGING_HALFTONE_H_

#include <stdint.h>

#include <vector>

#include "imaging/rgb_image.h"

namespace imaging {

// Resamples src (any size) to width x height samples of 3 floats in 0..1,
// with a tent filter widened to the source footprint when shrinking, so that
// fine detail averages instead of aliasing. Pixel aspect comes from the
// target size alone: the caller may stretch rows (600 rows per inch).
std::vector<float> Resample(const RgbImage& src, int32_t width, int32_t height);

// Floyd-Steinberg error diffusion, serpentine, one row at a time.
class Diffuser {
 public:
  explicit Diffuser(int32_t width);
  // Halftones one row of ink densities (0 none .. 1 full) into out_bits (bit
  // 7 of byte 0 the leftmost dot; bits are only ever set, so the caller
  // clears the row). Where printable is given and 0 no dot is set and the
  // error stops there: ink that may not land is not pushed onto neighbours.
  void Row(const float* density, const uint8_t* printable, uint8_t* out_bits);

 private:
  int32_t width_;
  int32_t row_ = 0;
  std::vector<float> current_, next_;
};

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_HALFTONE_H_
