#include "testdisc/ramps.h"

#include <math.h>

namespace testdisc {
namespace {

constexpr double kPi = 3.14159265358979323846;
// The settings label reaches about 38 mm from the centre at its corners; the
// scan analysis looks for the outer circle from 4.5 mm inside it.
constexpr double kInnerMm = 39.5;
constexpr double kClearOfCircleMm = 5.5;
constexpr double kGapMm = 1.0;  // between patches, so that each is diffused on its own
constexpr double kPaperBesideMm = 0.7;
constexpr double kFirstAngle = -172 * kPi / 180, kLastAngle = -8 * kPi / 180;

}  // namespace

bool RampPatch::Contains(double x, double y) const {
  const double r = hypot(x, y), a = atan2(y, x);
  return r >= r0 && r <= r1 && a >= a0 && a <= a1;
}

std::vector<RampPatch> RampPatches(const page::DiscRing& ring) {
  std::vector<RampPatch> patches;
  if (ring.outer_mm < kMinRampOuterMm) return patches;
  const double outer = ring.outer_mm / 2 - kClearOfCircleMm, middle = (kInnerMm + outer) / 2;
  // Grey and cyan on the outer arc, magenta and yellow on the inner one,
  // each from left to right over the top.
  const int slots = 2 * kRampSteps;
  const double slot = (kLastAngle - kFirstAngle) / slots;
  for (int ramp = 0; ramp < kRampCount; ++ramp) {
    const bool outer_arc = ramp == kGreyRamp || ramp == kCyanRamp;
    const double r0 = outer_arc ? middle + kGapMm / 2 : kInnerMm,
                 r1 = outer_arc ? outer : middle - kGapMm / 2;
    const double gap = kGapMm / ((r0 + r1) / 2);  // the gap as an angle, at the arc's middle
    for (int step = 0; step < kRampSteps; ++step) {
      const int k = (ramp % 2) * kRampSteps + step;
      const double a0 = kFirstAngle + k * slot + gap / 2;
      const double paper_r = outer_arc ? r1 + kPaperBesideMm : r0 - kPaperBesideMm;
      patches.push_back(
          RampPatch{static_cast<Ramp>(ramp), step, r0, r1, a0, a0 + slot - gap, paper_r});
    }
  }
  return patches;
}

const RampPatch* PatchAt(const std::vector<RampPatch>& patches, double x, double y) {
  if (patches.empty() || y >= 0) return nullptr;
  const double r = hypot(x, y);
  if (r < kInnerMm || r > patches.front().r1) return nullptr;
  for (const RampPatch& p : patches)
    if (p.Contains(x, y)) return &p;
  return nullptr;
}

}  // namespace testdisc
