// From the test disc's four readings to the print-position offset.
//
// Each scale's numbers grow outwards from the disc's own edge (or the
// hole's). A print lying d mm too far right puts the disc's right edge at
// -d on the right scale and its left edge at +d on the left one; so the
// print lies (left - right) / 2 too far right and (top - bottom) / 2 too far
// down, and the offset to set is the one the disc was printed with less
// that. The two sides' mean is how much larger than nominal the print came
// out, which an offset cannot mend; it is reported.
#ifndef QUILLORY2_TESTDISC_READINGS_H_
#define QUILLORY2_TESTDISC_READINGS_H_

#include <string>
#include <string_view>

#include "page/print_position.h"

namespace testdisc {

struct Readings {
  double left = 0, right = 0, top = 0, bottom = 0;  // mm, as read on the scales
};

struct Correction {
  page::PrintOffset offset;   // to set, in 0.1 mm steps
  double size_mm = 0;         // mean of the readings: the print's radius over nominal (negative: larger)
  bool clamped = false;       // the print is off by more than an offset reaches
};

// A reading as written on the scale: -3 to +3 mm, in steps of at most 0.05
// ("+1.5", "-0.25", "2"). False for anything else.
bool ParseReading(std::string_view text, double* mm);
extern const char kReadingWords[];

// The offset to set from the readings of a test disc printed with `printed`.
Correction CorrectionFrom(const Readings& readings, const page::PrintOffset& printed);

}  // namespace testdisc

#endif  // QUILLORY2_TESTDISC_READINGS_H_
