// Error diffusion of cyan, magenta and yellow together (or of one black
// plane): the halftone of the picture path.
//
// Chosen by measurement (bench/print_quality.py; bench/README.md has the
// table) against Floyd-Steinberg diffusion of each plane on its own, which
// remains as Diffuser (halftone.h), the classic halftone:
//  - Vector error diffusion over the minimum-brightness-variation quadruple
//    (MBVQ; Shaked, Arad, Fitzhugh and Sobel): each dot is printed as the
//    nearest of the four ink combinations that lie closest in brightness to
//    the colour asked for, so that a light neutral is made of single cyan,
//    magenta and yellow dots side by side, never of stacked (black) ones, and
//    a dark one of black, red, green and blue cells, never of white ones.
//  - The weights follow the cell's true shape: at 600 rows per inch a dot
//    cell is 1/300 inch across and 1/600 down, and the weights that send the
//    error along Floyd and Steinberg's square grid draw a texture that runs
//    across (at 50 % grey, 29 times the power across as down).
// Threshold modulation (Zhou and Fang) was measured too: on these inks it
// added grain and did not lower delta E, so it is not used.
// The error stops where printable is 0 (outside the disc's ring): ink that
// may not land is not pushed onto neighbours.
#ifndef QUILLORY2_IMAGING_VECTOR_DIFFUSION_H_
#define QUILLORY2_IMAGING_VECTOR_DIFFUSION_H_

#include <stdint.h>

#include <vector>

namespace imaging {

class VectorDiffuser {
 public:
  static constexpr int kLanes = 4;  // coverages per dot in Rows

  // planes: 3 (cyan, magenta, yellow) or 1 (black); rows_per_inch: 300 or 600.
  VectorDiffuser(int32_t width, int planes, int32_t rows_per_inch);

  // Halftones one row: dot x's coverage of ink p (0 none .. 1 full) is
  // density[x * kLanes + p]; ink p's dots go to out_bits[p] (bit 7 of byte 0
  // the leftmost dot; bits are only set, so the caller clears the rows).
  void Rows(const float* density, const uint8_t* printable, uint8_t* const* out_bits);

  // The weights: to the next dot, and to the row below (at x - 1, x, x + 1
  // in the direction of travel); they add up to 1.
  struct Weights {
    float next;
    float below[3];
  };
  static Weights WeightsFor(int32_t rows_per_inch);

 private:
  int32_t width_;
  int planes_;
  Weights weights_;
  int32_t row_ = 0;
  std::vector<float> current_, next_;  // kLanes errors per dot, width + 2 dots
};

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_VECTOR_DIFFUSION_H_
