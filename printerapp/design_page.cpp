#include "printerapp/design_page.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "designer/label_template.h"
#include "designer/render.h"
#include "imaging/png_writer.h"
#include "printerapp/design_page_html.h"

namespace printerapp {
namespace {

// A request's body is the template, URL-encoded (a little longer than the
// template itself), and a few short fields.
constexpr size_t kMaxBodyBytes = designer::kMaxTemplateBytes + designer::kMaxTemplateBytes / 2;

struct PageData {
  pappl_system_t* system;
  std::string printer_name;
  std::string spool_dir;
};

std::mutex g_pages_mutex;
std::set<std::string> g_pages;  // the paths that have their resources

pappl_printer_t* FindPrinter(const PageData& data) {
  struct Search {
    const std::string* name;
    pappl_printer_t* found;
  } search{&data.printer_name, nullptr};
  papplSystemIteratePrinters(
      data.system,
      [](pappl_printer_t* printer, void* context) {
        Search* s = static_cast<Search*>(context);
        if (*s->name == papplPrinterGetName(printer)) s->found = printer;
      },
      &search);
  return search.found;
}

void RespondText(pappl_client_t* client, http_status_t status, const std::string& text) {
  if (!papplClientRespond(client, status, nullptr, "text/plain; charset=utf-8", 0, text.size())) return;
  httpWrite2(papplClientGetHTTP(client), text.data(), text.size());
}

std::string UrlDecode(const std::string& in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == '+') {
      out += ' ';
    } else if (in[i] == '%' && i + 2 < in.size() && isxdigit(static_cast<unsigned char>(in[i + 1])) &&
               isxdigit(static_cast<unsigned char>(in[i + 2]))) {
      out += static_cast<char>(strtol(in.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += in[i];
    }
  }
  return out;
}

// The URL-encoded fields of a POST body of at most kMaxBodyBytes; false
// with the reason.
bool ReadFields(pappl_client_t* client, std::map<std::string, std::string>* fields, std::string* error) {
  http_t* http = papplClientGetHTTP(client);
  const off_t announced = httpGetLength2(http);
  if (announced > static_cast<off_t>(kMaxBodyBytes)) {
    *error = "The template is too large: at most " + std::to_string(designer::kMaxTemplateBytes >> 20) +
             " MB, photos included.";
    return false;
  }
  std::string body;
  char buffer[65536];
  ssize_t n;
  while ((n = httpRead2(http, buffer, sizeof buffer)) > 0) {
    body.append(buffer, static_cast<size_t>(n));
    if (body.size() > kMaxBodyBytes) {
      *error = "The template is too large.";
      return false;
    }
  }
  size_t start = 0;
  while (start < body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string::npos) end = body.size();
    const std::string pair = body.substr(start, end - start);
    const size_t eq = pair.find('=');
    if (eq != std::string::npos) (*fields)[UrlDecode(pair.substr(0, eq))] = UrlDecode(pair.substr(eq + 1));
    start = end + 1;
  }
  return true;
}

// The checks of PAPPL's own pages for a POST: the user may use the page and
// the session field is this session's. The template read strictly. False
// once a response has been sent.
bool AcceptPost(pappl_client_t* client, std::map<std::string, std::string>* fields, designer::LabelTemplate* label) {
  if (!papplClientHTMLAuthorize(client)) return false;
  std::string error;
  if (papplClientGetMethod(client) != HTTP_STATE_POST) {
    RespondText(client, HTTP_STATUS_METHOD_NOT_ALLOWED, "Use POST.");
    return false;
  }
  if (!ReadFields(client, fields, &error)) {
    RespondText(client, HTTP_STATUS_REQUEST_TOO_LARGE, error);
    return false;
  }
  cups_option_t* form = nullptr;
  int num_form = 0;
  auto session = fields->find("session");
  if (session != fields->end()) num_form = cupsAddOption("session", session->second.c_str(), num_form, &form);
  const bool valid = papplClientIsValidForm(client, num_form, form);
  cupsFreeOptions(num_form, form);
  if (!valid) {
    RespondText(client, HTTP_STATUS_FORBIDDEN, "Invalid form submission: reload the page.");
    return false;
  }
  const std::string& text = (*fields)["template"];
  if (!designer::ReadTemplate(text, label, &error)) {
    RespondText(client, HTTP_STATUS_BAD_REQUEST, "The template cannot be used: " + error);
    return false;
  }
  return true;
}

extern "C" bool ServePage(pappl_client_t* client, void* context) {
  const PageData& data = *static_cast<const PageData*>(context);
  if (!papplClientHTMLAuthorize(client)) return true;
  pappl_printer_t* printer = FindPrinter(data);
  if (printer == nullptr) {
    RespondText(client, HTTP_STATUS_NOT_FOUND, "No such printer.");
    return true;
  }
  papplClientHTMLPrinterHeader(client, printer, "Design a label", 0, nullptr, nullptr);
  papplClientHTMLPuts(client, "<div class=\"row\"><div class=\"col-12\"><h1 class=\"title\">Design a label</h1>\n");
  papplClientHTMLStartForm(client, papplClientGetURI(client), false);
  papplClientHTMLPuts(client, kDesignPageHtml);
  papplClientHTMLPuts(client, "</form></div></div>\n");
  papplClientHTMLPrinterFooter(client);
  return true;
}

extern "C" bool ServePreview(pappl_client_t* client, void* context) {
  std::map<std::string, std::string> fields;
  designer::LabelTemplate label;
  if (!AcceptPost(client, &fields, &label)) return true;
  imaging::RgbImage picture;
  designer::Warnings warnings;
  std::string error;
  std::vector<uint8_t> png;
  if (!designer::RenderPreview(label, &picture, &warnings, &error) || !imaging::EncodePng(picture, &png, &error)) {
    RespondText(client, HTTP_STATUS_BAD_REQUEST, "The label cannot be drawn: " + error);
    return true;
  }
  if (papplClientRespond(client, HTTP_STATUS_OK, nullptr, "image/png", 0, png.size())) {
    httpWrite2(papplClientGetHTTP(client), reinterpret_cast<const char*>(png.data()), png.size());
  }
  return true;
}

// The print choices the page offers, as the IPP attributes they become.
bool PrintOption(const std::map<std::string, std::string>& fields, const char* name,
                 std::initializer_list<const char*> allowed, int* num, cups_option_t** options) {
  auto it = fields.find(name);
  if (it == fields.end()) return true;
  for (const char* a : allowed) {
    if (it->second == a) {
      *num = cupsAddOption(name, a, *num, options);
      return true;
    }
  }
  return false;
}

extern "C" bool ServePrint(pappl_client_t* client, void* context) {
  const PageData& data = *static_cast<const PageData*>(context);
  std::map<std::string, std::string> fields;
  designer::LabelTemplate label;
  if (!AcceptPost(client, &fields, &label)) return true;
  pappl_printer_t* printer = FindPrinter(data);
  if (printer == nullptr) {
    RespondText(client, HTTP_STATUS_NOT_FOUND, "No such printer.");
    return true;
  }
  int num = 0;
  cups_option_t* options = nullptr;
  if (!PrintOption(fields, "printer-resolution", {"300x600dpi", "300x300dpi"}, &num, &options) ||
      !PrintOption(fields, "print-color-mode", {"color", "monochrome"}, &num, &options) ||
      !PrintOption(fields, "media-type", {"disc", "disc-matte"}, &num, &options)) {
    cupsFreeOptions(num, options);
    RespondText(client, HTTP_STATUS_BAD_REQUEST, "Unknown print choice.");
    return true;
  }
  // The template as the user sent it becomes the job's document in the
  // spool folder, which PAPPL removes with the job.
  std::string path = data.spool_dir + "/design-XXXXXX";
  const int fd = mkstemp(&path[0]);
  const std::string& text = fields["template"];
  const bool written = fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (fd >= 0) close(fd);
  const char* user = papplClientGetUsername(client);
  pappl_job_t* job = written ? papplJobCreateWithFile(printer, user && *user ? user : "guest",
                                                      designer::kTemplateMimeType, "Designed label", num, options,
                                                      path.c_str())
                             : nullptr;
  cupsFreeOptions(num, options);
  if (job == nullptr) {
    unlink(path.c_str());
    RespondText(client, HTTP_STATUS_SERVER_ERROR, "The printer cannot take the job now.");
    return true;
  }
  RespondText(client, HTTP_STATUS_OK, "Job " + std::to_string(papplJobGetID(job)) + " sent to the printer.");
  return true;
}

}  // namespace

