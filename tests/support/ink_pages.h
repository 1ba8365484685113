// What the tests of whole jobs share: random ink pages, the printer lines a
// page's ink should become, the check that a decoded plane holds exactly
// them, and the job preamble of the printer description.
#ifndef QUILLORY2_TESTS_SUPPORT_INK_PAGES_H_
#define QUILLORY2_TESTS_SUPPORT_INK_PAGES_H_

#include <gtest/gtest.h>
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "page/ink_page.h"
#include "page/job_options.h"
#include "stream/decoder.h"
#include "tests/support/support.h"

namespace testsupport {

using Line = std::vector<uint8_t>;

// A page of seeded random ink that takes every path of the writers: blank
// stretches, rows of one repeated byte (packed), noise (plain), sparse dots,
// rows from the left edge and rows that reach the last dot. Dots past
// width_dots are clear.
page::InkPage RandomInkPage(int32_t width_dots, int32_t rows, int32_t rows_per_inch, bool colour, uint32_t seed);

// The printer line a page row becomes: byte k at printer byte k + lead_bytes
// (what does not fit the line is cut).
Line ExpectedLine(const uint8_t* row, int32_t bytes, int32_t lead_bytes);
bool Blank(const Line& line);

// The printer lines of one ink of a page, by row address, lead_bytes into
// the line; the centre band's rows blank when skip_centre.
std::map<int32_t, Line> InkRows(const page::InkPage& page, int ink, int32_t lead_bytes, bool skip_centre = false);

// The decoded plane holds exactly these rows: each listed row as given (a
// blank one absent or blank), and ink in no other row.
::testing::AssertionResult PlaneHolds(const stream::Plane& plane, const std::map<int32_t, Line>& expected);

// The job preamble the printer description's job setup sends: begin document
// with its pattern, the ON option when on, media, resolution, image control.
// Written out byte for byte, not taken from the table reader.
std::vector<uint8_t> ExpectedJobPreamble(const page::JobOptions& options);
// The end-document command.
std::vector<uint8_t> ExpectedJobEnd();

}  // namespace testsupport

#endif  // QUILLORY2_TESTS_SUPPORT_INK_PAGES_H_
