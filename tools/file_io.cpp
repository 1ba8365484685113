#include "tools/file_io.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include <random>

namespace tools {

namespace {

std::string Reason(const std::string& what, const std::string& path) {
  return what + " '" + path + "': " + strerror(errno);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size, std::string* error) {
  if (path == "-") {
    if (size > 0 && fwrite(data, 1, size, stdout) != size) {
      *error = "cannot write to standard output: " + std::string(strerror(errno));
      return false;
    }
    if (fflush(stdout) != 0) {
      *error = "cannot write to standard output: " + std::string(strerror(errno));
      return false;
    }
    return true;
  }
  // The temporary file sits in the target's folder so that the rename stays
  // on one file system and replaces the target in one step.
  std::random_device seed;
  std::string temp;
  FILE* f = nullptr;
  for (int attempt = 0; attempt < 16 && !f; ++attempt) {
    temp = FolderOf(path) + ".quillory2-" + std::to_string(seed()) + ".tmp";
    f = fopen(temp.c_str(), "wbx");
    if (!f && errno != EEXIST) break;
  }
  if (!f) {
    *error = Reason("cannot create a file in the folder of", path);
    return false;
  }
  bool ok = size == 0 || fwrite(data, 1, size, f) == size;
  ok = fflush(f) == 0 && ok;
  int saved = errno;
  ok = fclose(f) == 0 && ok;
  if (!ok) {
    errno = saved;
    *error = Reason("cannot write", path);
    remove(temp.c_str());
    return false;
  }
#ifdef _WIN32
  remove(path.c_str());
#endif
  if (rename(temp.c_str(), path.c_str()) != 0) {
    *error = Reason("cannot write", path);
    remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace tools
