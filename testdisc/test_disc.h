// The test disc: a job that shows where the printer actually prints.
//
// It draws the nominal outer and hub circles of the printable ring, a centre
// cross, and at the four compass points two scales, one across the disc's
// own outer edge and one across the edge of its 15 mm hole, each from -3 to
// +3 mm with a tick every 0.5 mm and a number every 1 mm, numbers growing
// outwards; a label of the settings it was printed with; and, on a 120 mm
// disc's ring, ramps of grey, cyan, magenta and yellow (testdisc/ramps.h)
// from which a scan tells each ink's tone curve. Printed on a
// blank disc, the scale reading where the disc's edge (or the hole's) meets
// each scale says how far the print lies off centre (testdisc/readings.h).
// Each scale's numbers read upright with its side of the disc turned to the
// top.
//
// The test disc is not masked to the ring: its scales lie across the disc's
// edges on purpose. It is drawn on the printable square like any label, and
// moved by the print-position offset like any label.
#ifndef QUILLORY2_TESTDISC_TEST_DISC_H_
#define QUILLORY2_TESTDISC_TEST_DISC_H_

#include <string>
#include <vector>

#include "page/disc_ring.h"
#include "page/ink_page.h"
#include "page/job_options.h"
#include "page/print_position.h"

namespace testdisc {

struct TestDiscSettings {
  page::JobOptions options;                    // resolution and colour of the page
  page::DiscSize disc = page::DiscSize::k120;  // where the outer scales sit
  page::DiscRing ring;                         // the nominal circles
  page::PrintOffset offset;                    // said on the label; the front end moves the page
  std::string printed_by;                      // "quillory2", "CUPS", "printer application"
};

// The scales' range and steps, in mm.
constexpr double kScaleReachMm = 3.0;
constexpr double kTickStepMm = 0.5;

// The lines of the label, as printed.
std::vector<std::string> SettingsLabel(const TestDiscSettings& settings);

// The test disc as a page of the printable square at the settings'
// resolution and colour (black: all three inks, or the black plane).
page::InkPage DrawTestDisc(const TestDiscSettings& settings);

}  // namespace testdisc

#endif  // QUILLORY2_TESTDISC_TEST_DISC_H_
