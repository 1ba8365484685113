// Calibration from a scan, as a front end offers it: the scan read from its
// file, its resolution settled (given, else the file's, else the disc's own
// size), measured, and the offsets to set worked out and explained.
#ifndef QUILLORY2_CALIBRATION_SCAN_CALIBRATION_H_
#define QUILLORY2_CALIBRATION_SCAN_CALIBRATION_H_

#include <string>

#include "calibration/scan_analysis.h"
#include "imaging/rgb_image.h"

namespace calibration {

struct ScanCalibration {
  ScanFindings findings;
  // The offsets to set, in mm (0.1 mm steps, within -3.0..+3.0): those the
  // test disc was printed with, less where its print landed.
  double offset_x_mm = 0;
  double offset_y_mm = 0;
  bool clamped = false;  // the printer is off by more than the offsets reach
  std::string report;    // what was found, in lines a person reads
};

// Measures the scan in picture (dpi_given > 0 overrides the file's
// stated_dpi; both 0: the disc's diameter sets it) of a test disc printed
// with the offsets printed_x_mm, printed_y_mm. False with a one-line refusal.
bool CalibrateFromScan(const imaging::RgbImage& picture, double stated_dpi, double dpi_given,
                       const TestDiscShape& shape, double printed_x_mm, double printed_y_mm,
                       ScanCalibration* result, std::string* error);

// The same for a scan file ("-": standard input); the refusal names it.
bool CalibrateFromScanFile(const std::string& path, double dpi_given, const TestDiscShape& shape,
                           double printed_x_mm, double printed_y_mm, ScanCalibration* result, std::string* error);

}  // namespace calibration

#endif  // QUILLORY2_CALIBRATION_SCAN_CALIBRATION_H_
