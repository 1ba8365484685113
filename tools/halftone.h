// From a picture to the printer's inks: resampling onto the dot grid,
// colour separation, the disc mask and error diffusion.
#ifndef QUILLORY2_TOOLS_HALFTONE_H_
#define QUILLORY2_TOOLS_HALFTONE_H_

#include <stddef.h>  // before ink_page.h, which uses size_t
#include <stdint.h>

#include <vector>

#include "hosts/ink_page.h"
#include "tools/disc_layout.h"
#include "tools/rgb_image.h"

namespace imaging {

struct LabelSettings {
  int32_t rows_per_inch = 600;  // 300 or 600
  bool colour = true;           // three planes cyan, magenta, yellow; else one black plane
  double gamma = 1.0;           // ink = 1 - value^gamma; above 1 darkens mid-tones
  DiscRing ring;
};

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

// The whole label: placed, masked and halftoned into a page of 1416 dots by
// the square's rows, ready for either driver.
hosts::InkPage MakeLabelPage(const RgbImage& image, const LabelSettings& settings);

}  // namespace imaging

#endif  // QUILLORY2_TOOLS_HALFTONE_H_
