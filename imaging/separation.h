// Colour separation: from a picture's sRGB values to ink coverage per dot.
//
// The printer model is area coverage: a dot prints its ink over the share of
// the cell it covers, so on white the cell reflects 1 - c of red where c is
// the share of cyan (magenta takes green, yellow blue). Error diffusion keeps
// the share of dots equal to the coverage asked for, so the coverage that
// prints a picture's colour is 1 - its linear-light value: the sRGB code
// values are decoded to linear light first. (Taking 1 - code value, as the
// classic separation did, prints every mid-tone and shadow far too light: a
// grey of code 128 at L* 72 instead of 54.) Equal red, green and blue give
// equal cyan, magenta and yellow, so neutral greys stay neutral.
//
// Two adjustments on top, both the same for every ink, so neither tints a
// grey:
//  - tone: for a printer whose dots print darker or lighter than the model
//    (dot gain, media), mid-tones by N % of coverage lighter (N > 0) or
//    darker (N < 0); 0 is the model itself. Paper white and full ink stay.
//  - ink limit: the most ink one dot cell may carry in dark areas, in % of
//    one ink (300: no limit). Colours whose total ink lies above a knee (40 %
//    below the limit) keep their hue and have their
//    inks scaled so that the totals from the knee to 300 % fall between the
//    knee and the limit: black gets the limit, and darker stays darker.
// And one per ink: its real tone curve (ink_curves.h), measured from a scan
// of the test disc. Each ink asks for the nominal coverage that prints the
// coverage wanted, so mid-tones come out as the model says however far the
// dots spread.
#ifndef QUILLORY2_IMAGING_SEPARATION_H_
#define QUILLORY2_IMAGING_SEPARATION_H_

#include <string>
#include <vector>

#include "imaging/ink_curves.h"
#include "page/job_options.h"

namespace imaging {

constexpr int kMaxTone = 40;         // --tone -40 .. 40
constexpr int kNoInkLimit = 300;     // every ink on one cell
constexpr int kMinInkLimit = 150;
constexpr int kMediaInkLimit = -1;   // the media's own default

// The default ink limit of a media, in % of one ink.
int DefaultInkLimit(page::Media media);

struct SeparationSettings {
  int tone = 0;
  int ink_limit = kMediaInkLimit;  // kMediaInkLimit, or kMinInkLimit .. kNoInkLimit
  InkCurves curves;                // identity: the model's own output
};

// An ink limit in words: "media" (the media's default), "off", or a
// percentage from kMinInkLimit to kNoInkLimit. False leaves *limit as it was.
bool ParseInkLimit(const std::string& text, int* limit);
extern const char kInkLimitWords[];

// Checks settings given by the user; false with a reason in *error.
bool ValidateSeparation(const SeparationSettings& settings, std::string* error);

class Separator {
 public:
  // colour: cyan, magenta, yellow; otherwise one black plane.
  Separator(const SeparationSettings& settings, page::Media media, bool colour);

  // rgb: red, green, blue code values 0..1 (sRGB); out: coverage 0..1 per
  // ink (3 for colour, 1 for black).
  void Separate(const float* rgb, float* out) const {
    if (!colour_) {
      const float r = Linear(rgb[0]), g = Linear(rgb[1]), b = Linear(rgb[2]);
      out[0] = black_[Index(1 - (0.2126f * r + 0.7152f * g + 0.0722f * b))];
      return;
    }
    float c = ink_[0][Index(rgb[0])], m = ink_[1][Index(rgb[1])], y = ink_[2][Index(rgb[2])];
    const float total = c + m + y;
    if (total > knee_) {
      // Totals from the knee to 300 % are pressed into the knee to the
      // limit, so that shadows keep their steps instead of all printing as
      // the limit.
      const float scale = (knee_ + (total - knee_) * slope_) / total;
      c *= scale, m *= scale, y *= scale;
    }
    out[0] = c, out[1] = m, out[2] = y;
  }

  // Linear light of an sRGB code value 0..1.
  float Linear(float v) const { return linear_[Index(v)]; }
  // Coverage after the tone setting, of a coverage 0..1.
  float Tone(float c) const { return tone_[Index(c)]; }

 private:
  static constexpr int kSteps = 4096;  // finer than any 8-bit input
  static int Index(float v) { return static_cast<int>((v < 0 ? 0 : v > 1 ? 1 : v) * kSteps + 0.5f); }
  bool colour_;
  float knee_, slope_;
  std::vector<float> linear_, tone_;
  // Per ink, the nominal coverage that prints Tone(1 - Linear(v)) of a code
  // value v; for black, what prints Tone(c) of a coverage c.
  std::vector<float> ink_[3], black_;
};

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_SEPARATION_H_
