// The decoder on whole streams written by the shared encoder, on every
// truncation of a valid job, and on random and mutated bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "raster/command_stream.h"
#include "stream/decoder.h"
#include "stream/describe.h"
#include "tests/stream/stream_builder.h"
#include "tests/support/stream_invariants.h"

namespace {

using stream::Decode;
using stream::DecodedStream;
using stream::DecodeOptions;
using streamtest::StreamBuilder;

// What must hold for any input (tests/support/stream_invariants.h, which the
// fuzz target checks too).
void ExpectConsistent(const DecodedStream& d, const uint8_t* data, size_t size) {
  ASSERT_EQ(testsupport::BrokenInvariant(d, data, size), "");
}

// A plane of lines, written the way both writers send a line: row position
// unless the line follows the previous one, packed or plain by the shared
// rule, mode and column commands only when they change.
class PlaneWriter {
 public:
  PlaneWriter(StreamBuilder* out, int margin, int step, raster::ZeroText zero)
      : out_(out), margin_(margin), step_(step), zero_(zero) {}

  void Start() {
    out_->Esc("!d4Q").Esc("*b0M");
    packed_ = false;
    last_column_ = -1;
    previous_row_ = -99;
  }

  void Line(int32_t row, const std::vector<uint8_t>& line) {
    int first = -1, last = -1;
    for (int i = 0; i < static_cast<int>(line.size()); ++i) {
      if (line[i] == 0) continue;
      if (first < 0) first = i;
      last = i;
    }
    if (first < 0) return;
    if (previous_row_ != row - step_) Command(raster::Command::kRowPosition, row);
    previous_row_ = row;
    uint8_t packed[512];
    ASSERT_LE(raster::RleBound(margin_, last + 1), 512);
    const int p = raster::ComputeRLE(line.data(), margin_, last + 1, packed);
    const int plain = last - first + 1;
    if (raster::ShouldPack(p, plain)) {
      if (!packed_) out_->Esc("*b1M");
      packed_ = true;
      last_column_ = -1;
      Command(raster::Command::kRasterTransfer, p);
      out_->Raw(std::vector<uint8_t>(packed, packed + p));
    } else {
      if (packed_) out_->Esc("*b0M");
      packed_ = false;
      const int column = 8 * (first + margin_);
      if (column != last_column_) Command(raster::Command::kColumnPosition, column);
      last_column_ = column;
      Command(raster::Command::kRasterTransfer, plain);
      out_->Raw(std::vector<uint8_t>(line.begin() + first, line.begin() + last + 1));
    }
  }

 private:
  void Command(raster::Command command, int32_t value) {
    uint8_t text[raster::MaxCommandBytes(11)];
    const int n = raster::FormatCommand(text, command, value, 11, zero_);
    ASSERT_GT(n, 0);
    out_->Raw(std::vector<uint8_t>(text, text + n));
  }

