// Every IPP request passes here once PAPPL has read it, before PAPPL acts
// on it (printer and system requests alike; PAPPL 1.3.1's operation
// callback sees only the system's). This program defines
// _papplClientProcessIPP, as it defines _papplJobProcess (job_gate.cpp),
// and then hands the request to PAPPL's own.
// (PAPPL's own function also sets the client's operation, so
// papplClientGetOperation does not know it yet here.)
//
// Names a client chooses are cleaned where they enter (job_names.h): a
// newline in a job name would otherwise end its line in the state file, and
// everything after it would be lost at the next start. The raster callbacks
// learn the request's connection, to end it when its document stalls.
#include <dlfcn.h>
#include <pappl/pappl.h>
#include <string.h>

#include <string>

#include "printerapp/job_names.h"
#include "printerapp/stall_guard.h"

namespace {

void CleanNames(ipp_t* request) {
  for (ipp_attribute_t* attr = ippFirstAttribute(request); attr != nullptr; attr = ippNextAttribute(request)) {
    const char* name = ippGetName(attr);
    if (name == nullptr || (strcmp(name, "job-name") != 0 && strcmp(name, "requesting-user-name") != 0 &&
                            strcmp(name, "document-name") != 0)) {
      continue;
    }
    for (int i = 0; i < ippGetCount(attr); ++i) {
      const char* value = ippGetString(attr, i, nullptr);
      if (value == nullptr) continue;
      const std::string clean = printerapp::CleanName(value, printerapp::kMaxJobNameBytes);
      if (clean != value) ippSetString(request, &attr, i, clean.c_str());
    }
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) bool _papplClientProcessIPP(pappl_client_t* client) {
  using Process = bool (*)(pappl_client_t*);
  static const Process process = reinterpret_cast<Process>(dlsym(RTLD_NEXT, "_papplClientProcessIPP"));
  if (process == nullptr) return false;
  CleanNames(papplClientGetRequest(client));
  // A raster document read from this connection in this thread is watched
  // for stalling (stall_guard.h).
  printerapp::SetRequestConnection(papplClientGetHTTP(client));
  const bool result = process(client);
  printerapp::SetRequestConnection(nullptr);
  return result;
}
