// Where the printer application's labels land: the print-position offset
// from the job or the printer's defaults, and the 80 mm disc's page, judged
// on the jobs the device received and against `quillory2 encode`.
#include <gtest/gtest.h>
#include <unistd.h>

#include "page/print_position.h"
#include "tests/calibration/synthetic_scan.h"
#include "tests/printerapp/app_server.h"
#include "tests/printerapp/test_documents.h"
#include "tests/support/printed_dots.h"

namespace apptest {
namespace {

using testsupport::DecodeDots;
using testsupport::PrintedDots;

class PrinterAppPosition : public ServedPrinterTest {
 protected:
  using ServedPrinterTest::Print;
  // The example label, printed under this name.
  Bytes Print(const std::string& name, const JobOptions& options = {}) {
    return Print(ExampleLabel(), "image/png", name, options);
  }
};

TEST_F(PrinterAppPosition, OffsetsMoveEveryDotByExactlyTheirDots) {
  const PrintedDots base = DecodeDots(Print("base"));
  ASSERT_TRUE(base.clean);
  // Right and up: the tool's plug-in path reaches as far, byte for byte.
  const Bytes right = Print("right", {"quillory2-offset-x=12", "quillory2-offset-y=-7"});
  EXPECT_TRUE(right == EncodeWithTool(ExampleLabel(), {"--offset-x-mm", "1.2", "--offset-y-mm", "-0.7"}));
  // Left beyond the plug-in's margin: the job writer reaches it, and every
  // dot moves by the offset's dots.
  const PrintedDots left = DecodeDots(Print("left", {"quillory2-offset-x=-25", "quillory2-offset-y=3"}));
  ASSERT_TRUE(left.clean);
  EXPECT_TRUE(testsupport::IsMovedBy(base, left, page::OffsetDots(-25), page::OffsetRows(3, 600)));
  // Up beyond the page's first row the ring is cut, and the job says so.
  const int cut = server_.Submit("disc", ExampleLabel(), "image/png", "cut", {"quillory2-offset-y=-30"});
  const JobResult cut_job = server_.WaitJob("disc", cut);
  EXPECT_EQ(cut_job.state, IPP_JSTATE_COMPLETED);
  EXPECT_NE(cut_job.message.find("of the printable ring lies beyond"), std::string::npos) << cut_job.message;
  // The printer's default, set with the command calibrate prints, moves
  // the next job the same way.
  const RunResult modify =
      server_.Command({"modify", "-d", "disc", "-o", "quillory2-offset-x=-25", "-o", "quillory2-offset-y=3"});
  ASSERT_EQ(modify.exit_code, 0) << modify.Out() << modify.err;
  EXPECT_TRUE(testsupport::IsMovedBy(base, DecodeDots(Print("by-default")), page::OffsetDots(-25),
                                     page::OffsetRows(3, 600)));
}

TEST_F(PrinterAppPosition, EightyMillimetreMediaPrintsInsideItsRing) {
  const Bytes job = Print("mini", {"media=om_cd-80_80x80mm"});
  const PrintedDots dots = DecodeDots(job);
  ASSERT_TRUE(dots.clean);
  EXPECT_LE(testsupport::FarthestDotMm(dots), 39.05);
  EXPECT_GT(testsupport::FarthestDotMm(dots), 38.5);
  EXPECT_TRUE(job == EncodeWithTool(ExampleLabel(), {"--disc-size", "80"}));
  // PDF (rendered at the 80 mm page's size) and raster pages too.
  testsupport::TempDir docs;
  ASSERT_TRUE(WritePdf(docs.File("label.pdf"), 1));
  ASSERT_TRUE(WriteRaster(docs.File("page.pwg"), DotsPage(600), 600, RasterKind::kPwgSrgb));
  for (const auto& [file, format] : {std::pair{docs.File("label.pdf"), "application/pdf"},
                                     std::pair{docs.File("page.pwg"), "image/pwg-raster"}}) {
    const int id = server_.Submit("disc", file, format, std::string("mini-") + (format[0] == 'a' ? "pdf" : "pwg"),
                                  {"media=om_cd-80_80x80mm"});
    ASSERT_EQ(server_.WaitJob("disc", id).state, IPP_JSTATE_COMPLETED) << format;
    const PrintedDots printed = DecodeDots(testsupport::ReadFile(
        server_.DeviceFile("disc", std::string("mini-") + (format[0] == 'a' ? "pdf" : "pwg"))));
    ASSERT_TRUE(printed.clean) << format;
    EXPECT_LE(testsupport::FarthestDotMm(printed), 39.05) << format;
    EXPECT_GT(printed.Count(), 10000u) << format;
  }
}

TEST_F(PrinterAppPosition, CalibratePageInABrowserSetsTheOffsetsOfTheNextJob) {
  const PrintedDots base = DecodeDots(Print("before"));
  ASSERT_TRUE(base.clean);
  // A print 0.5 mm too far right and 0.3 mm too far up: X -0.5, Y +0.3.
  const std::string screenshot = ArtifactDir() + "/calibrate-page.png";
  unlink(screenshot.c_str());
  const testsupport::RunResult browser = testsupport::RunProgram(
      {"/usr/bin/timeout", "120", "/usr/bin/python3", testsupport::SourceDir() + "/tests/printerapp/calibrate_page.py",
       "http://localhost:" + std::to_string(server_.port()), "disc", screenshot, "0.5", "-0.5", "-0.3", "0.3",
       "disc: offsets saved: X -0.5 mm, Y +0.3 mm."});
  ASSERT_EQ(browser.exit_code, 0) << browser.Out() << browser.err;
  EXPECT_GT(testsupport::ReadFile(screenshot).size(), 10000u) << screenshot;
  const PrintedDots after = DecodeDots(Print("after"));
  EXPECT_TRUE(testsupport::IsMovedBy(base, after, page::OffsetDots(-5), page::OffsetRows(3, 600)));

  // The browser also pressed Print Test Page: the test disc, with the new
  // offsets on its label, reaches the device as a clean job.
  std::string test_page;
  for (int i = 0; i < 200 && test_page.empty(); ++i) {
    const testsupport::RunResult ls = testsupport::RunProgram({"/bin/ls", server_.DeviceFolder("disc")});
    for (size_t at = 0, end; (end = ls.Out().find('\n', at)) != std::string::npos; at = end + 1) {
      const std::string name = ls.Out().substr(at, end - at);
      if (name.find("before") == std::string::npos && name.find("after") == std::string::npos) test_page = name;
    }
    if (test_page.empty()) usleep(100000);
  }
  ASSERT_FALSE(test_page.empty()) << server_.Log();
  const std::string path = server_.DeviceFolder("disc") + "/" + test_page;
  for (int i = 0; i < 100 && !DecodeDots(testsupport::ReadFile(path)).clean; ++i) usleep(100000);
  const PrintedDots disc = DecodeDots(testsupport::ReadFile(path));
  EXPECT_TRUE(disc.clean) << test_page;
  EXPECT_GT(disc.Count(), 20000u);
  // Its preview, to look at.
  testsupport::RunProgram({ToolPath(), "preview", path, "-o", ArtifactDir() + "/test-disc-preview.png",
                           "--offset-x-mm=-0.5", "--offset-y-mm", "0.3"});
}

// The Calibrate page's scan upload, driven in headless Chromium: a scan of
// the test disc printed with offsets 0.4 and -0.2 mm by a printer that puts
// everything 1.3 mm too far left and 0.6 mm too far down sets X +1.3, Y -0.6,
// which the next job's dots follow, and the ink curves of the test disc's
// ramps; a picture of something else is refused.
TEST_F(PrinterAppPosition, ScanUploadedOnTheCalibratePageSetsTheOffsets) {
  const PrintedDots base = DecodeDots(Print("before"));
  ASSERT_TRUE(base.clean);
  testsupport::TempDir dir;
  testsupport::ScanSetup s;
  s.offset_x_mm = -1.3, s.offset_y_mm = 0.6, s.rotation_deg = 1.5, s.blur_px = 1.2, s.noise = 6;
  const imaging::RgbImage scan =
      testsupport::SyntheticScan(testsupport::TestDiscPrint(page::DiscSize::k120, page::PrintOffset{4, -2}), s);
  const std::string scan_file = dir.File("scan.jpg");
  ASSERT_TRUE(testsupport::WriteFile(scan_file, testsupport::ScanFile(scan, 300, 88)));

  auto send = [&](const std::string& file, const std::string& expected, const std::string& screenshot) {
    const testsupport::RunResult browser = testsupport::RunProgram(
        {"/usr/bin/timeout", "150", "/usr/bin/python3", testsupport::SourceDir() + "/tests/printerapp/scan_upload_page.py",
         "http://localhost:" + std::to_string(server_.port()), "disc", ArtifactDir() + "/" + screenshot, file, "0.4",
         "-0.2", expected});
    EXPECT_EQ(browser.exit_code, 0) << browser.Out() << browser.err;
  };
  send(ExampleLabel(), "The scan was refused: ", "scan-upload-refused.png");
  // The test disc's ramps give the ink curves too, which the next job uses
  // unless it names its own.
  send(scan_file, "disc: offsets saved: X +1.3 mm, Y -0.6 mm. Ink curves saved (below).", "scan-upload.png");
  EXPECT_TRUE(testsupport::IsMovedBy(base, DecodeDots(Print("after", {"quillory2-ink-curves=none"})),
                                     page::OffsetDots(13), page::OffsetRows(-6, 600)));
  EXPECT_FALSE(testsupport::IsMovedBy(base, DecodeDots(Print("curved")), page::OffsetDots(13),
                                      page::OffsetRows(-6, 600)));
  // The command calibrate prints sets curves too: a job then prints as the
  // tool does with them.
  const std::string curves = "C:0,16.1,31.4,45.3,58.2,69.1,78.9,87.1,93.4,97.9,100;Y:0,13.5,26.8,39.3,51,61.9,72.2,"
                             "81.5,89.4,95.9,100";
  const RunResult modify = server_.Command({"modify", "-d", "disc", "-o", "quillory2-ink-curves=" + curves});
  ASSERT_EQ(modify.exit_code, 0) << modify.Out() << modify.err;
  EXPECT_TRUE(Print("modified", {"quillory2-offset-x=0", "quillory2-offset-y=0"}) ==
              EncodeWithTool(ExampleLabel(), {"--ink-curves", curves}));
}

}  // namespace
}  // namespace apptest
