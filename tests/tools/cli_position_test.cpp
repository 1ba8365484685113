// Where the tool's labels land: --offset-x-mm/--offset-y-mm move every
// printed dot through either component, an 80 mm disc prints inside its
// ring, and the test disc and calibrate close the loop. Judged on the
// decoded jobs.
#include <gtest/gtest.h>

#include "page/print_position.h"
#include "tests/support/printed_dots.h"
#include "tests/tools/cli_harness.h"

namespace clitest {
namespace {

using testsupport::DecodeDots;
using testsupport::PrintedDots;

PrintedDots Encode(const TempDir& dir, const std::string& args, std::string* err = nullptr) {
  const std::string job = dir.File("job.prn");
  const RunResult run = Quillory2(args + " -o " + job);
  EXPECT_EQ(run.status, 0) << args << ": " << run.err;
  if (err != nullptr) *err = run.err;
  const testsupport::Bytes bytes = ReadFile(job);
  return DecodeDots(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

TEST(ToolPosition, OffsetsMoveEveryDotThroughEitherComponent) {
  TempDir dir;
  const std::string label = "encode " + ExampleLabel();
  for (const std::string driver : {"plugin", "minidriver"}) {
    for (const std::string resolution : {"600", "300"}) {
      const std::string base_args = label + " --driver " + driver + " --resolution " + resolution;
      const PrintedDots base = Encode(dir, base_args);
      ASSERT_TRUE(base.clean);
      const int rpi = resolution == "600" ? 600 : 300;
      // Right and up stay within what the components address.
      std::string err;
      const PrintedDots moved = Encode(dir, base_args + " --offset-x-mm 2.7 --offset-y-mm=-0.4", &err);
      ASSERT_TRUE(moved.clean);
      EXPECT_TRUE(testsupport::IsMovedBy(base, moved, page::OffsetDots(27),
                                         page::OffsetRows(-4, rpi) * (rpi == 600 ? 1 : 2)))
          << driver << " " << resolution;
      EXPECT_EQ(err, "");
    }
  }
  // Left of the plug-in's margin the ring is cut, and the user is told.
  std::string err;
  const PrintedDots cut = Encode(dir, label + " --offset-x-mm=-3", &err);
  EXPECT_TRUE(cut.clean);
  EXPECT_NE(err.find("warning: "), std::string::npos);
  EXPECT_NE(err.find("at the left"), std::string::npos) << err;
}

TEST(ToolPosition, EightyMillimetreDiscPrintsInsideItsRing) {
  TempDir dir;
  for (const std::string driver : {"plugin", "minidriver"}) {
    const PrintedDots dots = Encode(dir, "encode " + ExampleLabel() + " --disc-size 80 --driver " + driver);
    ASSERT_TRUE(dots.clean);
    // The minidriver's square starts at dot 24, the plug-in's at 56.
    const double farthest = testsupport::FarthestDotMm(dots, driver == "plugin" ? 56 : 24);
    EXPECT_LE(farthest, 39.05) << driver;
    EXPECT_GT(farthest, 38.5) << driver;
    EXPECT_GT(dots.Count(), 100000u);
  }
  const RunResult refused = Quillory2("encode " + ExampleLabel() + " --disc-size 80 --outer-mm 100 -o " +
                                      dir.File("x.prn"));
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("80 mm"), std::string::npos) << refused.err;
}

TEST(ToolPosition, TestDiscMovesWithItsOffsetAndCalibrateClosesTheLoop) {
  TempDir dir;
  const PrintedDots plain = Encode(dir, "test-disc");
  ASSERT_TRUE(plain.clean);
  EXPECT_GT(plain.Count(), 20000u);
  // Moved like any label (its settings label changes with it): the centre
  // cross's upright, 1 mm below the centre, moves by the offset's dots.
  const PrintedDots moved = Encode(dir, "test-disc --offset-x-mm 1.0 --offset-y-mm 0.5");
  ASSERT_TRUE(moved.clean);
  auto cross = [](const PrintedDots& dots, int32_t address, int32_t shift) {
    std::vector<int32_t> at;
    const std::vector<uint8_t>& line = dots.planes[0].at(address);
    for (int32_t dot = 764 - 30 + shift; dot < 764 + 30 + shift; ++dot) {
      if ((line[dot / 8] >> (7 - dot % 8)) & 1) at.push_back(dot - 764 - shift);
    }
    return at;
  };
  const std::vector<int32_t> before = cross(plain, 1440, 0);
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(before, cross(moved, 1440 + page::OffsetRows(5, 600), page::OffsetDots(10)));
  // Moved right, it stays within what each component's rows hold.
  for (const std::string args : {"--driver minidriver --mono", "--driver minidriver", "--mono"}) {
    EXPECT_TRUE(Encode(dir, "test-disc --offset-x-mm 3 " + args).clean) << args;
  }
  const RunResult run = Quillory2("calibrate --left 0.6 --right -0.4 --top 0.2 --bottom 0.4 --offset-x-mm 1.0");
  ASSERT_EQ(run.status, 0) << run.err;
  // The print lies 0.5 mm right and 0.1 mm up: X 1.0 - 0.5, Y 0 + 0.1.
  EXPECT_NE(run.out.find("lpadmin -p Quillory2 -o OffsetX-default=0.5 -o OffsetY-default=0.1"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("quillory2-printer-app modify -d disc -o quillory2-offset-x=5 -o quillory2-offset-y=1"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(Quillory2("calibrate --left 0.6 --right -0.4 --top 0.2").status, 2);
  EXPECT_EQ(Quillory2("calibrate --left 4 --right 0 --top 0 --bottom 0").status, 2);
}

}  // namespace
}  // namespace clitest
