// How the decoder reads well-formed streams: commands, rows, positions and
// the framing of a whole job.
#include <gtest/gtest.h>

#include <vector>

#include "stream/decoder.h"
#include "stream/describe.h"
#include "tests/stream/stream_builder.h"

namespace {

using stream::CommandKind;
using stream::Decode;
using stream::DecodedStream;
using stream::DecodeOptions;
using streamtest::StreamBuilder;

std::vector<uint8_t> Line() { return std::vector<uint8_t>(stream::kLineBytes, 0); }

DecodedStream DecodeBuilt(const StreamBuilder& b, const DecodeOptions& options = {}) {
  return Decode(b.data(), b.size(), options);
}

// The row at an address of the only plane, or an empty vector.
std::vector<uint8_t> RowOf(const DecodedStream& d, int32_t row, size_t plane = 0) {
  if (plane >= d.planes.size()) return {};
  auto it = d.planes[plane].rows.find(row);
  return it == d.planes[plane].rows.end() ? std::vector<uint8_t>() : it->second;
}

const stream::Command* FirstOfKind(const DecodedStream& d, CommandKind kind) {
  for (const auto& c : d.commands) {
    if (c.kind == kind) return &c;
  }
  return nullptr;
}

TEST(PackedRows, LineWithLeadDecodesToItsBytes) {
  StreamBuilder b;
  b.PlaneStart().Esc("*b1M").Esc("*pY").Transfer({0x08, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x00, 0x81, 0xB1, 0x00});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean()) << d.problems[0].message;
  std::vector<uint8_t> want = Line();
  want[9] = want[10] = want[11] = 0xFF;
  want[13] = 0x81;
  EXPECT_EQ(RowOf(d, 0), want);
  const stream::Command* t = FirstOfKind(d, CommandKind::kRasterTransfer);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(t->packed);
  EXPECT_EQ(t->first_dot, 72);
  EXPECT_EQ(t->last_dot, 111);
  EXPECT_EQ(t->length, 6u + 10u);
}

TEST(PackedRows, FortyByteRunAfterTheMargin) {
  StreamBuilder b;
  b.PlaneStart().Esc("*b1M").Transfer({0x06, 0x00, 0x27, 0xFF, 0x90, 0x00});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  std::vector<uint8_t> want = Line();
  for (int i = 7; i < 47; ++i) want[i] = 0xFF;
  EXPECT_EQ(RowOf(d, 0), want);
}

TEST(PackedRows, RowsOfTheMinidriverDecodeToFullLines) {
  StreamBuilder b;
  b.PlaneStart().Esc("*b1M").Transfer({0x02, 0x00, 0x00, 0x3F, 0xB8, 0xFF, 0x02, 0x00});
  b.Transfer({0x8A, 0x00, 0x00, 0x81, 0x33, 0x00});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean()) << d.problems[0].message;
  std::vector<uint8_t> first = Line();
  first[3] = 0x3F;
  for (int i = 4; i < 189; ++i) first[i] = 0xFF;
  EXPECT_EQ(RowOf(d, 0), first);
  std::vector<uint8_t> second = Line();
  second[139] = 0x81;
  EXPECT_EQ(RowOf(d, 1), second);
}

TEST(PlainRows, DataLandsAtTheDotColumn) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p0Y").Raw({0x1B, 0x2A, 0x70, 0x37, 0x32, 0x58}).Raw({0x1B, 0x2A, 0x62, 0x35, 0x57});
  b.Raw({0xFF, 0xFF, 0xFF, 0x00, 0x81});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  std::vector<uint8_t> want = Line();
  want[9] = want[10] = want[11] = 0xFF;
  want[13] = 0x81;
  EXPECT_EQ(RowOf(d, 0), want);
  const stream::Command* t = FirstOfKind(d, CommandKind::kRasterTransfer);
  ASSERT_NE(t, nullptr);
  EXPECT_FALSE(t->packed);
  EXPECT_EQ(t->column, 72);
  EXPECT_EQ(t->first_dot, 72);
  EXPECT_EQ(t->last_dot, 111);
}

TEST(PlainRows, ColumnOffTheByteGridShiftsTheBits) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p3X").Transfer({0xFF, 0x81});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  std::vector<uint8_t> row = RowOf(d, 0);
  ASSERT_EQ(row.size(), 192u);
  EXPECT_EQ(row[0], 0x1F);
  EXPECT_EQ(row[1], 0xF0);
  EXPECT_EQ(row[2], 0x20);
  for (int dot = 0; dot < 24; ++dot) {
    bool want = (dot >= 3 && dot <= 10) || dot == 11 || dot == 18;
    EXPECT_EQ(d.planes[0].Dot(0, dot), want) << "dot " << dot;
  }
}

TEST(PlainRows, ShiftedByteOverTheLineEndKeepsWhatFits) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p1532X").Transfer({0xF0});
  DecodedStream d = DecodeBuilt(b);
  // The byte covers dots 1532 to 1539: sent past the line even though its
  // last four dots are blank.
  ASSERT_EQ(d.problems.size(), 1u);
  EXPECT_EQ(RowOf(d, 0)[191], 0x0F);
  EXPECT_TRUE(d.planes[0].Dot(0, 1535));
  EXPECT_FALSE(d.planes[0].Dot(0, 1536));
}

