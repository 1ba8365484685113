// A stream judged as whole print jobs: each rule refuses the form that
// breaks it, at the offset concerned, and passes the forms the writers send.
#include <gtest/gtest.h>

#include <string>

#include "stream/decoder.h"
#include "tests/stream/stream_builder.h"

namespace {

using stream::DecodedStream;
using streamtest::StreamBuilder;

DecodedStream Judge(const StreamBuilder& b, int32_t planes_per_page = 0) {
  return stream::Decode(b.data(), b.size(), stream::WholeJob(planes_per_page));
}

// A plane with one row of dots at the row address.
StreamBuilder& Plane(StreamBuilder& b, int row = 0) {
  return b.PlaneStart().Esc("*p" + std::to_string(row) + "Y").Esc("*p56X").Transfer({0xFF});
}

void ExpectOnlyProblem(const DecodedStream& d, size_t offset, const std::string& words) {
  ASSERT_EQ(d.problem_count, 1u) << (d.problems.empty() ? "no problem" : d.problems[0].message);
  EXPECT_EQ(d.problems[0].offset, offset) << d.problems[0].message;
  EXPECT_NE(d.problems[0].message.find(words), std::string::npos) << d.problems[0].message;
}

TEST(JobRules, WholeJobsPassAndMayFollowOneAnother) {
  StreamBuilder b;
  b.BeginDocument().Esc("!d6Q").JobSetup(300);
  Plane(b, 0);
  Plane(b, 2830);
  Plane(b, 4).EndDocument();
  b.BeginDocument().JobSetup(600);
  for (int i = 0; i < 3; ++i) Plane(b, 2831);
  b.EndDocument();
  DecodedStream d = Judge(b, 3);
  EXPECT_TRUE(d.Clean()) << d.problems[0].message;
  EXPECT_EQ(d.job_count, 2u);
  EXPECT_EQ(d.plane_count, 6u);
}

TEST(JobRules, EmptyStreamHoldsNoJob) { ExpectOnlyProblem(Judge(StreamBuilder()), 0, "empty"); }

TEST(JobRules, JobMustBeginWithTheBeginDocumentCommand) {
  // Planes without the begin-document command and setup: one problem for
  // the whole stretch, at its first command.
  StreamBuilder b;
  Plane(b);
  Plane(b).EndDocument();
  ExpectOnlyProblem(Judge(b), 0, "does not begin with the begin-document");
}

TEST(JobRules, JobCutAtACommandBoundaryHasNoEnd) {
  StreamBuilder b;
  b.BeginDocument().JobSetup();
  Plane(b);
  ExpectOnlyProblem(Judge(b), b.size(), "no end-document");
}

TEST(JobRules, SetupComesBeforeTheFirstPlane) {
  StreamBuilder b;
  b.BeginDocument().Esc("*t600R");
  const size_t plane = b.size();
  Plane(b).EndDocument();
  ExpectOnlyProblem(Judge(b), plane, "no media select, image control");

  StreamBuilder late;
  late.BeginDocument().JobSetup();
  Plane(late);
  const size_t media = late.size();
  late.Esc("!t200Q");
  Plane(late).EndDocument();
  ExpectOnlyProblem(Judge(late), media, "among the planes");
}

TEST(JobRules, EveryPlaneBeginsPlain) {
  // Bare plane starts, as many as a hostile job likes: each one is refused,
  // and the listed problems stop at the limit while the count goes on.
  StreamBuilder b;
  b.BeginDocument().JobSetup();
  const size_t first = b.size();
  for (int i = 0; i < 1000; ++i) b.Esc("!d4Q");
  b.Esc("*b0M").EndDocument();
  DecodedStream d = Judge(b);
  EXPECT_EQ(d.problem_count, 999u);
  EXPECT_EQ(d.problems.size(), stream::kMaxListedProblems);
  EXPECT_EQ(d.problems[0].offset, first);
  EXPECT_NE(d.problems[0].message.find("ESC *b0M"), std::string::npos);
  EXPECT_EQ(d.plane_count, 1000u);
}

TEST(JobRules, PlainDataIsPlacedByAColumnCommandOfItsPlane) {
  StreamBuilder b;
  b.BeginDocument().JobSetup();
  Plane(b);
  b.PlaneStart();
  const size_t unplaced = b.size();
  // Reported once per plane; packed rows need no column.
  b.Transfer({0x80}).Transfer({0x80}).Esc("*b1M").Transfer({0xBF, 0x01}).Esc("*b0M").EndDocument();
  ExpectOnlyProblem(Judge(b), unplaced, "no column position command");
}

TEST(JobRules, JobWithoutPlanesPrintsNothing) {
  StreamBuilder b;
  b.BeginDocument().JobSetup();
  const size_t end = b.size();
  b.EndDocument();
  ExpectOnlyProblem(Judge(b), end, "holds no plane");
}

TEST(JobRules, ColourPagesComeInThreePlanes) {
  StreamBuilder b;
  b.BeginDocument().JobSetup();
  for (int i = 0; i < 4; ++i) Plane(b);
  const size_t end = b.size();
  b.EndDocument();
  ExpectOnlyProblem(Judge(b, 3), end, "4 planes");
  // Monochrome pages are one plane each: any count is whole pages.
  EXPECT_TRUE(Judge(b).Clean());
}

TEST(JobRules, RowsStayOnThePageAtTheResolutionInForce) {
  for (int rows_per_inch : {300, 600}) {
    StreamBuilder b;
    b.BeginDocument().JobSetup(rows_per_inch);
    Plane(b, 2831).EndDocument();
    const size_t transfer = b.size() - 5 - 6;
    DecodedStream d = Judge(b);
    if (rows_per_inch == 600) {
      EXPECT_TRUE(d.Clean()) << d.problems[0].message;
      continue;
    }
    // At 300 rows per inch the last row of the page is address 2830.
    ExpectOnlyProblem(d, transfer, "below the page");
    EXPECT_TRUE(d.planes[0].rows.empty());
  }
  StreamBuilder far;
  far.BeginDocument().JobSetup();
  Plane(far, 999999).EndDocument();
  EXPECT_NE(Judge(far).problems.at(0).message.find("row address 999999 lies below"), std::string::npos);
}

TEST(JobRules, NothingButAnotherJobFollowsTheEnd) {
  StreamBuilder b;
  b.BeginDocument().JobSetup();
  Plane(b).EndDocument();
  const size_t after = b.size();
  // Raster data after the end lies outside any plane, and outside the job.
  b.Esc("*b1W").Raw({0x80}).Esc("*b1W").Raw({0x80});
  DecodedStream d = Judge(b);
  ASSERT_EQ(d.problem_count, 2u);
  EXPECT_EQ(d.problems[0].offset, after);
  EXPECT_NE(d.problems[0].message.find("outside any plane"), std::string::npos);
  EXPECT_EQ(d.problems[1].offset, after);
  EXPECT_NE(d.problems[1].message.find("after the end-document"), std::string::npos);
}

TEST(JobRules, BeginDocumentInsideAJob) {
  StreamBuilder b;
  b.BeginDocument().JobSetup();
  Plane(b);
  const size_t second = b.size();
  b.BeginDocument().JobSetup();
  Plane(b).EndDocument();
  ExpectOnlyProblem(Judge(b), second, "inside the job begun at @0");
}

TEST(JobRules, RunsOfEscapesAreOnePieceOfTheStream) {
  StreamBuilder b;
  b.BeginDocument().JobSetup();
  const size_t run = b.size();
  for (int i = 0; i < 100000; ++i) b.Raw({0x1B});
  Plane(b).EndDocument();
  DecodedStream d = Judge(b);
  // The last ESC starts the plane start command.
  ExpectOnlyProblem(d, run, "100000 ESC bytes");
  EXPECT_EQ(d.commands[4].length, 100000u);
  EXPECT_EQ(d.commands[5].kind, stream::CommandKind::kPlaneStart);
}

}  // namespace
