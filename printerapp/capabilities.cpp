#include "printerapp/capabilities.h"

#include <string.h>

#include "page/disc_ring.h"
#include "page/print_position.h"
#include "printerapp/calibration.h"
#include "printerapp/identify.h"
#include "printerapp/printer_driver.h"
#include "printerapp/printer_icons.h"

namespace printerapp {
namespace {

void AddVendorKeyword(ipp_t* attrs, const char* name, const char* default_value,
                      const char* const* values, int count) {
  const std::string supported = std::string(name) + "-supported";
  const std::string fallback = std::string(name) + "-default";
  ippAddStrings(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, supported.c_str(), count, nullptr, values);
  ippAddString(attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, fallback.c_str(), nullptr, default_value);
}

void AddVendorRange(ipp_t* attrs, const char* name, int default_value, int low, int high) {
  const std::string supported = std::string(name) + "-supported";
  const std::string fallback = std::string(name) + "-default";
  ippAddRange(attrs, IPP_TAG_PRINTER, supported.c_str(), low, high);
  ippAddInteger(attrs, IPP_TAG_PRINTER, IPP_TAG_INTEGER, fallback.c_str(), default_value);
}

void Copy(char* to, size_t size, const char* from) {
  strncpy(to, from, size - 1);
  to[size - 1] = '\0';
}

}  // namespace

void DescribePrinter(pappl_pr_driver_data_t* data, ipp_t** attrs) {
  data->printfile_cb = PrintNativeJob;
  data->rstartjob_cb = StartRasterJob;
  data->rstartpage_cb = StartRasterPage;
  data->rwriteline_cb = WriteRasterLine;
  data->rendpage_cb = EndRasterPage;
  data->rendjob_cb = EndRasterJob;
  data->status_cb = UpdateStatus;
  data->identify_cb = IdentifyPrinter;
  data->delete_cb = DeletePrinterData;
  data->testpage_cb = PrintTestDisc;
  data->format = kNativeFormat;
  // The web page is the printer's display (identify.h); it has nothing that
  // flashes, sounds or speaks.
  data->identify_supported = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
  data->identify_default = PAPPL_IDENTIFY_ACTIONS_DISPLAY;
  for (int i = 0; i < 3; ++i) {
    const std::vector<uint8_t>& png = PrinterIconPng(i);
    data->icons[i].data = png.empty() ? nullptr : png.data();
    data->icons[i].datalen = png.size();
  }

  // PAPPL makes the device ID's MFG and MDL of the first word and the rest.
  Copy(data->make_and_model, sizeof data->make_and_model, "Quillory Quillory2");
  data->kind = PAPPL_KIND_DISC;
  data->ppm = 1;
  data->ppm_color = 1;
  data->has_supplies = true;
  // Pictures are fitted to the disc whatever their orientation; portrait is
  // what IPP clients expect to be told.
  data->orient_default = IPP_ORIENT_PORTRAIT;
  data->quality_default = IPP_QUALITY_NORMAL;
  data->content_default = PAPPL_CONTENT_AUTO;
  // Pictures are always fitted into the square and centred.
  data->scaling_default = PAPPL_SCALING_FIT;

  // 300 dots per inch across; 600 rows per inch down (the default) or 300.
  // PAPPL picks by print-quality when a job names no resolution: draft the
  // first, normal and high the later ones.
  data->num_resolution = 2;
  data->x_resolution[0] = 300;
  data->y_resolution[0] = 300;
  data->x_resolution[1] = 300;
  data->y_resolution[1] = 600;
  data->x_default = 300;
  data->y_default = 600;

  // Raster pages arrive as 8-bit colour or grey; the separation into inks,
  // the mask and the error diffusion are the printer's own. (PAPPL 1.3 hands
  // a page of a type not offered here over unconverted under the header of
  // one that is, so no other type is offered.)
  data->raster_types = PAPPL_PWG_RASTER_TYPE_SRGB_8 | PAPPL_PWG_RASTER_TYPE_SGRAY_8;
  data->force_raster_type = PAPPL_PWG_RASTER_TYPE_NONE;
  data->color_supported = PAPPL_COLOR_MODE_COLOR | PAPPL_COLOR_MODE_MONOCHROME;
  data->color_default = PAPPL_COLOR_MODE_COLOR;

  data->duplex = PAPPL_DUPLEX_NONE;
  data->sides_supported = PAPPL_SIDES_ONE_SIDED;
  data->sides_default = PAPPL_SIDES_ONE_SIDED;

  // One page, the whole printable square: the ring decides where ink lands.
  // It is offered borderless and with margins of 0.5 mm, which lie outside
  // the 118 mm ring: CUPS's everywhere queues default to the size with
  // margins and, offered the borderless one alone, fall back to Letter.
  data->borderless = true;
  data->left_right = 50;
  data->bottom_top = 50;
  data->num_media = 2;
  data->media[0] = kMediaName;
  data->media[1] = kMedia80Name;
  data->num_source = 1;
  data->source[0] = "disc";
  data->num_type = 2;
  data->type[0] = kMediaTypeRegular;
  data->type[1] = kMediaTypeMatte;
  pappl_media_col_t& media = data->media_ready[0];
  Copy(media.size_name, sizeof media.size_name, kMediaName);
  if (pwg_media_t* pwg = pwgMediaForPWG(kMediaName)) {
    media.size_width = pwg->width;
    media.size_length = pwg->length;
  }
  Copy(media.source, sizeof media.source, "disc");
  Copy(media.type, sizeof media.type, kMediaTypeRegular);
  data->media_default = media;

  static const char* const kTextQualities[] = {"off", "on"};
  static const char* const kDiscTypes[] = {"standard", "centre-band"};
  data->num_vendor = 8;
  data->vendor[0] = kImageControl;
  data->vendor[1] = kTextQuality;
  data->vendor[2] = kDiscType;
  data->vendor[3] = kOuterDiameter;
  data->vendor[4] = kHubDiameter;
  data->vendor[5] = kOffsetX;
  data->vendor[6] = kOffsetY;
  data->vendor[7] = kInkCurves;
  if (*attrs == nullptr) *attrs = ippNew();
  // IPP Everywhere attributes PAPPL 1.3 leaves out, with the values that are
  // true here: no preferred values are computed, colours are rendered one
  // way, and there is no back side.
  ippAddBoolean(*attrs, IPP_TAG_PRINTER, "preferred-attributes-supported", 0);
  ippAddString(*attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-default", nullptr, "auto");
  ippAddString(*attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "print-rendering-intent-supported", nullptr, "auto");
  ippAddString(*attrs, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "pwg-raster-document-sheet-back", nullptr, "normal");
  AddVendorRange(*attrs, kImageControl, 0, 0, 100);
  AddVendorKeyword(*attrs, kTextQuality, "off", kTextQualities, 2);
  AddVendorKeyword(*attrs, kDiscType, "standard", kDiscTypes, 2);
  AddVendorRange(*attrs, kOuterDiameter, static_cast<int>(page::kDefaultOuterMm), 1,
                 static_cast<int>(page::kMaxOuterMm));
  AddVendorRange(*attrs, kHubDiameter, static_cast<int>(page::kDefaultInnerMm), 0,
                 static_cast<int>(page::kMaxOuterMm) - 1);
  AddVendorRange(*attrs, kOffsetX, 0, -page::kMaxOffsetTenths, page::kMaxOffsetTenths);
  AddVendorRange(*attrs, kOffsetY, 0, -page::kMaxOffsetTenths, page::kMaxOffsetTenths);
  const std::string curves_default = std::string(kInkCurves) + "-default";
  ippAddString(*attrs, IPP_TAG_PRINTER, IPP_TAG_TEXT, curves_default.c_str(), nullptr, "none");
}

}  // namespace printerapp
