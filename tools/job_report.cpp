#include "tools/job_report.h"

#include "page/print_position.h"

#include <errno.h>
#include <string.h>

#include <algorithm>

namespace tools {

namespace {

int CountDots(const std::vector<uint8_t>& row) {
  int n = 0;
  for (uint8_t b : row) n += __builtin_popcount(b);
  return n;
}

// The listing is handed on in pieces of about this size.
constexpr size_t kListingChunk = 64 * 1024;

}  // namespace

std::string HexBytes(const uint8_t* data, size_t length, size_t max_shown) {
  std::string out;
  char hex[4];
  const size_t shown = std::min(length, max_shown);
  for (size_t i = 0; i < shown; ++i) {
    snprintf(hex, sizeof hex, i ? " %02X" : "%02X", data[i]);
    out += hex;
  }
  if (shown < length) out += " ... (+" + std::to_string(length - shown) + " bytes)";
  return out;
}

// --- reading the job --------------------------------------------------------

JobFile::~JobFile() {
  if (file_ != nullptr && file_ != stdin) fclose(file_);
}

bool JobFile::Open(const std::string& path, std::string* error) {
  path_ = path;
  file_ = path == "-" ? stdin : fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    *error = "cannot open '" + path + "': " + strerror(errno);
    return false;
  }
  return true;
}

size_t JobFile::Read(uint8_t* buffer, size_t capacity) {
  if (stopped_ || file_ == nullptr || read_error_ != 0) return 0;
  const size_t n = fread(buffer, 1, capacity, file_);
  if (n == 0 && ferror(file_)) read_error_ = errno != 0 ? errno : EIO;
  return n;
}

bool JobFile::ReadCleanly(std::string* error) const {
  if (read_error_ == 0) return true;
  *error = "cannot read '" + path_ + "': " + strerror(read_error_);
  return false;
}

// --- decode -----------------------------------------------------------------

std::string ListingLine(const stream::Command& c) {
  std::string line;
  char head[32];
  snprintf(head, sizeof head, "%8zu  ", c.offset);
  line += head;
  // Transfers show their header and the first data bytes; the rest is
  // counted, not printed.
  const std::string hex =
      HexBytes(c.head, c.length, c.kind == stream::CommandKind::kRasterTransfer ? 16 : 24);
  line += hex;
  line += std::string(hex.size() < 48 ? 48 - hex.size() : 1, ' ');
  line += stream::DescribeCommand(c);
  if (c.plane >= 0) line += "  {plane " + std::to_string(c.plane + 1) + "}";
  return line;
}

void JobReport::OnCommand(const stream::Command& command) {
  if (!listing_ || write_failed_) return;
  pending_ += ListingLine(command);
  pending_ += '\n';
  if (pending_.size() >= kListingChunk) FlushListing();
}

bool JobReport::FlushListing() {
  if (!write_failed_ && !pending_.empty()) write_failed_ = !write_(pending_);
  pending_.clear();
  return !write_failed_;
}

void JobReport::OnPlaneEnd(stream::Plane& p, size_t index) {
  if (plane_lines_.size() >= kMaxListedPlanes) return;
  long dots = 0;
  for (const auto& row : p.rows) dots += CountDots(row.second);
  std::string line = "Plane " + std::to_string(index + 1) + " at @" + std::to_string(p.offset) +
                     (p.implicit ? " (no plane start)" : "") + ": " + std::to_string(p.rows.size()) + " rows";
  if (!p.rows.empty()) {
    line += " (addresses " + std::to_string(p.rows.begin()->first) + ".." + std::to_string(p.rows.rbegin()->first) +
            ")";
  }
  line += ", row step " + std::to_string(p.row_step) + ", " + std::to_string(dots) + " dots, " +
          std::to_string(p.transfers) + " transfers, " + std::to_string(p.packed_bytes) + " bytes packed, " +
          std::to_string(p.plain_bytes) + " bytes plain";
  plane_lines_.push_back(std::move(line));
}

