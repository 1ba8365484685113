#include "cups/job_choices.h"

#include <stdlib.h>
#include <string.h>

namespace cupsdrv {
namespace {

std::string Unknown(const char* name, const std::string& value, const std::string& allowed) {
  return "Unknown " + std::string(name) + " \"" + value + "\" (use " + allowed + ")";
}

// A choice from its header code (1 or 2 for the two values, 0 for "not
// given"), else from the job option of that name read by parse.
template <class Value, class Parse>
bool ResolvePair(unsigned from_header, Value first, Value second, const char* option_name,
                 const char* words, Parse parse, int num_options, cups_option_t* options,
                 Value* value, std::string* error) {
  if (from_header != 0) {
    if (from_header > 2) {
      *error = Unknown(option_name, "code " + std::to_string(from_header), "1 or 2");
      return false;
    }
    *value = from_header == 1 ? first : second;
    return true;
  }
  const char* text = cupsGetOption(option_name, num_options, options);
  if (text == nullptr) return true;
  if (!parse(text, value)) {
    *error = Unknown(option_name, text, words);
    return false;
  }
  return true;
}

bool ResolveMedia(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                  page::Media* media, std::string* error) {
  // The media name in the header stands in for the job option.
  if (header.cupsMediaType == 0 && header.MediaType[0] != '\0') {
    if (!page::ParseMedia(header.MediaType, media)) {
      *error = Unknown("media type", header.MediaType, page::kMediaWords);
      return false;
    }
    return true;
  }
  return ResolvePair(header.cupsMediaType, page::Media::kRegular, page::Media::kMatte, "MediaType",
                     page::kMediaWords, page::ParseMedia, num_options, options, media, error);
}

bool ResolveImageControl(unsigned from_header, int num_options, cups_option_t* options,
                         int* image_control, std::string* error) {
  if (from_header != 0) {
    if (from_header > page::kImageControlLevels + 1) {
      *error = Unknown("ImageControl", "code " + std::to_string(from_header), "1 to 101");
      return false;
    }
    *image_control = static_cast<int>(from_header) - 1;
    return true;
  }
  const char* value = cupsGetOption("ImageControl", num_options, options);
  if (value == nullptr) return true;
  if (!page::ParseImageControl(value, image_control)) {
    *error = Unknown("ImageControl", value, page::kImageControlWords);
    return false;
  }
  return true;
}

// One diameter: from the header (mm, 0 for "not given"), else from the job
// option of that name, else as it was.
bool ResolveDiameter(unsigned from_header, const char* option_name, int num_options,
                     cups_option_t* options, double* mm, std::string* error) {
  if (from_header != 0) {
    *mm = from_header;
    return true;
  }
  const char* text = cupsGetOption(option_name, num_options, options);
  if (text == nullptr) return true;
  char* end = nullptr;
  const double value = strtod(text, &end);
  if (end == text || *end != '\0') {
    *error = Unknown(option_name, text, "a diameter in mm");
    return false;
  }
  *mm = value;
  return true;
}

// One offset: from the header (100 + tenths, 0 for "not given"), else the
// job option of that name in the core's words, else as it was.
bool ResolveOffset(unsigned from_header, const char* option_name, int num_options,
                   cups_option_t* options, int32_t* tenths, std::string* error) {
  if (from_header != 0) {
    const int64_t value = static_cast<int64_t>(from_header) - 100;
    if (value < -page::kMaxOffsetTenths || value > page::kMaxOffsetTenths) {
      *error = Unknown(option_name, "code " + std::to_string(from_header), "70 to 130");
      return false;
    }
    *tenths = static_cast<int32_t>(value);
    return true;
  }
  const char* text = cupsGetOption(option_name, num_options, options);
  if (text == nullptr) return true;
  if (!page::ParseOffsetMm(text, tenths)) {
    *error = Unknown(option_name, text, page::kOffsetWords);
    return false;
  }
  return true;
}

}  // namespace

bool ResolveSeparation(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                       imaging::SeparationSettings* settings, std::string* error) {
  imaging::SeparationSettings s;
  const unsigned tone = header.cupsInteger[7];
  if (tone != 0) {
    if (tone < 100 - imaging::kMaxTone || tone > 100 + imaging::kMaxTone) {
      *error = Unknown("Tone", "code " + std::to_string(tone), "60 to 140");
      return false;
    }
    s.tone = static_cast<int>(tone) - 100;
  } else if (const char* text = cupsGetOption("Tone", num_options, options)) {
    char* end = nullptr;
    const long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < -imaging::kMaxTone || value > imaging::kMaxTone) {
      *error = Unknown("Tone", text, "-40 to 40");
      return false;
    }
    s.tone = static_cast<int>(value);
  }
  const unsigned limit = header.cupsInteger[8];
  if (limit == 1) {
    s.ink_limit = imaging::kMediaInkLimit;
  } else if (limit != 0) {
    if (limit < imaging::kMinInkLimit || limit > imaging::kNoInkLimit) {
      *error = Unknown("InkLimit", "code " + std::to_string(limit), "1, or 150 to 300");
      return false;
    }
    s.ink_limit = static_cast<int>(limit);
  } else if (const char* text = cupsGetOption("InkLimit", num_options, options)) {
    if (!imaging::ParseInkLimit(text, &s.ink_limit)) {
      *error = Unknown("InkLimit", text, imaging::kInkLimitWords);
      return false;
    }
  }
  // No PPD choice can hold a curve: a job option, or the queue's default
  // (lpadmin -o InkCurves-default=...), which CUPS passes on as one.
  if (const char* text = cupsGetOption("InkCurves", num_options, options)) {
    std::string why;
    if (!imaging::ParseInkCurves(text, &s.curves, &why)) {
      *error = Unknown("InkCurves", text, "the curves quillory2 calibrate --scan prints, or none; " + why);
      return false;
    }
  }
  *settings = s;
  return true;
}

