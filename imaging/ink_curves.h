// Each ink's tone curve as the printer really prints it: the coverage a
// nominal coverage comes out at, measured from the test disc's ramps
// (calibration/ramp_analysis.h). Dots spread on the disc's coating, so a
// nominal 50 % of cyan may cover 70 % of the disc; the separation asks for
// the nominal coverage that prints what the picture needs (the curve's
// inverse), so mid-tones come out as the area-coverage model says.
//
// A curve is 11 printed coverages in % (to 0.1), at nominal 0, 10, ..., 100 %;
// it starts at 0 and ends at 100 (the ramps are measured between the paper
// and full ink) and never falls. Between the steps it runs as the monotone
// cubic through them (Fritsch and Carlson): a dot gain curve bends most in
// the shadows, where straight lines between the steps would print visibly
// too light or dark. The identity curve (0, 10, ..., 100) leaves the
// separation as it is, byte for byte.
//
// In words (one option, the same in every front end):
//   C:0,18.1,34.9,49.2,61.7,72.8,82.3,89.9,95.3,98.7,100;M:...;Y:...;K:...
// Inks not named keep the identity; "none" (or nothing) is all identity.
#ifndef QUILLORY2_IMAGING_INK_CURVES_H_
#define QUILLORY2_IMAGING_INK_CURVES_H_

#include <array>
#include <string>

namespace imaging {

constexpr int kCurveSteps = 11;  // nominal 0, 10, ..., 100 %
constexpr int kCurveInks = 4;    // cyan, magenta, yellow, black (monochrome)
constexpr char kCurveInkLetters[] = "CMYK";
constexpr int kCurveBlack = 3;

struct InkCurves {
  // printed[ink][i]: the coverage in % that nominal i * 10 % prints.
  std::array<std::array<double, kCurveSteps>, kCurveInks> printed;

  InkCurves();  // the identity for every ink
  bool Identity(int ink) const;
  bool AllIdentity() const;
  bool operator==(const InkCurves& other) const { return printed == other.printed; }
};

// Reads curves in words (above); false with a reason in *error, leaving
// *curves as it was.
bool ParseInkCurves(const std::string& text, InkCurves* curves, std::string* error);
// The curves in those words, the identity inks left out; "none" when all are.
std::string InkCurvesText(const InkCurves& curves);
// Checks one curve: 11 values from 0 to 100 that never fall, 0 first and
// 100 last; false with a reason.
bool ValidateCurve(const std::array<double, kCurveSteps>& curve, std::string* error);

// The coverage 0..1 that nominal coverage 0..1 of the ink prints.
double PrintedCoverage(const InkCurves& curves, int ink, double nominal);
// The nominal coverage 0..1 that prints coverage 0..1: the curve's inverse
// (where the curve runs flat, its first nominal coverage).
double NominalCoverage(const InkCurves& curves, int ink, double printed);

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_INK_CURVES_H_
