// Scans of printed test discs, made without a scanner: a print (what the
// printer put down, at 300 dots per inch, as the preview draws it) laid on a
// blank disc with its clear rim, clear hub and hole, off by a known amount
// (the printer's own error), turned, seen against the scanner's background,
// blurred, noisy and JPEG-compressed.
#ifndef QUILLORY2_TESTS_CALIBRATION_SYNTHETIC_SCAN_H_
#define QUILLORY2_TESTS_CALIBRATION_SYNTHETIC_SCAN_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "imaging/rgb_image.h"
#include "page/disc_ring.h"
#include "page/job_options.h"
#include "page/print_position.h"
#include "tests/support/modelled_print.h"

namespace testsupport {

// A print at 300 dpi and where its nominal disc centre lies, in pixels.
struct Print {
  imaging::RgbImage picture;
  double centre_x = 0, centre_y = 0;
};

// The test disc for a disc of this size, printed (as its preview shows it)
// with the given print-position offset, which moves it on the page.
Print TestDiscPrint(page::DiscSize size, const page::PrintOffset& offset = page::PrintOffset{});

// The 120 mm test disc at the job's resolution and colour, printed with no
// offset by a printer whose dots spread (modelled_print.h), as the light
// its inks leave (sRGB code values): scan it with linear_light.
Print GainedTestDiscPrint(const page::JobOptions& options, const DotGain& gain);

struct ScanSetup {
  double dpi = 300;
  double offset_x_mm = 0, offset_y_mm = 0;  // where the printer puts the print: + right and down
  double scale_x = 1, scale_y = 1;          // printed size over nominal
  double rotation_deg = 0;                  // disc turned on the glass, clockwise
  double uneven_light = 0;                  // levels of light added from the left edge to the right
                                            // (with linear_light: in 1/255 of white, in linear light)
  double blur_px = 0;                       // Gaussian blur, sigma in scan pixels
  double noise = 0;                         // Gaussian noise, sigma in levels
  int jpeg_quality = 0;                     // 0: no compression
  double disc_mm = 120;
  imaging::Rgb background{22, 22, 26};      // the open lid
  bool linear_light = false;                // print and disc mixed in linear light, as light mixes
};

// The scan, at setup.dpi, of the print on a blank disc.
imaging::RgbImage SyntheticScan(const Print& print, const ScanSetup& setup);

// The scan as a file that states its resolution: PNG (pHYs) or, with
// jpeg_quality > 0, JPEG (JFIF density). dpi 0 states none.
std::vector<uint8_t> ScanFile(const imaging::RgbImage& scan, double dpi, int jpeg_quality);

}  // namespace testsupport

#endif  // QUILLORY2_TESTS_CALIBRATION_SYNTHETIC_SCAN_H_
