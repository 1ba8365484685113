#include "printerapp/server_setup.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "printerapp/calibration.h"
#include "printerapp/capabilities.h"
#if QUILLORY2_HAVE_DESIGNER
#include "designer/label_template.h"
#include "printerapp/design_page.h"
#endif
#include "printerapp/server_paths.h"
#include "printerapp/server_state.h"

namespace printerapp {
namespace {

extern "C" bool SaveState(pappl_system_t* system, void* context) {
  return papplSystemSaveState(system, static_cast<AppContext*>(context)->state_file.c_str());
}

// PAPPL 1.3.1 announces its printers on DNS-SD only as the server starts: a
// printer added while it runs (the add sub-command, the web page, autoadd)
// stayed unannounced until a restart. Setting its DNS-SD name again
// registers it; that happens on a thread of its own, once the call that
// created the printer has returned and let go of its locks, and finds the
// printer again by its id in case it went away meanwhile.
void AnnounceNewPrinter(pappl_system_t* system, int printer_id) {
  std::thread([system, printer_id] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    pappl_printer_t* printer = papplSystemFindPrinter(system, nullptr, printer_id, nullptr);
    char name[256];
    if (printer != nullptr && papplPrinterGetDNSSDName(printer, name, sizeof name) != nullptr) {
      papplPrinterSetDNSSDName(printer, name);
    }
  }).detach();
}

// PAPPL 1.3 takes a job in any format and only then finds it cannot print
// it, ending it with a bare "Job aborted.". Such a job gets a message that
// says why; so does a raster document whose header PAPPL cannot read. And a
// new printer is announced (above).
extern "C" void OnSystemEvent(pappl_system_t* system, pappl_printer_t* printer,
                                     pappl_job_t* job, pappl_event_t event, void* data) {
#if QUILLORY2_HAVE_DESIGNER
  // Every printer gets its "Design a label" page as it is created. PAPPL
  // sends this event holding the system's lock, which adding a resource
  // takes: the page is added by a thread of its own once the lock is free.
  // The thread finds the printer again by its id: it may be gone by then.
  if ((event & PAPPL_EVENT_PRINTER_CREATED) && printer != nullptr) {
    std::thread([system, id = papplPrinterGetID(printer), spool = static_cast<const AppContext*>(data)->spool_dir]() {
      if (pappl_printer_t* created = papplSystemFindPrinter(system, nullptr, id, nullptr)) {
        AddDesignPage(system, created, spool);
      }
    }).detach();
  }
#endif
  if (printer != nullptr && (event & PAPPL_EVENT_PRINTER_CREATED)) {
    AnnounceNewPrinter(system, papplPrinterGetID(printer));
  }
  if (job == nullptr || !(event & PAPPL_EVENT_JOB_COMPLETED) ||
      papplJobGetState(job) != IPP_JSTATE_ABORTED) {
    return;
  }
  const char* format = papplJobGetFormat(job);
  const AppContext* context = static_cast<const AppContext*>(data);
  if (format == nullptr) return;
  // A raster document PAPPL could not read (a damaged header, or a PNG
  // sent as raster) ends before any page reaches the driver, which would
  // have said why.
  const char* said = papplJobGetMessage(job);
  const bool raster = strcmp(format, "image/pwg-raster") == 0 || strcmp(format, "image/urf") == 0;
  if (raster && (said == nullptr || *said == '\0' || strcmp(said, "Job aborted.") == 0)) {
    papplJobSetMessage(job, "The %s document cannot be read: its raster header is missing or damaged",
                       strcmp(format, "image/urf") == 0 ? "Apple raster" : "PWG raster");
    papplJobSetReasons(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, PAPPL_JREASON_NONE);
    return;
  }
  for (const std::string& offered : context->formats) {
    if (offered == format) return;
  }
  papplJobSetMessage(job,
                     "Document format '%s' is not supported: the printer prints PNG, JPEG, %sPWG "
                     "raster and Apple raster",
                     format, context->ghostscript.program.empty() ? "" : "PDF, ");
  papplJobSetReasons(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, PAPPL_JREASON_NONE);
}

bool ParseLogLevel(const char* text, pappl_loglevel_t* level) {
  static const struct {
    const char* name;
    pappl_loglevel_t level;
  } kLevels[] = {{"debug", PAPPL_LOGLEVEL_DEBUG}, {"info", PAPPL_LOGLEVEL_INFO},
                 {"warn", PAPPL_LOGLEVEL_WARN},   {"error", PAPPL_LOGLEVEL_ERROR},
                 {"fatal", PAPPL_LOGLEVEL_FATAL}};
  for (const auto& l : kLevels) {
    if (strcmp(text, l.name) == 0) {
      *level = l.level;
      return true;
    }
  }
  return false;
}

pappl_system_t* Refuse(const std::string& why) {
  fprintf(stderr, "%s: %s\n", kAppName, why.c_str());
  return nullptr;
}

}  // namespace

