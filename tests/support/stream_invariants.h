// What must hold for any input to the stream decoder, whatever the bytes:
// checked by the decoder's tests and by its fuzz target alike.
//
// Every byte belongs to exactly one command, in input order, and a command's
// first bytes are the input's; transfers lie inside their command and place
// dots only on the printer line; planes come in order with at most a page of
// full printer lines; the summary counts what was handed over and lists a
// bounded number of problems, each inside the input.
#ifndef QUILLORY2_TESTS_SUPPORT_STREAM_INVARIANTS_H_
#define QUILLORY2_TESTS_SUPPORT_STREAM_INVARIANTS_H_

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "stream/decoder.h"
#include "stream/describe.h"

namespace testsupport {

// A listener that checks each command and plane as the decoder hands it over
// (keeping none of them but the first kept_planes planes), then the summary.
// failure() names the first broken rule; empty while all hold.
class StreamInvariants : public stream::DecodeListener {
 public:
  StreamInvariants(const uint8_t* input, size_t size, const stream::DecodeOptions& options = {},
                   size_t kept_planes = 0)
      : input_(input), size_(size), whole_job_(options.whole_job), kept_planes_(kept_planes) {}

  void OnCommand(const stream::Command& c) override {
    Check(c.offset == next_, "command at " + std::to_string(c.offset) + " where " + std::to_string(next_) + " was next");
    Check(c.length > 0, "empty command at " + std::to_string(c.offset));
    next_ += c.length;
    if (!Check(next_ <= size_, "command at " + std::to_string(c.offset) + " runs past the input")) return;
    Check(memcmp(c.head, input_ + c.offset, c.HeadLength()) == 0, "head bytes differ from the input");
    Check((c.kind == stream::CommandKind::kStrayBytes) == (input_[c.offset] != 0x1B),
          "stray bytes and commands are told apart by the ESC");
    Check(c.plane < 0 || static_cast<size_t>(c.plane) == planes_seen_, "command in a plane other than the open one");
    if (c.kind == stream::CommandKind::kRasterTransfer) {
      ++transfers_;
      Check(c.plane >= 0, "raster transfer outside a plane");
      Check(c.data_offset >= c.offset && c.data_offset + c.data_length == c.offset + c.length,
            "transfer data outside its command");
      Check((c.first_dot < 0) == (c.last_dot < 0) && c.first_dot <= c.last_dot && c.last_dot < stream::kLineDots,
            "dots placed off the printer line");
    }
    Check(!stream::DescribeCommand(c).empty(), "command without a description");
    ++commands;
  }

  void OnPlaneEnd(stream::Plane& plane, size_t index) override {
    Check(index == planes_seen_, "plane " + std::to_string(index) + " out of order");
    Check(plane.rows.size() <= static_cast<size_t>(stream::kPageRowAddresses), "more rows than a page holds");
    for (const auto& [address, row] : plane.rows) {
      Check(address >= 0 && address < stream::kPageRowAddresses, "row address off the page");
      Check(row.size() == static_cast<size_t>(stream::kLineBytes), "a row that is not a printer line");
    }
    plane_transfers_ += plane.transfers;
    ++planes_seen_;
    if (planes.size() < kept_planes_) planes.push_back(std::move(plane));
  }

  // The summary after the decoder's run; returns failure().
  const std::string& Finish(const stream::StreamSummary& s) {
    Check(next_ == size_ && s.bytes == size_, "the commands do not cover the input");
    Check(s.command_count == commands && s.plane_count == planes_seen_, "the summary miscounts");
    Check(plane_transfers_ == transfers_, "the planes miscount their transfers");
    Check(s.problems.size() <= stream::kMaxListedProblems &&
              (s.problems.size() == s.problem_count || s.problems.size() == stream::kMaxListedProblems),
          "problems listed beyond the bound or left out below it");
    for (const stream::Problem& p : s.problems) {
      // The job rules may speak of the end of the input itself.
      Check(p.offset < size_ || (whole_job_ && p.offset == size_), "problem offset past the input");
      Check(!p.message.empty(), "problem without a message");
    }
    if (size_ > 0 && s.Clean()) Check(commands > 0, "a clean stream of no commands");
    // An empty stream is no job.
    if (whole_job_ && size_ == 0) Check(!s.Clean(), "an empty stream taken for a job");
    return failure_;
  }

  const std::string& failure() const { return failure_; }
  size_t plane_count() const { return planes_seen_; }

  size_t commands = 0;
  std::vector<stream::Plane> planes;  // the first kept_planes of them

 private:
  bool Check(bool holds, const std::string& rule) {
    if (!holds && failure_.empty()) failure_ = rule;
    return holds;
  }

  const uint8_t* input_;
  size_t size_;
  bool whole_job_;
  size_t kept_planes_;
  size_t next_ = 0;
  size_t planes_seen_ = 0;
  size_t transfers_ = 0;
  size_t plane_transfers_ = 0;
  std::string failure_;
};

// The same checks over a stream decoded in memory; empty when all hold.
inline std::string BrokenInvariant(const stream::DecodedStream& d, const uint8_t* input, size_t size,
                                   const stream::DecodeOptions& options = {}) {
  StreamInvariants check(input, size, options);
  size_t ended = 0;
  const auto end_planes = [&](size_t up_to) {
    for (; ended < up_to && ended < d.planes.size(); ++ended) {
      stream::Plane copy = d.planes[ended];
      check.OnPlaneEnd(copy, ended);
    }
  };
  // The planes before a command's own have ended by the time it comes.
  for (const stream::Command& c : d.commands) {
    if (c.plane >= 0) end_planes(static_cast<size_t>(c.plane));
    check.OnCommand(c);
  }
  end_planes(d.planes.size());
  return check.Finish(d);
}

}  // namespace testsupport

#endif  // QUILLORY2_TESTS_SUPPORT_STREAM_INVARIANTS_H_
