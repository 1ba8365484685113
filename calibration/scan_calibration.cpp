#include "calibration/scan_calibration.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>

#include "calibration/scan_file.h"
#include "files/read_file.h"

namespace calibration {

namespace {

constexpr double kMaxOffsetMm = 3.0;

std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[160];
  snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// An offset to set: to the 0.1 mm step, within what the printer takes.
double ToStep(double mm, bool* clamped) {
  const double stepped = round(mm * 10) / 10;
  if (fabs(stepped) > kMaxOffsetMm) *clamped = true;
  return std::clamp(stepped, -kMaxOffsetMm, kMaxOffsetMm) + 0.0;  // no -0.0
}

// "0.42 mm right" / "0.42 mm left" and the like.
std::string Direction(double mm, const char* plus, const char* minus) {
  return Format("%.2f mm ", fabs(mm)) + (mm >= 0 ? plus : minus);
}

std::string ScaleWords(double scale) {
  const double percent = (scale - 1) * 100;
  if (fabs(percent) < 0.05) return "true to size";
  return Format("%.2f %% ", fabs(percent)) + (percent > 0 ? "too large" : "too small");
}

}  // namespace

bool CalibrateFromScan(const imaging::RgbImage& picture, double stated_dpi, double dpi_given,
                       const TestDiscShape& shape, double printed_x_mm, double printed_y_mm,
                       ScanCalibration* result, std::string* error) {
  *result = ScanCalibration();
  const double dpi = dpi_given > 0 ? dpi_given : stated_dpi;
  ScanFindings& f = result->findings;
  if (!AnalyseScan(picture, dpi, shape, &f, error)) return false;
  result->offset_x_mm = ToStep(printed_x_mm - f.offset_x_mm, &result->clamped);
  result->offset_y_mm = ToStep(printed_y_mm - f.offset_y_mm, &result->clamped);

  const char* whence = dpi_given > 0 ? "as given" : stated_dpi > 0 ? "as the file states" : "from the disc's size";
  std::string& r = result->report;
  r = Format("Scan: %.0f dpi (", f.dpi) + whence + Format("); disc %.1f mm, hole %.1f mm", f.disc_mm, f.hole_mm) +
      Format(", lying turned %+.1f degrees\n", f.rotation_deg);
  r += "The print's centre lies " + Direction(f.offset_x_mm, "right", "left") + " and " +
       Direction(f.offset_y_mm, "down", "up") + " of the disc's centre" +
       Format(" (printed with offsets %+.1f, %+.1f mm)\n", printed_x_mm, printed_y_mm);
  r += "Printed size: " + ScaleWords(f.scale_x) + " across, " + ScaleWords(f.scale_y) + " down";
  r += fabs(f.scale_x - 1) > 0.005 || fabs(f.scale_y - 1) > 0.005
           ? " (more than 0.5 %: check the scan's resolution; the offsets cannot mend a size)\n"
           : "\n";
  r += Format("Offsets to use: X %+.1f mm, Y %+.1f mm\n", result->offset_x_mm, result->offset_y_mm);
  if (result->clamped) {
    r += Format("warning: the printer is off by more than the offsets reach (%.1f mm); the print stays off "
                "centre\n", kMaxOffsetMm);
  }
  return true;
}

bool CalibrateFromScanFile(const std::string& path, double dpi_given, const TestDiscShape& shape,
                           double printed_x_mm, double printed_y_mm, ScanCalibration* result, std::string* error) {
  Scan scan;
  if (!ReadScan(path, &scan, error)) return false;
  if (!CalibrateFromScan(scan.picture, scan.dpi, dpi_given, shape, printed_x_mm, printed_y_mm, result, error)) {
    *error = files::InputName(path) + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace calibration
