#include "cups/job_choices.h"

#include <strings.h>

namespace cupsdrv {
namespace {

bool Same(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

// A level of 1 to 100 written as plain decimal digits.
bool ParseLevel(const char* text, int* level) {
  int value = 0;
  int digits = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9' || ++digits > 3) return false;
    value = value * 10 + (*p - '0');
  }
  if (digits == 0 || value < 1 || value > kImageControlLevels) return false;
  *level = value;
  return true;
}

std::string Unknown(const char* name, const std::string& value, const std::string& allowed) {
  return "Unknown " + std::string(name) + " \"" + value + "\" (use " + allowed + ")";
}

bool ResolveMedia(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                  int* record, std::string* error) {
  if (header.cupsMediaType != 0) {
    if (header.cupsMediaType > 2) {
      *error = Unknown("media type code", std::to_string(header.cupsMediaType), "1 or 2");
      return false;
    }
    *record = static_cast<int>(header.cupsMediaType);
    return true;
  }
  const char* name = header.MediaType[0] != '\0' ? header.MediaType : nullptr;
  if (name == nullptr) name = cupsGetOption("MediaType", num_options, options);
  if (name == nullptr) return true;
  if (Same(name, "Regular")) {
    *record = 1;
  } else if (Same(name, "Matte")) {
    *record = 2;
  } else {
    *error = Unknown("media type", name, "Regular or Matte");
    return false;
  }
  return true;
}

// A two-choice option: the header's record number, else the job option.
bool ResolvePair(unsigned from_header, const char* option_name, const char* first,
                 const char* second, int num_options, cups_option_t* options, int* record,
                 std::string* error) {
  if (from_header != 0) {
    if (from_header > 2) {
      *error = Unknown(option_name, "code " + std::to_string(from_header), "1 or 2");
      return false;
    }
    *record = static_cast<int>(from_header);
    return true;
  }
  const char* value = cupsGetOption(option_name, num_options, options);
  if (value == nullptr) return true;
  if (Same(value, first)) {
    *record = 1;
  } else if (Same(value, second)) {
    *record = 2;
  } else {
    *error = Unknown(option_name, value, std::string(first) + " or " + second);
    return false;
  }
  return true;
}

bool ResolveImageControl(unsigned from_header, int num_options, cups_option_t* options,
                         int* record, std::string* error) {
  if (from_header != 0) {
    if (from_header > kImageControlLevels + 1) {
      *error = Unknown("ImageControl", "code " + std::to_string(from_header), "1 to 101");
      return false;
    }
    *record = static_cast<int>(from_header);
    return true;
  }
  const char* value = cupsGetOption("ImageControl", num_options, options);
  if (value == nullptr) return true;
  int level = 0;
  if (Same(value, "AUTO")) {
    *record = 1;
  } else if (ParseLevel(value, &level)) {
    *record = level + 1;
  } else {
    *error = Unknown("ImageControl", value, "AUTO or 1 to 100");
    return false;
  }
  return true;
}

}  // namespace

bool ResolveJobChoices(const cups_page_header2_t& header, int num_options,
                       cups_option_t* options, JobChoices* choices, std::string* error) {
  JobChoices c;
  if (header.HWResolution[1] == 300) {
    c.resolution = 1;
  } else if (header.HWResolution[1] == 600) {
    c.resolution = 2;
  } else {
    *error = "Unsupported resolution " + std::to_string(header.HWResolution[0]) + "x" +
             std::to_string(header.HWResolution[1]) + " dpi";
    return false;
  }
  if (!ResolveMedia(header, num_options, options, &c.paper_quality, error) ||
      !ResolveImageControl(header.cupsInteger[0], num_options, options, &c.image_control,
                           error) ||
      !ResolvePair(header.cupsInteger[1], "TextQuality", "OFF", "ON", num_options, options,
                   &c.text_quality, error) ||
      !ResolvePair(header.cupsInteger[2], "DiscType", "DISC_S", "DISC_D", num_options, options,
                   &c.disc_type, error)) {
    return false;
  }
  *choices = c;
  return true;
}

}  // namespace cupsdrv