void AddDesignPage(pappl_system_t* system, pappl_printer_t* printer, const std::string& spool_dir) {
  char path[1024];
  papplPrinterGetPath(printer, "design", path, sizeof path);
  {
    std::lock_guard<std::mutex> lock(g_pages_mutex);
    if (!g_pages.insert(path).second) return;
  }
  // Lives as long as the system: PAPPL keeps the pointer with the resource.
  PageData* data = new PageData{system, papplPrinterGetName(printer), spool_dir};
  papplSystemAddResourceCallback(system, path, "text/html", ServePage, data);
  papplSystemAddResourceCallback(system, (std::string(path) + "/preview").c_str(), "image/png", ServePreview, data);
  papplSystemAddResourceCallback(system, (std::string(path) + "/print").c_str(), "text/plain", ServePrint, data);
  // On the printer's page, among its buttons.
  papplPrinterAddLink(printer, "Design a label", path, PAPPL_LOPTIONS_STATUS);
}

const char* DetectLabelTemplate(const unsigned char* header, size_t size) {
  size_t i = 0;
  while (i < size && (header[i] == ' ' || header[i] == '\t' || header[i] == '\r' || header[i] == '\n')) ++i;
  if (i >= size || header[i] != '{') return nullptr;
  static const char kFormat[] = "\"quillory2-label\"";
  return memmem(header, size, kFormat, sizeof kFormat - 1) != nullptr ? designer::kTemplateMimeType : nullptr;
}

}  // namespace printerapp
