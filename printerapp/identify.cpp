#include "printerapp/identify.h"

#include <map>
#include <mutex>

namespace printerapp {
namespace {

std::mutex notices_mutex;
std::map<pappl_printer_t*, IdentifyNotice> notices;
thread_local std::string requesting_user;

std::string EscapeHtml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

void SetRequestingUser(const std::string& user) { requesting_user = user; }

void RecordIdentify(pappl_printer_t* printer, const IdentifyNotice& notice) {
  std::lock_guard<std::mutex> lock(notices_mutex);
  notices[printer] = notice;
}

bool CurrentIdentify(pappl_printer_t* printer, time_t now, IdentifyNotice* notice) {
  std::lock_guard<std::mutex> lock(notices_mutex);
  const auto it = notices.find(printer);
  if (it == notices.end() || now < it->second.when || now - it->second.when >= kIdentifyShownSeconds) {
    return false;
  }
  *notice = it->second;
  return true;
}

void ForgetIdentify(pappl_printer_t* printer) {
  std::lock_guard<std::mutex> lock(notices_mutex);
  notices.erase(printer);
}

std::string IdentifyNoticeHtml(const IdentifyNotice& notice) {
  char when[64];
  struct tm local;
  localtime_r(&notice.when, &local);
  strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
  return "<div class=\"banner\" id=\"identify-notice\"><strong>Identify:</strong> " +
         EscapeHtml(notice.message) + " <small>(asked by " + EscapeHtml(notice.user) + " at " + when +
         ")</small></div>\n";
}

extern "C" void IdentifyPrinter(pappl_printer_t* printer, pappl_identify_actions_t actions,
                                const char* message) {
  // Only "display" is offered; PAPPL passes the default when the client
  // names no action.
  if (!(actions & PAPPL_IDENTIFY_ACTIONS_DISPLAY)) return;
  IdentifyNotice notice;
  notice.message = message != nullptr && *message ? message : "This is the printer you asked for.";
  // An IPP request always leaves a user (web_hooks.cpp); the web page's own
  // Identify button comes here without one.
  notice.user = requesting_user.empty() ? "the web page" : requesting_user;
  notice.when = time(nullptr);
  papplLogPrinter(printer, PAPPL_LOGLEVEL_INFO, "Identify requested by %s: %s", notice.user.c_str(),
                  notice.message.c_str());
  RecordIdentify(printer, notice);
}

extern "C" void DeletePrinterData(pappl_printer_t* printer, pappl_pr_driver_data_t* data) {
  ForgetIdentify(printer);
}

}  // namespace printerapp
