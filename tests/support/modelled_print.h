// A model printer whose dots spread, and the colour error of what it prints:
// the closed loop's tests (a known dot gain printed, scanned, fitted and
// corrected) judge the separation with it.
//
// Each ink's coverage, low-passed over a neighbourhood, prints as
// 1 - (1 - c)^k (k = 1: the area-coverage model itself); a cell reflects
// 1 - coverage of the light its ink takes (cyan red, magenta green, yellow
// blue, black all three).
#ifndef QUILLORY2_TESTS_SUPPORT_MODELLED_PRINT_H_
#define QUILLORY2_TESTS_SUPPORT_MODELLED_PRINT_H_

#include <array>
#include <vector>

#include "imaging/rgb_image.h"
#include "page/disc_ring.h"
#include "page/ink_page.h"

namespace testsupport {

struct DotGain {
  std::array<double, 4> exponent{1, 1, 1, 1};  // cyan, magenta, yellow, black
  double Printed(int ink, double c) const;
};

// What the page's inks cover with that gain, per 300-dpi pixel (rows of
// 1/300 inch, the page's rows averaged into them), from the page's first
// dot: coverage[plane][y * width + x], low-passed over (2 radius + 1)^2
// pixels before the gain.
struct PrintedInk {
  int32_t width = 0, height = 0;
  std::vector<std::vector<float>> coverage;
};
PrintedInk PrintInk(const page::InkPage& page, const DotGain& gain, int radius);
// The neighbourhood the gain sees, in prints and in the scans of them: about
// a third of a mm (wider would wash out the test disc's thin lines).
constexpr int kSpreadRadius = 2;

// Mean CIELAB delta E (1976) between what the square's page prints with the
// gain (the inks low-passed as PrintInk does for scans) and the picture it was made from (on the
// page's dots, as imaging::MakeLabelPageOnDots takes it), both averaged over blocks of about 1 mm
// lying wholly in the ring.
double ModelledDeltaE(const page::InkPage& page, const imaging::RgbImage& picture,
                      const DotGain& gain, const page::DiscRing& ring);

// A smooth photo-like picture on the printable square's dots at
// rows_per_inch: colour washes, skin-like and dark areas, soft edges.
imaging::RgbImage PhotoLikePicture(int32_t rows_per_inch);

}  // namespace testsupport

#endif  // QUILLORY2_TESTS_SUPPORT_MODELLED_PRINT_H_
