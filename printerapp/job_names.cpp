#include "printerapp/job_names.h"

#include <stdint.h>

namespace printerapp {
namespace {

// The length of the UTF-8 character at s[at], 0 when it is not one.
size_t Utf8Length(const std::string& s, size_t at) {
  const uint8_t c = static_cast<uint8_t>(s[at]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xe ? 3 : (c >> 3) == 0x1e ? 4 : 0;
  if (n == 0 || at + n > s.size()) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((static_cast<uint8_t>(s[at + i]) & 0xc0) != 0x80) return 0;
  }
  return n;
}

}  // namespace

std::string CleanName(const std::string& name, size_t max_bytes) {
  std::string clean;
  for (size_t at = 0; at < name.size();) {
    size_t n = Utf8Length(name, at);
    const uint8_t c = static_cast<uint8_t>(name[at]);
    const bool control = n == 1 && (c < 0x20 || c == 0x7f);
    const bool c1_control = n == 2 && c == 0xc2 && static_cast<uint8_t>(name[at + 1]) < 0xa0;
    if (n == 0 || control || c1_control) {
      if (n == 0) n = 1;
      if (clean.size() + 1 > max_bytes) break;
      clean += ' ';
    } else {
      if (clean.size() + n > max_bytes) break;
      clean.append(name, at, n);
    }
    at += n;
  }
  return clean;
}

std::string JobFileStem(const std::string& job_name) {
  std::string stem = CleanName(job_name, kMaxJobNameBytes);
  for (char& c : stem) {
    if (c == '/') c = '_';
  }
  if (stem.empty()) return "job";
  if (stem[0] == '.') stem[0] = '_';
  return stem;
}

}  // namespace printerapp
