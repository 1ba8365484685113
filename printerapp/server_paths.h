// Where a server keeps its state, its spool and its log, unless told
// otherwise (-o state-file=, -o spool-directory=, -o log-file=).
//
// The system service (root) keeps them where system services do:
//   /var/lib/quillory2-printer-app/quillory2-printer-app.state
//   /var/spool/quillory2-printer-app
// A user's server keeps them in the user's XDG folders:
//   $XDG_CONFIG_HOME/quillory2-printer-app.state  (~/.config when unset)
//   $XDG_CACHE_HOME/quillory2-printer-app         (~/.cache when unset)
// The log goes to standard error ("-"), which the service manager keeps.
#ifndef QUILLORY2_PRINTERAPP_SERVER_PATHS_H_
#define QUILLORY2_PRINTERAPP_SERVER_PATHS_H_

#include <sys/types.h>

#include <functional>
#include <string>

namespace printerapp {

constexpr char kAppName[] = "quillory2-printer-app";

struct ServerPaths {
  std::string state_file;
  std::string spool_dir;
  std::string log_file = "-";
};

// The defaults for a user id, with the environment read through getenv.
ServerPaths DefaultServerPaths(uid_t uid, const std::function<const char*(const char*)>& getenv);

// Creates a folder and any missing parents, each readable by its owner only
// when new. False with the reason.
bool MakeFolders(const std::string& path, std::string* error);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_SERVER_PATHS_H_
