#include "printerapp/server_paths.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

namespace printerapp {
namespace {

// An XDG base folder: the variable when it holds an absolute path (the
// XDG base directory rules ignore relative ones), else the fallback below HOME.
std::string XdgFolder(const std::function<const char*(const char*)>& getenv, const char* variable,
                      const char* below_home) {
  const char* value = getenv(variable);
  if (value != nullptr && value[0] == '/') return value;
  const char* home = getenv("HOME");
  return std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/" + below_home;
}

}  // namespace

ServerPaths DefaultServerPaths(uid_t uid, const std::function<const char*(const char*)>& getenv) {
  ServerPaths paths;
  const std::string name = kAppName;
  if (uid == 0) {
    paths.state_file = "/var/lib/" + name + "/" + name + ".state";
    paths.spool_dir = "/var/spool/" + name;
  } else {
    paths.state_file = XdgFolder(getenv, "XDG_CONFIG_HOME", ".config") + "/" + name + ".state";
    paths.spool_dir = XdgFolder(getenv, "XDG_CACHE_HOME", ".cache") + "/" + name;
  }
  return paths;
}

bool MakeFolders(const std::string& path, std::string* error) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = "cannot create " + part + ": " + strerror(errno);
      return false;
    }
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *error = path + " is not a folder";
    return false;
  }
  return true;
}

}  // namespace printerapp
