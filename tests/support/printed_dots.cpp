#include "tests/support/printed_dots.h"

#include <math.h>

#include <algorithm>

#include "stream/decoder.h"

namespace testsupport {
namespace {

bool Bit(const std::vector<uint8_t>& line, int32_t dot) {
  return dot >= 0 && dot < stream::kLineDots && ((line[dot / 8] >> (7 - dot % 8)) & 1);
}

}  // namespace

size_t PrintedDots::Count() const {
  size_t n = 0;
  for (const auto& plane : planes) {
    for (const auto& [row, line] : plane) {
      for (uint8_t b : line) n += static_cast<size_t>(__builtin_popcount(b));
    }
  }
  return n;
}

PrintedDots DecodeDots(const std::vector<uint8_t>& job) {
  const stream::DecodedStream decoded = stream::Decode(job, stream::WholeJob());
  PrintedDots dots;
  dots.clean = decoded.Clean();
  for (const stream::Plane& plane : decoded.planes) dots.planes.push_back(plane.rows);
  return dots;
}

::testing::AssertionResult IsMovedBy(const PrintedDots& base, const PrintedDots& moved, int32_t dx,
                                     int32_t dy) {
  if (base.planes.size() != moved.planes.size()) {
    return ::testing::AssertionFailure() << base.planes.size() << " planes against " << moved.planes.size();
  }
  static const std::vector<uint8_t> kBlank(stream::kLineBytes, 0);
  for (size_t p = 0; p < base.planes.size(); ++p) {
    // Each row of either side against its partner, dot by dot.
    auto line = [](const std::map<int32_t, std::vector<uint8_t>>& rows, int32_t address) -> const std::vector<uint8_t>& {
      const auto it = rows.find(address);
      return it == rows.end() ? kBlank : it->second;
    };
    std::vector<int32_t> addresses;
    for (const auto& [row, bytes] : base.planes[p]) addresses.push_back(row);
    for (const auto& [row, bytes] : moved.planes[p]) addresses.push_back(row - dy);
    for (int32_t row : addresses) {
      const std::vector<uint8_t>& from = line(base.planes[p], row);
      const std::vector<uint8_t>& to = line(moved.planes[p], row + dy);
      for (int32_t dot = -stream::kLineDots; dot < 2 * stream::kLineDots; ++dot) {
        if (Bit(from, dot) != Bit(to, dot + dx) && (Bit(from, dot) || Bit(to, dot + dx))) {
          return ::testing::AssertionFailure() << "plane " << p << ", row address " << row << ", dot " << dot
                                               << ": " << Bit(from, dot) << " moved to " << Bit(to, dot + dx);
        }
      }
    }
  }
  return ::testing::AssertionSuccess();
}

double FarthestDotMm(const PrintedDots& dots, int32_t square_at) {
  const double cx = square_at + 708, cy = 1416;
  double farthest = 0;
  for (const auto& plane : dots.planes) {
    for (const auto& [row, line] : plane) {
      for (int32_t dot = 0; dot < stream::kLineDots; ++dot) {
        if (!Bit(line, dot)) continue;
        // Dots are 1/300 inch across, row addresses 1/600 inch down.
        const double x = (dot + 0.5 - cx) * 25.4 / 300, y = (row + 0.5 - cy) * 25.4 / 600;
        farthest = std::max(farthest, sqrt(x * x + y * y));
      }
    }
  }
  return farthest;
}

page::InkPage InkOfJob(const PrintedDots& dots, int32_t rows_per_inch, int32_t square_at) {
  static const int kColourOrder[3] = {page::kYellow, page::kMagenta, page::kCyan};  // as sent
  const bool colour = dots.planes.size() == 3;
  page::InkPage ink = page::InkPage::Blank(geometry::kDiscAreaDots, geometry::DiscAreaRows(rows_per_inch), rows_per_inch, colour);
  for (size_t k = 0; k < dots.planes.size() && k < 3; ++k) {
    const int plane = colour ? kColourOrder[k] : page::kBlack;
    for (const auto& [address, line] : dots.planes[k]) {
      const int32_t row = address / ink.RowStep();
      if (row < 0 || row >= ink.rows) continue;
      for (int32_t x = 0; x < ink.width_dots; ++x) {
        if (Bit(line, square_at + x)) ink.SetDot(plane, row, x);
      }
    }
  }
  return ink;
}

BlockInkDifference CompareBlockInk(const page::InkPage& a, const page::InkPage& b, const page::DiscRing& ring) {
  BlockInkDifference result;
  const int32_t block_rows = 64 * a.rows_per_inch / 600;  // 32 x 64 dots at 600 rows per inch: square on the disc
  const page::DiscMask mask(ring, a.rows_per_inch);
  double sum = 0;
  for (int32_t by = 0; by + block_rows <= a.rows && by + block_rows <= b.rows; by += block_rows) {
    for (int32_t bx = 0; bx + 32 <= a.width_dots; bx += 32) {
      if (!mask.Printable(bx, by) || !mask.Printable(bx + 31, by + block_rows - 1) ||
          !mask.Printable(bx, by + block_rows - 1) || !mask.Printable(bx + 31, by)) {
        continue;
      }
      for (int p = 0; p < a.PlaneCount() && p < b.PlaneCount(); ++p) {
        int da = 0, db = 0;
        for (int32_t y = by; y < by + block_rows; ++y) {
          for (int32_t x = bx; x < bx + 32; ++x) da += a.Dot(p, y, x), db += b.Dot(p, y, x);
        }
        const double diff = fabs(da - db) / (32.0 * block_rows);
        result.worst = std::max(result.worst, diff);
        sum += diff;
        ++result.blocks;
      }
    }
  }
  if (result.blocks > 0) result.mean = sum / result.blocks;
  return result;
}

}  // namespace testsupport
