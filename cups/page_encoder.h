// Turning one ink page into the printer's raster commands.
//
// The filter sends its pages through the very band conversion that the
// Windows plug-in runs inside Unidrv: the page becomes one band covering the
// whole printable area, and the filter plays Unidrv's part with a helper
// interface of its own. Its DrvWriteSpoolBuf appends to the page buffer, and
// its DrvGetDriverSetting answers the disc type, the one setting the band
// conversion asks for.
#ifndef QUILLORY2_CUPS_PAGE_ENCODER_H_
#define QUILLORY2_CUPS_PAGE_ENCODER_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "cups/raster_page.h"
#include "hosts/ink_page.h"
#include "platform/printer_oem.h"

namespace cupsdrv {

// The helper interface handed to the band conversion. The interface table
// pointer comes first, as COM lays it out; the object lives on the caller's
// stack, so AddRef and Release count nothing.
struct FilterSpool {
  plat::IPrintOemDriverUni iface;
  std::vector<uint8_t>* out;  // DrvWriteSpoolBuf appends here
  const char* disc_type;      // answer for the feature "DISCTYPE"

  FilterSpool(std::vector<uint8_t>* output, const char* disc_type_keyword);
};

// The most bytes the band conversion can write for a page of this geometry
// (every line plain, each with all its position and mode commands).
size_t PageStreamBound(const hosts::InkPage& page);
size_t PageStreamBound(const PageBand& band);

class PageEncoder {
 public:
  // Appends the commands of every plane of the page to *out: the planes in
  // the printer's order (yellow, magenta, cyan; or black), each starting at
  // row address 0. disc_type is the option keyword ("DISC_S", "DISC_D").
  // The band storage is kept from page to page. Fails (false, with a
  // message) only for a page that cannot be one band: empty or too wide.
  bool Encode(const hosts::InkPage& page, const char* disc_type, std::vector<uint8_t>* out,
              std::string* error);
  // The same for a page read straight into its band (ReadPageBand).
  static void EncodeBand(const PageBand& band, const char* disc_type, std::vector<uint8_t>* out);

 private:
  std::vector<uint8_t> band_;
};

}  // namespace cupsdrv

#endif  // QUILLORY2_CUPS_PAGE_ENCODER_H_
