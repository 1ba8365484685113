// The filter puts the label where the user asks: the print-position offset
// moves every dot and the ring with it, and an 80 mm page stays inside the
// 80 mm disc's ring, judged on the decoded jobs.
#include <gtest/gtest.h>

#include "page/print_position.h"
#include "tests/cups/cups_test_support.h"
#include "tests/support/printed_dots.h"

namespace {

using cupstest::RasterPage;
using testsupport::DecodeDots;
using testsupport::PrintedDots;

// A page with ink on every dot, so that what prints is the ring itself.
RasterPage FullPage(int32_t width, int32_t rows, int rpi) {
  RasterPage page;
  page.ink = page::InkPage::Blank(width, rows, rpi, true);
  for (auto& plane : page.ink.planes) std::fill(plane.begin(), plane.end(), 0xFF);
  return page;
}

PrintedDots Filter(const RasterPage& page, const std::string& options, std::string* err = nullptr) {
  cupstest::TempDir dir;
  const std::string path = dir.File("job.ras");
  EXPECT_TRUE(cupstest::WriteRaster(path, {page}));
  const cupstest::RunResult run = cupstest::RunProgram(cupstest::FilterArgs(options, path), "");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  if (err != nullptr) *err = run.err;
  return DecodeDots(run.out);
}

TEST(FilterPosition, OffsetsMoveEveryDotAndTheRingWithThem) {
  for (int rpi : {300, 600}) {
    const RasterPage page = FullPage(1416, rpi == 600 ? 2832 : 1416, rpi);
    const PrintedDots base = Filter(page, "");
    ASSERT_TRUE(base.clean);
    // From the job options, and from the PPD's header fields (which win).
    RasterPage from_ppd = page;
    from_ppd.integers[5] = 100 + 27;
    from_ppd.integers[6] = 100 - 9;
    struct Case {
      RasterPage raster;
      std::string options;
      int32_t x, y;
    };
    for (const Case& c : {Case{page, "OffsetX=-2.9 OffsetY=+0.8", -29, 8}, Case{from_ppd, "OffsetX=1", 27, -9}}) {
      std::string err;
      const PrintedDots moved = Filter(c.raster, c.options, &err);
      ASSERT_TRUE(moved.clean);
      EXPECT_EQ(moved.Count(), base.Count()) << "nothing of the ring is lost within the line";
      EXPECT_TRUE(testsupport::IsMovedBy(base, moved, page::OffsetDots(c.x),
                                         page::OffsetRows(c.y, rpi) * (rpi == 600 ? 1 : 2)));
      EXPECT_EQ(err.find("WARNING: "), std::string::npos) << err;
    }
  }
  // Beyond the page's rows the ring is cut, and the user told.
  std::string err;
  const PrintedDots cut = Filter(FullPage(1416, 2832, 600), "OffsetY=-3.0", &err);
  EXPECT_TRUE(cut.clean);
  EXPECT_NE(err.find("WARNING: "), std::string::npos);
  EXPECT_NE(err.find("at the top"), std::string::npos) << err;
}

TEST(FilterPosition, EightyMillimetrePagePrintsInsideItsRing) {
  for (int rpi : {300, 600}) {
    const RasterPage page = FullPage(945, rpi == 600 ? 1890 : 945, rpi);
    // The PPD's 118 mm default is one for a 120 mm disc: the 80 mm disc
    // takes its own 78 mm.
    const PrintedDots dots = Filter(page, "OuterDiameter=118");
    ASSERT_TRUE(dots.clean);
    EXPECT_GT(dots.Count(), 3u * 30000u);
    EXPECT_LE(testsupport::FarthestDotMm(dots), 39.05);
    EXPECT_GT(testsupport::FarthestDotMm(dots), 38.8);
    // Moved, it stays the same ring.
    const PrintedDots moved = Filter(page, "OffsetX=-3.0 OffsetY=3.0");
    EXPECT_TRUE(testsupport::IsMovedBy(dots, moved, page::OffsetDots(-30),
                                       page::OffsetRows(30, rpi) * (rpi == 600 ? 1 : 2)));
  }
}

TEST(FilterPosition, InstalledTestDiscIsTheToolsAndReadsCleanly) {
  const std::vector<uint8_t> installed =
      cupstest::ReadFile(cupstest::BuildDir() + "/share/quillory2/test-disc.prn");
  const PrintedDots dots = DecodeDots(installed);
  EXPECT_TRUE(dots.clean);
  EXPECT_GT(dots.Count(), 20000u);
  cupstest::TempDir dir;
  const cupstest::RunResult tool =
      cupstest::RunProgram({cupstest::BuildDir() + "/bin/quillory2", "test-disc", "-o", dir.File("disc.prn")});
  ASSERT_EQ(tool.exit_code, 0) << tool.err;
  EXPECT_TRUE(cupstest::ReadFile(dir.File("disc.prn")) == installed);
}

}  // namespace