TEST(PlainRows, ColumnStaysUntilThePlaneEnds) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p16X").Transfer({0x80});
  // A packed row neither uses nor moves the column.
  b.Esc("*b1M").Transfer({0xBF, 0x00}).Esc("*b0M").Transfer({0x80});
  b.PlaneStart().Transfer({0x80});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  ASSERT_EQ(d.planes.size(), 2u);
  EXPECT_TRUE(d.planes[0].Dot(0, 16));
  EXPECT_TRUE(d.planes[0].Dot(2, 16));
  // A new plane starts at column 0 and row 0.
  EXPECT_TRUE(d.planes[1].Dot(0, 0));
  EXPECT_EQ(d.planes[1].rows.size(), 1u);
}

TEST(RowAddresses, EmptyParameterReadsAsRowZero) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p40Y").Transfer({0x80}).Raw({0x1B, 0x2A, 0x70, 0x59}).Transfer({0x40});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  EXPECT_TRUE(d.planes[0].Dot(40, 0));
  EXPECT_TRUE(d.planes[0].Dot(0, 1));
  const stream::Command& empty = d.commands[4];
  EXPECT_EQ(empty.kind, CommandKind::kRowPosition);
  EXPECT_EQ(empty.length, 4u);
  EXPECT_FALSE(empty.has_parameter);
  EXPECT_EQ(empty.parameter, 0);
}

TEST(RowAddresses, AdvanceOneRowAt600RowsPerInch) {
  StreamBuilder b;
  b.Esc("*t600R").PlaneStart().Esc("*p10Y").Transfer({0x80}).Transfer({0x80}).Transfer({0x80});
  DecodedStream d = DecodeBuilt(b, DecodeOptions{2});
  ASSERT_TRUE(d.Clean());
  std::vector<int32_t> rows;
  for (const auto& r : d.planes[0].rows) rows.push_back(r.first);
  EXPECT_EQ(rows, (std::vector<int32_t>{10, 11, 12}));
  EXPECT_EQ(d.planes[0].row_step, 1);
  EXPECT_EQ(d.resolution_rows_per_inch, 600);
}

TEST(RowAddresses, AdvanceTwoRowsAt300RowsPerInch) {
  StreamBuilder b;
  b.Esc("*t300R").PlaneStart().Esc("*p10Y").Transfer({0x80}).Transfer({0x80}).Transfer({0x80});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  std::vector<int32_t> rows;
  for (const auto& r : d.planes[0].rows) rows.push_back(r.first);
  EXPECT_EQ(rows, (std::vector<int32_t>{10, 12, 14}));
  EXPECT_EQ(d.planes[0].row_step, 2);
}

TEST(RowAddresses, OptionGivesTheStepOnlyWithoutAResolutionCommand) {
  StreamBuilder b;
  b.PlaneStart().Transfer({0x80}).Transfer({0x80}).Esc("*t600R").Transfer({0x80}).Transfer({0x80});
  DecodedStream d = DecodeBuilt(b, DecodeOptions{2});
  std::vector<int32_t> rows;
  for (const auto& r : d.planes[0].rows) rows.push_back(r.first);
  EXPECT_EQ(rows, (std::vector<int32_t>{0, 2, 4, 5}));

  DecodedStream plain = DecodeBuilt(StreamBuilder().PlaneStart().Transfer({1}).Transfer({1}));
  EXPECT_EQ(plain.planes[0].rows.rbegin()->first, 1) << "the default step is 1";
}

TEST(RowAddresses, EmptyTransferStillMovesDown) {
  StreamBuilder b;
  b.PlaneStart().Esc("*bW").Esc("*b0W").Transfer({0x80});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  ASSERT_EQ(d.planes[0].rows.size(), 1u);
  EXPECT_EQ(d.planes[0].rows.begin()->first, 2);
}

TEST(RowAddresses, RowWrittenTwiceCombinesTheDots) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p5Y").Transfer({0xF0}).Esc("*p5Y").Transfer({0x0F, 0x01});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  std::vector<uint8_t> row = RowOf(d, 5);
  ASSERT_EQ(row.size(), 192u);
  EXPECT_EQ(row[0], 0xFF);
  EXPECT_EQ(row[1], 0x01);
  EXPECT_EQ(d.planes[0].rows.size(), 1u);
}

