// The closed loop on a model printer whose dots spread by a known amount:
// its test disc scanned, each ink's curve fitted from the ramps, and a
// photo-like picture separated with the fitted curves must print (modelled
// delta E) about as well as on a printer without dot gain.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>

#include "calibration/scan_analysis.h"
#include "calibration/scan_calibration.h"
#include "imaging/label.h"
#include "imaging/png_writer.h"
#include "tests/calibration/synthetic_scan.h"
#include "tests/support/modelled_print.h"
#include "tests/support/support.h"

namespace {

using testsupport::DotGain;

// The scan of the test disc printed with the gain: a little off centre and
// turned, noisy and unevenly lit (an open lid) as a flatbed leaves it; its
// blur is the print's own spread.
calibration::ScanFindings ScanOfGainedDisc(const page::JobOptions& options, const DotGain& gain,
                                           const char* keep_as) {
  testsupport::ScanSetup setup;
  setup.linear_light = true;
  setup.offset_x_mm = 0.4, setup.offset_y_mm = -0.3, setup.rotation_deg = 1.2;
  setup.noise = 2, setup.uneven_light = 20;
  const imaging::RgbImage scan =
      testsupport::SyntheticScan(testsupport::GainedTestDiscPrint(options, gain), setup);
  const std::string dir = testsupport::BuildDir() + "/test-artifacts/calibration";
  testsupport::RunShell("mkdir -p " + testsupport::Quote(dir));
  std::vector<uint8_t> png;
  std::string error;
  if (imaging::EncodePng(scan, &png, &error)) testsupport::WriteFile(dir + "/" + keep_as, png);
  calibration::ScanFindings findings;
  EXPECT_TRUE(calibration::AnalyseScan(scan, 300, calibration::TestDiscShape{}, &findings, &error))
      << error;
  return findings;
}

// Each fitted step within 1 % of the gain's own curve.
void ExpectCurveOf(const DotGain& gain, const imaging::InkCurves& curves, int ink) {
  for (int i = 0; i < imaging::kCurveSteps; ++i)
    EXPECT_NEAR(curves.printed[ink][i], 100 * gain.Printed(ink, i / 10.0), 1.0)
        << imaging::kCurveInkLetters[ink] << " step " << i << ": "
        << imaging::InkCurvesText(curves);
}

TEST(InkCurveLoop, FittedCurvesBringAPhotosModelledDeltaEBackToTheIdealPrinters) {
  DotGain gain;
  gain.exponent = {1.7, 1.55, 1.4, 1};  // 50 % prints as 69, 66 and 62 %
  page::JobOptions options;
  options.resolution = page::Resolution::k300;
  options.media = page::Media::kMatte;  // no ink limit: the gain's error alone
  const calibration::ScanFindings found =
      ScanOfGainedDisc(options, gain, "ramps-gained-colour.png");
  ASSERT_TRUE(found.ramps.found);
  ASSERT_TRUE(found.ramps.colour);
  for (int ink = 0; ink < 3; ++ink) ExpectCurveOf(gain, found.ramps.curves, ink);
  EXPECT_TRUE(found.ramps.curves.Identity(imaging::kCurveBlack));
  // The offset still comes back through the ramps.
  EXPECT_NEAR(found.offset_x_mm, 0.4, 0.1);
  EXPECT_NEAR(found.offset_y_mm, -0.3, 0.1);

  const imaging::RgbImage photo = testsupport::PhotoLikePicture(options.RowsPerInch());
  imaging::LabelLayout layout;
  const page::InkPage plain = imaging::MakeLabelPageOnDots(photo, options, layout);
  layout.separation.curves = found.ramps.curves;
  const page::InkPage corrected = imaging::MakeLabelPageOnDots(photo, options, layout);
  const double ideal = testsupport::ModelledDeltaE(plain, photo, DotGain{}, layout.ring);
  const double uncorrected = testsupport::ModelledDeltaE(plain, photo, gain, layout.ring);
  const double fixed = testsupport::ModelledDeltaE(corrected, photo, gain, layout.ring);
  printf("modelled delta E: ideal %.2f, dot gain uncorrected %.2f, corrected %.2f\n", ideal,
         uncorrected, fixed);
  EXPECT_LE(fixed, 1.1 * ideal);
  EXPECT_GE(uncorrected, 2 * ideal);
}

TEST(InkCurveLoop, MonochromeDiscGivesTheBlackCurveAndOtherRingsNone) {
  DotGain gain;
  gain.exponent = {1, 1, 1, 1.7};
  page::JobOptions options;
  options.resolution = page::Resolution::k300;
  options.colour = page::ColourMode::kMonochrome;
  const calibration::ScanFindings found = ScanOfGainedDisc(options, gain, "ramps-gained-mono.png");
  ASSERT_TRUE(found.ramps.found);
  EXPECT_FALSE(found.ramps.colour);
  ExpectCurveOf(gain, found.ramps.curves, imaging::kCurveBlack);
  for (int ink = 0; ink < 3; ++ink) EXPECT_TRUE(found.ramps.curves.Identity(ink));
}

}  // namespace
