#include "testdisc/readings.h"

#include <math.h>
#include <stdlib.h>

#include <algorithm>

namespace testdisc {

const char kReadingWords[] = "a reading from -3 to +3 (mm, as on the scale)";

bool ParseReading(std::string_view text, double* mm) {
  std::string s;
  for (char c : text) {
    if (c != ' ' && c != '\t') s += c;
  }
  if (s.size() > 2 && (s.compare(s.size() - 2, 2, "mm") == 0 || s.compare(s.size() - 2, 2, "MM") == 0)) {
    s.resize(s.size() - 2);
  }
  if (s.empty() || s.size() > 8) return false;
  for (char c : s) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-')) return false;
  }
  char* end = nullptr;
  const double value = strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !(value >= -3.0 && value <= 3.0)) return false;
  *mm = value;
  return true;
}

Correction CorrectionFrom(const Readings& r, const page::PrintOffset& printed) {
  Correction c;
  // Where the print lies, in tenths of a mm: right and down positive.
  const double off_x = (r.left - r.right) / 2 * 10, off_y = (r.top - r.bottom) / 2 * 10;
  const long x = lround(printed.x_tenths - off_x), y = lround(printed.y_tenths - off_y);
  c.offset.x_tenths = static_cast<int32_t>(std::clamp<long>(x, -page::kMaxOffsetTenths, page::kMaxOffsetTenths));
  c.offset.y_tenths = static_cast<int32_t>(std::clamp<long>(y, -page::kMaxOffsetTenths, page::kMaxOffsetTenths));
  c.clamped = c.offset.x_tenths != x || c.offset.y_tenths != y;
  c.size_mm = (r.left + r.right + r.top + r.bottom) / 4;
  return c;
}

}  // namespace testdisc
