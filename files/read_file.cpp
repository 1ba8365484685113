#include "files/read_file.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

namespace files {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   size_t max_bytes) {
  const bool is_stdin = path == "-";
  FILE* f = is_stdin ? stdin : fopen(path.c_str(), "rb");
  if (!f) {
    *error = "cannot open '" + path + "': " + strerror(errno);
    return false;
  }
  bytes->clear();
  uint8_t chunk[65536];
  bool ok = true;
  for (;;) {
    const size_t n = fread(chunk, 1, sizeof chunk, f);
    if (bytes->size() + n > max_bytes) {
      *error = "'" + path + "' is larger than " + std::to_string(max_bytes >> 20) + " MiB";
      ok = false;
      break;
    }
    bytes->insert(bytes->end(), chunk, chunk + n);
    if (n < sizeof chunk) {
      if (ferror(f)) {
        *error = "cannot read '" + path + "': " + strerror(errno);
        ok = false;
      }
      break;
    }
  }
  if (!is_stdin) fclose(f);
  if (!ok) bytes->clear();
  return ok;
}

}  // namespace files
