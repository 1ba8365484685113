// Each ink's tone curve, measured from the test disc's ramps in a scan
// (testdisc/ramps.h): the printed coverage of each step is the light it
// takes in the ink's own channel, in linear light, from the paper right
// beside it, relative to what full ink (the ramp's 100 % patch) takes from
// its own; cyan is read in red, magenta in green, yellow in blue, black in
// all three.
#ifndef QUILLORY2_CALIBRATION_RAMP_ANALYSIS_H_
#define QUILLORY2_CALIBRATION_RAMP_ANALYSIS_H_

#include <array>
#include <vector>

#include "imaging/ink_curves.h"
#include "imaging/rgb_image.h"
#include "testdisc/ramps.h"

namespace calibration {

// Where the label lies in the scan, as the analysis found it: a point of the
// label (mm from the print's nominal centre, x right, y down) lies at the
// disc's centre plus, turned by `turn` (radians, clockwise), the print's
// centre (pixels, the label's own directions) and the point at the print's
// scale.
struct LabelFrame {
  double disc_x = 0, disc_y = 0;
  double print_x = 0, print_y = 0;
  double scale_x = 1, scale_y = 1;
  double turn = 0;
  double px_mm = 0;
};

struct RampFindings {
  bool found = false;   // the scan shows the ramps (a test disc from before them does not)
  bool colour = false;  // cyan, magenta and yellow ramps; else the grey one alone, in black
  // Fitted: cyan, magenta and yellow on a colour disc, black on a
  // monochrome one; the other inks stay the identity.
  imaging::InkCurves curves;
  // The grey ramp (a colour disc's three inks together), in % per step,
  // averaged over the three channels: as a person checks the curves.
  std::array<double, imaging::kCurveSteps> grey{};
};

// Measures the ramps' patches in scan; *findings found stays false when they
// are not there.
void MeasureRamps(const imaging::RgbImage& scan, const LabelFrame& frame,
                  const std::vector<testdisc::RampPatch>& patches, RampFindings* findings);

}  // namespace calibration

#endif  // QUILLORY2_CALIBRATION_RAMP_ANALYSIS_H_
