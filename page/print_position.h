// Where the label lands on the disc: the print-position offset, and a page of
// the printable square moved by it onto what a job can address.
//
// Trays and printers differ by a millimetre or two, so the user moves the
// whole label: picture and ring mask together, in steps of 0.1 mm from -3.0
// to +3.0 mm, positive x to the right and positive y down as seen on the disc
// lying in the tray. A job addresses a printer line of 1536 dots and row
// addresses 0 to 2831; what an offset moves beyond that is cut, never
// wrapped, and the user is told how much of the ring was lost.
#ifndef QUILLORY2_PAGE_PRINT_POSITION_H_
#define QUILLORY2_PAGE_PRINT_POSITION_H_

#include <stdint.h>

#include <string>
#include <string_view>

#include "page/disc_ring.h"
#include "page/ink_page.h"

namespace page {

// Offsets are kept in tenths of a millimetre, so that the 0.1 mm steps stay
// exact from the words to the dots.
constexpr int32_t kMaxOffsetTenths = 30;

struct PrintOffset {
  int32_t x_tenths = 0;  // positive: right, as seen on the disc in the tray
  int32_t y_tenths = 0;  // positive: down (towards the printer's later rows)
  bool Zero() const { return x_tenths == 0 && y_tenths == 0; }
  bool operator==(const PrintOffset& other) const {
    return x_tenths == other.x_tenths && y_tenths == other.y_tenths;
  }
};

// "-1.5", "+0.3", "2", "0.7mm": a signed decimal in mm with at most one
// digit after the point, from -3.0 to +3.0. Blanks ignored. False leaves the
// value as it was.
bool ParseOffsetMm(std::string_view text, int32_t* tenths);
// "+1.5", "-0.3", "0.0".
std::string OffsetMmName(int32_t tenths);
extern const char kOffsetWords[];

// The offset in whole printer dots across (1/300 inch) and in page rows at
// rows_per_inch, each rounded to the nearest.
int32_t OffsetDots(int32_t tenths);
int32_t OffsetRows(int32_t tenths, int32_t rows_per_inch);

// What a print path can address, around where it puts the printable
// square's first dot: how far left of it a page may start (whole bytes: the
// job writer, whose margin can shrink from the plug-in's 7 bytes to 0, reaches
// 56 dots; the Windows components, whose margins are fixed, none), and the
// widest page the path takes from where it starts.
struct LineReach {
  int32_t left_dots = 0;
  int32_t line_dots = geometry::kPluginPrintableDots;  // from the page's first dot at the plug-in's margin
};
constexpr LineReach kComponentReach{0, geometry::kPluginPrintableDots};
constexpr LineReach kJobWriterReach{geometry::kPluginMarginBytes * 8, geometry::kPluginPrintableDots};

// A page laid on the printable square (dot 0, row 0 its corner) moved by the
// offset within what the path reaches: dot x, row y goes to x + dx, y + dy,
// the square's rows stay the page's rows, and ink moved outside is dropped.
// A page moved left within a path's reach starts left of the square: its
// margin_bytes says where its first dot lies in the printer line.
InkPage MovePage(const InkPage& page, const PrintOffset& offset, const LineReach& reach);

// The same for rows of dots held elsewhere (the CUPS filter's planes): the
// dots of src (src_dots wide) go shift dots to the right into dst (dst_dots
// wide, cleared first); dots moved outside are dropped.
void MoveDots(const uint8_t* src, int32_t src_dots, int32_t shift, uint8_t* dst, int32_t dst_dots);

// Where a page moved by MovePage starts: the margin in bytes and the dots of
// padding before the square's first dot (negative: cut from the left).
struct MovedLine {
  int32_t margin_bytes = geometry::kPluginMarginBytes;
  int32_t square_at = 0;  // page dot of the square's dot 0
  int32_t width = 0;      // page width in dots
};
MovedLine PlaceLine(int32_t square_width, int32_t dx, const LineReach& reach);

// How much of the ring an offset moves beyond what the path addresses.
struct RingLoss {
  double percent = 0;  // of the ring's dots
  double left_mm = 0, right_mm = 0, top_mm = 0, bottom_mm = 0;  // deepest cut at each side
  bool Any() const { return percent > 0; }
};
RingLoss LostRing(const DiscRing& ring, const PrintOffset& offset, int32_t rows_per_inch,
                  const LineReach& reach);
// "1.9% of the printable ring lies beyond what the printer can address and is
// not printed (up to 0.6 mm at the left edge)".
std::string DescribeRingLoss(const RingLoss& loss);

}  // namespace page

#endif  // QUILLORY2_PAGE_PRINT_POSITION_H_
