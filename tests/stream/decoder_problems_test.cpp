// Every kind of malformed input is reported at the byte where it lies, and
// decoding carries on behind it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stream/decoder.h"
#include "tests/stream/stream_builder.h"

namespace {

using stream::CommandKind;
using stream::Decode;
using stream::DecodedStream;
using streamtest::StreamBuilder;

DecodedStream DecodeBuilt(const StreamBuilder& b) { return Decode(b.data(), b.size()); }

// The one problem of a stream, checked for its offset and a word of its message.
void ExpectOneProblem(const DecodedStream& d, size_t offset, const std::string& word) {
  ASSERT_EQ(d.problems.size(), 1u) << (d.problems.empty() ? std::string("none") : d.problems[0].message);
  EXPECT_EQ(d.problems[0].offset, offset) << d.problems[0].message;
  EXPECT_NE(d.problems[0].message.find(word), std::string::npos) << d.problems[0].message;
}

bool HasProblemAt(const DecodedStream& d, size_t offset, const std::string& word) {
  for (const auto& p : d.problems) {
    if (p.offset == offset && p.message.find(word) != std::string::npos) return true;
  }
  return false;
}

TEST(StreamProblems, CommandCutShort) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p12");
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 10, "cut short");
  EXPECT_EQ(d.commands.back().kind, CommandKind::kMalformed);
  EXPECT_EQ(d.commands.back().length, 5u);
}

TEST(StreamProblems, TransferCutShortPlacesNothing) {
  StreamBuilder b;
  b.PlaneStart().Esc("*b10W").Raw({0xFF, 0xFF, 0xFF});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 10, "cut short");
  const stream::Command& t = d.commands.back();
  EXPECT_EQ(t.kind, CommandKind::kRasterTransfer);
  EXPECT_EQ(t.length, 9u);
  EXPECT_EQ(t.data_length, 3u);
  EXPECT_TRUE(d.planes[0].rows.empty());
}

TEST(StreamProblems, NonDigitInParameter) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p1+Y").Transfer({0x80});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_EQ(d.problems.size(), 2u);
  EXPECT_EQ(d.problems[0].offset, 14u);
  EXPECT_NE(d.problems[0].message.find("bad parameter"), std::string::npos);
  // The "Y" left behind is a stray byte; the transfer after it still counts.
  EXPECT_EQ(d.problems[1].offset, 15u);
  EXPECT_TRUE(d.planes[0].Dot(0, 0));
}

TEST(StreamProblems, MissingClosingLetterBeforeTheNextCommand) {
  StreamBuilder b;
  b.Esc("*p12").PlaneStart().Transfer({0x80});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 0, "closing letter");
  EXPECT_EQ(d.commands[0].length, 5u);
  ASSERT_EQ(d.planes.size(), 1u);
  EXPECT_TRUE(d.planes[0].Dot(0, 0));
}

TEST(StreamProblems, ParameterOfTenDigitsIsNotApplied) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p1000000000Y").Transfer({0x80});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 13, "digits");
  EXPECT_TRUE(d.planes[0].Dot(0, 0));
  // Nine digits are still read.
  StreamBuilder nine;
  nine.PlaneStart().Esc("*p000000012Y").Transfer({0x80});
  DecodedStream n = DecodeBuilt(nine);
  EXPECT_TRUE(n.Clean());
  EXPECT_TRUE(n.planes[0].Dot(12, 0));
}

TEST(StreamProblems, TransferWithTenDigitCountSkipsItsData) {
  StreamBuilder b;
  b.PlaneStart().Esc("*b0000000002W").Raw({0x1B, 0x1B}).Transfer({0x80});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 13, "digits");
  ASSERT_EQ(d.planes[0].rows.size(), 1u);
  EXPECT_EQ(d.planes[0].rows.begin()->first, 0);
}

TEST(StreamProblems, PackedRowOfOddLength) {
  StreamBuilder b;
  b.PlaneStart().Esc("*b1M").Transfer({0xBF, 0x01, 0x05});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 15 + 5 + 2, "odd");
  EXPECT_EQ(d.planes[0].rows.at(0), std::vector<uint8_t>(192, 0x01));
}

TEST(StreamProblems, PackedRowShortOfTheLine) {
  StreamBuilder b;
  b.PlaneStart().Esc("*b1M").Transfer({0xBE, 0x01});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 15, "191");
  EXPECT_TRUE(d.planes[0].Dot(0, 191 * 8 - 1));
  EXPECT_FALSE(d.planes[0].Dot(0, 191 * 8));
}

TEST(StreamProblems, PackedRowLongerThanTheLineIsCut) {
  StreamBuilder b;
  b.PlaneStart().Esc("*b1M").Transfer({0xFF, 0x00, 0xFF, 0x07});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 15, "512");
  EXPECT_EQ(d.planes[0].rows.at(0), std::vector<uint8_t>(192, 0));
}

TEST(StreamProblems, PlainDataPastTheLine) {
  StreamBuilder b;
  b.PlaneStart().Esc("*p1520X").Transfer({0x01, 0x02, 0x03});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 18, "past the printer line");
  EXPECT_EQ(d.planes[0].rows.at(0)[190], 0x01);
  EXPECT_EQ(d.planes[0].rows.at(0)[191], 0x02);

  StreamBuilder far;
  far.PlaneStart().Esc("*p999999999X").Transfer({0xFF});
  DecodedStream f = DecodeBuilt(far);
  ExpectOneProblem(f, 23, "past the printer line");
  EXPECT_EQ(f.planes[0].rows.at(0), std::vector<uint8_t>(192, 0));
}

