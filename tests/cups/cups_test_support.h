// Helpers of the CUPS driver tests: ink pages with patterns, CUPS raster
// files written through libcups, running the filter and other programs, and
// comparing a decoded command stream with the ink it should print.
#ifndef QUILLORY2_TESTS_CUPS_CUPS_TEST_SUPPORT_H_
#define QUILLORY2_TESTS_CUPS_CUPS_TEST_SUPPORT_H_

#include <cups/raster.h>
#include <gtest/gtest.h>
#include <sys/types.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "cups/job_choices.h"
#include "cups/raster_page.h"
#include "hosts/ink_page.h"
#include "stream/decoder.h"

namespace cupstest {

// <build>/bin/rastertoquillory2 and <build>/share/ppd/quilry2.ppd, found
// through QUILLORY2_BUILD_DIR.
std::string BuildDir();
std::string FilterPath();
std::string PpdPath();

// A private folder under /tmp, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::vector<uint8_t> ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

// A page with a pattern that differs per plane and seed: diagonal bands,
// solid blocks, single dots and blank stretches, so that plain and packed
// rows, skipped rows and both ends of the line all occur.
hosts::InkPage PatternPage(int32_t width, int32_t rows, int rows_per_inch, bool colour,
                           uint32_t seed);

// One page of a raster file and the header fields that carry the options.
struct RasterPage {
  hosts::InkPage ink;
  cupsdrv::PixelLayout layout = cupsdrv::PixelLayout::kCmyBanded;  // kBlack for monochrome
  unsigned integers[3] = {0, 0, 0};
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

// Reads a whole raster file back into ink pages with the filter's reader.
bool ReadRaster(const std::string& path, std::vector<hosts::InkPage>* pages,
                std::vector<cups_page_header2_t>* headers);

struct RunResult {
  int exit_code = -1;  // -1 when the program did not exit normally
  int signal = 0;      // the signal that ended it, if any
  std::vector<uint8_t> out;
  std::string err;
};

// Runs argv[0] with argv, standard input from stdin_path ("" for /dev/null),
// extra environment entries NAME=value; waits for it.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& stdin_path,
                     const std::vector<std::string>& env = {});

// A program started with its standard input on a pipe, for tests that feed
// it piece by piece and signal it.
class Spawned {
 public:
  Spawned(const std::vector<std::string>& argv, const TempDir& dir);
  ~Spawned();
  bool Feed(const uint8_t* data, size_t size);
  void CloseInput();
  // Waits up to timeout_ms until standard error holds text.
  bool WaitForError(const std::string& text, int timeout_ms);
  void Signal(int sig);
  RunResult Wait();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::string out_path_;
  std::string err_path_;
};

// The filter's standard arguments with the given options string.
std::vector<std::string> FilterArgs(const std::string& options, const std::string& file = "");

// The job setup and job end the characterization table gives for choices.
std::vector<uint8_t> ExpectedJobSetup(const cupsdrv::JobChoices& choices);
std::vector<uint8_t> ExpectedJobEnd();

// Compares the planes decoded from one page (starting at planes[first]) with
// the page's ink: yellow, magenta, cyan (or black) in that order, the ink 56
// dots into the printer line, row r at row address r * step, and, when
// skip_centre is set, nothing at row addresses 896 to 1936.
::testing::AssertionResult PlanesMatch(const stream::DecodedStream& decoded, size_t first,
                                       const hosts::InkPage& ink, bool skip_centre);

bool StartsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& prefix);
bool EndsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& suffix);

}  // namespace cupstest

#endif  // QUILLORY2_TESTS_CUPS_CUPS_TEST_SUPPORT_H_
