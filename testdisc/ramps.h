// The test disc's ramps: patches of 0, 10, ..., 100 % nominal coverage of
// grey (cyan, magenta and yellow together; black on a monochrome disc) and
// of cyan, magenta and yellow alone, halftoned as pictures are. A scan of
// them shows what the printer does with real dots (calibration/ramp_analysis.h
// fits each ink's tone curve from it).
//
// They lie on two arcs in the upper half of the ring, between the settings
// label and the outer circle, where the scan analysis finds them from the
// printed circles alone: clear of the bands it searches for the circles and
// scales, and all above the centre, where the label's text already points
// the analysis to the top.
#ifndef QUILLORY2_TESTDISC_RAMPS_H_
#define QUILLORY2_TESTDISC_RAMPS_H_

#include <vector>

#include "page/disc_ring.h"

namespace testdisc {

enum Ramp { kGreyRamp, kCyanRamp, kMagentaRamp, kYellowRamp, kRampCount };
constexpr int kRampSteps = 11;  // nominal 0, 10, ..., 100 %

// One patch: an annular sector in mm from the print's centre, x right and y
// down, angles in radians as atan2(y, x) (so the upper half is negative).
struct RampPatch {
  Ramp ramp;
  int step;  // nominal coverage step * 10 %
  double r0, r1, a0, a1;
  // A radius beside the patch, away from the other arc, where the paper
  // around it shows (a scan's light varies across the disc).
  double paper_r;
  bool Contains(double x, double y) const;
};

// The patches for a ring of this outer diameter, by ramp and step (ramp *
// kRampSteps + step); empty when the ring leaves no room (below
// kMinRampOuterMm, so never on an 80 mm disc).
constexpr double kMinRampOuterMm = 115;
std::vector<RampPatch> RampPatches(const page::DiscRing& ring);

// The patch that holds (x, y), or nullptr.
const RampPatch* PatchAt(const std::vector<RampPatch>& patches, double x, double y);

}  // namespace testdisc

#endif  // QUILLORY2_TESTDISC_RAMPS_H_
