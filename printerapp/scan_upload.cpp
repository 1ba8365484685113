#include "printerapp/scan_upload.h"

#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace printerapp {

namespace {

// PAPPL keeps each file part of a multipart form in a file of its temporary
// folder for the length of the request, and gives its path as the field's
// value. A value that names anything else did not come from an upload.
bool IsUploadedFile(const char* path) {
  const std::string folder = std::string(papplGetTempDir()) + "/";
  struct stat st;
  return path != nullptr && strncmp(path, folder.c_str(), folder.size()) == 0 && strstr(path, "/..") == nullptr &&
         lstat(path, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool MeasureUploadedScan(const char* path, const char* dpi_text, const JobSettings& settings,
                         const page::PrintOffset& printed, calibration::ScanCalibration* result,
                         std::string* error) {
  if (!IsUploadedFile(path)) {
    *error = "No scan arrived: choose the scan's file (PNG or JPEG) and send it again.";
    return false;
  }
  double dpi = 0;
  if (dpi_text != nullptr && *dpi_text != '\0') {
    char* end = nullptr;
    dpi = strtod(dpi_text, &end);
    if (*end != '\0' || !(dpi >= 50 && dpi <= 4800)) {
      *error = "The scan's resolution must be a number of dots per inch from 50 to 4800, or left blank.";
      return false;
    }
  }
  const calibration::TestDiscShape shape = calibration::ShapeFor(settings.layout.disc, settings.layout.ring);
  std::string why;
  if (!calibration::CalibrateFromScanFile(path, dpi, shape, printed, result, &why)) {
    // The temporary file's name means nothing to the user.
    const size_t named = why.find("': ");
    *error = "The scan was refused: " + (named != std::string::npos ? why.substr(named + 3) : why) + ".";
    return false;
  }
  return true;
}

void ScanUploadForm(pappl_client_t* client, const char* page_path, const char* printer,
                    const page::PrintOffset& current) {
  papplClientHTMLPuts(client,
                      "<h2 class=\"title\">From a scan</h2>\n"
                      "<p>Or, with a flatbed scanner: lay the printed disc face down on the glass, label upright, "
                      "leave the lid open (or lay a dark sheet over it), scan the whole disc at 300 or 600 dpi as "
                      "PNG or JPEG, and send the scan here. The disc's own edge and hole and the printed circles "
                      "are found in it and, from the test disc's ramps, each ink's tone curve, which jobs then "
                      "print with.</p>\n");
  papplClientHTMLStartForm(client, page_path, true);
  papplClientHTMLPrintf(client,
                        "<input type=\"hidden\" name=\"printer\" value=\"%s\">\n"
                        "<table class=\"form\"><tbody>\n"
                        "<tr><th>Scan:</th><td><input type=\"file\" name=\"%s\" id=\"%s\" "
                        "accept=\"image/png,image/jpeg\"></td></tr>\n"
                        "<tr><th>Its resolution:</th><td><input type=\"text\" name=\"%s\" id=\"%s\" size=\"6\"> "
                        "dpi (blank: as the file says)</td></tr>\n"
                        "<tr><th>Printed with X:</th><td><input type=\"text\" name=\"printed-x\" "
                        "id=\"scan-printed-x\" size=\"6\" value=\"%s\"> mm</td></tr>\n"
                        "<tr><th>Printed with Y:</th><td><input type=\"text\" name=\"printed-y\" "
                        "id=\"scan-printed-y\" size=\"6\" value=\"%s\"> mm</td></tr>\n"
                        "<tr><th></th><td><input type=\"submit\" id=\"measure-scan\" "
                        "value=\"Measure the scan and save offsets and ink curves\"></td></tr>\n"
                        "</tbody></table></form>\n",
                        printer, kScanField, kScanField, kScanDpiField, kScanDpiField,
                        page::OffsetMmName(current.x_tenths).c_str(), page::OffsetMmName(current.y_tenths).c_str());
}

}  // namespace printerapp