page::DiscSize PageDiscSize(const cups_page_header2_t& header) {
  if (strcmp(header.cupsPageSizeName, "CD80") == 0) return page::DiscSize::k80;
  // 226.8 points, rounded by whoever filled in the header.
  const bool small = header.PageSize[0] >= 226 && header.PageSize[0] <= 227 &&
                     header.PageSize[1] >= 226 && header.PageSize[1] <= 227;
  return small ? page::DiscSize::k80 : page::DiscSize::k120;
}

bool ResolvePrintOffset(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                        page::PrintOffset* offset, std::string* error) {
  page::PrintOffset o;
  if (!ResolveOffset(header.cupsInteger[5], "OffsetX", num_options, options, &o.x_tenths, error) ||
      !ResolveOffset(header.cupsInteger[6], "OffsetY", num_options, options, &o.y_tenths, error)) {
    return false;
  }
  *offset = o;
  return true;
}

bool ResolveDiscRing(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                     page::DiscRing* ring, std::string* error) {
  const page::DiscSize size = PageDiscSize(header);
  page::DiscRing r = page::DefaultRing(page::DiscSize::k120);
  if (!ResolveDiameter(header.cupsInteger[3], "OuterDiameter", num_options, options, &r.outer_mm,
                       error) ||
      !ResolveDiameter(header.cupsInteger[4], "HubDiameter", num_options, options, &r.inner_mm,
                       error)) {
    return false;
  }
  r = page::FitRing(size, r);
  if (!page::ValidateRing(r, error)) {
    *error = "Unusable disc ring (" + std::to_string(r.outer_mm) + " mm outer, " +
             std::to_string(r.inner_mm) + " mm hub): " + *error;
    return false;
  }
  *ring = r;
  return true;
}

bool ResolveJobChoices(const cups_page_header2_t& header, int num_options, cups_option_t* options,
                       page::JobOptions* choices, std::string* error) {
  page::JobOptions c;
  if (!page::ResolutionOfDots(header.HWResolution[0], header.HWResolution[1], &c.resolution)) {
    *error = "Unsupported resolution " + std::to_string(header.HWResolution[0]) + "x" +
             std::to_string(header.HWResolution[1]) + " dpi";
    return false;
  }
  // The colour space is a raw word from the stream; CheckPageHeader refuses
  // any but RGB, sRGB, CMY (colour) and K, W, sGray (monochrome).
  unsigned space;
  memcpy(&space, &header.cupsColorSpace, sizeof space);
  const bool colour = space == CUPS_CSPACE_RGB || space == CUPS_CSPACE_SRGB || space == CUPS_CSPACE_CMY;
  c.colour = colour ? page::ColourMode::kColour : page::ColourMode::kMonochrome;
  if (!ResolveMedia(header, num_options, options, &c.media, error) ||
      !ResolveImageControl(header.cupsInteger[0], num_options, options, &c.image_control, error) ||
      !ResolvePair(header.cupsInteger[1], page::OnOff::kOff, page::OnOff::kOn, "TextQuality",
                   page::kOnOffWords, page::ParseOnOff, num_options, options, &c.on_option,
                   error) ||
      !ResolvePair(header.cupsInteger[2], page::DiscType::kStandard, page::DiscType::kCentreBand,
                   "DiscType", page::kDiscTypeWords, page::ParseDiscType, num_options, options,
                   &c.disc_type, error)) {
    return false;
  }
  *choices = c;
  return true;
}

}  // namespace cupsdrv
