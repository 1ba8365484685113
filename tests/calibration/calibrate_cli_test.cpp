// quillory2 calibrate --scan as a user runs it: the test disc printed by the
// tool with an offset, drawn by its preview, scanned (synthetically) with the
// printer's own error, and the offset to set worked out from the scan.
#include <gtest/gtest.h>

#include <string>

#include "imaging/picture_file.h"
#include "tests/calibration/synthetic_scan.h"
#include "tests/support/support.h"

namespace {

using testsupport::Quote;
using testsupport::TempDir;

testsupport::RunResult Quillory2(const std::string& args) {
  return testsupport::RunShell(Quote(testsupport::BuildDir() + "/bin/quillory2") + " " + args);
}

TEST(CalibrateScan, SetsTheOffsetThatUndoesThePrintersError) {
  TempDir dir;
  // The test disc as the tool prints and previews it, with offsets set.
  ASSERT_EQ(Quillory2("test-disc -o " + Quote(dir.File("disc.prn")) + " --offset-x-mm 0.5 --offset-y-mm -0.3")
                .exit_code,
            0);
  const testsupport::RunResult preview =
      Quillory2("preview " + Quote(dir.File("disc.prn")) + " --no-outline -o " + Quote(dir.File("preview.png")));
  ASSERT_EQ(preview.exit_code, 0) << preview.err;
  testsupport::Print print;
  std::string error;
  ASSERT_TRUE(imaging::ReadPictureFile(dir.File("preview.png"), &print.picture, &error)) << error;
  print.centre_x = 56 + 708;  // the printable square starts at the plug-in's dot 56
  print.centre_y = 708;

  struct Case {
    const char* file;
    double dpi, error_x, error_y, turn;
    int jpeg;
    const char* dpi_option;
    const char* expected;
  } cases[] = {
      {"scan.jpg", 600, -1.23, 0.81, 2.0, 85, "", "Offsets to set: X +1.2 mm, Y -0.8 mm"},
      {"scan.png", 300, 0.66, 1.94, -2.5, 0, "", "Offsets to set: X -0.7 mm, Y -1.9 mm"},
      {"plain.png", 0, 2.47, -0.12, 1.0, 0, "--scan-dpi 300", "Offsets to set: X -2.5 mm, Y +0.1 mm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    testsupport::ScanSetup s;
    s.dpi = c.dpi > 0 ? c.dpi : 300;
    s.offset_x_mm = c.error_x;  // the printer's own error; the preview holds the offset set
    s.offset_y_mm = c.error_y;
    s.rotation_deg = c.turn, s.blur_px = 1.2, s.noise = 6;
    const imaging::RgbImage scan = testsupport::SyntheticScan(print, s);
    ASSERT_TRUE(testsupport::WriteFile(dir.File(c.file), testsupport::ScanFile(scan, c.dpi, c.jpeg)));
    const testsupport::RunResult run = Quillory2("calibrate --scan " + Quote(dir.File(c.file)) + " " +
                                                 c.dpi_option + " --offset-x-mm 0.5 --offset-y-mm -0.3");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.Out().find(c.expected), std::string::npos) << run.Out();
    EXPECT_NE(run.Out().find("lpadmin -p Quillory2 -o OffsetX-default="), std::string::npos) << run.Out();
    // The tool's test disc carries the ramps the scan analysis reads.
    EXPECT_NE(run.Out().find("--ink-curves 'C:0,"), std::string::npos) << run.Out();
  }
}

TEST(CalibrateScan, RefusesWhatIsNotAScanOfTheTestDisc) {
  TempDir dir;
  const std::string label = testsupport::SourceDir() + "/examples/label.png";
  testsupport::RunResult run = Quillory2("calibrate --scan " + Quote(label) + " --scan-dpi 300");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("quillory2: error: '" + label + "': "), std::string::npos) << run.err;
  EXPECT_EQ(run.Out().find("Offsets"), std::string::npos) << run.Out();

  testsupport::WriteFile(dir.File("notes.txt"), std::string("a scan, honestly\n"));
  run = Quillory2("calibrate --scan " + Quote(dir.File("notes.txt")));
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.Out(), "");
  // A scan and readings at once are a bad command line.
  run = Quillory2("calibrate --scan " + Quote(label) + " --left 0.5");
  EXPECT_EQ(run.exit_code, 2);
}

}  // namespace
