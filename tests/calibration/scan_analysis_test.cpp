// The scan analysis on scans made here: known offsets, sizes and turns must
// come back within 0.1 mm through blur, noise, JPEG and both resolutions,
// and pictures that are not scans of a test disc are refused.
#include "calibration/scan_analysis.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>

#include <string>

#include "calibration/scan_calibration.h"
#include "calibration/scan_file.h"
#include "imaging/image_reader.h"
#include "imaging/picture_file.h"
#include "imaging/png_writer.h"
#include "imaging/preview.h"
#include "tests/calibration/synthetic_scan.h"
#include "tests/support/support.h"

namespace {

using calibration::AnalyseScan;
using calibration::ScanFindings;
using calibration::TestDiscShape;
using testsupport::ScanSetup;

const testsupport::Print& Disc() {
  static const testsupport::Print print = testsupport::TestDiscPrint(page::DiscSize::k120);
  return print;
}
const testsupport::Print& MiniDisc() {
  static const testsupport::Print print = testsupport::TestDiscPrint(page::DiscSize::k80);
  return print;
}
TestDiscShape MiniShape() {
  return calibration::ShapeFor(page::DiscSize::k80, page::DefaultRing(page::DiscSize::k80));
}

// Keeps a scan for a person to look at.
void Keep(const imaging::RgbImage& scan, const std::string& name) {
  const std::string dir = testsupport::BuildDir() + "/test-artifacts/calibration";
  testsupport::RunShell("mkdir -p " + testsupport::Quote(dir));
  std::vector<uint8_t> png;
  std::string error;
  ASSERT_TRUE(imaging::EncodePng(scan, &png, &error)) << error;
  testsupport::WriteFile(dir + "/" + name, png);
}

TEST(ScanAnalysis, RecoversKnownOffsetsAndScale) {
  struct Case {
    const char* name;
    ScanSetup setup;
  };
  auto with = [](double dpi, double ox, double oy, double rot, double blur, double noise, int jpeg,
                 double sx = 1, double sy = 1, double disc = 120) {
    ScanSetup s;
    s.dpi = dpi, s.offset_x_mm = ox, s.offset_y_mm = oy, s.rotation_deg = rot;
    s.blur_px = blur, s.noise = noise, s.jpeg_quality = jpeg, s.scale_x = sx, s.scale_y = sy, s.disc_mm = disc;
    return s;
  };
  Case cases[] = {
      {"centred, clean, 300 dpi", with(300, 0, 0, 0, 0, 0, 0)},
      {"right and up, turned, 300 dpi", with(300, 1.7, -2.4, 3, 1.0, 6, 0)},
      {"both extremes, turned back, JPEG", with(300, -3.0, 3.0, -3, 1.2, 8, 75)},
      {"small offset, 600 dpi, JPEG", with(600, 0.4, 0.3, 2, 2.0, 8, 80)},
      {"left and down, 600 dpi, large", with(600, -2.2, 1.1, -1.5, 1.5, 6, 90, 1.006, 1.006)},
      {"print shrunk down only, 300 dpi", with(300, 2.5, 2.5, 1, 0.8, 5, 85, 1.0, 0.994)},
      {"80 mm disc, 600 dpi, JPEG", with(600, -1.3, -2.9, 2.5, 1.5, 7, 85, 1, 1, 80)},
      {"uneven light, 300 dpi, JPEG", with(300, -0.8, 1.9, -1.2, 1.2, 6, 85)},
  };
  cases[7].setup.uneven_light = 50;
  printf("%-36s %6s %6s %6s | %7s %7s %7s %7s %6s\n", "case", "x", "y", "turn", "found x", "found y", "scale x",
         "scale y", "turn");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool mini = c.setup.disc_mm == 80;
    const imaging::RgbImage scan = testsupport::SyntheticScan(mini ? MiniDisc() : Disc(), c.setup);
    ScanFindings f;
    std::string why;
    ASSERT_TRUE(AnalyseScan(scan, c.setup.dpi, mini ? MiniShape() : TestDiscShape{}, &f, &why)) << why;
    printf("%-36s %+6.2f %+6.2f %+6.1f | %+7.3f %+7.3f %7.4f %7.4f %+6.2f\n", c.name, c.setup.offset_x_mm,
           c.setup.offset_y_mm, c.setup.rotation_deg, f.offset_x_mm, f.offset_y_mm, f.scale_x, f.scale_y,
           f.rotation_deg);
    EXPECT_NEAR(f.offset_x_mm, c.setup.offset_x_mm, 0.1);
    EXPECT_NEAR(f.offset_y_mm, c.setup.offset_y_mm, 0.1);
    EXPECT_NEAR(f.scale_x, c.setup.scale_x, 0.0015);
    EXPECT_NEAR(f.scale_y, c.setup.scale_y, 0.0015);
    EXPECT_NEAR(f.rotation_deg, c.setup.rotation_deg, 0.5);
    EXPECT_NEAR(f.disc_mm, c.setup.disc_mm, 0.3);
    EXPECT_NEAR(f.hole_mm, 15, 0.3);
    if (&c == &cases[2]) Keep(scan, "scan-300dpi-jpeg.png");
    if (&c == &cases[5]) Keep(scan, "scan-300dpi-shrunk.png");
  }
}

