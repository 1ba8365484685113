// The server's system object: where it listens, where it keeps its state
// and spool, who may change it, and the formats it reads.
//
// Options of the server sub-command (-o NAME=VALUE):
//   listen-hostname  where to listen: localhost (the default), an address,
//                    or * for every address
//   server-port      TCP port (default 8000 + uid % 1000)
//   state-file, spool-directory, log-file, log-level (debug, info, warn,
//                    error, fatal; default info)
//   auth-service     PAM service that checks passwords for remote
//                    administration (for example login); with it, the web
//                    pages and IPP administration work from other machines
//   admin-group      the group whose members may administer (with
//                    auth-service)
//   server-name      the name shown on the web pages
//   server-hostname  the host name announced (not when running as root:
//                    PAPPL then rewrites the machine's own host name)
#ifndef QUILLORY2_PRINTERAPP_SERVER_SETUP_H_
#define QUILLORY2_PRINTERAPP_SERVER_SETUP_H_

#include <pappl/pappl.h>

#include <string>
#include <vector>

#include "printerapp/document_filters.h"

namespace printerapp {

// What the callbacks share for the life of the program.
struct AppContext {
  // Only the server sub-command runs a server; papplMainloop also asks for
  // a system to list the drivers, which must touch no folder and no port.
  bool serving = false;
  GhostscriptConfig ghostscript;
  std::string state_file;
  std::string spool_dir;
  // The document formats the printer reads, as offered to clients.
  std::vector<std::string> formats;
};

// The one driver, and the callbacks that describe it and pick it for a
// device, as papplMainloop and the system take them.
extern pappl_pr_driver_t g_drivers[1];
extern "C" {
bool DescribeDriver(pappl_system_t* system, const char* driver_name, const char* device_uri,
                    const char* device_id, pappl_pr_driver_data_t* data, ipp_t** attrs,
                    void* context);
const char* AutoAddDriver(const char* device_info, const char* device_uri, const char* device_id,
                          void* context);
}

extern "C" {
// papplMainloop's system callback: creates and configures the system, loads
// the saved printers. nullptr (with the reason on standard error) when the
// options cannot be used.
pappl_system_t* CreateSystem(int num_options, cups_option_t* options, void* data);
}

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_SERVER_SETUP_H_