  StreamBuilder* out_;
  int margin_;
  int step_;
  raster::ZeroText zero_;
  bool packed_ = false;
  int32_t last_column_ = -1;
  int32_t previous_row_ = -99;
};

// Sparse lines with runs, single bytes and blank stretches, so both
// transfers and both row-position cases occur.
std::vector<uint8_t> RandomLine(std::mt19937& rng, int width) {
  std::vector<uint8_t> line(static_cast<size_t>(width), 0);
  const int kind = static_cast<int>(rng() % 4);
  if (kind == 0) return line;  // blank
  int pos = static_cast<int>(rng() % static_cast<unsigned>(width));
  while (pos < width) {
    const int run = 1 + static_cast<int>(rng() % (kind == 1 ? 3 : 60));
    const uint8_t value = kind == 3 ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(0xFF);
    for (int i = pos; i < pos + run && i < width; ++i) line[static_cast<size_t>(i)] = value;
    pos += run + static_cast<int>(rng() % 40);
  }
  return line;
}

struct WrittenJob {
  StreamBuilder bytes;
  std::vector<std::map<int32_t, std::vector<uint8_t>>> planes;  // expected printer lines
};

// A colour job as the NT 4.0 host and the minidriver write it (margin 3,
// row 0 without digits), or the plug-in's passes (margin 7).
WrittenJob WriteJob(uint32_t seed, int margin, int step, raster::ZeroText zero, bool framing) {
  std::mt19937 rng(seed);
  WrittenJob job;
  if (framing) job.bytes.BeginDocument().Esc("!t000Q").Esc(step == 1 ? "*t600R" : "*t300R").Esc("!s0Q");
  PlaneWriter writer(&job.bytes, margin, step, zero);
  const int width = stream::kLineBytes - margin;
  for (int plane = 0; plane < 3; ++plane) {
    writer.Start();
    std::map<int32_t, std::vector<uint8_t>> expected;
    for (int i = 0; i < 40; ++i) {
      std::vector<uint8_t> line = RandomLine(rng, width);
      writer.Line(i * step, line);
      bool blank = true;
      for (uint8_t b : line) blank = blank && b == 0;
      if (blank) continue;
      std::vector<uint8_t> printer(stream::kLineBytes, 0);
      std::copy(line.begin(), line.end(), printer.begin() + margin);
      expected[i * step] = printer;
    }
    job.planes.push_back(std::move(expected));
  }
  if (framing) job.bytes.Esc("!d0Q");
  return job;
}

void ExpectRoundTrip(const WrittenJob& job, const DecodeOptions& options) {
  DecodedStream d = Decode(job.bytes.data(), job.bytes.size(), options);
  ASSERT_TRUE(d.Clean()) << d.problems[0].offset << ": " << d.problems[0].message;
  ASSERT_EQ(d.planes.size(), job.planes.size());
  for (size_t p = 0; p < job.planes.size(); ++p) {
    ASSERT_EQ(d.planes[p].rows.size(), job.planes[p].size()) << "plane " << p;
    for (const auto& row : job.planes[p]) {
      auto it = d.planes[p].rows.find(row.first);
      ASSERT_NE(it, d.planes[p].rows.end()) << "plane " << p << " row " << row.first;
      ASSERT_EQ(it->second, row.second) << "plane " << p << " row " << row.first;
    }
  }
  ExpectConsistent(d, job.bytes.data(), job.bytes.size());
}

TEST(StreamRoundTrip, MinidriverColourPlanesAt600RowsPerInch) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    ExpectRoundTrip(WriteJob(seed, 3, 1, raster::ZeroText::kEmpty, true), {});
  }
}

TEST(StreamRoundTrip, MinidriverColourPlanesAt300RowsPerInch) {
  for (uint32_t seed = 21; seed <= 40; ++seed) {
    ExpectRoundTrip(WriteJob(seed, 3, 2, raster::ZeroText::kEmpty, true), {});
  }
}

TEST(StreamRoundTrip, PluginPassesWithTheStepFromTheOptions) {
  for (uint32_t seed = 41; seed <= 60; ++seed) {
    ExpectRoundTrip(WriteJob(seed, 7, 2, raster::ZeroText::kDigit, false), DecodeOptions{2});
    ExpectRoundTrip(WriteJob(seed, 7, 1, raster::ZeroText::kDigit, false), DecodeOptions{1});
  }
}

TEST(StreamRoundTrip, ShiftedColumnsPlaceEveryBit) {
  std::mt19937 rng(7);
  for (int column = 0; column < 64; ++column) {
    std::vector<uint8_t> data(1 + rng() % 20);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    StreamBuilder b;
    b.PlaneStart().Esc("*p" + std::to_string(column) + "X").Transfer(data);
    DecodedStream d = Decode(b.data(), b.size());
    ASSERT_TRUE(d.Clean());
    for (int dot = 0; dot < 8 * 24 + 64; ++dot) {
      const int k = dot - column;
      const bool want = k >= 0 && k < 8 * static_cast<int>(data.size()) && ((data[k / 8] >> (7 - k % 8)) & 1);
      ASSERT_EQ(d.planes[0].Dot(0, dot), want) << "column " << column << " dot " << dot;
    }
  }
}

TEST(StreamTruncation, EveryPrefixOfAJobDecodesAndReportsTheCut) {
  WrittenJob job = WriteJob(99, 3, 1, raster::ZeroText::kEmpty, true);
  const std::vector<uint8_t>& all = job.bytes.bytes();
  DecodedStream full = Decode(all.data(), all.size());
  ASSERT_TRUE(full.Clean());
  std::vector<size_t> starts;
  for (const auto& c : full.commands) starts.push_back(c.offset);

  size_t command = 0;
  for (size_t length = 0; length < all.size(); ++length) {
    // A copy of exactly this length, so the sanitizers see any read past it.
    std::vector<uint8_t> prefix(all.begin(), all.begin() + static_cast<long>(length));
    DecodedStream d = Decode(prefix.data(), prefix.size());
    ExpectConsistent(d, prefix.data(), prefix.size());
    while (command + 1 < starts.size() && starts[command + 1] <= length) ++command;
    if (starts[command] == length) {
      EXPECT_TRUE(d.Clean()) << "cut at a command boundary " << length;
    } else {
      ASSERT_EQ(d.problems.size(), 1u) << "length " << length;
      EXPECT_EQ(d.problems[0].offset, starts[command]) << "length " << length;
      EXPECT_NE(d.problems[0].message.find("cut short"), std::string::npos) << d.problems[0].message;
    }
  }
}