TEST(ScanAnalysis, TakesTheResolutionFromTheDiscWhenNoneIsKnown) {
  ScanSetup s;
  s.offset_x_mm = 1.2, s.offset_y_mm = -0.8, s.blur_px = 1, s.noise = 5;
  const imaging::RgbImage scan = testsupport::SyntheticScan(Disc(), s);
  ScanFindings f;
  std::string why;
  ASSERT_TRUE(AnalyseScan(scan, 0, TestDiscShape{}, &f, &why)) << why;
  EXPECT_TRUE(f.dpi_from_disc);
  EXPECT_NEAR(f.dpi, 300, 1);
  EXPECT_NEAR(f.offset_x_mm, 1.2, 0.1);
  EXPECT_NEAR(f.offset_y_mm, -0.8, 0.1);
}

TEST(ScanAnalysis, RefusesWhatIsNotAScanOfATestDisc) {
  auto refusal = [](const imaging::RgbImage& picture, double dpi) {
    ScanFindings f;
    std::string why;
    EXPECT_FALSE(AnalyseScan(picture, dpi, TestDiscShape{}, &f, &why));
    return why;
  };
  // A photograph of something else: the example label.
  imaging::RgbImage photo;
  std::string error;
  ASSERT_TRUE(imaging::ReadPictureFile(testsupport::SourceDir() + "/examples/label.png", &photo, &error)) << error;
  EXPECT_NE(refusal(photo, 300), "");
  EXPECT_NE(refusal(photo, 0), "");
  // A picture of one colour, and an empty one.
  EXPECT_NE(refusal(imaging::RgbImage(1600, 1600, imaging::Rgb{30, 30, 30}), 300), "");
  EXPECT_EQ(refusal(imaging::RgbImage(), 300), "the picture is empty");

  // A disc printed with a label instead of the test disc.
  testsupport::Print labelled;
  labelled.picture = imaging::ScaleImage(photo, 1416);
  labelled.centre_x = labelled.centre_y = 708;
  EXPECT_NE(refusal(testsupport::SyntheticScan(labelled, ScanSetup{}), 300).find("no printed"), std::string::npos);

  // A blank disc: its edge and hole, but nothing printed.
  testsupport::Print blank;
  blank.picture.Reset(1416, 1416);
  blank.centre_x = blank.centre_y = 708;
  ScanSetup s;
  s.noise = 5;
  EXPECT_NE(refusal(testsupport::SyntheticScan(blank, s), 300).find("no printed outer circle"), std::string::npos);

  // The test disc at a resolution other than the one claimed, and an 80 mm
  // disc taken for a 120 mm one.
  const imaging::RgbImage scan = testsupport::SyntheticScan(Disc(), s);
  EXPECT_NE(refusal(scan, 400).find("the disc measures 90.0 mm across at 400 dpi"), std::string::npos);
  ScanSetup mini = s;
  mini.disc_mm = 80;
  EXPECT_NE(refusal(testsupport::SyntheticScan(MiniDisc(), mini), 0).find("no centre hole"), std::string::npos);
  // Scanned with the lid closed: the disc hardly stands out from the lid.
  ScanSetup lid = s;
  lid.background = imaging::Rgb{244, 244, 242};
  EXPECT_NE(refusal(testsupport::SyntheticScan(Disc(), lid), 300).find("lid open"), std::string::npos);
  // Cut at the picture's edge.
  imaging::RgbImage cut = scan;
  cut.FillRect(0, 0, cut.width, cut.height / 3, imaging::Rgb{238, 236, 230});
  EXPECT_NE(refusal(cut, 300), "");
  // Turned too far to find the scales where they belong.
  ScanSetup turned = s;
  turned.rotation_deg = 30;
  EXPECT_NE(refusal(testsupport::SyntheticScan(Disc(), turned), 300).find("upright"), std::string::npos);
  // Upside down, or a quarter round: the scales look the same, the label
  // does not.
  for (double quarter : {90.0, 180.0, 270.0}) {
    turned.rotation_deg = quarter + 1;
    EXPECT_NE(refusal(testsupport::SyntheticScan(Disc(), turned), 300).find("label upright"), std::string::npos)
        << quarter;
  }
}

