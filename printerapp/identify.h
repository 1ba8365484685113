// Identify-Printer: the printer has no light or sound that its command
// language reaches, and the printer application is the printer IPP clients
// see, so its web page is the printer's display. A "display" identify shows
// the client's message on the printer's status page for kIdentifyShownSeconds,
// with the time and the user who asked; nothing else is offered.
#ifndef QUILLORY2_PRINTERAPP_IDENTIFY_H_
#define QUILLORY2_PRINTERAPP_IDENTIFY_H_

#include <pappl/pappl.h>
#include <time.h>

#include <string>

namespace printerapp {

constexpr int kIdentifyShownSeconds = 300;

struct IdentifyNotice {
  std::string message;  // as the client sent it (identify-message), or a default
  std::string user;     // requesting user: "anonymous" when the client named none,
                        // "the web page" for its Identify button
  time_t when = 0;
};

// The user named by the request being answered on this thread; set around
// each Identify-Printer request (see web_hooks.cpp), empty elsewhere.
void SetRequestingUser(const std::string& user);

// Records a notice for the printer, replacing the one before.
void RecordIdentify(pappl_printer_t* printer, const IdentifyNotice& notice);
// The printer's notice while it is shown at `now`; false when there is none.
bool CurrentIdentify(pappl_printer_t* printer, time_t now, IdentifyNotice* notice);
// Forgets the printer's notice (the printer is deleted).
void ForgetIdentify(pappl_printer_t* printer);

// The notice as an HTML block for the status page, every text escaped.
std::string IdentifyNoticeHtml(const IdentifyNotice& notice);

extern "C" {
// PAPPL's Identify-Printer callback.
void IdentifyPrinter(pappl_printer_t* printer, pappl_identify_actions_t actions, const char* message);
// PAPPL's printer deletion callback: drops what is kept for the printer.
void DeletePrinterData(pappl_printer_t* printer, pappl_pr_driver_data_t* data);
}

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_IDENTIFY_H_
