#include "imaging/ink_curves.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

namespace imaging {

InkCurves::InkCurves() {
  for (auto& curve : printed)
    for (int i = 0; i < kCurveSteps; ++i) curve[i] = i * 10;
}

bool InkCurves::Identity(int ink) const { return printed[ink] == InkCurves().printed[ink]; }

bool InkCurves::AllIdentity() const { return *this == InkCurves(); }

bool ValidateCurve(const std::array<int, kCurveSteps>& curve, std::string* error) {
  if (curve.front() != 0 || curve.back() != 100) {
    *error = "a curve starts at 0 and ends at 100 (paper white and full ink)";
    return false;
  }
  for (int i = 1; i < kCurveSteps; ++i) {
    if (curve[i] < curve[i - 1] || curve[i] > 100) {
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
    const char* letter = part.size() >= 2 && part[1] == ':' ? strchr(kCurveInkLetters, part[0]) : nullptr;
    if (!letter || part[0] == '\0') {
      *error = "'" + part + "' is not INK:11 values (INK one of C, M, Y, K)";
      return false;
    }
    const int ink = static_cast<int>(letter - kCurveInkLetters);
    if (named[ink]) {
      *error = std::string("ink ") + part[0] + " is named twice";
      return false;
    }
    named[ink] = true;
    std::array<int, kCurveSteps>& curve = result.printed[ink];
    const char* p = part.c_str() + 2;
    for (int i = 0; i < kCurveSteps; ++i) {
      char* after = nullptr;
      const long value = strtol(p, &after, 10);
      const char expected = i + 1 < kCurveSteps ? ',' : '\0';
      if (after == p || *p == ' ' || *p == '+' || *after != expected || value < 0 || value > 100) {
        *error = std::string("ink ") + part[0] + ": expected 11 whole numbers from 0 to 100, separated by commas";
        return false;
      }
      curve[i] = static_cast<int>(value);
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
    for (int i = 0; i < kCurveSteps; ++i) text += (i ? "," : "") + std::to_string(curves.printed[ink][i]);
  }
  return text.empty() ? "none" : text;
}

double PrintedCoverage(const InkCurves& curves, int ink, double nominal) {
  const auto& c = curves.printed[ink];
  const double at = std::clamp(nominal, 0.0, 1.0) * (kCurveSteps - 1);
  const int i = std::min(static_cast<int>(at), kCurveSteps - 2);
  return (c[i] + (c[i + 1] - c[i]) * (at - i)) / 100;
}

double NominalCoverage(const InkCurves& curves, int ink, double printed) {
  const auto& c = curves.printed[ink];
  const double want = std::clamp(printed, 0.0, 1.0) * 100;
  for (int i = 0; i + 1 < kCurveSteps; ++i) {
    if (want > c[i + 1]) continue;
    const double rise = c[i + 1] - c[i];
    return (i + (rise > 0 ? (want - c[i]) / rise : 0)) / (kCurveSteps - 1);
  }
  return 1;
}

}  // namespace imaging
