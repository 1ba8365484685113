#include "imaging/separation.h"

#include <math.h>
#include <stdlib.h>

#include "imaging/srgb.h"

namespace imaging {

int DefaultInkLimit(page::Media media) {
  // See README, "Ink on the disc": the regular coating pools ink sooner than
  // the absorbent matte one, which takes every ink on a dot.
  return media == page::Media::kMatte ? kNoInkLimit : 280;
}

const char kInkLimitWords[] = "media, off, or 150 to 300";

bool ParseInkLimit(const std::string& text, int* limit) {
  if (text == "media") {
    *limit = kMediaInkLimit;
  } else if (text == "off") {
    *limit = kNoInkLimit;
  } else {
    char* end = nullptr;
    const long value = strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < kMinInkLimit || value > kNoInkLimit) return false;
    *limit = static_cast<int>(value);
  }
  return true;
}

bool ValidateSeparation(const SeparationSettings& settings, std::string* error) {
  if (settings.tone < -kMaxTone || settings.tone > kMaxTone) {
    *error = "the tone must lie between -" + std::to_string(kMaxTone) + " and " + std::to_string(kMaxTone);
    return false;
  }
  if (settings.ink_limit != kMediaInkLimit &&
      (settings.ink_limit < kMinInkLimit || settings.ink_limit > kNoInkLimit)) {
    *error = "the ink limit must lie between " + std::to_string(kMinInkLimit) + " and " +
             std::to_string(kNoInkLimit) + " % (or off)";
    return false;
  }
  for (int ink = 0; ink < kCurveInks; ++ink) {
    if (!ValidateCurve(settings.curves.printed[ink], error)) {
      *error = std::string("ink curve ") + kCurveInkLetters[ink] + ": " + *error;
      return false;
    }
  }
  return true;
}

Separator::Separator(const SeparationSettings& settings, page::Media media, bool colour)
    : colour_(colour),
      linear_(kSteps + 1),
      tone_(kSteps + 1) {
  const float limit = (settings.ink_limit == kMediaInkLimit ? DefaultInkLimit(media) : settings.ink_limit) / 100.0f;
  knee_ = limit - 0.4f;
  slope_ = (limit - knee_) / (3 - knee_);
  // The tone bends coverage by a power that takes 50 % to 50 - tone %.
  const double exponent = log(0.5 - settings.tone / 100.0) / log(0.5);
  for (int i = 0; i <= kSteps; ++i) {
    const double v = static_cast<double>(i) / kSteps;
    linear_[i] = static_cast<float>(SrgbToLinear(v));
    tone_[i] = static_cast<float>(pow(v, exponent));
  }
  // The curves' inverses composed into the look-ups: no cost per dot. An
  // identity curve is left out, so that it changes no value.
  auto through = [&](int ink, float c) {
    return settings.curves.Identity(ink) ? c : static_cast<float>(NominalCoverage(settings.curves, ink, c));
  };
  for (int k = 0; k < 3; ++k) {
    ink_[k].resize(kSteps + 1);
    for (int i = 0; i <= kSteps; ++i) ink_[k][i] = through(k, Tone(1 - linear_[i]));
  }
  black_.resize(kSteps + 1);
  for (int i = 0; i <= kSteps; ++i) black_[i] = through(kCurveBlack, tone_[i]);
}

}  // namespace imaging
