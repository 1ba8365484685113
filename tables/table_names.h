// Internal to the table library: names of header slots, order positions and
// option kinds, for its messages and its dump. Not part of its interface.
#ifndef QUILLORY2_TABLES_TABLE_NAMES_H_
#define QUILLORY2_TABLES_TABLE_NAMES_H_

#include <stdint.h>
#include <stdio.h>

#include <string>

#include "tables/gpc_format.h"
#include "tables/printer_table.h"

namespace tables {
namespace names {

inline std::string Hex(uint32_t value, int digits = 4) {
  char text[16];
  snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

// Names of the header slots, for messages and the dump.
inline const char* SlotName(int slot) {
  static const char* const kNames[gpc::kMaxHeaderEntries] = {
      "MODELDATA",    "RESOLUTION",    "PAPERSIZE",    "PAPERQUALITY", "PAPERSOURCE",
      "PAPERDEST",    "TEXTQUALITY",   "COMPRESSMODE", "FONTCART",     "PAGECONTROL",
      "CURSORMOVE",   "FONTSIMULATION", "DEVCOLOR",    "RECTFILL",     "DOWNLOADINFO",
      "VECTPAGE",     "CAROUSEL",      "PENINFO",      "LINEINFO",     "BRUSHINFO",
      "VECTOUTPUT",   "POLYVECTOUTPUT", "VECTSUPPORT", "IMAGECONTROL", "PRINTDENSITY",
      "COLORTRC",     "reserved 26",   "reserved 27",  "reserved 28",  "reserved 29"};
  return slot >= 0 && slot < gpc::kMaxHeaderEntries ? kNames[slot] : "?";
}

inline const char* OrderName(uint16_t position) {
  switch (position) {
    case gpc::PC_ORD_BEGINDOC: return "PC_ORD_BEGINDOC";
    case gpc::PC_ORD_TEXTQUALITY: return "PC_ORD_TEXTQUALITY";
    case gpc::PC_ORD_PAPER_SIZE: return "PC_ORD_PAPER_SIZE";
    case gpc::PC_ORD_RESOLUTION: return "PC_ORD_RESOLUTION";
    case gpc::PC_ORD_BEGINPAGE: return "PC_ORD_BEGINPAGE";
    case gpc::PC_ORD_SETCOLORMODE: return "PC_ORD_SETCOLORMODE";
    case gpc::PC_ORD_PAPER_QUALITY: return "PC_ORD_PAPER_QUALITY";
    case gpc::PC_ORD_IMAGECONTROL: return "PC_ORD_IMAGECONTROL";
    case gpc::PC_ORD_PRINTDENSITY: return "PC_ORD_PRINTDENSITY";
    default: return "position this reader does not know";
  }
}

inline const char* KindName(OptionKind kind) {
  switch (kind) {
    case OptionKind::kResolution: return "resolution";
    case OptionKind::kPaperSize: return "paper size";
    case OptionKind::kPaperQuality: return "paper quality";
    case OptionKind::kPaperSource: return "paper source";
    case OptionKind::kTextQuality: return "text quality";
    case OptionKind::kImageControl: return "image control";
  }
  return "?";
}

inline constexpr OptionKind kAllKinds[] = {OptionKind::kResolution,   OptionKind::kPaperSize,
                                    OptionKind::kPaperQuality, OptionKind::kPaperSource,
                                    OptionKind::kTextQuality,  OptionKind::kImageControl};

}  // namespace names
}  // namespace tables

#endif  // QUILLORY2_TABLES_TABLE_NAMES_H_
