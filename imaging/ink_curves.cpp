#include "imaging/ink_curves.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

namespace imaging {
namespace {

constexpr double kStep = 1.0 / (kCurveSteps - 1);

// The monotone cubic's slopes at the steps (Fritsch and Carlson): the
// harmonic mean of the neighbouring secants, 0 where the curve runs flat.
std::array<double, kCurveSteps> Slopes(const std::array<double, kCurveSteps>& y) {
  std::array<double, kCurveSteps - 1> d;
  for (int i = 0; i + 1 < kCurveSteps; ++i) d[i] = (y[i + 1] - y[i]) / kStep;
  std::array<double, kCurveSteps> m;
  for (int i = 1; i + 1 < kCurveSteps; ++i)
    m[i] = d[i - 1] > 0 && d[i] > 0 ? 2 / (1 / d[i - 1] + 1 / d[i]) : 0;
  auto end = [](double near, double far) {
    const double slope = (3 * near - far) / 2;
    return slope <= 0 || near <= 0 ? 0 : std::min(slope, 3 * near);
  };
  m.front() = end(d.front(), d[1]);
  m.back() = end(d.back(), d[kCurveSteps - 3]);
  return m;
}

}  // namespace

InkCurves::InkCurves() {
  for (auto& curve : printed)
    for (int i = 0; i < kCurveSteps; ++i) curve[i] = i * 10;
}

bool InkCurves::Identity(int ink) const { return printed[ink] == InkCurves().printed[ink]; }

bool InkCurves::AllIdentity() const { return *this == InkCurves(); }

bool ValidateCurve(const std::array<double, kCurveSteps>& curve, std::string* error) {
  if (curve.front() != 0 || curve.back() != 100) {
    *error = "a curve starts at 0 and ends at 100 (paper white and full ink)";
    return false;
  }
  for (int i = 1; i < kCurveSteps; ++i) {
    if (!(curve[i] >= curve[i - 1] && curve[i] <= 100)) {
      *error = "a curve never falls and stays within 0 to 100";
      return false;
    }
  }
  return true;
}

bool ParseInkCurves(const std::string& text, InkCurves* curves, std::string* error) {
  InkCurves result;
  if (text.empty() || text == "none") {
    *curves = result;
    return true;
  }
  bool named[kCurveInks] = {};
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find(';', start), text.size());
    const std::string part = text.substr(start, end - start);
    // (strchr also finds the terminator: a NUL is no ink.)
    const char* letter = part.size() >= 2 && part[1] == ':' && part[0] != '\0'
                             ? strchr(kCurveInkLetters, part[0])
                             : nullptr;
    if (!letter) {
      *error = "'" + part + "' is not INK:11 values (INK one of C, M, Y, K)";
      return false;
    }
    const int ink = static_cast<int>(letter - kCurveInkLetters);
    if (named[ink]) {
      *error = std::string("ink ") + part[0] + " is named twice";
      return false;
    }
    named[ink] = true;
    std::array<double, kCurveSteps>& curve = result.printed[ink];
    const char* p = part.c_str() + 2;
    for (int i = 0; i < kCurveSteps; ++i) {
      char* after = nullptr;
      const double value = strtod(p, &after);
      const char expected = i + 1 < kCurveSteps ? ',' : '\0';
      if (after == p || !(*p >= '0' && *p <= '9') || *after != expected ||
          !(value >= 0 && value <= 100)) {
        *error = std::string("ink ") + part[0] +
                 ": expected 11 numbers from 0 to 100, separated by commas";
        return false;
      }
      curve[i] = round(value * 10) / 10;  // to 0.1 %, as written back
      p = after + 1;
    }
    if (!ValidateCurve(curve, error)) {
      *error = std::string("ink ") + part[0] + ": " + *error;
      return false;
    }
    start = end + 1;
  }
  *curves = result;
  return true;
}

std::string InkCurvesText(const InkCurves& curves) {
  std::string text;
  for (int ink = 0; ink < kCurveInks; ++ink) {
    if (curves.Identity(ink)) continue;
    if (!text.empty()) text += ';';
    text += kCurveInkLetters[ink];
    text += ':';
    for (int i = 0; i < kCurveSteps; ++i) {
      char value[16];
      snprintf(value, sizeof value, "%s%.1f", i ? "," : "", curves.printed[ink][i]);
      std::string v = value;
      if (v.size() > 2 && v.compare(v.size() - 2, 2, ".0") == 0) v.resize(v.size() - 2);
      text += v;
    }
  }
  return text.empty() ? "none" : text;
}

namespace {

// One ink's curve as coverages 0..1 and the cubic's slopes at its steps.
struct Cubic {
  std::array<double, kCurveSteps> y, m;
  Cubic(const InkCurves& curves, int ink) {
    for (int i = 0; i < kCurveSteps; ++i) y[i] = curves.printed[ink][i] / 100;
    m = Slopes(y);
  }
  // Hermite between steps i and i + 1, at t 0..1.
  double At(int i, double t) const {
    const double t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * y[i] + (t3 - 2 * t2 + t) * kStep * m[i] +
           (-2 * t3 + 3 * t2) * y[i + 1] + (t3 - t2) * kStep * m[i + 1];
  }
};

}  // namespace

double PrintedCoverage(const InkCurves& curves, int ink, double nominal) {
  const Cubic cubic(curves, ink);
  const double at = std::clamp(nominal, 0.0, 1.0) / kStep;
  const int i = std::min(static_cast<int>(at), kCurveSteps - 2);
  return cubic.At(i, at - i);
}

double NominalCoverage(const InkCurves& curves, int ink, double printed) {
  const Cubic cubic(curves, ink);
  const double want = std::clamp(printed, 0.0, 1.0);
  // The first step that reaches it; the monotone cubic never falls between
  // steps, so halving the interval finds the first nominal that prints at
  // least as much.
  int i = 0;
  while (i + 2 < kCurveSteps && cubic.y[i + 1] < want) ++i;
  double low = 0, high = 1;
  for (int k = 0; k < 32; ++k) {
    const double mid = (low + high) / 2;
    (cubic.At(i, mid) >= want ? high : low) = mid;
  }
  return (i + high) * kStep;
}

}  // namespace imaging
