// Calibration from a scan, as a front end offers it: the scan read from its
// file, its resolution settled (given, else the file's, else the disc's own
// size), measured, and the offsets to set worked out and explained.
#ifndef QUILLORY2_CALIBRATION_SCAN_CALIBRATION_H_
#define QUILLORY2_CALIBRATION_SCAN_CALIBRATION_H_

#include <string>

#include "calibration/scan_analysis.h"
#include "imaging/rgb_image.h"
#include "page/disc_ring.h"
#include "page/print_position.h"

namespace calibration {

// What the test disc prints on a disc of this size with this ring: its
// circles lie on the ring's outer and hub diameters.
TestDiscShape ShapeFor(page::DiscSize size, const page::DiscRing& ring);

struct ScanCalibration {
  ScanFindings findings;
  // The offset to set: the one the test disc was printed with, less where
  // its print landed, to the 0.1 mm step and within -3.0..+3.0 mm.
  page::PrintOffset offset;
  bool clamped = false;  // the printer is off by more than the offsets reach
  std::string report;    // what was found, in lines a person reads (the offsets are the front end's to say)
};

// Measures the scan in picture (dpi_given > 0 overrides the file's
// stated_dpi; both 0: the disc's diameter sets it) of a test disc printed
// with the offset printed. False with a one-line refusal.
bool CalibrateFromScan(const imaging::RgbImage& picture, double stated_dpi, double dpi_given,
                       const TestDiscShape& shape, const page::PrintOffset& printed, ScanCalibration* result,
                       std::string* error);

// The same for a scan file ("-": standard input); the refusal names it.
bool CalibrateFromScanFile(const std::string& path, double dpi_given, const TestDiscShape& shape,
                           const page::PrintOffset& printed, ScanCalibration* result, std::string* error);

}  // namespace calibration

#endif  // QUILLORY2_CALIBRATION_SCAN_CALIBRATION_H_