// Hands the stream over in pieces of changing small sizes, as a pipe might.
class ChunkSource : public stream::ByteSource {
 public:
  ChunkSource(const std::vector<uint8_t>& bytes, uint32_t seed) : bytes_(bytes), rng_(seed) {}
  size_t Read(uint8_t* buffer, size_t capacity) override {
    size_t n = std::min({capacity, bytes_.size() - at_, static_cast<size_t>(1 + rng_() % 7)});
    std::copy(bytes_.begin() + static_cast<long>(at_), bytes_.begin() + static_cast<long>(at_ + n), buffer);
    at_ += n;
    return n;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  std::mt19937 rng_;
  size_t at_ = 0;
};

class Collect : public stream::DecodeListener {
 public:
  void OnCommand(const stream::Command& c) override { commands.push_back(c); }
  void OnPlaneEnd(stream::Plane& p, size_t index) override {
    EXPECT_EQ(index, planes.size());
    planes.push_back(p);
  }
  std::vector<stream::Command> commands;
  std::vector<stream::Plane> planes;
};

// Pieces split anywhere, even inside a command or its data, decode exactly as
// the whole stream in memory does.
void ExpectSameInPieces(const std::vector<uint8_t>& bytes, uint32_t seed) {
  const DecodedStream whole = Decode(bytes, stream::WholeJob());
  ChunkSource source(bytes, seed);
  Collect got;
  const stream::StreamSummary summary = stream::DecodeStream(&source, stream::WholeJob(), &got);
  ASSERT_EQ(summary.bytes, bytes.size());
  ASSERT_EQ(summary.problem_count, whole.problem_count);
  for (size_t i = 0; i < whole.problems.size(); ++i) {
    ASSERT_EQ(summary.problems[i].offset, whole.problems[i].offset);
    ASSERT_EQ(summary.problems[i].message, whole.problems[i].message);
  }
  ASSERT_EQ(got.commands.size(), whole.commands.size());
  for (size_t i = 0; i < whole.commands.size(); ++i) {
    const stream::Command& a = got.commands[i];
    const stream::Command& b = whole.commands[i];
    ASSERT_EQ(a.offset, b.offset);
    ASSERT_EQ(a.length, b.length);
    ASSERT_EQ(a.plane, b.plane);
    ASSERT_EQ(stream::DescribeCommand(a), stream::DescribeCommand(b));
    ASSERT_TRUE(std::equal(a.head, a.head + a.HeadLength(), bytes.begin() + static_cast<long>(a.offset)));
  }
  ASSERT_EQ(got.planes.size(), whole.planes.size());
  for (size_t i = 0; i < whole.planes.size(); ++i) ASSERT_EQ(got.planes[i].rows, whole.planes[i].rows);
}

TEST(StreamPieces, SplitAnywhereDecodeAsAWhole) {
  WrittenJob job = WriteJob(11, 7, 1, raster::ZeroText::kDigit, true);
  ExpectSameInPieces(job.bytes.bytes(), 1);
  std::mt19937 rng(31);
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> bytes = job.bytes.bytes();
    for (int e = 0; e < 4; ++e) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng() % 3 ? 0x1B : rng());
    ExpectSameInPieces(bytes, round);
  }
}

// Random bytes and mutated jobs are seeds of the fuzz target's corpus
// (fuzz/make_seeds.py), replayed with the same checks as a test of its own.

TEST(StreamFuzz, HostileCountsAndPositions) {
  StreamBuilder b;
  b.Esc("*p999999999Y").Esc("*p999999999X").Esc("*b999999999W").Raw({1, 2});
  DecodedStream d = Decode(b.data(), b.size());
  ExpectConsistent(d, b.data(), b.size());
  EXPECT_FALSE(d.Clean());

  // Rows past the largest row address are reported, neither wrapped nor stored.
  StreamBuilder many;
  many.PlaneStart().Esc("*p999999999Y");
  for (int i = 0; i < 4; ++i) many.Transfer({0x80});
  DecodedStream m = Decode(many.data(), many.size(), DecodeOptions{600000000});
  ExpectConsistent(m, many.data(), many.size());
  EXPECT_TRUE(m.planes[0].rows.empty());
  EXPECT_EQ(m.problem_count, 4u);
}

}  // namespace
