#include "page/job_options.h"

namespace page {
namespace {

// The text lower-cased, without blanks.
std::string Squeeze(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') continue;
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

bool OneOf(const std::string& word, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (word == name) return true;
  }
  return false;
}

}  // namespace

const char kResolutionWords[] =
    "\"600 x 300 DPI \" (also 600x300, 300x600 or 600) or \"300 x 300\" (also 300)";
const char kMediaWords[] = "Regular or Matte";
const char kOnOffWords[] = "OFF or ON";
const char kImageControlWords[] = "AUTO or 1 to 100";
const char kDiscTypeWords[] = "standard (DISC_S) or centre-band (DISC_D)";
const char kColourModeWords[] = "colour or monochrome";

bool JobOptions::operator==(const JobOptions& other) const {
  return resolution == other.resolution && media == other.media && on_option == other.on_option &&
         image_control == other.image_control && disc_type == other.disc_type &&
         colour == other.colour;
}

bool ParseResolution(std::string_view text, Resolution* value) {
  std::string s = Squeeze(text);
  if (s.size() > 3 && s.compare(s.size() - 3, 3, "dpi") == 0) s.resize(s.size() - 3);
  if (OneOf(s, {"600", "600x300", "300x600"})) {
    *value = Resolution::k600;
  } else if (OneOf(s, {"300", "300x300"})) {
    *value = Resolution::k300;
  } else {
    return false;
  }
  return true;
}

bool ResolutionOfDots(int64_t x_dpi, int64_t y_dpi, Resolution* value) {
  if (x_dpi != geometry::kDotsPerInch || (y_dpi != 600 && y_dpi != 300)) return false;
  *value = y_dpi == 600 ? Resolution::k600 : Resolution::k300;
  return true;
}

bool ParseMedia(std::string_view text, Media* value) {
  const std::string s = Squeeze(text);
  if (s == "regular") {
    *value = Media::kRegular;
  } else if (s == "matte") {
    *value = Media::kMatte;
  } else {
    return false;
  }
  return true;
}

bool ParseOnOff(std::string_view text, OnOff* value) {
  const std::string s = Squeeze(text);
  if (s == "off") {
    *value = OnOff::kOff;
  } else if (s == "on") {
    *value = OnOff::kOn;
  } else {
    return false;
  }
  return true;
}

bool ParseImageControl(std::string_view text, int* value) {
  const std::string s = Squeeze(text);
  if (s == "auto") {
    *value = kImageControlAuto;
    return true;
  }
  if (s.empty() || s.size() > 3 || s[0] == '0') return false;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < 1 || n > kImageControlLevels) return false;
  *value = n;
  return true;
}

bool ParseDiscType(std::string_view text, DiscType* value) {
  const std::string s = Squeeze(text);
  if (OneOf(s, {"standard", "disc_s", "s"})) {
    *value = DiscType::kStandard;
  } else if (OneOf(s, {"centre-band", "center-band", "disc_d", "d"})) {
    *value = DiscType::kCentreBand;
  } else {
    return false;
  }
  return true;
}

bool ParseColourMode(std::string_view text, ColourMode* value) {
  const std::string s = Squeeze(text);
  if (OneOf(s, {"colour", "color", "cmy"})) {
    *value = ColourMode::kColour;
  } else if (OneOf(s, {"monochrome", "mono", "black", "gray", "grey", "k"})) {
    *value = ColourMode::kMonochrome;
  } else {
    return false;
  }
  return true;
}

std::string ResolutionName(Resolution value) {
  return value == Resolution::k300 ? "300 x 300 DPI" : "600 x 300 DPI";
}

const char* MediaName(Media value) { return value == Media::kMatte ? "Matte" : "Regular"; }

const char* OnOffName(OnOff value) { return value == OnOff::kOn ? "ON" : "OFF"; }

std::string ImageControlName(int value) {
  return value == kImageControlAuto ? "AUTO" : std::to_string(value);
}

const char* ColourModeName(ColourMode value) {
  return value == ColourMode::kMonochrome ? "monochrome" : "colour";
}

const char* DiscTypeKeyword(DiscType value) {
  return value == DiscType::kCentreBand ? "DISC_D" : "DISC_S";
}

}  // namespace page
