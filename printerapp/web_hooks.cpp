// Places where the program joins PAPPL 1.3.1's own work, which has no
// callback for them:
//  - the identify callback is not told who asked, so the printer's IPP
//    requests pass through here first, and an Identify-Printer request
//    leaves its user for the callback (it runs on the same thread);
//  - the printer's status block (on the printer's page and the server's
//    home page) is PAPPL's own, so the identify notice is added after it;
//  - the responses to printer and job requests get what 1.3.1 leaves out
//    (response_fixes.h) before PAPPL sends them;
//  - each raster page header PAPPL reads from a client's document is noted
//    (raster_types.h), so that the driver checks the page that was sent.
// Like job_gate.cpp, this defines the libraries' functions in the program:
// PAPPL reaches them through its symbol table, so they come here first and
// go on to the library's own. Linked into the program only.
#include <dlfcn.h>
#include <pappl/pappl.h>
#include <time.h>

#include <string>

#include "printerapp/identify.h"
#include "printerapp/raster_types.h"
#include "printerapp/response_fixes.h"

namespace {

template <typename Function>
Function Library(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using ProcessIpp = void (*)(pappl_client_t*);
using StatusBlock = void (*)(pappl_printer_t*, pappl_client_t*);

std::string RequestingUser(pappl_client_t* client) {
  if (const char* user = papplClientGetUsername(client); user != nullptr && *user) return user;
  ipp_attribute_t* attr =
      ippFindAttribute(papplClientGetRequest(client), "requesting-user-name", IPP_TAG_NAME);
  const char* name = attr != nullptr ? ippGetString(attr, 0, nullptr) : nullptr;
  return name != nullptr && *name ? name : "anonymous";
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void _papplPrinterProcessIPP(pappl_client_t* client) {
  static const ProcessIpp process = Library<ProcessIpp>("_papplPrinterProcessIPP");
  const bool identify = papplClientGetOperation(client) == IPP_OP_IDENTIFY_PRINTER;
  if (identify) printerapp::SetRequestingUser(RequestingUser(client));
  process(client);
  if (identify) printerapp::SetRequestingUser("");
  printerapp::AddMissingJobStateReasons(papplClientGetResponse(client));
}

extern "C" __attribute__((visibility("default"))) void _papplJobProcessIPP(pappl_client_t* client) {
  static const ProcessIpp process = Library<ProcessIpp>("_papplJobProcessIPP");
  process(client);
  printerapp::AddMissingJobStateReasons(papplClientGetResponse(client));
}

extern "C" __attribute__((visibility("default"))) void _papplPrinterWebIteratorCallback(
    pappl_printer_t* printer, pappl_client_t* client) {
  static const StatusBlock status = Library<StatusBlock>("_papplPrinterWebIteratorCallback");
  status(printer, client);
  printerapp::IdentifyNotice notice;
  if (printerapp::CurrentIdentify(printer, time(nullptr), &notice)) {
    papplClientHTMLPuts(client, printerapp::IdentifyNoticeHtml(notice).c_str());
  }
}

extern "C" __attribute__((visibility("default"))) unsigned cupsRasterReadHeader2(cups_raster_t* r,
                                                                                cups_page_header2_t* h) {
  using ReadHeader = unsigned (*)(cups_raster_t*, cups_page_header2_t*);
  static const ReadHeader read = Library<ReadHeader>("cupsRasterReadHeader2");
  const unsigned ok = read(r, h);
  if (ok) printerapp::NoteRasterPageRead(*h);
  return ok;
}