TEST(StreamProblems, UnknownEscapeSequences) {
  for (const char* text : {"E", "*z5Q", "!d5Q", "*b2M", "*t450R", "!t100Q", "&l1H", "!c3Q", "*pZ"}) {
    StreamBuilder b;
    b.PlaneStart().Esc(text).Transfer({0x80});
    DecodedStream d = DecodeBuilt(b);
    ExpectOneProblem(d, 10, "unknown");
    EXPECT_EQ(d.commands[2].kind, CommandKind::kUnknown) << text;
    EXPECT_EQ(d.commands[2].length, std::string(text).size() + 1) << text;
    EXPECT_TRUE(d.planes[0].Dot(0, 0)) << text;
  }
}

TEST(StreamProblems, EscapeWithoutACommand) {
  StreamBuilder b;
  b.Raw({0x1B}).Raw({0x1B, 0x05}).Raw({0x1B, '*', '#'}).Raw({0x1B, '*'}).Esc("!d4Q");
  DecodedStream d = DecodeBuilt(b);
  ASSERT_EQ(d.problems.size(), 4u);
  EXPECT_EQ(d.problems[0].offset, 0u);
  EXPECT_EQ(d.problems[1].offset, 2u);  // the byte after ESC
  EXPECT_EQ(d.problems[2].offset, 5u);  // the byte where the group letter belongs
  EXPECT_EQ(d.problems[3].offset, 6u);
  EXPECT_EQ(d.planes.size(), 1u);
}

TEST(StreamProblems, StrayBytesAreOneProblemPerRun) {
  StreamBuilder b;
  b.Text("hello").PlaneStart().Text("\r\n").Transfer({0x80});
  DecodedStream d = DecodeBuilt(b);
  ASSERT_EQ(d.problems.size(), 2u);
  EXPECT_EQ(d.problems[0].offset, 0u);
  EXPECT_EQ(d.problems[1].offset, 15u);
  EXPECT_EQ(d.commands[0].kind, CommandKind::kStrayBytes);
  EXPECT_EQ(d.commands[0].length, 5u);
  EXPECT_TRUE(d.planes[0].Dot(0, 0));
}

TEST(StreamProblems, TransferBeforeAnyPlaneStart) {
  StreamBuilder b;
  b.Esc("*b0M").Esc("*p6Y").Esc("*p8X").Transfer({0x80}).Transfer({0x80}).PlaneStart().Transfer({0x40});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 15, "outside any plane");
  ASSERT_EQ(d.planes.size(), 2u);
  EXPECT_TRUE(d.planes[0].implicit);
  EXPECT_EQ(d.planes[0].offset, 15u);
  EXPECT_EQ(d.planes[0].transfers, 2u);
  // The position set before the implicit plane holds in it.
  EXPECT_TRUE(d.planes[0].Dot(6, 8));
  EXPECT_TRUE(d.planes[0].Dot(7, 8));
  EXPECT_FALSE(d.planes[1].implicit);
  EXPECT_TRUE(d.planes[1].Dot(0, 1));
}

TEST(StreamProblems, BeginDocumentPatternDiffers) {
  StreamBuilder b;
  b.Esc("!c2Q").Raw({0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x04, 0x09, 0x10, 0x20, 0x40, 0x80}).Esc("!d0Q");
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 5 + 7, "pattern byte 7");
  EXPECT_TRUE(d.has_begin_document);
  EXPECT_TRUE(d.has_end_document);
}

TEST(StreamProblems, BeginDocumentCutShort) {
  StreamBuilder b;
  b.Esc("!c2Q").Raw({0xFF, 0x00, 0x55});
  DecodedStream d = DecodeBuilt(b);
  ExpectOneProblem(d, 0, "cut short");
  EXPECT_EQ(d.commands[0].length, 8u);
}

TEST(StreamProblems, ManyFaultsAreAllReported) {
  StreamBuilder b;
  b.Text("x").PlaneStart().Esc("*p-Y").Esc("*b1M").Transfer({0x00, 0x01}).Esc("Q").Esc("*p3Y");
  b.Esc("*b0M").Transfer({0xAA}).Esc("*b4W").Raw({1});
  DecodedStream d = DecodeBuilt(b);
  EXPECT_TRUE(HasProblemAt(d, 0, "stray"));
  EXPECT_TRUE(HasProblemAt(d, 14, "bad parameter"));
  EXPECT_TRUE(HasProblemAt(d, 21, "decodes to 1 bytes"));
  EXPECT_TRUE(HasProblemAt(d, 28, "unknown"));
  size_t cut = b.size() - 6;
  EXPECT_TRUE(HasProblemAt(d, cut, "cut short"));
  EXPECT_EQ(d.problems.size(), 6u);  // the 'Y' after the bad parameter is stray too
  EXPECT_TRUE(d.planes[0].Dot(3, 0));
}

TEST(StreamProblems, EmptyInputIsClean) {
  DecodedStream d = Decode(nullptr, 0);
  EXPECT_TRUE(d.Clean());
  EXPECT_TRUE(d.commands.empty());
  EXPECT_TRUE(d.planes.empty());
}

}  // namespace