void JobReport::WriteSummary(const stream::StreamSummary& d, std::ostream& out) const {
  out << "Job: " << d.bytes << " bytes, " << d.command_count << " commands, " << d.plane_count
      << (d.plane_count == 1 ? " plane" : " planes");
  if (d.job_count > 1) out << ", " << d.job_count << " jobs";
  out << '\n';
  out << "Framing: begin document " << (d.has_begin_document ? "yes" : "no") << ", end document "
      << (d.has_end_document ? "yes" : "no") << '\n';
  out << "Options: resolution "
      << (d.resolution_rows_per_inch == 600   ? "600 x 300 DPI"
          : d.resolution_rows_per_inch == 300 ? "300 x 300 DPI"
                                              : "not given")
      << ", media " << (d.media.empty() ? "not given" : d.media) << ", ON option "
      << (d.on_option ? "ON" : "OFF") << ", image control "
      << (d.image_control.empty() ? "not given" : d.image_control) << ", tray select "
      << (d.has_tray_select ? "yes" : "no") << '\n';
  for (const std::string& line : plane_lines_) out << line << '\n';
  if (d.plane_count > plane_lines_.size()) {
    out << "... and " << d.plane_count - plane_lines_.size() << " more planes, not listed\n";
  }
  if (d.Clean()) {
    out << "No problems: the printer reads this stream cleanly.\n";
    return;
  }
  out << d.problem_count << (d.problem_count == 1 ? " problem:\n" : " problems:\n");
  for (const stream::Problem& p : d.problems) out << "  @" << p.offset << ": " << p.message << '\n';
  if (d.problem_count > d.problems.size()) {
    out << "  ... and " << d.problem_count - d.problems.size() << " more problems, not listed\n";
  }
}

// --- preview ----------------------------------------------------------------

namespace {
// 3 mm is 35.4 dots: whole bytes, 5 of them, left of the plug-in's 56.
constexpr int32_t kLeftmostMovedDot = imaging::kPluginOriginDots - 5 * 8;
}  // namespace

void DriverGuesser::See(const stream::Command& c) {
  using K = stream::CommandKind;
  const int32_t mini = imaging::kMinidriverOriginDots;
  // The first data byte of a transfer lies within the command's head.
  const size_t data_at = c.data_offset - c.offset;
  if (!mono_line_.found && c.kind == K::kRasterTransfer && !c.packed && c.column >= 0 && c.data_length > 0 &&
      data_at < stream::kHeadBytes && c.head[data_at] == 0) {
    mono_line_ = {true, {Driver::kMinidriver, c.column,
                         "a monochrome line sent plain from a zero byte at @" + std::to_string(c.offset)}};
  }
  if (!minidriver_habit_.found) {
    if (c.kind == K::kRowPosition && !c.has_parameter) {
      minidriver_habit_ = {true, {Driver::kMinidriver, mini, "a row position without digits at @" +
                                                              std::to_string(c.offset)}};
    } else if (c.kind == K::kPackingMode && c.parameter == 0 && last_ == K::kPackingMode && last_parameter_ == 0 &&
               before_last_ == K::kPlaneStart) {
      minidriver_habit_ = {true, {Driver::kMinidriver, mini,
                                  "a repeated plain packing command after the plane start at @" +
                                      std::to_string(before_last_offset_)}};
    }
  }
  // The job writer reaches up to 5 bytes left of the plug-in's margin for a
  // label moved left (page/print_position.h), so only dots further left
  // than that are the minidriver's.
  if (!left_dots_.found && c.kind == K::kRasterTransfer && c.first_dot >= 0 &&
      c.first_dot < kLeftmostMovedDot) {
    left_dots_ = {true, {Driver::kMinidriver, mini, "dots left of printer dot " + std::to_string(kLeftmostMovedDot) +
                                                        " at @" + std::to_string(c.offset)}};
  }
  before_last_ = last_;
  before_last_offset_ = last_offset_;
  last_ = c.kind;
  last_offset_ = c.offset;
  last_parameter_ = c.parameter;
}

