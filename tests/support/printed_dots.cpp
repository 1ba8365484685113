#include "tests/support/printed_dots.h"

#include <math.h>

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

}  // namespace testsupport