pappl_pr_driver_t g_drivers[1] = {
    {kDriverName, kDriverDescription, "MFG:Quillory;MDL:Quillory2;CMD:QUILLORY2;", nullptr}};

extern "C" bool DescribeDriver(pappl_system_t* system, const char* driver_name,
                               const char* device_uri, const char* device_id,
                               pappl_pr_driver_data_t* data, ipp_t** attrs, void* context) {
  if (strcmp(driver_name, kDriverName) != 0) return false;
  DescribePrinter(data, attrs);
  return true;
}

// The printer's IEEE 1284 device ID is not known: a device whose model field
// names the Quillory2 is taken, anything else is left to be added by hand.
extern "C" const char* AutoAddDriver(const char* device_info, const char* device_uri,
                                     const char* device_id, void* context) {
  cups_option_t* fields = nullptr;
  const int count = papplDeviceParseID(device_id, &fields);
  const char* model = cupsGetOption("MDL", count, fields);
  if (model == nullptr) model = cupsGetOption("MODEL", count, fields);
  const bool ours = model != nullptr && strcasestr(model, "Quillory2") != nullptr;
  cupsFreeOptions(count, fields);
  return ours ? kDriverName : nullptr;
}


extern "C" pappl_system_t* CreateSystem(int num_options, cups_option_t* options, void* data) {
  AppContext* context = static_cast<AppContext*>(data);
  if (!context->serving) {
    pappl_system_t* system =
        papplSystemCreate(PAPPL_SOPTIONS_NONE, kAppName, 0, nullptr, nullptr, "-",
                          PAPPL_LOGLEVEL_ERROR, nullptr, false);
    if (system != nullptr) {
      papplSystemSetPrinterDrivers(system, 1, g_drivers, AutoAddDriver, nullptr, DescribeDriver,
                                   context);
    }
    return system;
  }
  auto option = [&](const char* name) { return cupsGetOption(name, num_options, options); };
  const bool root = getuid() == 0;
  ServerPaths paths = DefaultServerPaths(getuid(), getenv);
  if (const char* v = option("state-file")) paths.state_file = v;
  if (const char* v = option("spool-directory")) paths.spool_dir = v;
  if (const char* v = option("log-file")) paths.log_file = v;

  pappl_loglevel_t log_level = PAPPL_LOGLEVEL_INFO;
  if (const char* v = option("log-level"); v != nullptr && !ParseLogLevel(v, &log_level)) {
    return Refuse(std::string("unknown log-level '") + v + "' (use debug, info, warn, error or fatal)");
  }
  int port = 8000 + static_cast<int>(getuid() % 1000);
  if (const char* v = option("server-port")) {
    char* end = nullptr;
    const long p = strtol(v, &end, 10);
    if (end == v || *end != '\0' || p < 1 || p > 65535) {
      return Refuse(std::string("server-port '") + v + "' is not a port number");
    }
    port = static_cast<int>(p);
  }
  // PAPPL 1.3 writes a host name it is given into the machine's own
  // configuration when it runs as root.
  const char* hostname = option("server-hostname");
  if (hostname != nullptr && root) {
    return Refuse("server-hostname is refused when running as root: it would change the machine's "
                  "own host name");
  }
  const char* listen = option("listen-hostname");
  if (listen == nullptr) listen = "localhost";
  const bool local_only = strcmp(listen, "localhost") == 0 || strcmp(listen, "127.0.0.1") == 0 ||
                          strcmp(listen, "::1") == 0 || strcmp(listen, "[::1]") == 0;
  const char* auth_service = option("auth-service");

  std::string error;
  if (!MakeFolders(paths.spool_dir, &error)) return Refuse("spool folder: " + error);
  const size_t slash = paths.state_file.rfind('/');
  if (slash != std::string::npos && slash > 0 &&
      !MakeFolders(paths.state_file.substr(0, slash), &error)) {
    return Refuse("state folder: " + error);
  }
  context->state_file = paths.state_file;
  context->spool_dir = paths.spool_dir;
  // A second server on the same state or port would start half-bound and
  // fight the first over the file.
  if (!LockStateFile(paths.state_file, &error) || !LoopbackPortFree(port, &error)) return Refuse(error);

  // The web pages are for this machine unless an authentication service
  // guards them. TLS matters only off this machine.
  pappl_soptions_t soptions = PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE |
                              PAPPL_SOPTIONS_WEB_LOG | PAPPL_SOPTIONS_WEB_SECURITY;
  if (auth_service != nullptr) soptions |= PAPPL_SOPTIONS_WEB_REMOTE;
  if (local_only) soptions |= PAPPL_SOPTIONS_NO_TLS;
  const char* name = option("server-name");
  pappl_system_t* system =
      papplSystemCreate(soptions, name != nullptr ? name : "Quillory2 Printer Application", port,
                        "_print,_universal", paths.spool_dir.c_str(), paths.log_file.c_str(),
                        log_level, auth_service, false);
  if (system == nullptr) return Refuse("the server cannot be created");
  if (!papplSystemAddListeners(system, strcmp(listen, "*") == 0 ? nullptr : listen)) {
    papplSystemDelete(system);
    return Refuse(std::string("cannot listen on ") + listen + " port " + std::to_string(port));
  }
  if (hostname != nullptr) papplSystemSetHostName(system, hostname);
  if (const char* group = option("admin-group")) papplSystemSetAdminGroup(system, group);
  // No strings of our own: PAPPL 1.3 then lists printer-strings-languages-
  // supported twice, which IPP clients reject; the web page shows the
  // vendor attributes under their IPP names.
  papplSystemSetFooterHTML(system, "Quillory2 Printer Application");

  // The formats read here; PWG and Apple raster are PAPPL's own. PDF only
  // with Ghostscript, so that a client never sends what cannot be printed.
  papplSystemAddMIMEFilter(system, "image/png", kNativeFormat, PrintPicture, nullptr);
  papplSystemAddMIMEFilter(system, "image/jpeg", kNativeFormat, PrintPicture, nullptr);
  papplSystemAddMIMEFilter(system, "image/pwg-raster", kNativeFormat, PrintPicture, nullptr);
  context->formats = {"application/octet-stream", "image/png", "image/jpeg", "image/pwg-raster",
                      "image/urf", kNativeFormat};
  context->ghostscript.program = FindGhostscript();
  context->ghostscript.time_limit_s = GhostscriptTimeLimit(getenv("QUILLORY2_GHOSTSCRIPT_SECONDS"));
  if (!context->ghostscript.program.empty()) {
    papplSystemAddMIMEFilter(system, "application/pdf", kNativeFormat, PrintPdf, &context->ghostscript);
    context->formats.push_back("application/pdf");
  } else {
    papplLog(system, PAPPL_LOGLEVEL_WARN, "Ghostscript not found: PDF is not offered");
  }
#if QUILLORY2_HAVE_DESIGNER
  // Label templates, from the web page and from IPP clients; one sent
  // without a format is told by its first bytes (the typing callback below).
  papplSystemAddMIMEFilter(system, designer::kTemplateMimeType, kNativeFormat, PrintLabelTemplate, nullptr);
  context->formats.push_back(designer::kTemplateMimeType);
#endif
  papplSystemSetEventCallback(system, OnSystemEvent, context);

  // papplMainloop sets the drivers too, but only after this callback: the
  // saved printers need them now.
  papplSystemSetPrinterDrivers(system, 1, g_drivers, AutoAddDriver, nullptr, DescribeDriver, context);
  LoadSavedState(system, paths.state_file);
  // The Calibrate page, and the test disc, a job in the printer's language
  // told from its first bytes.
  AddCalibrationPage(system);
#if QUILLORY2_HAVE_DESIGNER
  // PAPPL keeps one typing callback: jobs in the printer's language, then
  // label templates.
  papplSystemSetMIMECallback(
      system,
      [](const unsigned char* header, size_t size, void* typing_data) -> const char* {
        const char* native = RecogniseNativeJob(header, size, typing_data);
        return native != nullptr ? native : DetectLabelTemplate(header, size);
      },
      nullptr);
#else
  papplSystemSetMIMECallback(system, RecogniseNativeJob, nullptr);
#endif
  papplSystemSetSaveCallback(system, SaveState, context);
#if QUILLORY2_HAVE_DESIGNER
  // The saved printers' pages. Iterating holds the system's lock, which
  // adding a page takes: the printers are gathered first.
  std::vector<pappl_printer_t*> saved;
  papplSystemIteratePrinters(
      system, [](pappl_printer_t* printer, void* list) {
        static_cast<std::vector<pappl_printer_t*>*>(list)->push_back(printer);
      },
      &saved);
  for (pappl_printer_t* printer : saved) AddDesignPage(system, printer, context->spool_dir);
#endif
  papplLog(system, PAPPL_LOGLEVEL_INFO, "State in %s, spool in %s, listening on %s port %d",
           paths.state_file.c_str(), paths.spool_dir.c_str(), listen, port);
  return system;
}

}  // namespace printerapp