TEST(Planes, CountBytesTransfersAndCommands) {
  StreamBuilder b;
  b.PlaneStart().Esc("*pY").Esc("*p8X").Transfer({1, 2, 3});
  b.Esc("*b1M").Transfer({0xBF, 0x00}).Esc("*p9Y").Transfer({0x00, 0x11, 0xBE, 0x00});
  b.PlaneStart().Transfer({0xBF, 0x07});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean()) << d.problems[0].message;
  ASSERT_EQ(d.planes.size(), 2u);
  const stream::Plane& p0 = d.planes[0];
  EXPECT_EQ(p0.offset, 0u);
  EXPECT_FALSE(p0.implicit);
  EXPECT_EQ(p0.transfers, 3u);
  EXPECT_EQ(p0.plain_bytes, 3u);
  EXPECT_EQ(p0.packed_bytes, 6u);
  EXPECT_EQ(p0.commands, 9u);
  EXPECT_EQ(p0.rows.size(), 3u);
  EXPECT_FALSE(p0.started_packed);
  EXPECT_TRUE(p0.ended_packed);
  // The packing mode carries over a plane start; the builder switches it back.
  const stream::Plane& p1 = d.planes[1];
  EXPECT_TRUE(p1.started_packed);
  EXPECT_FALSE(p1.ended_packed);
  EXPECT_EQ(p1.plain_bytes, 2u);
  for (const auto& c : d.commands) {
    EXPECT_EQ(c.plane, c.offset < p1.offset ? 0 : 1) << stream::DescribeCommand(c);
  }
}

TEST(Planes, PackingModeIsKeptOverAPlaneStart) {
  StreamBuilder b;
  b.Esc("!d4Q").Esc("*b1M").Transfer({0xBF, 0xFF}).Esc("!d4Q").Transfer({0xBF, 0xFF});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  ASSERT_EQ(d.planes.size(), 2u);
  EXPECT_EQ(RowOf(d, 0, 1), std::vector<uint8_t>(192, 0xFF));
}

TEST(Framing, JobWithEveryOptionIsRecognised) {
  StreamBuilder b;
  b.BeginDocument().Esc("!d6Q").Esc("!t200Q").Esc("*t300R").Esc("!s980Q").Esc("&l0H");
  b.PlaneStart().Esc("*pY").Transfer({0x80}).Esc("!d0Q");
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean()) << d.problems[0].message;
  EXPECT_TRUE(d.has_begin_document);
  EXPECT_TRUE(d.has_end_document);
  EXPECT_TRUE(d.on_option);
  EXPECT_TRUE(d.has_tray_select);
  EXPECT_EQ(d.media, "Matte");
  EXPECT_EQ(d.resolution_rows_per_inch, 300);
  EXPECT_EQ(d.image_control, "24");
  EXPECT_EQ(stream::Meaning(d.commands[4]), "image control 24");
  ASSERT_GE(d.commands.size(), 1u);
  EXPECT_EQ(d.commands[0].kind, CommandKind::kBeginDocument);
  EXPECT_EQ(d.commands[0].length, 17u);
  std::vector<CommandKind> kinds;
  for (const auto& c : d.commands) kinds.push_back(c.kind);
  EXPECT_EQ(kinds, (std::vector<CommandKind>{
                       CommandKind::kBeginDocument, CommandKind::kOnOption, CommandKind::kMediaSelect,
                       CommandKind::kResolutionSelect, CommandKind::kImageControl, CommandKind::kTraySelect,
                       CommandKind::kPlaneStart, CommandKind::kPackingMode, CommandKind::kRowPosition,
                       CommandKind::kRasterTransfer, CommandKind::kEndDocument}));
}

TEST(Framing, DefaultJobStart) {
  StreamBuilder b;
  b.BeginDocument().Esc("!t000Q").Esc("*t600R").Esc("!s0Q").PlaneStart();
  DecodedStream d = DecodeBuilt(b);
  ASSERT_TRUE(d.Clean());
  EXPECT_FALSE(d.on_option);
  EXPECT_FALSE(d.has_end_document);
  EXPECT_EQ(d.media, "Regular");
  EXPECT_EQ(d.image_control, "AUTO");
  EXPECT_EQ(d.resolution_rows_per_inch, 600);
  EXPECT_EQ(d.planes.size(), 1u);
}

TEST(Framing, ImageControlOptionsAtTheEnds) {
  for (int n : {1, 24, 25, 100}) {
    StreamBuilder b;
    b.Esc("!s" + std::to_string(500 + 20 * n) + "Q");
    DecodedStream d = DecodeBuilt(b);
    ASSERT_TRUE(d.Clean()) << n;
    EXPECT_EQ(d.image_control, std::to_string(n));
  }
  // Values between the options, and past option 100, are no command.
  for (const char* text : {"!s500Q", "!s530Q", "!s2520Q", "!s20Q"}) {
    StreamBuilder b;
    b.Esc(text);
    DecodedStream d = DecodeBuilt(b);
    EXPECT_FALSE(d.Clean()) << text;
    EXPECT_EQ(d.commands[0].kind, CommandKind::kUnknown) << text;
    EXPECT_TRUE(d.image_control.empty());
  }
}

TEST(Listing, DescribesTransfers) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p2Y").Esc("*b1M").Transfer({0x08, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x00, 0x81, 0xB1, 0x00});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_EQ(d.commands.size(), 5u);
  EXPECT_EQ(stream::DescribeCommand(d.commands[4]), "raster transfer: 10 bytes packed, row 2, dots 72..111");
  EXPECT_EQ(stream::DescribeCommand(d.commands[2]), "row position: row address 2");
}

}  // namespace
