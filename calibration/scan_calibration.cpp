#include "calibration/scan_calibration.h"

#include <math.h>
#include <stdio.h>

#include <stdlib.h>

#include <algorithm>

#include "calibration/scan_file.h"
#include "files/read_file.h"
#include "testdisc/ramps.h"

namespace calibration {

namespace {

std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[160];
  snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// An offset to set, in tenths of a mm: to the step, within what the
// printer takes.
int32_t ToStep(double mm, bool* clamped) {
  const int32_t tenths = static_cast<int32_t>(lround(mm * 10));
  if (abs(tenths) > page::kMaxOffsetTenths) *clamped = true;
  return std::clamp(tenths, -page::kMaxOffsetTenths, page::kMaxOffsetTenths);
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

TestDiscShape ShapeFor(page::DiscSize size, const page::DiscRing& ring) {
  TestDiscShape shape;
  shape.disc_mm = page::DiscDiameterMm(size);
  shape.outer_circle_mm = ring.outer_mm;
  shape.hub_circle_mm = ring.inner_mm;
  return shape;
}

bool CalibrateFromScan(const imaging::RgbImage& picture, double stated_dpi, double dpi_given,
                       const TestDiscShape& shape, const page::PrintOffset& printed, ScanCalibration* result,
                       std::string* error) {
  *result = ScanCalibration();
  const double dpi = dpi_given > 0 ? dpi_given : stated_dpi;
  ScanFindings& f = result->findings;
  bool file_wrong = false;
  if (!AnalyseScan(picture, dpi, shape, &f, error)) {
    // Many programs write a screen's 72 or 96 dpi into every file they
    // save. A resolution the file states, not one the user gives, yields
    // to the disc's own size when only that makes it a test disc.
    std::string why;
    if (dpi_given > 0 || stated_dpi <= 0 || !AnalyseScan(picture, 0, shape, &f, &why)) return false;
    file_wrong = true;
  }
  result->offset.x_tenths = ToStep(printed.x_tenths / 10.0 - f.offset_x_mm, &result->clamped);
  result->offset.y_tenths = ToStep(printed.y_tenths / 10.0 - f.offset_y_mm, &result->clamped);

  const std::string whence = dpi_given > 0        ? "as given"
                             : file_wrong          ? Format("from the disc's size: the file's %.0f dpi cannot be right",
                                                            stated_dpi)
                             : stated_dpi > 0      ? "as the file states"
                                                   : "from the disc's size";
  std::string& r = result->report;
  r = Format("Scan: %.0f dpi (", f.dpi) + whence + Format("); disc %.1f mm, hole %.1f mm", f.disc_mm, f.hole_mm) +
      Format(", lying turned %+.1f degrees\n", f.rotation_deg);
  r += "The print's centre lies " + Direction(f.offset_x_mm, "right", "left") + " and " +
       Direction(f.offset_y_mm, "down", "up") + " of the disc's centre" +
       " (printed with offsets X " + page::OffsetMmName(printed.x_tenths) + ", Y " +
       page::OffsetMmName(printed.y_tenths) + " mm)\n";
  r += "Printed size: " + ScaleWords(f.scale_x) + " across, " + ScaleWords(f.scale_y) + " down";
  r += fabs(f.scale_x - 1) > 0.005 || fabs(f.scale_y - 1) > 0.005
           ? " (more than 0.5 %: check the scan's resolution and the ring the test disc was printed with; the "
             "offsets cannot mend a size)\n"
           : "\n";
  const RampFindings& ramps = f.ramps;
  if (!ramps.found) {
    r += "No ramps found (a test disc from before them, or one printed with a ring under " +
         Format("%.0f mm): no ink curves\n", testdisc::kMinRampOuterMm);
  } else {
    r += std::string("Ink curves from the ramps (the coverage in % that nominal 0, 10, ..., 100 % prints):\n");
    auto line = [&r](const char* name, const double* v) {
      r += std::string("  ") + name;
      for (int i = 0; i < imaging::kCurveSteps; ++i) r += Format(" %5.1f", v[i]);
      r += "\n";
    };
    const char* names[imaging::kCurveInks] = {"cyan   ", "magenta", "yellow ", "black  "};
    for (int ink = 0; ink < imaging::kCurveInks; ++ink)
      if (ramps.colour ? ink < 3 : ink == imaging::kCurveBlack) line(names[ink], ramps.curves.printed[ink].data());
    if (ramps.colour) line("grey   ", ramps.grey.data());
  }
  if (result->clamped) {
    r += "warning: the printer is off by more than the offsets reach (" +
         page::OffsetMmName(page::kMaxOffsetTenths) + " mm); the print stays off centre\n";
  }
  return true;
}

bool CalibrateFromScanFile(const std::string& path, double dpi_given, const TestDiscShape& shape,
                           const page::PrintOffset& printed, ScanCalibration* result, std::string* error) {
  Scan scan;
  if (!ReadScan(path, &scan, error)) return false;
  if (!CalibrateFromScan(scan.picture, scan.dpi, dpi_given, shape, printed, result, error)) {
    *error = files::InputName(path) + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace calibration
