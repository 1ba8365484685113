#include "printerapp/calibration.h"

#include <string.h>
#include <unistd.h>

#include <stdlib.h>

#include <memory>
#include <vector>

#include "page/print_position.h"
#include "printerapp/capabilities.h"
#include "printerapp/scan_upload.h"
#include "printjob/job_writer.h"
#include "testdisc/readings.h"
#include "testdisc/test_disc.h"

namespace printerapp {
namespace {

// The begin-document command opens every job in the printer's language.
constexpr char kBeginDocument[] = "\x1b!c2Q";

using Attributes = std::unique_ptr<ipp_t, void (*)(ipp_t*)>;

std::string VendorDefault(ipp_t* attrs, const char* name) {
  const std::string fallback = std::string(name) + "-default";
  ipp_attribute_t* attr = ippFindAttribute(attrs, fallback.c_str(), IPP_TAG_ZERO);
  if (attr == nullptr) return "";
  char text[1024];
  ippAttributeString(attr, text, sizeof text);
  return text;
}

// The printer's ink curves with those the scan measured put in (a
// monochrome test disc measures black alone, a colour one the three inks):
// their words, or "" when the scan has no ramps.
std::string MergedCurves(pappl_printer_t* printer, const calibration::RampFindings& ramps) {
  if (!ramps.found) return "";
  Attributes attrs(papplPrinterGetDriverAttributes(printer), ippDelete);
  imaging::InkCurves curves;
  std::string why;
  if (!imaging::ParseInkCurves(VendorDefault(attrs.get(), kInkCurves), &curves, &why)) curves = imaging::InkCurves();
  for (int ink = 0; ink < imaging::kCurveInks; ++ink)
    if (ramps.colour == (ink != imaging::kCurveBlack)) curves.printed[ink] = ramps.curves.printed[ink];
  return imaging::InkCurvesText(curves);
}

constexpr char kPagePath[] = "/calibrate";

struct Named {
  const char* name;
  pappl_printer_t* found = nullptr;
  std::vector<std::string> all;
};

// The printer a request names (the first one when it names none), and the
// names of all of them.
pappl_printer_t* NamedPrinter(pappl_system_t* system, const char* name, std::vector<std::string>* all) {
  Named named;
  named.name = name;
  papplSystemIteratePrinters(
      system,
      [](pappl_printer_t* printer, void* data) {
        Named* n = static_cast<Named*>(data);
        const char* printer_name = papplPrinterGetName(printer);
        n->all.push_back(printer_name);
        if (n->found == nullptr && (n->name == nullptr || strcmp(n->name, printer_name) == 0)) n->found = printer;
      },
      &named);
  *all = named.all;
  return named.found;
}

extern "C" bool ServeCalibrationPage(pappl_client_t* client, void* data) {
  if (!papplClientHTMLAuthorize(client)) return true;
  cups_option_t* form = nullptr;
  const int count = papplClientGetForm(client, &form);
  std::vector<std::string> printers;
  pappl_printer_t* printer =
      NamedPrinter(papplClientGetSystem(client), cupsGetOption("printer", count, form), &printers);
  if (printer == nullptr) {
    cupsFreeOptions(count, form);
    papplClientHTMLHeader(client, "Calibrate", 0);
    papplClientHTMLPuts(client, "<div class=\"banner\">No such printer: add one first.</div>\n");
    papplClientHTMLFooter(client);
    return true;
  }

  std::string status, report;
  if (papplClientGetMethod(client) == HTTP_STATE_POST) {
    testdisc::Readings r;
    page::PrintOffset printed;
    auto text = [&](const char* name) {
      const char* v = cupsGetOption(name, count, form);
      return v != nullptr ? v : "";
    };
    // The offsets to save, from the readings or from a scan.
    auto save = [&](const page::PrintOffset& offset, bool clamped, const std::string& curves = "") {
      pappl_pr_driver_data_t driver;
      papplPrinterGetDriverData(printer, &driver);
      cups_option_t* vendor = nullptr;
      int vendors = cupsAddOption(kOffsetX, std::to_string(offset.x_tenths).c_str(), 0, &vendor);
      vendors = cupsAddOption(kOffsetY, std::to_string(offset.y_tenths).c_str(), vendors, &vendor);
      if (!curves.empty()) vendors = cupsAddOption(kInkCurves, curves.c_str(), vendors, &vendor);
      const bool saved = papplPrinterSetDriverDefaults(printer, &driver, vendors, vendor);
      cupsFreeOptions(vendors, vendor);
      status = saved ? std::string(papplPrinterGetName(printer)) + ": offsets saved: X " + page::OffsetMmName(offset.x_tenths) + " mm, Y " +
                           page::OffsetMmName(offset.y_tenths) + " mm." +
                           (curves.empty() ? "" : " Ink curves saved (below).") +
                           (clamped ? " The print lies further off than the offsets reach; check the tray." : "")
                     : "The offsets could not be saved.";
    };
    const bool from_scan = cupsGetOption(kScanField, count, form) != nullptr;
    JobSettings settings;
    std::string why;
    if (!papplClientIsValidForm(client, count, form)) {
      status = "Invalid form data: reload the page and try again.";
    } else if (!page::ParseOffsetMm(text("printed-x"), &printed.x_tenths) ||
               !page::ParseOffsetMm(text("printed-y"), &printed.y_tenths)) {
      status = "The offsets the test disc was printed with must lie from -3.0 to +3.0 mm.";
    } else if (from_scan) {
      calibration::ScanCalibration result;
      if (!PrinterDefaultSettings(printer, &settings, &why)) {
        status = why;
      } else if (!MeasureUploadedScan(text(kScanField), text(kScanDpiField), settings, printed, &result, &why)) {
        status = why;
      } else {
        save(result.offset, result.clamped, MergedCurves(printer, result.findings.ramps));
        report = result.report;
      }
    } else if (!testdisc::ParseReading(text("left"), &r.left) || !testdisc::ParseReading(text("right"), &r.right) ||
               !testdisc::ParseReading(text("top"), &r.top) || !testdisc::ParseReading(text("bottom"), &r.bottom)) {
      status = "Each reading must be a number from -3 to +3, as on the scale.";
    } else {
      const testdisc::Correction c = testdisc::CorrectionFrom(r, printed);
      save(c.offset, c.clamped);
    }
  }
  cupsFreeOptions(count, form);

  Attributes attrs(papplPrinterGetDriverAttributes(printer), ippDelete);
  page::PrintOffset current;
  current.x_tenths = atoi(VendorDefault(attrs.get(), kOffsetX).c_str());
  current.y_tenths = atoi(VendorDefault(attrs.get(), kOffsetY).c_str());

  papplClientHTMLPrinterHeader(client, printer, "Calibrate", 0, nullptr, nullptr);
  if (!status.empty()) {
    papplClientHTMLPuts(client, "<div class=\"banner\">");
    papplClientHTMLEscape(client, status.c_str(), 0);
    papplClientHTMLPuts(client, "</div>\n");
  }
  if (!report.empty()) {
    papplClientHTMLPuts(client, "<pre id=\"scan-report\">");
    papplClientHTMLEscape(client, report.c_str(), 0);
    papplClientHTMLPuts(client, "</pre>\n");
  }
  papplClientHTMLPrintf(client, "<p>The printer's offsets now: X %s mm (right), Y %s mm (down).</p>\n",
                        page::OffsetMmName(current.x_tenths).c_str(), page::OffsetMmName(current.y_tenths).c_str());
  // The curves wrap at their inks, so that a phone's screen shows them whole.
  std::string curves = VendorDefault(attrs.get(), kInkCurves);
  for (size_t at = curves.find(';'); at != std::string::npos; at = curves.find(';', at + 2)) curves.insert(at + 1, " ");
  papplClientHTMLPuts(client, "<p id=\"ink-curves\">The printer's ink curves now: ");
  papplClientHTMLEscape(client, curves.empty() ? "none" : curves.c_str(), 0);
  papplClientHTMLPuts(client, " (set from a scan below; <b>none</b>: the inks print as nominal).</p>\n");
  papplClientHTMLPuts(
      client,
      "<p>Print the test disc (<b>Print Test Page</b> on the printer's page) on a blank disc. At each side, read "
      "the number where the disc's own edge, or the edge of its hole, meets the scale (the numbers grow "
      "outwards), and enter the four readings with the offsets printed on the test disc's label.</p>\n");
  papplClientHTMLStartForm(client, kPagePath, false);
  papplClientHTMLPuts(client, "<table class=\"form\"><tbody>\n<tr><th>Printer:</th><td><select name=\"printer\">");
  for (const std::string& name : printers) {
    papplClientHTMLPrintf(client, "<option%s>", name == papplPrinterGetName(printer) ? " selected" : "");
    papplClientHTMLEscape(client, name.c_str(), 0);
    papplClientHTMLPuts(client, "</option>");
  }
  papplClientHTMLPuts(client, "</select></td></tr>\n");
  for (const char* side : {"left", "right", "top", "bottom"}) {
    papplClientHTMLPrintf(client,
                          "<tr><th>Reading at the %s:</th><td><input type=\"text\" name=\"%s\" id=\"%s\" "
                          "size=\"6\" value=\"0\"> mm</td></tr>\n",
                          side, side, side);
  }
  papplClientHTMLPrintf(client,
                        "<tr><th>Printed with X:</th><td><input type=\"text\" name=\"printed-x\" id=\"printed-x\" "
                        "size=\"6\" value=\"%s\"> mm</td></tr>\n"
                        "<tr><th>Printed with Y:</th><td><input type=\"text\" name=\"printed-y\" id=\"printed-y\" "
                        "size=\"6\" value=\"%s\"> mm</td></tr>\n",
                        page::OffsetMmName(current.x_tenths).c_str(), page::OffsetMmName(current.y_tenths).c_str());
  papplClientHTMLPuts(client,
                      "<tr><th></th><td><input type=\"submit\" id=\"save-offsets\" value=\"Save offsets\"></td></tr>\n"
                      "</tbody></table></form>\n");
  ScanUploadForm(client, kPagePath, papplPrinterGetName(printer), current);
  papplClientHTMLPrinterFooter(client);
  return true;
}

}  // namespace

bool PrinterDefaultSettings(pappl_printer_t* printer, JobSettings* settings, std::string* error) {
  pappl_pr_driver_data_t driver;
  papplPrinterGetDriverData(printer, &driver);
  Attributes attrs(papplPrinterGetDriverAttributes(printer), ippDelete);
  std::string value;
  const VendorLookup vendor = [&](const char* name) -> const char* {
    value = VendorDefault(attrs.get(), name);
    return value.empty() ? nullptr : value.c_str();
  };
  return ResolveSettings(driver.x_default, driver.y_default, driver.color_default, driver.media_default.type, vendor,
                         settings, error, driver.media_default.size_name);
}

void AddCalibrationPage(pappl_system_t* system) {
  papplSystemAddResourceCallback(system, kPagePath, "text/html", ServeCalibrationPage, nullptr);
  papplSystemAddLink(system, "Calibrate", kPagePath, PAPPL_LOPTIONS_NAVIGATION);
}

extern "C" const char* PrintTestDisc(pappl_printer_t* printer, char* buffer, size_t bufsize) {
  JobSettings settings;
  std::string error;
  if (!PrinterDefaultSettings(printer, &settings, &error)) {
    papplLogPrinter(printer, PAPPL_LOGLEVEL_ERROR, "No test disc: %s", error.c_str());
    return nullptr;
  }
  testdisc::TestDiscSettings s;
  s.options = settings.options;
  s.disc = settings.layout.disc;
  s.ring = settings.layout.ring;
  s.offset = settings.offset;
  s.printed_by = std::string("printer application, ") + papplPrinterGetName(printer);
  std::vector<uint8_t> job;
  if (!printjob::WriteJob({page::MovePage(testdisc::DrawTestDisc(s), s.offset, page::kJobWriterReach)},
                          settings.options, &job, &error)) {
    papplLogPrinter(printer, PAPPL_LOGLEVEL_ERROR, "No test disc: %s", error.c_str());
    return nullptr;
  }
  // A file of the spool folder, which PAPPL removes once the job is done.
  const int fd = papplPrinterOpenFile(printer, buffer, bufsize, nullptr, "test-disc", "prn", "w");
  if (fd < 0) return nullptr;
  const bool written = write(fd, job.data(), job.size()) == static_cast<ssize_t>(job.size());
  if (close(fd) != 0 || !written) {
    unlink(buffer);
    return nullptr;
  }
  return buffer;
}

extern "C" const char* RecogniseNativeJob(const unsigned char* header, size_t size, void* data) {
  const size_t n = sizeof kBeginDocument - 1;
  return size >= n && memcmp(header, kBeginDocument, n) == 0 ? kNativeFormat : nullptr;
}

}  // namespace printerapp
