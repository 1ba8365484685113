// Where the print lies on the disc, measured from a scan of a printed test
// disc: the disc's own outer edge and hole give the disc's centre, the
// printed outer and hub circles the print's centre and size, and the scales
// at the four compass points how far the disc lay turned on the scanner.
//
// Lay the disc printed side down on the glass, label upright, and scan it
// with the lid open (or a dark sheet over it), so that its edge and hole
// stand out from the background.
#ifndef QUILLORY2_CALIBRATION_SCAN_ANALYSIS_H_
#define QUILLORY2_CALIBRATION_SCAN_ANALYSIS_H_

#include <string>

#include "calibration/ramp_analysis.h"
#include "imaging/rgb_image.h"

namespace calibration {

// What the analysis looks for, in mm: the blank disc printed on, and the
// diameters of the two printed circles (line centres), as printed with no
// offset by a printer of exact size.
struct TestDiscShape {
  double disc_mm = 120;
  double hole_mm = 15;
  double outer_circle_mm = 118;
  double hub_circle_mm = 22;
};

struct ScanFindings {
  // Where the print's centre lies from the disc's, in mm: positive moves
  // right and down, as seen on the disc lying in the tray.
  double offset_x_mm = 0;
  double offset_y_mm = 0;
  // Printed size over nominal, across and down (1.002: 0.2 % too large).
  double scale_x = 1;
  double scale_y = 1;
  double rotation_deg = 0;     // how far the label lay turned in the scan, clockwise
  double dpi = 0;              // the resolution the measurement used
  bool dpi_from_disc = false;  // none given: taken from the disc's diameter
  double disc_mm = 0;          // the disc and its hole as measured
  double hole_mm = 0;
  double circles_rms_mm = 0;   // scatter of the printed circles' edge points
  RampFindings ramps;          // each ink's tone curve, where the test disc has its ramps
};

// Measures scan (its ramps too, on a ring that has them), a picture at dpi dots per inch (0: unknown, then the disc's
// diameter sets it). True with *findings; false with a one-line reason in
// *refusal for a picture that is not a whole scan of a printed test disc.
bool AnalyseScan(const imaging::RgbImage& scan, double dpi, const TestDiscShape& shape, ScanFindings* findings,
                 std::string* refusal);

}  // namespace calibration

#endif  // QUILLORY2_CALIBRATION_SCAN_ANALYSIS_H_
