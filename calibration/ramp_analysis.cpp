#include "calibration/ramp_analysis.h"

#include <math.h>

#include <algorithm>

#include "imaging/srgb.h"

namespace calibration {
namespace {

// Linear light of each channel, averaged over points of the label at radii
// r (mm) and angles a from the print's centre: about two samples per scan
// pixel each way.
std::array<double, 3> LightAt(const imaging::RgbImage& scan, const LabelFrame& f, double r0,
                              double r1, double a0, double a1,
                              const std::array<double, 256>& linear) {
  const double ct = cos(f.turn), st = sin(f.turn);
  const int nr = std::max(1, static_cast<int>(2 * (r1 - r0) * f.px_mm));
  const int na = std::max(4, static_cast<int>(2 * (a1 - a0) * r1 * f.px_mm));
  std::array<double, 3> sum{};
  int count = 0;
  for (int i = 0; i <= nr; ++i)
    for (int j = 0; j <= na; ++j) {
      const double r = r0 + (r1 - r0) * i / nr, a = a0 + (a1 - a0) * j / na;
      const double ux = f.print_x + f.scale_x * r * cos(a) * f.px_mm,
                   uy = f.print_y + f.scale_y * r * sin(a) * f.px_mm;
      const long x = lround(f.disc_x + ux * ct - uy * st - 0.5),
                 y = lround(f.disc_y + ux * st + uy * ct - 0.5);
      if (x < 0 || y < 0 || x >= scan.width || y >= scan.height) continue;
      const uint8_t* c = scan.At(static_cast<int32_t>(x), static_cast<int32_t>(y));
      for (int k = 0; k < 3; ++k) sum[k] += linear[c[k]];
      ++count;
    }
  for (double& v : sum) v = count ? v / count : 0;
  return sum;
}

// A patch as the scan shows it: the light of its middle (its edges, where
// the scan's blur mixes in the gaps and the diffusion starts, left out), and
// the paper's light there.
struct PatchLight {
  std::array<double, 3> ink, paper;
};

// The paper's light across the ramps, per channel, as a plane a + b x + c y
// fitted to the paper beside every patch: light let in unevenly by a
// scanner's open lid varies smoothly across the disc, and many samples
// average out the scan's noise.
struct PaperPlane {
  std::array<std::array<double, 3>, 3> coef{};  // [channel]{a, b, c}
  bool Fit(const std::vector<std::array<double, 2>>& at,
           const std::vector<std::array<double, 3>>& light) {
    double m[3][3] = {}, v[3][3] = {};
    for (size_t i = 0; i < at.size(); ++i) {
      const double row[3] = {1, at[i][0], at[i][1]};
      for (int j = 0; j < 3; ++j) {
        for (int k = 0; k < 3; ++k) m[j][k] += row[j] * row[k];
        for (int c = 0; c < 3; ++c) v[c][j] += row[j] * light[i][c];
      }
    }
    // Cramer's rule on the 3 x 3 normal equations.
    auto det = [](const double a[3][3]) {
      return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
             a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
             a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    if (fabs(d) < 1e-12) return false;
    for (int c = 0; c < 3; ++c)
      for (int j = 0; j < 3; ++j) {
        double a[3][3];
        for (int r = 0; r < 3; ++r)
          for (int k = 0; k < 3; ++k) a[r][k] = k == j ? v[c][r] : m[r][k];
        coef[c][j] = det(a) / d;
      }
    return true;
  }
  double At(int c, double x, double y) const {
    return coef[c][0] + coef[c][1] * x + coef[c][2] * y;
  }
};

// Coverage per step in one channel (or the mean of all three, channel -1):
// the light each patch takes from the paper's there, over what full ink
// takes, so that light let in unevenly (a scanner's open lid) cancels out.
// False when full ink takes too little to measure.
bool Coverages(const std::array<PatchLight, testdisc::kRampSteps>& light, int channel,
               std::array<double, testdisc::kRampSteps>* out) {
  out->fill(0);
  const int first = channel < 0 ? 0 : channel, last = channel < 0 ? 2 : channel;
  for (int k = first; k <= last; ++k) {
    const double paper = light.back().paper[k], full = paper - light.back().ink[k];
    // Ink that takes away less than a quarter of the paper's light is no
    // ramp of this ink (a test disc from before the ramps, or a monochrome one).
    if (paper <= 0 || full / paper < 0.25) return false;
    for (int i = 0; i < testdisc::kRampSteps; ++i)
      (*out)[i] += (light[i].paper[k] - light[i].ink[k]) / full / (last - first + 1);
  }
  return true;
}

// Measured coverages as a curve: in % to 0.1, 0 and 100 at the ends, never falling.
std::array<double, imaging::kCurveSteps> Curve(
    const std::array<double, testdisc::kRampSteps>& coverage) {
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
  std::array<std::array<PatchLight, testdisc::kRampSteps>, testdisc::kRampCount> light;
  std::vector<std::array<double, 2>> paper_at;
  std::vector<std::array<double, 3>> paper;
  for (const testdisc::RampPatch& p : patches) {
    const double rm = (p.r0 + p.r1) / 2, am = (p.a0 + p.a1) / 2;
    const double half_r = 0.3 * (p.r1 - p.r0), half_a = 0.3 * (p.a1 - p.a0);
    light[p.ramp][p.step].ink =
        LightAt(scan, frame, rm - half_r, rm + half_r, am - half_a, am + half_a, linear);
    paper_at.push_back({p.paper_r * cos(am), p.paper_r * sin(am)});
    paper.push_back(
        LightAt(scan, frame, p.paper_r - 0.2, p.paper_r + 0.2, am - half_a, am + half_a, linear));
  }
  PaperPlane plane;
  if (!plane.Fit(paper_at, paper)) return;
  for (const testdisc::RampPatch& p : patches) {
    const double rm = (p.r0 + p.r1) / 2, am = (p.a0 + p.a1) / 2;
    for (int c = 0; c < 3; ++c)
      light[p.ramp][p.step].paper[c] = plane.At(c, rm * cos(am), rm * sin(am));
  }

  std::array<double, testdisc::kRampSteps> grey, ink[3];
  if (!Coverages(light[testdisc::kGreyRamp], -1, &grey)) return;
  findings->found = true;
  for (int i = 0; i < testdisc::kRampSteps; ++i) findings->grey[i] = grey[i] * 100;
  findings->colour = true;
  for (int k = 0; k < 3; ++k)
    findings->colour = Coverages(light[testdisc::kCyanRamp + k], k, &ink[k]) && findings->colour;
  if (!findings->colour) {
    findings->curves.printed[imaging::kCurveBlack] = Curve(grey);
    return;
  }
  for (int k = 0; k < 3; ++k) findings->curves.printed[k] = Curve(ink[k]);
}

}  // namespace calibration
