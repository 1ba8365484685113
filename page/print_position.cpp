#include "page/print_position.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace page {

const char kOffsetWords[] = "-3.0 to +3.0 (mm, in steps of 0.1)";

bool ParseOffsetMm(std::string_view text, int32_t* tenths) {
  std::string s;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    s += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (s.size() > 2 && s.compare(s.size() - 2, 2, "mm") == 0) s.resize(s.size() - 2);
  size_t i = 0;
  int sign = 1;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++] == '-' ? -1 : 1;
  int32_t whole = 0, digits = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 3; ++i, ++digits) whole = whole * 10 + (s[i] - '0');
  if (digits == 0) return false;
  int32_t tenth = 0;
  if (i < s.size() && s[i] == '.') {
    ++i;
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
    tenth = s[i++] - '0';
  }
  if (i != s.size()) return false;
  const int32_t value = sign * (whole * 10 + tenth);
  if (value < -kMaxOffsetTenths || value > kMaxOffsetTenths) return false;
  *tenths = value;
  return true;
}

std::string OffsetMmName(int32_t tenths) {
  char text[16];
  const int32_t a = tenths < 0 ? -tenths : tenths;
  snprintf(text, sizeof text, "%s%d.%d", tenths < 0 ? "-" : tenths > 0 ? "+" : "", a / 10, a % 10);
  return text;
}

int32_t OffsetDots(int32_t tenths) { return static_cast<int32_t>(lround(tenths * geometry::kDotsPerInch / 254.0)); }

int32_t OffsetRows(int32_t tenths, int32_t rows_per_inch) {
  return static_cast<int32_t>(lround(tenths * (rows_per_inch == 600 ? 600 : 300) / 254.0));
}

MovedLine PlaceLine(int32_t square_width, int32_t dx, const LineReach& reach) {
  MovedLine line;
  // A page moved left starts as many whole bytes left of the square as it
  // needs and the path reaches; the rest is cut.
  const int32_t wanted = std::min(std::max(-dx, 0), reach.left_dots);
  const int32_t pad_bytes = (wanted + 7) / 8;
  line.margin_bytes = geometry::kPluginMarginBytes - pad_bytes;
  line.square_at = pad_bytes * 8 + dx;
  const int32_t widest = reach.line_dots + pad_bytes * 8;
  line.width = std::clamp(line.square_at + square_width, 1, widest);
  return line;
}

void MoveDots(const uint8_t* src, int32_t src_dots, int32_t shift, uint8_t* dst, int32_t dst_dots) {
  const int32_t dst_bytes = (dst_dots + 7) / 8;
  memset(dst, 0, static_cast<size_t>(dst_bytes));
  const int32_t src_bytes = (src_dots + 7) / 8;
  for (int32_t i = 0; i < src_bytes; ++i) {
    uint8_t b = src[i];
    if (i == src_bytes - 1 && src_dots % 8 != 0) b &= static_cast<uint8_t>(0xFF << (8 - src_dots % 8));
    if (b == 0) continue;
    const int32_t p = 8 * i + shift;  // destination dot of bit 7
    if (p >= dst_dots || p <= -8) continue;
    const int32_t q = p >= 0 ? p / 8 : -((-p + 7) / 8);
    const int32_t r = p - 8 * q;
    if (q >= 0) dst[q] |= static_cast<uint8_t>(b >> r);
    if (r != 0 && q + 1 < dst_bytes) dst[q + 1] |= static_cast<uint8_t>(b << (8 - r));
  }
  if (dst_dots % 8 != 0) dst[dst_bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - dst_dots % 8));
}

InkPage MovePage(const InkPage& page, const PrintOffset& offset, const LineReach& reach) {
  const int32_t dx = OffsetDots(offset.x_tenths);
  const int32_t dy = OffsetRows(offset.y_tenths, page.rows_per_inch);
  const MovedLine line = PlaceLine(page.width_dots, dx, reach);
  InkPage out = InkPage::Blank(line.width, page.rows, page.rows_per_inch, page.colour);
  out.margin_bytes = line.margin_bytes;
  for (int32_t row = 0; row < out.rows; ++row) {
    const int32_t from = row - dy;
    if (from < 0 || from >= page.rows) continue;
    for (int p = 0; p < page.PlaneCount(); ++p) {
      MoveDots(page.Row(p, from), page.width_dots, line.square_at, out.Row(p, row), out.width_dots);
    }
  }
  return out;
}

RingLoss LostRing(const DiscRing& ring, const PrintOffset& offset, int32_t rows_per_inch,
                  const LineReach& reach) {
  const int32_t dx = OffsetDots(offset.x_tenths);
  const int32_t dy = OffsetRows(offset.y_tenths, rows_per_inch);
  const int32_t rows = geometry::DiscAreaRows(rows_per_inch);
  const MovedLine line = PlaceLine(geometry::kDiscAreaDots, dx, reach);
  const DiscMask mask(ring, rows_per_inch);
  const double dot_mm = kMmPerInch / geometry::kDotsPerInch, row_mm = kMmPerInch / (rows_per_inch == 600 ? 600 : 300);
  RingLoss loss;
  int64_t total = 0, lost = 0;
  // Only the ring's dots on the square count: the page holds no others.
  auto count = [&](int32_t row, int32_t first, int32_t last) {
    first = std::max(first, 0);
    last = std::min(last, geometry::kDiscAreaDots - 1);
    if (first > last) return;
    total += last - first + 1;
    const int32_t moved_row = row + dy;
    if (moved_row < 0 || moved_row >= rows) {
      lost += last - first + 1;
      if (moved_row < 0) loss.top_mm = std::max(loss.top_mm, -moved_row * row_mm);
      if (moved_row >= rows) loss.bottom_mm = std::max(loss.bottom_mm, (moved_row - rows + 1) * row_mm);
      return;
    }
    const int32_t a = first + line.square_at, b = last + line.square_at;  // page dots
    if (a < 0) {
      lost += std::min(b, -1) - a + 1;
      loss.left_mm = std::max(loss.left_mm, -a * dot_mm);
    }
    if (b >= line.width) {
      lost += b - std::max(a, line.width) + 1;
      loss.right_mm = std::max(loss.right_mm, (b - line.width + 1) * dot_mm);
    }
  };
  for (int32_t row = 0; row < rows; ++row) {
    const RingRow span = mask.Row(row);
    if (span.first > span.last) continue;
    if (span.hub_first > span.hub_last) {
      count(row, span.first, span.last);
    } else {
      count(row, span.first, span.hub_first - 1);
      count(row, span.hub_last + 1, span.last);
    }
  }
  if (total > 0 && lost > 0) loss.percent = 100.0 * static_cast<double>(lost) / static_cast<double>(total);
  return loss;
}

std::string DescribeRingLoss(const RingLoss& loss) {
  char text[256];
  std::string sides;
  auto side = [&](double mm, const char* name) {
    if (mm <= 0) return;
    char part[64];
    snprintf(part, sizeof part, "%s%.1f mm at the %s", sides.empty() ? "" : ", ", mm, name);
    sides += part;
  };
  side(loss.left_mm, "left");
  side(loss.right_mm, "right");
  side(loss.top_mm, "top");
  side(loss.bottom_mm, "bottom");
  char share[32];
  if (loss.percent < 0.1) {
    snprintf(share, sizeof share, "less than 0.1%%");
  } else {
    snprintf(share, sizeof share, "%.1f%%", loss.percent);
  }
  snprintf(text, sizeof text,
           "%s of the printable ring lies beyond what the printer can address and is not printed (up to %s)",
           share, sides.c_str());
  return text;
}

}  // namespace page
