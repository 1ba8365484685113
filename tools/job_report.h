// Reading a job back for people: the annotated command listing and summary
// of `quillory2 decode`, and the planes `quillory2 preview` draws.
#ifndef QUILLORY2_TOOLS_JOB_REPORT_H_
#define QUILLORY2_TOOLS_JOB_REPORT_H_

#include <stddef.h>
#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

#include "imaging/preview.h"
#include "stream/decoder.h"
#include "tools/encode_job.h"

namespace tools {

// Bytes in hex, "1B 2A 62 31 4D"; past max_shown bytes the rest is elided
// as " ... (+N bytes)".
std::string HexBytes(const uint8_t* data, size_t length, size_t max_shown = 12);

// One line per command: offset, bytes, meaning with parameters, and for
// raster transfers the row and the dots it placed.
void WriteListing(const stream::DecodedStream& decoded, const uint8_t* data, size_t size, std::ostream& out);

// Planes with rows, dots and bytes; framing and options recognised; problems.
void WriteSummary(const stream::DecodedStream& decoded, size_t size, std::ostream& out);

// Which driver wrote a job, and so where it put page dot 0, judged from what
// only one of them does. The minidriver writes row address 0 without digits,
// sends a second plain packing command after the begin-page command, and
// places colour dots left of the plug-in's 7-byte margin; its monochrome
// lines are sent plain from their byte 0, zero bytes included, at the column
// where page dot 0 lies. Anything else is taken for the plug-in.
struct DriverGuess {
  Driver driver = Driver::kPlugin;
  int32_t origin_dots = imaging::kPluginOriginDots;  // printer dot of page dot 0
  std::string reason;
};
DriverGuess GuessDriver(const stream::DecodedStream& decoded, const uint8_t* data, size_t size);

// The printer dot at which each driver places page dot 0 of a colour page
// (the plug-in also of a monochrome one).
int32_t OriginDots(Driver driver);

// How the planes of a job map to inks and pages.
enum class InkLayout { kAuto, kColour, kMono };

// The planes of page `page` (1-based) with their inks: a colour page is three
// planes sent yellow, magenta, cyan; a monochrome page one black plane. Auto
// takes one plane for monochrome and a multiple of three for colour. False
// with a reason when the job has no such page or no plane at all.
bool PagePlanes(const stream::DecodedStream& decoded, InkLayout layout, int page,
                std::vector<imaging::PrintedPlane>* planes, int* page_count, std::string* error);

// Rows per inch of a job: its resolution select command, else 600 when any
// row address is odd, else 300.
int32_t JobRowsPerInch(const stream::DecodedStream& decoded);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_JOB_REPORT_H_
