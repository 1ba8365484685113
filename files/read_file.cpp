#include "files/read_file.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace files {

namespace {

std::string TooLarge(const std::string& path, size_t max_bytes) {
  return InputName(path) + " is larger than " + std::to_string(max_bytes >> 20) + " MiB";
}

}  // namespace

std::string InputName(const std::string& path) { return path == "-" ? "standard input" : "'" + path + "'"; }

FILE* OpenInput(const std::string& path, std::string* error) {
  if (path == "-") {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);  // bytes, not text
#endif
    return stdin;
  }
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) *error = "cannot open '" + path + "': " + strerror(errno);
  return f;
}

void CloseInput(FILE* file) {
  if (file != nullptr && file != stdin) fclose(file);
}

bool AppendRest(FILE* file, const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                size_t max_bytes) {
  // A regular file says how much is left of it.
  struct stat st;
  const long at = ftell(file);
  if (fstat(fileno(file), &st) == 0 && (st.st_mode & S_IFMT) == S_IFREG && at >= 0 &&
      static_cast<uint64_t>(st.st_size) > static_cast<uint64_t>(at) + (max_bytes - bytes->size())) {
    *error = TooLarge(path, max_bytes);
    return false;
  }
  uint8_t chunk[65536];
  for (;;) {
    const size_t n = fread(chunk, 1, sizeof chunk, file);
    if (bytes->size() + n > max_bytes) {
      *error = TooLarge(path, max_bytes);
      return false;
    }
    bytes->insert(bytes->end(), chunk, chunk + n);
    if (n < sizeof chunk) {
      if (ferror(file)) {
        *error = "cannot read " + InputName(path) + ": " + strerror(errno);
        return false;
      }
      return true;
    }
  }
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   size_t max_bytes) {
  bytes->clear();
  FILE* f = OpenInput(path, error);
  if (f == nullptr) return false;
  const bool ok = AppendRest(f, path, bytes, error, max_bytes);
  CloseInput(f);
  if (!ok) bytes->clear();
  return ok;
}

}  // namespace files