DriverGuess DriverGuesser::Result() const {
  if (mono_line_.found) return mono_line_.guess;
  if (minidriver_habit_.found) return minidriver_habit_.guess;
  if (left_dots_.found) return left_dots_.guess;
  return {Driver::kPlugin, imaging::kPluginOriginDots, "nothing only the minidriver writes"};
}

DriverGuess GuessDriver(const stream::DecodedStream& decoded) {
  DriverGuesser guesser;
  for (const stream::Command& c : decoded.commands) guesser.See(c);
  return guesser.Result();
}

int32_t OriginDots(Driver driver) {
  return driver == Driver::kPlugin ? imaging::kPluginOriginDots : imaging::kMinidriverOriginDots;
}

int32_t JobRowsPerInch(int resolution_rows_per_inch, bool odd_row) {
  if (resolution_rows_per_inch == 300 || resolution_rows_per_inch == 600) return resolution_rows_per_inch;
  return odd_row ? 600 : 300;
}

int32_t JobRowsPerInch(const stream::DecodedStream& decoded) {
  bool odd = false;
  for (const stream::Plane& p : decoded.planes)
    for (const auto& row : p.rows) odd = odd || (row.first & 1);
  return JobRowsPerInch(decoded.resolution_rows_per_inch, odd);
}

void PageCollector::OnPlaneEnd(stream::Plane& plane, size_t index) {
  ++planes_seen_;
  for (const auto& row : plane.rows) odd_row_ = odd_row_ || (row.first & 1);
  const size_t page = static_cast<size_t>(page_ - 1);
  const bool colour_plane = index / 3 == page && layout_ != InkLayout::kMono;
  const bool mono_plane = index == page && layout_ != InkLayout::kColour;
  if (colour_plane && mono_plane) {
    colour_.push_back(plane);
    mono_ = std::move(plane);
  } else if (colour_plane) {
    colour_.push_back(std::move(plane));
  } else if (mono_plane) {
    mono_ = std::move(plane);
  }
}

bool PageCollector::TakePage(std::vector<imaging::PrintedPlane>* planes, int* page_count, std::string* error) {
  const size_t n = planes_seen_;
  if (n == 0) {
    *error = "the job holds no plane: there is nothing to print";
    return false;
  }
  InkLayout layout = layout_;
  if (layout == InkLayout::kAuto) layout = n % 3 == 0 ? InkLayout::kColour : InkLayout::kMono;
  if (layout == InkLayout::kColour && n % 3 != 0) {
    *error = "the job holds " + std::to_string(n) + " planes, not three per colour page";
    return false;
  }
  const size_t per_page = layout == InkLayout::kColour ? 3 : 1;
  *page_count = static_cast<int>(std::min<size_t>(n / per_page, 0x7FFFFFFF));
  if (page_ < 1 || page_ > *page_count) {
    *error = "the job has " + std::to_string(n / per_page) + (n / per_page == 1 ? " page" : " pages") +
             "; there is no page " + std::to_string(page_);
    return false;
  }
  // Both drivers send a colour page yellow first, then magenta, then cyan.
  static const imaging::InkColour kColourOrder[3] = {imaging::InkColour::kYellow, imaging::InkColour::kMagenta,
                                                     imaging::InkColour::kCyan};
  planes->clear();
  for (size_t i = 0; i < per_page; ++i) {
    stream::Plane& src = per_page == 3 ? colour_[i] : mono_;
    imaging::PrintedPlane p;
    p.ink = per_page == 3 ? kColourOrder[i] : imaging::InkColour::kBlack;
    p.rows = std::move(src.rows);
    planes->push_back(std::move(p));
  }
  return true;
}

bool PagePlanes(const stream::DecodedStream& decoded, InkLayout layout, int page,
                std::vector<imaging::PrintedPlane>* planes, int* page_count, std::string* error) {
  PageCollector collector(layout, page);
  for (size_t i = 0; i < decoded.planes.size(); ++i) {
    stream::Plane copy = decoded.planes[i];
    collector.OnPlaneEnd(copy, i);
  }
  return collector.TakePage(planes, page_count, error);
}

}  // namespace tools
