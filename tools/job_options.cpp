#include "tools/job_options.h"

#include <ctype.h>

namespace tools {

namespace {

std::string Squeeze(const std::string& text) {
  std::string out;
  for (char c : text)
    if (!isspace(static_cast<unsigned char>(c))) out += static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

bool ParseResolution(const std::string& text, int* value) {
  std::string s = Squeeze(text);
  if (s.size() > 3 && s.compare(s.size() - 3, 3, "dpi") == 0) s.resize(s.size() - 3);
  if (s == "600" || s == "600x300" || s == "300x600") {
    *value = 2;
    return true;
  }
  if (s == "300" || s == "300x300") {
    *value = 1;
    return true;
  }
  return false;
}

bool ParseMedia(const std::string& text, int* value) {
  const std::string s = Squeeze(text);
  if (s == "regular") *value = 1;
  else if (s == "matte") *value = 2;
  else return false;
  return true;
}

bool ParseOnOff(const std::string& text, int* value) {
  const std::string s = Squeeze(text);
  if (s == "off") *value = 1;
  else if (s == "on") *value = 2;
  else return false;
  return true;
}

bool ParseImageControl(const std::string& text, int* value) {
  const std::string s = Squeeze(text);
  if (s == "auto") {
    *value = 1;
    return true;
  }
  if (s.empty() || s.size() > 3 || s[0] == '0') return false;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > 100) return false;
  *value = n + 1;
  return true;
}

bool ParseDiscType(const std::string& text, std::string* keyword) {
  const std::string s = Squeeze(text);
  if (s == "standard" || s == "disc_s") *keyword = "DISC_S";
  else if (s == "centre-band" || s == "center-band" || s == "disc_d") *keyword = "DISC_D";
  else return false;
  return true;
}

std::string ResolutionName(int resolution) {
  return resolution == 1 ? "300 x 300 DPI" : "600 x 300 DPI";
}

}  // namespace tools
