#include "printerapp/raster_types.h"

namespace printerapp {
namespace {

thread_local bool page_read = false;
thread_local cups_page_header2_t last_read;

bool IsGrey(cups_cspace_t space) { return space == CUPS_CSPACE_SW || space == CUPS_CSPACE_W; }
bool IsRgb(cups_cspace_t space) { return space == CUPS_CSPACE_SRGB || space == CUPS_CSPACE_RGB; }

}  // namespace

void NoteRasterPageRead(const cups_page_header2_t& header) {
  last_read = header;
  page_read = true;
}

const cups_page_header2_t* LastRasterPageRead() { return page_read ? &last_read : nullptr; }

std::string RasterTypeName(const cups_page_header2_t& h) {
  const cups_cspace_t space = h.cupsColorSpace;
  const unsigned bits = h.cupsBitsPerColor;
  if (IsRgb(space) && h.cupsBitsPerPixel == 3 * bits) {
    return (space == CUPS_CSPACE_SRGB ? "srgb_" : "rgb_") + std::to_string(bits);
  }
  if (IsGrey(space) && h.cupsBitsPerPixel == bits) return "sgray_" + std::to_string(bits);
  if (space == CUPS_CSPACE_K && h.cupsBitsPerPixel == bits) return "black_" + std::to_string(bits);
  if (space == CUPS_CSPACE_CMYK && h.cupsBitsPerPixel == 4 * bits) return "cmyk_" + std::to_string(bits);
  return std::to_string(h.cupsBitsPerPixel) + " bits per pixel in colour space " + std::to_string(space);
}

bool AcceptRasterPage(const cups_page_header2_t& given, const cups_page_header2_t* read,
                      std::string* reason) {
  const cups_page_header2_t& sent = read != nullptr ? *read : given;
  const bool offered =
      sent.cupsBitsPerColor == 8 && ((sent.cupsBitsPerPixel == 24 && IsRgb(sent.cupsColorSpace)) ||
                                     (sent.cupsBitsPerPixel == 8 && IsGrey(sent.cupsColorSpace)));
  const bool same = read == nullptr ||
                    (given.cupsWidth == read->cupsWidth && given.cupsHeight == read->cupsHeight &&
                     given.cupsBitsPerPixel == read->cupsBitsPerPixel &&
                     given.cupsColorSpace == read->cupsColorSpace &&
                     given.cupsBytesPerLine == read->cupsBytesPerLine);
  if (offered && same) return true;
  *reason = "raster type " + RasterTypeName(sent) +
            " is not printed here; the printer takes srgb_8 or sgray_8 (8-bit sRGB or grey)";
  return false;
}

}  // namespace printerapp
