#include "tools/calibration_commands.h"

#include <math.h>
#include <stdio.h>

#include <memory>
#include <string>
#include <vector>

#include "calibration/scan_calibration.h"
#include "files/write_file.h"
#include "page/print_position.h"
#include "testdisc/readings.h"
#include "testdisc/test_disc.h"
#include "tools/disc_options.h"
#include "tools/encode_job.h"
#include "tools/job_choices.h"

namespace tools {
namespace {

// --- test-disc --------------------------------------------------------------

struct TestDiscArgs {
  std::string output;
  JobChoiceArgs job;
  DiscArgs disc;
};

int RunTestDisc(const TestDiscArgs& a) {
  EncodeSettings settings;
  std::string error;
  if (!ResolveJobChoices(a.job, &settings, nullptr, &error)) return Fail(error, kExitUsage);
  const page::JobOptions& o = settings.options;
  DiscChoice disc;
  if (!ResolveDisc(a.disc, &disc, &error)) return Fail(error, kExitUsage);
  if (WritesBinaryToTerminal(a.output))
    return Fail("refusing to write a print job to a terminal; use -o FILE", kExitUsage);

  testdisc::TestDiscSettings s;
  s.options = o;
  s.disc = disc.size;
  s.ring = disc.ring;
  s.offset = disc.offset;
  s.printed_by = std::string("quillory2 ") + (settings.driver == Driver::kPlugin ? "plug-in" : "minidriver");
  // Not masked to the ring, so nothing of the ring is said lost.
  std::string lost;
  std::vector<page::InkPage> pages = {PlaceForComponent(testdisc::DrawTestDisc(s), disc.ring, disc.offset, settings, &lost)};
  std::vector<uint8_t> job;
  if (!EncodeJob(pages, settings, &job, &error)) return Fail(error);
  if (!files::WriteWholeFile(a.output, job, &error)) return Fail(error);
  return 0;
}

// --- calibrate --------------------------------------------------------------

struct CalibrateArgs {
  std::string left, right, top, bottom;
  DiscArgs disc;  // what the test disc was printed with
  std::string scan;
  double scan_dpi = 0;
  std::string cups_printer = "Quillory2";
  std::string app_printer = "disc";
};

// The PPD's choice keywords have no plus sign.
std::string PpdWord(int32_t tenths) {
  const std::string name = page::OffsetMmName(tenths);
  return name[0] == '+' ? name.substr(1) : name;
}

std::string Where(double mm, const char* positive, const char* negative) {
  char text[64];
  snprintf(text, sizeof text, "%.2f mm too far %s", fabs(mm), mm >= 0 ? positive : negative);
  return text;
}

void PrintCommands(const page::PrintOffset& o, const CalibrateArgs& a) {
  printf("Offsets to set: X %s mm, Y %s mm\n\n", page::OffsetMmName(o.x_tenths).c_str(),
         page::OffsetMmName(o.y_tenths).c_str());
  printf("  quillory2:            quillory2 encode LABEL.png --offset-x-mm %s --offset-y-mm %s -o LABEL.prn\n",
         PpdWord(o.x_tenths).c_str(), PpdWord(o.y_tenths).c_str());
  printf("  CUPS:                 lpadmin -p %s -o OffsetX-default=%s -o OffsetY-default=%s\n",
         a.cups_printer.c_str(), PpdWord(o.x_tenths).c_str(), PpdWord(o.y_tenths).c_str());
  printf("  printer application:  quillory2-printer-app modify -d %s -o quillory2-offset-x=%d -o "
         "quillory2-offset-y=%d\n",
         a.app_printer.c_str(), o.x_tenths, o.y_tenths);
}

// Only the inks the scan measured are named, so a monochrome disc's black
// curve can be added to a colour disc's three.
void PrintCurveCommands(const imaging::InkCurves& curves, const CalibrateArgs& a) {
  const std::string text = imaging::InkCurvesText(curves);
  printf("\nInk curves to set:\n\n");
  printf("  quillory2:            quillory2 encode LABEL.png --ink-curves '%s' -o LABEL.prn\n", text.c_str());
  // No PPD choice holds a curve: CUPS takes it as a job option, which
  // lpoptions makes the default of the jobs sent from this machine.
  printf("  CUPS:                 lpoptions -p %s -o InkCurves='%s'\n", a.cups_printer.c_str(), text.c_str());
  printf("  printer application:  quillory2-printer-app modify -d %s -o quillory2-ink-curves='%s'\n",
         a.app_printer.c_str(), text.c_str());
  if (curves.Identity(0) && curves.Identity(1) && curves.Identity(2)) {
    printf("\nThese name black alone; to keep the colour inks' curves too, join them with ';' to those a colour "
           "test disc's scan gave.\n");
  }
}

int RunCalibrate(const CalibrateArgs& a) {
  DiscChoice disc;
  std::string error;
  if (!ResolveDisc(a.disc, &disc, &error)) return Fail(error, kExitUsage);
  const page::PrintOffset printed = disc.offset;
  const bool any_reading = !a.left.empty() || !a.right.empty() || !a.top.empty() || !a.bottom.empty();

  if (!a.scan.empty()) {
    if (any_reading) return Fail("give either --scan or the four readings, not both", kExitUsage);
    // The scan analysis (calibration/) measures; the commands are said here.
    calibration::ScanCalibration result;
    if (!calibration::CalibrateFromScanFile(a.scan, a.scan_dpi, calibration::ShapeFor(disc.size, disc.ring), printed,
                                            &result, &error)) {
      return Fail(error);
    }
    fputs(result.report.c_str(), stdout);
    PrintCommands(result.offset, a);
    if (result.findings.ramps.found) PrintCurveCommands(result.findings.ramps.curves, a);
    return 0;
  }

  testdisc::Readings r;
  struct Side {
    const char* option;
    const std::string& text;
    double* value;
  };
  for (const Side& side : {Side{"--left", a.left, &r.left}, Side{"--right", a.right, &r.right},
                           Side{"--top", a.top, &r.top}, Side{"--bottom", a.bottom, &r.bottom}}) {
    if (side.text.empty()) {
      return Fail(std::string("missing ") + side.option + ": give the reading of every side (or --scan FILE)",
                  kExitUsage);
    }
    if (!testdisc::ParseReading(side.text, side.value)) {
      return Fail(std::string("unknown ") + side.option + " '" + side.text + "' (use " + testdisc::kReadingWords +
                      ")",
                  kExitUsage);
    }
  }
  const testdisc::Correction c = testdisc::CorrectionFrom(r, printed);
  const double right_mm = (r.left - r.right) / 2, down_mm = (r.top - r.bottom) / 2;
  printf("The test disc printed with X %s, Y %s mm lies %s and %s.\n", page::OffsetMmName(printed.x_tenths).c_str(),
         page::OffsetMmName(printed.y_tenths).c_str(), Where(right_mm, "right", "left").c_str(),
         Where(down_mm, "down", "up").c_str());
  if (fabs(c.size_mm) >= 0.2) {
    printf("Its circles came out %.2f mm %s in radius than nominal: the printer's scale, which no offset mends.\n",
           fabs(c.size_mm), c.size_mm < 0 ? "larger" : "smaller");
  }
  if (c.clamped) printf("The print lies further off than the offsets reach (3.0 mm); check how the tray sits.\n");
  PrintCommands(c.offset, a);
  return 0;
}

}  // namespace

Command AddTestDiscCommand(CLI::App* program) {
  auto a = std::make_shared<TestDiscArgs>();
  CLI::App* cmd = program->add_subcommand("test-disc", "Write the test disc's print job: where the printer "
                                                       "actually prints, to read or scan for calibrate");
  cmd->add_option("-o,--output", a->output, "Print job to write; - writes standard output")->required();
  AddJobChoices(cmd, &a->job, /*pictures=*/false);
  AddDiscOptions(cmd, &a->disc, /*offsets=*/true);
  cmd->footer(
      "The test disc shows the printable ring's outer and hub circles, a centre cross and, at the four compass "
      "points, a scale across the disc's own edge and one across the edge of its 15 mm hole: -3 to +3 mm, a tick "
      "every 0.5 mm, numbers every 1 mm growing outwards. It is not masked to the ring: the scales print across the "
      "disc's edges, so a little ink lands on the tray. Print it on a blank disc with the offsets you use now, then "
      "read, at each side, the number where the disc's edge (or the hole's) meets the scale, and give the four "
      "readings to 'quillory2 calibrate'. On a 120 mm disc the outer scales at the top and bottom reach past the "
      "rows the printer addresses; read the hub scales there. With a ring of 115 mm or more it also prints ramps "
      "of grey, cyan, magenta and yellow (0 to 100 % in steps of 10; grey alone, in black, with --mono) from which 'quillory2 "
      "calibrate --scan' measures each ink's real tone curve; they always print the nominal coverage.\n"
      "Example:\n  quillory2 test-disc -o test-disc.prn && cat test-disc.prn > /dev/usb/lp0");
  return {cmd, [a] { return RunTestDisc(*a); }};
}

Command AddCalibrateCommand(CLI::App* program) {
  auto a = std::make_shared<CalibrateArgs>();
  CLI::App* cmd = program->add_subcommand("calibrate", "Work out the print-position offsets from the test disc's "
                                                       "readings (or a scan of it)");
  cmd->add_option("--left", a->left, "Reading at the left side (mm, -3 to +3, as on the scale)");
  cmd->add_option("--right", a->right, "Reading at the right side");
  cmd->add_option("--top", a->top, "Reading at the top");
  cmd->add_option("--bottom", a->bottom, "Reading at the bottom");
  // The disc, ring and offsets the test disc was printed with (on its label).
  AddDiscOptions(cmd, &a->disc, /*offsets=*/true);
  cmd->add_option("--scan", a->scan, "A scan of the printed test disc (PNG or JPEG) instead of the readings");
  cmd->add_option("--scan-dpi", a->scan_dpi, "The scan's resolution, where its file does not say or says wrong "
                                             "(without either, the disc's own diameter sets it)")
      ->check(CLI::Range(50.0, 4800.0));
  cmd->add_option("--cups-printer", a->cups_printer, "CUPS queue named in the lpadmin command")->capture_default_str();
  cmd->add_option("--app-printer", a->app_printer, "Printer application printer named in its modify command")
      ->capture_default_str();
  cmd->footer(
      "A print lying d mm too far right shows its left reading d and its right reading -d; the offset to set is the "
      "one the test disc was printed with, less where the print lies: X = printed + (right - left) / 2, Y = printed "
      "+ (bottom - top) / 2, in steps of 0.1 mm. The commands that set it for each front end follow. Give "
      "--offset-x-mm, --offset-y-mm, --disc-size, --outer-mm and --inner-mm as the test disc was printed (its label "
      "says).\n"
      "With --scan, no reading by eye: lay the printed disc face down on a flatbed scanner, label upright (within "
      "5 degrees), lid open or a dark sheet over it, and scan the whole disc at 300 or 600 dpi to PNG or JPEG. The "
      "disc's own edge and hole, and the printed outer and hub circles, are found in the scan; it also says how far "
      "the print came out larger or smaller than nominal. A picture that is not such a scan is refused. From the "
      "test disc's ramps (grey, cyan, magenta and yellow, 0 to 100 % in steps of 10) it also measures each ink's "
      "real tone curve and prints the --ink-curves option that makes mid-tones print as meant (a monochrome test "
      "disc gives black's).\n"
      "Examples:\n  quillory2 calibrate --left 0.5 --right -0.5 --top -0.3 --bottom 0.3\n"
      "  quillory2 calibrate --scan test-disc-scan.png --offset-x-mm 0.4");
  return {cmd, [a] { return RunCalibrate(*a); }};
}

}  // namespace tools
