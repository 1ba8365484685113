// Fuzzes the command stream decoder with arbitrary bytes.
//
// Beyond not crashing, the decoder must account for every input byte exactly
// once, in order, and the planes it rebuilds must survive a second trip: they
// are written out again with the command language core (packed or plain, as
// the writers choose) and decoded to the very same dots.
#include <vector>

#include "fuzz/fuzz_input.h"
#include "raster/command_stream.h"
#include "stream/decoder.h"

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
Bytes Reencode(const stream::DecodedStream& decoded) {
  Bytes out;
  uint8_t packed[raster::RleBound(0, stream::kLineBytes)];
  for (const stream::Plane& plane : decoded.planes) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  stream::DecodeOptions options;
  options.row_step = in.Byte() % 4;  // 0 and 3 are outside the documented values
  const Bytes input = in.Rest();
  const stream::DecodedStream decoded = stream::Decode(input.data(), input.size(), options);

  // Every byte belongs to exactly one command, in input order.
  size_t next = 0;
  for (const stream::Command& command : decoded.commands) {
    FUZZ_CHECK(command.offset == next);
    FUZZ_CHECK(command.length > 0);
    next += command.length;
    FUZZ_CHECK(next <= input.size());
    FUZZ_CHECK(command.plane < static_cast<int32_t>(decoded.planes.size()));
    if (command.kind == stream::CommandKind::kRasterTransfer) {
      FUZZ_CHECK(command.data_offset >= command.offset);
      FUZZ_CHECK(command.data_offset + command.data_length <= command.offset + command.length);
    }
    FUZZ_CHECK(!stream::DescribeCommand(command).empty());
  }
  FUZZ_CHECK(next == input.size());
  for (const stream::Problem& problem : decoded.problems) {
    FUZZ_CHECK(problem.offset <= input.size());
    FUZZ_CHECK(!problem.message.empty());
  }
  for (const stream::Plane& plane : decoded.planes) {
    for (const auto& entry : plane.rows) FUZZ_CHECK(entry.second.size() == stream::kLineBytes);
  }

  // The same planes, written again by the writers' rules, read back the same.
  const Bytes again = Reencode(decoded);
  const stream::DecodedStream second = stream::Decode(again.data(), again.size());
  FUZZ_CHECK(second.Clean());
  FUZZ_CHECK(second.planes.size() == decoded.planes.size());
  for (size_t p = 0; p < decoded.planes.size(); ++p) {
    auto a = decoded.planes[p].rows.begin();
    const auto a_end = decoded.planes[p].rows.end();
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
