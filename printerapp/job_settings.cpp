#include "printerapp/job_settings.h"

#include <stdlib.h>
#include <string.h>

#include <memory>

#include "printerapp/capabilities.h"

namespace printerapp {
namespace {

// A whole number from text, in [low, high].
bool ParseMillimetres(const char* text, int low, int high, double* mm) {
  char* end = nullptr;
  const long value = strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) return false;
  *mm = static_cast<double>(value);
  return true;
}

std::string Refused(const char* name, const char* value, const char* allowed) {
  return std::string("unsupported ") + name + " '" + value + "' (the printer takes " + allowed + ")";
}

}  // namespace

bool ResolveSettings(int x_resolution, int y_resolution, pappl_color_mode_t color_mode,
                     const char* media_type, const VendorLookup& vendor, JobSettings* settings,
                     std::string* error, const char* media_size) {
  JobSettings s;
  if (media_size != nullptr && strcmp(media_size, kMedia80Name) == 0) s.layout.disc = page::DiscSize::k80;
  page::JobOptions& o = s.options;
  if (!page::ResolutionOfDots(x_resolution, y_resolution, &o.resolution)) {
    *error = "unsupported resolution " + std::to_string(x_resolution) + "x" +
             std::to_string(y_resolution) + " dpi (the printer prints 300x600 or 300x300)";
    return false;
  }
  // Every monochrome mode prints with black alone; colour and auto with the
  // three inks.
  o.colour = color_mode & (PAPPL_COLOR_MODE_MONOCHROME | PAPPL_COLOR_MODE_AUTO_MONOCHROME |
                           PAPPL_COLOR_MODE_BI_LEVEL | PAPPL_COLOR_MODE_PROCESS_MONOCHROME)
                 ? page::ColourMode::kMonochrome
                 : page::ColourMode::kColour;
  if (media_type == nullptr || !*media_type || strcmp(media_type, kMediaTypeRegular) == 0) {
    o.media = page::Media::kRegular;
  } else if (strcmp(media_type, kMediaTypeMatte) == 0) {
    o.media = page::Media::kMatte;
  } else {
    *error = Refused("media-type", media_type, "disc or disc-matte");
    return false;
  }

  if (const char* v = vendor(kImageControl)) {
    char* end = nullptr;
    const long level = strtol(v, &end, 10);
    if (end == v || *end != '\0' || level < 0 || level > page::kImageControlLevels) {
      *error = Refused(kImageControl, v, "0 for AUTO, or 1 to 100");
      return false;
    }
    o.image_control = static_cast<int>(level);
  }
  if (const char* v = vendor(kTextQuality)) {
    if (!page::ParseOnOff(v, &o.on_option)) {
      *error = Refused(kTextQuality, v, "off or on");
      return false;
    }
  }
  if (const char* v = vendor(kDiscType)) {
    if (!page::ParseDiscType(v, &o.disc_type)) {
      *error = Refused(kDiscType, v, "standard or centre-band");
      return false;
    }
  }
  if (const char* v = vendor(kOuterDiameter)) {
    if (!ParseMillimetres(v, 1, 120, &s.layout.ring.outer_mm)) {
      *error = Refused(kOuterDiameter, v, "1 to 120 mm");
      return false;
    }
  }
  if (const char* v = vendor(kHubDiameter)) {
    if (!ParseMillimetres(v, 0, 119, &s.layout.ring.inner_mm)) {
      *error = Refused(kHubDiameter, v, "0 to 119 mm");
      return false;
    }
  }
  for (const auto& [name, tenths] : {std::pair{kOffsetX, &s.offset.x_tenths}, std::pair{kOffsetY, &s.offset.y_tenths}}) {
    const char* v = vendor(name);
    if (v == nullptr) continue;
    char* end = nullptr;
    const long value = strtol(v, &end, 10);
    if (end == v || *end != '\0' || value < -page::kMaxOffsetTenths || value > page::kMaxOffsetTenths) {
      *error = Refused(name, v, "-30 to 30 tenths of a mm");
      return false;
    }
    *tenths = static_cast<int32_t>(value);
  }
  if (const char* v = vendor(kInkCurves)) {
    std::string why;
    if (!imaging::ParseInkCurves(v, &s.layout.separation.curves, &why)) {
      *error = Refused(kInkCurves, v, "curves as 'quillory2 calibrate --scan' measures them, or none") + ": " + why;
      return false;
    }
  }
  s.layout.ring = page::FitRing(s.layout.disc, s.layout.ring);
  if (!imaging::ValidateLayout(s.layout, error)) return false;
  *settings = s;
  return true;
}

bool ResolveJobSettings(pappl_job_t* job, const pappl_pr_options_t* options,
                        JobSettings* settings, std::string* error) {
  std::unique_ptr<ipp_t, void (*)(ipp_t*)> printer_attrs(
      papplPrinterGetDriverAttributes(papplJobGetPrinter(job)), ippDelete);
  std::string value;  // the printer default last looked up
  const VendorLookup vendor = [&](const char* name) -> const char* {
    if (const char* given = cupsGetOption(name, options->num_vendor, options->vendor)) return given;
    const std::string fallback = std::string(name) + "-default";
    ipp_attribute_t* attr = ippFindAttribute(printer_attrs.get(), fallback.c_str(), IPP_TAG_ZERO);
    if (attr == nullptr) return nullptr;
    char text[1024];  // the ink curves' text is the longest
    ippAttributeString(attr, text, sizeof text);
    value = text;
    return value.c_str();
  };
  return ResolveSettings(options->printer_resolution[0], options->printer_resolution[1],
                         options->print_color_mode, options->media.type, vendor, settings, error,
                         options->media.size_name);
}

}  // namespace printerapp
