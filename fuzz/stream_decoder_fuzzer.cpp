// Fuzzes the command stream decoder with arbitrary bytes, read in pieces as
// the tool reads a file and judged as whole jobs.
//
// Beyond not crashing, the decoder must account for every input byte exactly
// once, in order, however the pieces split it; keep no more than a page of
// rows and a bounded list of problems; and the planes it rebuilds must
// survive a second trip: they are written out again with the command
// language core (packed or plain, as the writers choose) and decoded to the
// very same dots. Run it with -rss_limit_mb=256: memory must follow one
// page, not the input.
#include <string.h>

#include <vector>

#include "fuzz/fuzz_input.h"
#include "raster/command_stream.h"
#include "stream/decoder.h"
#include "tests/support/stream_invariants.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes* out, const uint8_t* bytes, int count) { out->insert(out->end(), bytes, bytes + count); }

void AppendCommand(Bytes* out, raster::Command command, int32_t value) {
  uint8_t text[raster::MaxCommandBytes(11)];
  const int n = raster::FormatCommand(text, command, value, 11, raster::ZeroText::kDigit);
  FUZZ_CHECK(n > 0);
  Append(out, text, n);
}

bool Blank(const Bytes& row) {
  for (uint8_t b : row) {
    if (b != 0) return false;
  }
  return true;
}

// Writes every non-blank row of every plane as its own positioned transfer.
Bytes Reencode(const std::vector<stream::Plane>& planes) {
  Bytes out;
  uint8_t packed[raster::RleBound(0, stream::kLineBytes)];
  for (const stream::Plane& plane : planes) {
    Append(&out, raster::kPlaneStart, raster::kFixedCommandBytes);
    Append(&out, raster::kPackingPlain, raster::kFixedCommandBytes);
    bool run_length = false;
    for (const auto& [address, row] : plane.rows) {
      if (Blank(row)) continue;
      int first = 0, last = stream::kLineBytes - 1;
      while (row[static_cast<size_t>(first)] == 0) ++first;
      while (row[static_cast<size_t>(last)] == 0) --last;
      AppendCommand(&out, raster::Command::kRowPosition, address);
      const int size = raster::ComputeRLE(row.data(), 0, last + 1, packed);
      FUZZ_CHECK(size > 0 && size % 2 == 0 && size <= static_cast<int>(sizeof packed));
      if (raster::ShouldPack(size, last - first + 1)) {
        if (!run_length) Append(&out, raster::kPackingRle, raster::kFixedCommandBytes);
        run_length = true;
        AppendCommand(&out, raster::Command::kRasterTransfer, size);
        Append(&out, packed, size);
      } else {
        if (run_length) Append(&out, raster::kPackingPlain, raster::kFixedCommandBytes);
        run_length = false;
        AppendCommand(&out, raster::Command::kColumnPosition, 8 * first);
        AppendCommand(&out, raster::Command::kRasterTransfer, last - first + 1);
        Append(&out, row.data() + first, last - first + 1);
      }
    }
  }
  return out;
}

// The input in pieces whose sizes come from the input too.
class Pieces : public stream::ByteSource {
 public:
  Pieces(const Bytes& bytes, uint8_t seed) : bytes_(bytes), seed_(seed) {}
  size_t Read(uint8_t* buffer, size_t capacity) override {
    seed_ = static_cast<uint8_t>(seed_ * 73 + 41);
    size_t n = bytes_.size() - at_;
    if (n > capacity) n = capacity;
    if (seed_ & 1) n = n < (seed_ >> 1) + 1u ? n : (seed_ >> 1) + 1u;
    if (n > 0) memcpy(buffer, bytes_.data() + at_, n);
    at_ += n;
    return n;
  }

 private:
  const Bytes& bytes_;
  uint8_t seed_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  // One byte of settings: the row step (0 and 3 are outside the documented
  // values), the job rules, and the sizes of the pieces.
  const uint8_t settings = in.Byte();
  stream::DecodeOptions options;
  options.row_step = settings % 4;
  options.whole_job = settings & 0x80;
  options.planes_per_page = settings & 0x40 ? 3 : 0;
  const uint8_t split = settings;
  const Bytes input = in.Rest();
  Pieces source(input, split);
  // The rules any input must keep (tests/support/stream_invariants.h); the
  // first planes are kept for the round trip, the rest only counted, so that
  // the target's own memory stays bounded too.
  testsupport::StreamInvariants checker(input.data(), input.size(), options, 64);
  const stream::StreamSummary summary = stream::DecodeStream(&source, options, &checker);
  if (!checker.Finish(summary).empty()) fprintf(stderr, "broken: %s\n", checker.failure().c_str());
  FUZZ_CHECK(checker.failure().empty());

  // The same planes, written again by the writers' rules, read back the same.
  const Bytes again = Reencode(checker.planes);
  const stream::DecodedStream second = stream::Decode(again.data(), again.size());
  FUZZ_CHECK(second.Clean());
  FUZZ_CHECK(second.planes.size() == checker.planes.size());
  for (size_t p = 0; p < checker.planes.size(); ++p) {
    auto a = checker.planes[p].rows.begin();
    const auto a_end = checker.planes[p].rows.end();
    for (const auto& [address, row] : second.planes[p].rows) {
      while (a != a_end && Blank(a->second)) ++a;
      FUZZ_CHECK(a != a_end);
      FUZZ_CHECK(a->first == address);
      FUZZ_CHECK(a->second == row);
      ++a;
    }
    while (a != a_end && Blank(a->second)) ++a;
    FUZZ_CHECK(a == a_end);
  }
  return 0;
}
