#include "calibration/ramp_analysis.h"

#include <math.h>

#include <algorithm>

#include "imaging/srgb.h"

namespace calibration {
namespace {

// Linear light of each channel of a patch's middle (its edges, where the
// scan's blur mixes in the gaps and the diffusion starts, left out).
std::array<double, 3> PatchLight(const imaging::RgbImage& scan, const LabelFrame& f, const testdisc::RampPatch& p,
                                 const std::array<double, 256>& linear) {
  const double ct = cos(f.turn), st = sin(f.turn);
  const double rm = (p.r0 + p.r1) / 2, am = (p.a0 + p.a1) / 2;
  const double half_r = 0.3 * (p.r1 - p.r0), half_a = 0.3 * (p.a1 - p.a0);
  // About two samples per scan pixel each way.
  const int nr = std::max(4, static_cast<int>(4 * half_r * f.px_mm)), na = std::max(4, static_cast<int>(4 * half_a * rm * f.px_mm));
  std::array<double, 3> sum{};
  int count = 0;
  for (int i = 0; i <= nr; ++i)
    for (int j = 0; j <= na; ++j) {
      const double r = rm - half_r + 2 * half_r * i / nr, a = am - half_a + 2 * half_a * j / na;
      const double ux = (f.print_x + f.scale_x * r * cos(a) * f.px_mm), uy = (f.print_y + f.scale_y * r * sin(a) * f.px_mm);
      const long x = lround(f.disc_x + ux * ct - uy * st - 0.5), y = lround(f.disc_y + ux * st + uy * ct - 0.5);
      if (x < 0 || y < 0 || x >= scan.width || y >= scan.height) continue;
      const uint8_t* c = scan.At(static_cast<int32_t>(x), static_cast<int32_t>(y));
      for (int k = 0; k < 3; ++k) sum[k] += linear[c[k]];
      ++count;
    }
  for (double& s : sum) s = count ? s / count : 0;
  return sum;
}

// Coverage per step in one channel (or the mean of all three, channel -1),
// between the ramp's paper white and its full ink; false when the full ink
// stands out too little from the paper to measure.
bool Coverages(const std::array<std::array<double, 3>, testdisc::kRampSteps>& light, int channel,
               std::array<double, testdisc::kRampSteps>* out) {
  out->fill(0);
  const int first = channel < 0 ? 0 : channel, last = channel < 0 ? 2 : channel;
  for (int k = first; k <= last; ++k) {
    const double white = light.front()[k], full = light.back()[k];
    // Ink that takes away less than a quarter of the paper's light is no
    // ramp of this ink (a test disc from before the ramps, or a monochrome one).
    if (white <= 0 || (white - full) / white < 0.25) return false;
    for (int i = 0; i < testdisc::kRampSteps; ++i) (*out)[i] += (white - light[i][k]) / (white - full) / (last - first + 1);
  }
  return true;
}

// Measured coverages as a curve: in % to 0.1, 0 and 100 at the ends, never falling.
std::array<double, imaging::kCurveSteps> Curve(const std::array<double, testdisc::kRampSteps>& coverage) {
  std::array<double, imaging::kCurveSteps> curve{};
  double highest = 0;
  for (int i = 1; i + 1 < imaging::kCurveSteps; ++i) {
    highest = std::max(highest, std::clamp(round(coverage[i] * 1000) / 10, 0.0, 100.0));
    curve[i] = highest;
  }
  curve.back() = 100;
  return curve;
}

}  // namespace

void MeasureRamps(const imaging::RgbImage& scan, const LabelFrame& frame,
                  const std::vector<testdisc::RampPatch>& patches, RampFindings* findings) {
  static_assert(testdisc::kRampSteps == imaging::kCurveSteps, "a ramp step per curve step");
  *findings = RampFindings();
  if (patches.size() != static_cast<size_t>(testdisc::kRampCount * testdisc::kRampSteps)) return;
  std::array<double, 256> linear;
  for (int v = 0; v < 256; ++v) linear[v] = imaging::SrgbToLinear(v / 255.0);
  std::array<std::array<std::array<double, 3>, testdisc::kRampSteps>, testdisc::kRampCount> light;
  for (const testdisc::RampPatch& p : patches) light[p.ramp][p.step] = PatchLight(scan, frame, p, linear);

  std::array<double, testdisc::kRampSteps> grey, ink[3];
  if (!Coverages(light[testdisc::kGreyRamp], -1, &grey)) return;
  findings->found = true;
  for (int i = 0; i < testdisc::kRampSteps; ++i) findings->grey[i] = grey[i] * 100;
  findings->colour = true;
  for (int k = 0; k < 3; ++k) findings->colour = Coverages(light[testdisc::kCyanRamp + k], k, &ink[k]) && findings->colour;
  if (!findings->colour) {
    findings->curves.printed[imaging::kCurveBlack] = Curve(grey);
    return;
  }
  for (int k = 0; k < 3; ++k) findings->curves.printed[k] = Curve(ink[k]);
}

}  // namespace calibration
