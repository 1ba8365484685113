// Reading a job back for people: the annotated command listing and summary
// of `quillory2 decode`, and the planes `quillory2 preview` draws. Both read
// the job as it streams past, so a job of any length takes the memory of
// one page.
#ifndef QUILLORY2_TOOLS_JOB_REPORT_H_
#define QUILLORY2_TOOLS_JOB_REPORT_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/preview.h"
#include "stream/decoder.h"
#include "stream/describe.h"
#include "tools/encode_job.h"

namespace tools {

// Bytes in hex, "1B 2A 62 31 4D"; past max_shown bytes the rest is elided
// as " ... (+N bytes)".
std::string HexBytes(const uint8_t* data, size_t length, size_t max_shown = 12);

// A job file (or standard input for "-") read in pieces for the decoder.
class JobFile : public stream::ByteSource {
 public:
  JobFile() = default;
  JobFile(const JobFile&) = delete;
  JobFile& operator=(const JobFile&) = delete;
  ~JobFile() override;

  // False with the reason when the file cannot be opened.
  bool Open(const std::string& path, std::string* error);
  size_t Read(uint8_t* buffer, size_t capacity) override;
  // Ends the stream early: Read returns 0 from now on.
  void Stop() { stopped_ = true; }
  // False with the reason when reading failed.
  bool ReadCleanly(std::string* error) const;

 private:
  std::string path_;
  FILE* file_ = nullptr;
  bool stopped_ = false;
  int read_error_ = 0;
};

// The listing and summary of `quillory2 decode`. With a listing, one line
// per command (offset, bytes, meaning with parameters, and for raster
// transfers the row and the dots placed) goes to `write` as the job is
// read; the planes are noted as they end, the first kMaxListedPlanes of
// them one by one. `write` returns false when the text could not be written.
class JobReport : public stream::DecodeListener {
 public:
  static constexpr size_t kMaxListedPlanes = 1000;

  JobReport(bool listing, std::function<bool(const std::string&)> write)
      : listing_(listing), write_(std::move(write)) {}

  void OnCommand(const stream::Command& command) override;
  void OnPlaneEnd(stream::Plane& plane, size_t index) override;

  // Sends the rest of the listing; false when any of it could not be written.
  bool FlushListing();
  // Planes with rows, dots and bytes; framing and options recognised;
  // problems. Counts what is not listed.
  void WriteSummary(const stream::StreamSummary& summary, std::ostream& out) const;

 private:
  bool listing_;
  std::function<bool(const std::string&)> write_;
  std::string pending_;
  bool write_failed_ = false;
  std::vector<std::string> plane_lines_;
};

// One listing line for a command, without the line end: offset, bytes, and
// the command in words (stream::DescribeCommand).
std::string ListingLine(const stream::Command& command);

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

// Makes the guess while the commands stream past.
class DriverGuesser {
 public:
  void See(const stream::Command& command);
  DriverGuess Result() const;

 private:
  struct Found {
    bool found = false;
    DriverGuess guess;
  };
  Found mono_line_, minidriver_habit_, left_dots_;
  stream::CommandKind before_last_ = stream::CommandKind::kUnknown, last_ = stream::CommandKind::kUnknown;
  int64_t last_parameter_ = -1;
  size_t before_last_offset_ = 0, last_offset_ = 0;
};

DriverGuess GuessDriver(const stream::DecodedStream& decoded);

// The printer dot at which each driver places page dot 0 of a colour page
// (the plug-in also of a monochrome one).
int32_t OriginDots(Driver driver);

// How the planes of a job map to inks and pages.
enum class InkLayout { kAuto, kColour, kMono };

// Keeps the planes of one page (1-based) while the job streams past: a
// colour page is three planes sent yellow, magenta, cyan; a monochrome page
// one black plane. Auto takes a multiple of three planes for colour, any
// other count for monochrome, so the planes of the page under both readings
// are kept until the end. Also guesses the driver and notes odd row
// addresses (see JobRowsPerInch).
class PageCollector : public stream::DecodeListener {
 public:
  PageCollector(InkLayout layout, int page) : layout_(layout), page_(page) {}

  void OnCommand(const stream::Command& command) override { guesser_.See(command); }
  void OnPlaneEnd(stream::Plane& plane, size_t index) override;

  // After the job's end: the planes of the page with their inks, and the
  // number of pages. False with a reason when the job has no such page or
  // no plane at all.
  bool TakePage(std::vector<imaging::PrintedPlane>* planes, int* page_count, std::string* error);
  DriverGuess Guess() const { return guesser_.Result(); }
  bool SawOddRow() const { return odd_row_; }

 private:
  InkLayout layout_;
  int page_;
  size_t planes_seen_ = 0;
  bool odd_row_ = false;
  stream::Plane mono_;                   // plane page - 1
  std::vector<stream::Plane> colour_;    // planes 3 (page - 1) .. 3 page - 1, as far as they came
  DriverGuesser guesser_;
};

// The same for a job decoded in memory.
bool PagePlanes(const stream::DecodedStream& decoded, InkLayout layout, int page,
                std::vector<imaging::PrintedPlane>* planes, int* page_count, std::string* error);

// Rows per inch of a job: its resolution select command, else 600 when any
// row address is odd, else 300.
int32_t JobRowsPerInch(int resolution_rows_per_inch, bool odd_row);
int32_t JobRowsPerInch(const stream::DecodedStream& decoded);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_JOB_REPORT_H_
