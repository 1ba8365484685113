#include "tests/support/ink_pages.h"

#include <algorithm>
#include <random>

#include "geometry/printer_geometry.h"
#include "tests/support/support.h"

namespace testsupport {

page::InkPage RandomInkPage(int32_t width_dots, int32_t rows, int32_t rows_per_inch, bool colour, uint32_t seed) {
  page::InkPage page = page::InkPage::Blank(width_dots, rows, rows_per_inch, colour);
  std::mt19937 random(seed);
  const int32_t bytes = page.BytesPerRow();
  for (int p = 0; p < page.PlaneCount(); ++p) {
    for (int32_t r = 0; r < rows; ++r) {
      if ((r / 37 + p) % 5 == 1) continue;  // a blank stretch
      uint8_t* row = page.Row(p, r);
      const uint32_t kind = random() % 6;
      const int32_t from = kind == 5 ? 0 : static_cast<int32_t>(random() % bytes);
      const int32_t to = kind == 4 ? bytes - 1 : from + static_cast<int32_t>(random() % (bytes - from));
      for (int32_t b = from; b <= to; ++b) {
        switch (kind) {
          case 0: break;                                                       // blank row
          case 1: row[b] = static_cast<uint8_t>(0xFF >> (r % 3)); break;       // a run: goes packed
          case 2: row[b] = static_cast<uint8_t>(random()); break;              // noise: goes plain
          case 3: if (random() % 16 == 0) row[b] = static_cast<uint8_t>(random()); break;  // sparse
          default: row[b] = static_cast<uint8_t>(b % 7 == 0 ? 0xF0 : random()); break;     // to an edge
        }
      }
      // Dots past the page's width are not part of it.
      if (width_dots % 8 != 0) row[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - width_dots % 8));
    }
  }
  return page;
}

Line ExpectedLine(const uint8_t* row, int32_t bytes, int32_t lead_bytes) {
  Line line(stream::kLineBytes, 0);
  for (int32_t k = 0; k < bytes && k + lead_bytes < stream::kLineBytes; ++k) line[k + lead_bytes] = row[k];
  return line;
}

bool Blank(const Line& line) {
  return std::all_of(line.begin(), line.end(), [](uint8_t b) { return b == 0; });
}

std::map<int32_t, Line> InkRows(const page::InkPage& page, int ink, int32_t lead_bytes, bool skip_centre) {
  std::map<int32_t, Line> rows;
  for (int32_t r = 0; r < page.rows; ++r) {
    const int32_t address = r * page.RowStep();
    rows[address] = skip_centre && geometry::InCentreBand(address)
                        ? Line(stream::kLineBytes, 0)
                        : ExpectedLine(page.Row(ink, r), page.BytesPerRow(), lead_bytes);
  }
  return rows;
}

::testing::AssertionResult PlaneHolds(const stream::Plane& plane, const std::map<int32_t, Line>& expected) {
  for (const auto& [address, line] : expected) {
    const auto found = plane.rows.find(address);
    if (Blank(line)) {
      if (found != plane.rows.end() && !Blank(found->second)) {
        return ::testing::AssertionFailure() << "row address " << address << " should be blank";
      }
      continue;
    }
    if (found == plane.rows.end()) return ::testing::AssertionFailure() << "row address " << address << " missing";
    if (found->second != line) {
      size_t byte = 0;
      while (byte < line.size() && found->second[byte] == line[byte]) ++byte;
      return ::testing::AssertionFailure() << "row address " << address << " differs at line byte " << byte;
    }
  }
  for (const auto& [address, line] : plane.rows) {
    if (expected.count(address) == 0 && !Blank(line)) {
      return ::testing::AssertionFailure() << "ink at row address " << address << ", where the page has none";
    }
  }
  return ::testing::AssertionSuccess();
}

std::vector<uint8_t> ExpectedJobPreamble(const page::JobOptions& options) {
  std::vector<uint8_t> out =
      Concat({Esc("!c2Q"), {0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}});
  if (options.on_option == page::OnOff::kOn) out = Concat({out, Esc("!d6Q")});
  // Image control: AUTO, or 500 + 20 n for level n.
  return Concat({out, Esc(options.media == page::Media::kMatte ? "!t200Q" : "!t000Q"),
                 Esc(options.resolution == page::Resolution::k300 ? "*t300R" : "*t600R"),
                 Esc(options.image_control == page::kImageControlAuto
                         ? "!s0Q"
                         : "!s" + std::to_string(500 + 20 * options.image_control) + "Q")});
}

std::vector<uint8_t> ExpectedJobEnd() { return Esc("!d0Q"); }

}  // namespace testsupport
