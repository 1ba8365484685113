// Where a job puts its ink, for the tests that move labels: the dots of a
// decoded job by plane and row address, compared after a move, and measured
// from the disc's centre.
#ifndef QUILLORY2_TESTS_SUPPORT_PRINTED_DOTS_H_
#define QUILLORY2_TESTS_SUPPORT_PRINTED_DOTS_H_

#include <gtest/gtest.h>
#include <stdint.h>

#include <map>
#include <vector>

#include "page/disc_ring.h"
#include "page/ink_page.h"

namespace testsupport {

struct PrintedDots {
  bool clean = false;  // the printer reads the job cleanly (decode --check)
  std::vector<std::map<int32_t, std::vector<uint8_t>>> planes;  // row address -> 192 line bytes
  size_t Count() const;
};

PrintedDots DecodeDots(const std::vector<uint8_t>& job);

// Whether every dot of `moved` is a dot of `base` moved dx printer dots
// right and dy row addresses down, and every dot of base arrived.
::testing::AssertionResult IsMovedBy(const PrintedDots& base, const PrintedDots& moved, int32_t dx,
                                     int32_t dy);

// The farthest printed dot's centre from the centre of a disc lying where
// the component's square is (printer dot square_at + 708, row address 1416:
// the plug-in's square starts at dot 56, the minidriver's at 24), in mm.
double FarthestDotMm(const PrintedDots& dots, int32_t square_at = 56);

// The ink page of a decoded job whose square starts at printer dot
// square_at (the plug-in's and the CUPS filter's 56): planes in cyan,
// magenta, yellow order (or black), rows at rows_per_inch.
page::InkPage InkOfJob(const PrintedDots& dots, int32_t rows_per_inch, int32_t square_at = 56);

// How far two pages of the same picture differ in ink: the share of dots of
// each ink in every 32 x 64-dot block wholly on the ring, compared.
struct BlockInkDifference {
  int blocks = 0;      // blocks compared, times planes
  double mean = 0;     // mean absolute difference of the shares
  double worst = 0;    // largest
};
BlockInkDifference CompareBlockInk(const page::InkPage& a, const page::InkPage& b, const page::DiscRing& ring);

}  // namespace testsupport

#endif  // QUILLORY2_TESTS_SUPPORT_PRINTED_DOTS_H_
