// Helpers of the CUPS driver tests: ink pages with patterns, CUPS raster
// files written through libcups, running the filter and other programs, and
// comparing a decoded command stream with the ink it should print.
#ifndef QUILLORY2_TESTS_CUPS_CUPS_TEST_SUPPORT_H_
#define QUILLORY2_TESTS_CUPS_CUPS_TEST_SUPPORT_H_

#include <cups/raster.h>
#include <gtest/gtest.h>
#include <sys/types.h>

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "cups/job_choices.h"
#include "cups/raster_page.h"
#include "page/disc_ring.h"
#include "page/ink_page.h"
#include "page/job_options.h"
#include "stream/decoder.h"
#include "tests/cups/reference_page_reader.h"
#include "tests/support/ink_pages.h"
#include "tests/support/support.h"

namespace cupstest {

using testsupport::BuildDir;
using testsupport::ReadFile;
using testsupport::RunProgram;
using testsupport::RunResult;
using testsupport::Spawned;
using testsupport::TempDir;
using testsupport::WriteFile;

// <build>/bin/rastertoquillory2 and <build>/share/ppd/quilry2.ppd.
std::string FilterPath();
std::string PpdPath();

// Random pages, the job's preamble and end, written out (tests/support).
using testsupport::ExpectedJobEnd;
using testsupport::ExpectedJobPreamble;
using testsupport::RandomInkPage;

// One page of a raster file and the header fields that carry the options.
struct RasterPage {
  page::InkPage ink;
  cupsdrv::PixelLayout layout = cupsdrv::PixelLayout::kCmyBanded;  // kBlack for monochrome
  imaging::RgbImage picture;  // a contone page's pixels (kRgb8, kGrey8, kBlack8), as big as ink
  unsigned integers[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  unsigned media_type = 0;
  // Overrides for headers the filter must refuse (0: derived from the page).
  unsigned colour_space = 0;
  unsigned bits_per_colour = 0;
  unsigned x_resolution = 0;
};

// The header a rasterizer would write for the page.
cups_page_header2_t HeaderFor(const RasterPage& page);

// Writes pages to path through cupsRasterOpen(CUPS_RASTER_WRITE...).
bool WriteRaster(const std::string& path, const std::vector<RasterPage>& pages,
                 cups_mode_t mode = CUPS_RASTER_WRITE);

// Opens a CUPS raster file and hands each page's header to read_page, which
// reads that page's pixels; false when the file does not open or a page
// could not be read (read_page returned false).
bool ForEachRasterPage(const std::string& path,
                       const std::function<bool(cups_raster_t*, const cups_page_header2_t&)>& read_page);
// Reads a whole raster file back into ink pages (headers checked by the
// filter's CheckPageHeader, rows by ReadPage).
bool ReadRaster(const std::string& path, std::vector<page::InkPage>* pages,
                std::vector<cups_page_header2_t>* headers);

// The filter's standard arguments with the given options string.
std::vector<std::string> FilterArgs(const std::string& options, const std::string& file = "");

// Compares the planes decoded from one page (starting at planes[first]) with
// the page's ink: yellow, magenta, cyan (or black) in that order, the ink 56
// dots into the printer line, row r at row address r * step, and, when
// skip_centre is set, nothing at row addresses 896 to 1936.
::testing::AssertionResult PlanesMatch(const stream::DecodedStream& decoded, size_t first,
                                       const page::InkPage& ink, bool skip_centre);

// The page as the filter prints it: every dot off the ring cleared, tested
// dot by dot.
page::InkPage OnRing(const page::InkPage& ink, const page::DiscRing& ring = page::DiscRing{});

bool StartsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& prefix);
bool EndsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& suffix);

}  // namespace cupstest

#endif  // QUILLORY2_TESTS_CUPS_CUPS_TEST_SUPPORT_H_