// The offsets to set: those printed with, less where the print landed, in
// 0.1 mm steps and within reach; the report says what was found.
TEST(ScanCalibration, SetsThePrintedOffsetLessWhereThePrintLanded) {
  testsupport::TempDir dir;
  ScanSetup s;
  s.offset_x_mm = 1.74, s.offset_y_mm = -2.38, s.blur_px = 1, s.noise = 5, s.jpeg_quality = 85;
  const std::string path = dir.File("scan.jpg");
  ASSERT_TRUE(testsupport::WriteFile(path, testsupport::ScanFile(testsupport::SyntheticScan(Disc(), s), 300, 85)));
  calibration::ScanCalibration result;
  std::string error;
  ASSERT_TRUE(calibration::CalibrateFromScanFile(path, 0, TestDiscShape{}, page::PrintOffset{10, -5}, &result,
                                                 &error))
      << error;
  EXPECT_EQ(result.offset, (page::PrintOffset{-7, 19}));
  EXPECT_FALSE(result.clamped);
  EXPECT_NE(result.report.find("300 dpi (as the file states)"), std::string::npos) << result.report;
  EXPECT_NE(result.report.find("1.7"), std::string::npos) << result.report;

  // Beyond reach: printed 2 mm left already and still landing right.
  ASSERT_TRUE(calibration::CalibrateFromScanFile(path, 300, TestDiscShape{}, page::PrintOffset{-20, 0}, &result,
                                                 &error));
  EXPECT_EQ(result.offset, (page::PrintOffset{-30, 24}));
  EXPECT_TRUE(result.clamped);
  EXPECT_NE(result.report.find("warning: the printer is off by more"), std::string::npos) << result.report;

  // A file that states a screen's 72 dpi: the disc's size sets it instead.
  const std::string screen = dir.File("screen.png");
  ASSERT_TRUE(testsupport::WriteFile(screen, testsupport::ScanFile(testsupport::SyntheticScan(Disc(), s), 72, 0)));
  ASSERT_TRUE(calibration::CalibrateFromScanFile(screen, 0, TestDiscShape{}, page::PrintOffset{10, -5}, &result,
                                                 &error))
      << error;
  EXPECT_EQ(result.offset, (page::PrintOffset{-7, 19}));
  EXPECT_NE(result.report.find("the file's 72 dpi cannot be right"), std::string::npos) << result.report;

  // A resolution given overrides the file's; a wrong one is refused by name.
  EXPECT_FALSE(calibration::CalibrateFromScanFile(path, 200, TestDiscShape{}, page::PrintOffset{}, &result, &error));
  EXPECT_NE(error.find("scan.jpg': the disc measures 180."), std::string::npos) << error;
}

TEST(ScanFile, ReadsTheResolutionTheFileStates) {
  testsupport::TempDir dir;
  const imaging::RgbImage small(40, 30, imaging::Rgb{200, 100, 50});
  struct Case {
    int jpeg;
    double dpi;
  } cases[] = {{0, 600}, {0, 0}, {90, 300}, {90, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.jpeg) + " " + std::to_string(c.dpi));
    const std::string path = dir.File(c.jpeg ? "scan.jpg" : "scan.png");
    ASSERT_TRUE(testsupport::WriteFile(path, testsupport::ScanFile(small, c.dpi, c.jpeg)));
    calibration::Scan scan;
    std::string error;
    ASSERT_TRUE(calibration::ReadScan(path, &scan, &error)) << error;
    EXPECT_EQ(scan.picture.width, 40);
    EXPECT_NEAR(scan.dpi, c.dpi, 0.01);
  }
  // Dots per centimetre, and different densities across and down.
  std::vector<uint8_t> jpeg = testsupport::ScanFile(small, 0, 90);
  jpeg[13] = 2, jpeg[14] = 0, jpeg[15] = 118, jpeg[16] = 0, jpeg[17] = 118;
  double dpi = 0;
  std::string error;
  EXPECT_TRUE(calibration::StatedDpi(jpeg.data(), jpeg.size(), &dpi, &error));
  EXPECT_NEAR(dpi, 299.72, 0.01);
  jpeg[17] = 59;
  EXPECT_FALSE(calibration::StatedDpi(jpeg.data(), jpeg.size(), &dpi, &error));
  EXPECT_NE(error.find("not square"), std::string::npos);
  // Not a picture at all.
  const std::string text = dir.File("notes.txt");
  testsupport::WriteFile(text, std::string("not a scan\n"));
  calibration::Scan scan;
  EXPECT_FALSE(calibration::ReadScan(text, &scan, &error));
  EXPECT_NE(error.find("notes.txt"), std::string::npos);
}

}  // namespace
