// Record layouts of the NT 4.0 universal printer driver's printer description
// table ("GPC" format), as far as this printer's table uses them.
//
// The host driver reads the table as a byte image: a DATAHDR with one header
// entry per record kind, the records of each kind packed one after another,
// then a heap of index lists and command descriptors that the records point
// into by 16-bit heap offsets. Everything is little-endian; words are 16-bit
// unless a field says otherwise.
//
// Each record kind below is a plain struct with the format's field names and
// a Visit() that lists every field with its byte offset in the record. The
// generator, the reader and the dump all go through Visit(), so a field's
// offset is written down exactly once. Format constants keep the format's own
// upper-case names so that they can be looked up by those names.
#ifndef QUILLORY2_TABLES_GPC_FORMAT_H_
#define QUILLORY2_TABLES_GPC_FORMAT_H_

#include <stddef.h>
#include <stdint.h>

#include <array>

namespace gpc {

// ---------------------------------------------------------------------------
// General constants

constexpr uint16_t GPC_MAGIC = 0x7F00;
constexpr uint16_t GPC_VERSION = 0x03D4;      // format version 3.x
constexpr uint16_t GPC_TECH_PCL4 = 1;         // escape sequences of the PCL kind
constexpr uint16_t NOOCD = 0xFFFF;            // "no command" in an OCD field
constexpr int kMaxHeaderEntries = 30;

// A command descriptor (CD) in the heap: byte fGeneral, byte bCmdCbId, word
// wCount (EXTCD parameter records after the command), word wLength, then the
// command bytes. Descriptors start on even heap offsets.
constexpr int kCdGeneral = 0;
constexpr int kCdCallbackId = 1;
constexpr int kCdCount = 2;
constexpr int kCdLength = 4;
constexpr int kCdHeaderBytes = 6;

// Header entry slots, one per record kind.
constexpr int HE_MODELDATA = 0;
constexpr int HE_RESOLUTION = 1;
constexpr int HE_PAPERSIZE = 2;
constexpr int HE_PAPERQUALITY = 3;
constexpr int HE_PAPERSOURCE = 4;
constexpr int HE_PAPERDEST = 5;
constexpr int HE_TEXTQUAL = 6;
constexpr int HE_COMPRESSION = 7;
constexpr int HE_FONTCART = 8;
constexpr int HE_PAGECONTROL = 9;
constexpr int HE_CURSORMOVE = 10;
constexpr int HE_FONTSIM = 11;
constexpr int HE_COLOR = 12;
constexpr int HE_RECTFILL = 13;
constexpr int HE_DOWNLOADINFO = 14;
// Slots 15 to 22 hold the eight vector-graphics record kinds.
constexpr int HE_IMAGECONTROL = 23;
constexpr int HE_PRINTDENSITY = 24;
constexpr int HE_COLORTRC = 25;
// Slots 26 to 29 are reserved.

// MODELDATA.rgoi: list offsets of the choices this model offers.
constexpr int MD_OI_PORT_FONTS = 0;
constexpr int MD_OI_LAND_FONTS = 1;
constexpr int MD_OI_RESOLUTION = 2;
constexpr int MD_OI_PAPERSIZE = 3;
constexpr int MD_OI_PAPERQUALITY = 4;
constexpr int MD_OI_PAPERSOURCE = 5;
constexpr int MD_OI_PAPERDEST = 6;
constexpr int MD_OI_TEXTQUAL = 7;
constexpr int MD_OI_COMPRESSION = 8;
constexpr int MD_OI_FONTCART = 9;
constexpr int MD_OI_COLOR = 10;
constexpr int MD_OI_MEMCONFIG = 11;
constexpr int MD_OI_MAX = 12;
// MODELDATA.rgoi2.
constexpr int MD_OI2_PENINFO = 0;
constexpr int MD_OI2_IMAGECONTROL = 1;
constexpr int MD_OI2_PRINTDENSITY = 2;
constexpr int MD_OI2_COLORTRC = 3;
constexpr int MD_OI2_RESERVED = 4;
constexpr int MD_OI2_MAX = 5;
// The default list has one word per rgoi slot, then one per rgoi2 slot.
constexpr int kDefaultListWords = MD_OI_MAX + MD_OI2_MAX;
constexpr int DefaultSlotOfOi2(int oi2) { return MD_OI_MAX + oi2; }
// MODELDATA.rgi: 0-based record numbers of single-record kinds, -1 for none.
constexpr int MD_I_PAGECONTROL = 0;
constexpr int MD_I_CURSORMOVE = 1;
constexpr int MD_I_MAX = 16;

// MODELDATA.fGeneral and fText bits.
constexpr uint16_t MD_SERIAL = 0x0001;
constexpr uint16_t MD_USE_CURSOR_ORIG = 0x0400;
constexpr uint16_t MD_MARGINS = 0x2000;
#ifdef TC_UA_ABLE
#undef TC_UA_ABLE  // <wingdi.h> has the same text capability as a macro
#endif
constexpr uint16_t TC_UA_ABLE = 0x0800;

// RESOLUTION bits and command slots.
constexpr uint16_t RES_DM_GDI = 0x0040;
constexpr uint16_t RES_DM_LEFT_BOUND = 0x0080;
constexpr uint16_t RES_DM_COLOR = 0x0100;
constexpr uint16_t RES_BO_OEMGRXFILTER = 0x4000;
constexpr uint16_t RES_CUR_X_POS_AT_0 = 0x0002;
constexpr uint16_t RES_CUR_Y_POS_AUTO = 0x0004;
constexpr int RES_OCD_SELECTRES = 0;
constexpr int RES_OCD_BEGINGRAPHICS = 1;
constexpr int RES_OCD_ENDGRAPHICS = 2;
constexpr int RES_OCD_SENDBLOCK = 3;
constexpr int RES_OCD_ENDBLOCK = 4;
constexpr int RES_OCD_MAX = 5;

// Paper types.
constexpr uint16_t PS_T_STD = 0x0001;

// COMPRESSMODE.
constexpr int16_t CMP_ID_RLE = 1;
constexpr int CMP_OCD_BEGIN = 0;
constexpr int CMP_OCD_END = 1;
constexpr int CMP_OCD_MAX = 2;

// PAGECONTROL command slots.
constexpr int PC_OCD_BEGIN_DOC = 0;
constexpr int PC_OCD_BEGIN_PAGE = 1;
constexpr int PC_OCD_DUPLEX_ON = 2;
constexpr int PC_OCD_ENDDOC = 3;
constexpr int PC_OCD_ENDPAGE = 4;
constexpr int PC_OCD_DUPLEX_OFF = 5;
constexpr int PC_OCD_ABORT = 6;
constexpr int PC_OCD_PORTRAIT = 7;
constexpr int PC_OCD_LANDSCAPE = 8;
constexpr int PC_OCD_MULT_COPIES = 9;
constexpr int PC_OCD_DUPLEX_VERT = 10;
constexpr int PC_OCD_DUPLEX_HORZ = 11;
constexpr int PC_OCD_PRN_DIRECTION = 12;
constexpr int PC_OCD_JOB_SEPARATION = 13;
constexpr int PC_OCD_MAX = 14;

// Positions of the page control order list: which command goes where in the
// job preamble. Only the positions this printer's table uses are named.
constexpr uint16_t PC_ORD_BEGINDOC = 1;
constexpr uint16_t PC_ORD_TEXTQUALITY = 6;
constexpr uint16_t PC_ORD_PAPER_SIZE = 8;
constexpr uint16_t PC_ORD_RESOLUTION = 10;
constexpr uint16_t PC_ORD_BEGINPAGE = 11;
constexpr uint16_t PC_ORD_SETCOLORMODE = 12;
constexpr uint16_t PC_ORD_PAPER_QUALITY = 13;
constexpr uint16_t PC_ORD_IMAGECONTROL = 15;
constexpr uint16_t PC_ORD_PRINTDENSITY = 16;

// CURSORMOVE command slots.
constexpr int CM_OCD_XM_ABS = 0;
constexpr int CM_OCD_XM_REL = 1;
constexpr int CM_OCD_XM_RELLEFT = 2;
constexpr int CM_OCD_YM_ABS = 3;
constexpr int CM_OCD_YM_REL = 4;
constexpr int CM_OCD_YM_RELUP = 5;
constexpr int CM_OCD_YM_LINESPACING = 6;
constexpr int CM_OCD_XY_REL = 7;
constexpr int CM_OCD_XY_ABS = 8;
constexpr int CM_OCD_CR = 9;
constexpr int CM_OCD_LF = 10;
constexpr int CM_OCD_FF = 11;
constexpr int CM_OCD_BS = 12;
constexpr int CM_OCD_UNI_DIR = 13;
constexpr int CM_OCD_UNI_DIR_OFF = 14;
constexpr int CM_OCD_PUSH_POS = 15;
constexpr int CM_OCD_POP_POS = 16;
constexpr int CM_OCD_MAX = 17;

// DEVCOLOR command slots: eight text colours, the colour mode command, then
// palette and monochrome mode commands.
constexpr int DC_OCD_TEXT_FIRST = 0;
constexpr int DC_OCD_SETCOLORMODE = 8;
constexpr int DC_OCD_MAX = 14;
constexpr int kDevColorOrderBytes = 4;

// ---------------------------------------------------------------------------
// Field values and how a dump shows them

struct Point {
  int16_t x = 0;
  int16_t y = 0;
};
struct Rect {
  int16_t left = 0;
  int16_t top = 0;
  int16_t right = 0;
  int16_t bottom = 0;
};
struct HeaderEntry {
  int16_t sOffset = 0;
  int16_t sLength = 0;
  int16_t sCount = 0;
};

enum class Show : uint8_t {
  kNumber,       // signed decimal
  kFlags,        // hexadecimal
  kStringId,     // an id in the string table
  kListOffset,   // heap offset of a 0-ended index list, 0 for none
  kWordsOffset,  // heap offset of a fixed-length run of words
  kOcd,          // heap offset of a command descriptor, NOOCD for none
  kBytes,        // raw bytes
};

inline size_t FieldBytes(int16_t) { return 2; }
inline size_t FieldBytes(uint16_t) { return 2; }
inline size_t FieldBytes(uint32_t) { return 4; }
inline size_t FieldBytes(int32_t) { return 4; }
inline size_t FieldBytes(uint8_t) { return 1; }
inline size_t FieldBytes(const Point&) { return 4; }
inline size_t FieldBytes(const Rect&) { return 8; }
inline size_t FieldBytes(const HeaderEntry&) { return 6; }
template <class T, size_t N>
size_t FieldBytes(const std::array<T, N>& a) {
  return N == 0 ? 0 : N * FieldBytes(a[0]);
}

// Little-endian byte access.
inline uint16_t GetWord(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetDword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutWord(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutDword(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void Encode(uint8_t* p, int16_t v) { PutWord(p, static_cast<uint16_t>(v)); }
inline void Encode(uint8_t* p, uint16_t v) { PutWord(p, v); }
inline void Encode(uint8_t* p, uint32_t v) { PutDword(p, v); }
inline void Encode(uint8_t* p, int32_t v) { PutDword(p, static_cast<uint32_t>(v)); }
inline void Encode(uint8_t* p, uint8_t v) { *p = v; }
inline void Encode(uint8_t* p, const Point& v) {
  Encode(p, v.x);
  Encode(p + 2, v.y);
}
inline void Encode(uint8_t* p, const Rect& v) {
  Encode(p, v.left);
  Encode(p + 2, v.top);
  Encode(p + 4, v.right);
  Encode(p + 6, v.bottom);
}
inline void Encode(uint8_t* p, const HeaderEntry& v) {
  Encode(p, v.sOffset);
  Encode(p + 2, v.sLength);
  Encode(p + 4, v.sCount);
}
template <class T, size_t N>
void Encode(uint8_t* p, const std::array<T, N>& a) {
  for (size_t i = 0; i < N; ++i) Encode(p + i * FieldBytes(a[i]), a[i]);
}

inline void Decode(const uint8_t* p, int16_t* v) { *v = static_cast<int16_t>(GetWord(p)); }
inline void Decode(const uint8_t* p, uint16_t* v) { *v = GetWord(p); }
inline void Decode(const uint8_t* p, uint32_t* v) { *v = GetDword(p); }
inline void Decode(const uint8_t* p, int32_t* v) { *v = static_cast<int32_t>(GetDword(p)); }
inline void Decode(const uint8_t* p, uint8_t* v) { *v = *p; }
inline void Decode(const uint8_t* p, Point* v) {
  Decode(p, &v->x);
  Decode(p + 2, &v->y);
}
inline void Decode(const uint8_t* p, Rect* v) {
  Decode(p, &v->left);
  Decode(p + 2, &v->top);
  Decode(p + 4, &v->right);
  Decode(p + 6, &v->bottom);
}
inline void Decode(const uint8_t* p, HeaderEntry* v) {
  Decode(p, &v->sOffset);
  Decode(p + 2, &v->sLength);
  Decode(p + 4, &v->sCount);
}
template <class T, size_t N>
void Decode(const uint8_t* p, std::array<T, N>* a) {
  for (size_t i = 0; i < N; ++i) Decode(p + i * FieldBytes((*a)[i]), &(*a)[i]);
}

// ---------------------------------------------------------------------------
// Records. Visit(record, visitor) calls visitor(name, offset, field, show)
// for every field in stored order; record may be const or not.

struct DataHeader {
  static constexpr const char* kName = "DATAHDR";
  static constexpr int kSize = 212;

  uint16_t sMagic = GPC_MAGIC;
  uint16_t wVersion = GPC_VERSION;
  Point ptMaster;
  uint32_t loHeap = 0;
  uint32_t dwFileSize = 0;
  uint16_t fTechnology = 0;
  uint16_t fGeneral = 0;
  std::array<uint8_t, 10> rgchRes{};
  int16_t sMaxHE = kMaxHeaderEntries;
  std::array<HeaderEntry, kMaxHeaderEntries> rghe{};

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("sMagic", 0, r.sMagic, Show::kFlags);
    v("wVersion", 2, r.wVersion, Show::kFlags);
    v("ptMaster", 4, r.ptMaster, Show::kNumber);
    v("loHeap", 8, r.loHeap, Show::kFlags);
    v("dwFileSize", 12, r.dwFileSize, Show::kNumber);
    v("fTechnology", 16, r.fTechnology, Show::kNumber);
    v("fGeneral", 18, r.fGeneral, Show::kFlags);
    v("rgchRes", 20, r.rgchRes, Show::kBytes);
    v("sMaxHE", 30, r.sMaxHE, Show::kNumber);
    v("rghe", 32, r.rghe, Show::kNumber);
  }
};

struct ModelData {
  static constexpr const char* kName = "MODELDATA";
  static constexpr int kSize = 152;
  static constexpr int kHeaderSlot = HE_MODELDATA;

  int16_t cbSize = kSize;
  int16_t sIDS = 0;
  uint16_t fGeneral = 0;
  uint16_t fCurves = 0;
  uint16_t fLines = 0;
  uint16_t fPolygonals = 0;
  uint16_t fText = 0;
  uint16_t fClip = 0;
  uint16_t fRaster = 0;
  uint16_t fLText = 0;
  int16_t sLeftMargin = 0;
  int16_t sMaxPhysWidth = 0;
  Point ptMax;
  Point ptMin;
  int16_t sDefaultFontID = 0;
  int16_t sLookAhead = 0;
  int16_t sMaxFontsPage = 0;
  int16_t sCartSlots = 0;
  int16_t sDefaultCTT = 0;
  std::array<uint16_t, MD_OI_MAX> rgoi{};
  std::array<int16_t, MD_I_MAX> rgi{};
  std::array<uint16_t, MD_OI2_MAX> rgoi2{};
  uint16_t orgoiDefaults = 0;
  uint16_t wReserved = 0;
  uint32_t dwICMManufacturer = 0;
  uint32_t dwICMModel = 0;
  std::array<uint32_t, 8> rgdwReserved{};

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("sIDS", 2, r.sIDS, Show::kStringId);
    v("fGeneral", 4, r.fGeneral, Show::kFlags);
    v("fCurves", 6, r.fCurves, Show::kFlags);
    v("fLines", 8, r.fLines, Show::kFlags);
    v("fPolygonals", 10, r.fPolygonals, Show::kFlags);
    v("fText", 12, r.fText, Show::kFlags);
    v("fClip", 14, r.fClip, Show::kFlags);
    v("fRaster", 16, r.fRaster, Show::kFlags);
    v("fLText", 18, r.fLText, Show::kFlags);
    v("sLeftMargin", 20, r.sLeftMargin, Show::kNumber);
    v("sMaxPhysWidth", 22, r.sMaxPhysWidth, Show::kNumber);
    v("ptMax", 24, r.ptMax, Show::kNumber);
    v("ptMin", 28, r.ptMin, Show::kNumber);
    v("sDefaultFontID", 32, r.sDefaultFontID, Show::kNumber);
    v("sLookAhead", 34, r.sLookAhead, Show::kNumber);
    v("sMaxFontsPage", 36, r.sMaxFontsPage, Show::kNumber);
    v("sCartSlots", 38, r.sCartSlots, Show::kNumber);
    v("sDefaultCTT", 40, r.sDefaultCTT, Show::kNumber);
    v("rgoi", 42, r.rgoi, Show::kListOffset);
    v("rgi", 66, r.rgi, Show::kNumber);
    v("rgoi2", 98, r.rgoi2, Show::kListOffset);
    v("orgoiDefaults", 108, r.orgoiDefaults, Show::kWordsOffset);
    v("wReserved", 110, r.wReserved, Show::kNumber);
    v("dwICMManufacturer", 112, r.dwICMManufacturer, Show::kFlags);
    v("dwICMModel", 116, r.dwICMModel, Show::kFlags);
    v("rgdwReserved", 120, r.rgdwReserved, Show::kNumber);
  }
};

struct Resolution {
  static constexpr const char* kName = "RESOLUTION";
  static constexpr int kSize = 40;
  static constexpr int kHeaderSlot = HE_RESOLUTION;

  int16_t cbSize = kSize;
  int16_t sIDS = 0;
  uint16_t fDump = 0;
  uint16_t fBlockOut = 0;
  uint16_t fCursor = 0;
  int16_t iDitherBrush = 0;
  Point ptTextScale;
  Point ptScaleFac;
  int16_t sNPins = 0;
  int16_t sPinsPerPass = 0;
  int16_t sTextYOffset = 0;
  int16_t sMinBlankSkip = 0;
  int16_t sSpotDiameter = 0;
  std::array<uint16_t, RES_OCD_MAX> rgocd{NOOCD, NOOCD, NOOCD, NOOCD, NOOCD};

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("sIDS", 2, r.sIDS, Show::kStringId);
    v("fDump", 4, r.fDump, Show::kFlags);
    v("fBlockOut", 6, r.fBlockOut, Show::kFlags);
    v("fCursor", 8, r.fCursor, Show::kFlags);
    v("iDitherBrush", 10, r.iDitherBrush, Show::kNumber);
    v("ptTextScale", 12, r.ptTextScale, Show::kNumber);
    v("ptScaleFac", 16, r.ptScaleFac, Show::kNumber);
    v("sNPins", 20, r.sNPins, Show::kNumber);
    v("sPinsPerPass", 22, r.sPinsPerPass, Show::kNumber);
    v("sTextYOffset", 24, r.sTextYOffset, Show::kNumber);
    v("sMinBlankSkip", 26, r.sMinBlankSkip, Show::kNumber);
    v("sSpotDiameter", 28, r.sSpotDiameter, Show::kNumber);
    v("rgocd", 30, r.rgocd, Show::kOcd);
  }
};

struct PaperSize {
  static constexpr const char* kName = "PAPERSIZE";
  static constexpr int kSize = 60;
  static constexpr int kHeaderSlot = HE_PAPERSIZE;

  int16_t cbSize = kSize;
  int16_t sPaperSizeID = 0;
  uint16_t fGeneral = 0;
  uint16_t fPaperType = 0;
  Point ptSize;
  Rect rcMargins;
  Point ptCursorOrig;
  Point ptLCursorOrig;
  uint16_t ocdSelect = NOOCD;
  Rect rcLMargins;
  int16_t sReserved = 0;  // the word after the landscape margins
  std::array<uint8_t, 20> rgbReserved{};

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("sPaperSizeID", 2, r.sPaperSizeID, Show::kStringId);
    v("fGeneral", 4, r.fGeneral, Show::kFlags);
    v("fPaperType", 6, r.fPaperType, Show::kFlags);
    v("ptSize", 8, r.ptSize, Show::kNumber);
    v("rcMargins", 12, r.rcMargins, Show::kNumber);
    v("ptCursorOrig", 20, r.ptCursorOrig, Show::kNumber);
    v("ptLCursorOrig", 24, r.ptLCursorOrig, Show::kNumber);
    v("ocdSelect", 28, r.ocdSelect, Show::kOcd);
    v("rcLMargins", 30, r.rcLMargins, Show::kNumber);
    v("sReserved", 38, r.sReserved, Show::kNumber);
    v("rgbReserved", 40, r.rgbReserved, Show::kBytes);
  }
};

struct PaperQuality {
  static constexpr const char* kName = "PAPERQUALITY";
  static constexpr int kSize = 12;
  static constexpr int kHeaderSlot = HE_PAPERQUALITY;

  int16_t cbSize = kSize;
  int16_t sPaperQualID = 0;
  uint16_t wReserved = 0;
  uint32_t dwReserved = 0;
  uint16_t ocdSelect = NOOCD;

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("sPaperQualID", 2, r.sPaperQualID, Show::kStringId);
    v("wReserved", 4, r.wReserved, Show::kNumber);
    v("dwReserved", 6, r.dwReserved, Show::kNumber);
    v("ocdSelect", 10, r.ocdSelect, Show::kOcd);
  }
};

struct PaperSource {
  static constexpr const char* kName = "PAPERSOURCE";
  static constexpr int kSize = 16;
  static constexpr int kHeaderSlot = HE_PAPERSOURCE;

  int16_t cbSize = kSize;
  int16_t sPaperSourceID = 0;
  uint16_t fGeneral = 0;
  uint16_t fPaperType = 0;
  int16_t sTopMargin = 0;
  int16_t sBottomMargin = 0;
  int16_t sBinAdjust = 0;
  uint16_t ocdSelect = NOOCD;

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("sPaperSourceID", 2, r.sPaperSourceID, Show::kStringId);
    v("fGeneral", 4, r.fGeneral, Show::kFlags);
    v("fPaperType", 6, r.fPaperType, Show::kFlags);
    v("sTopMargin", 8, r.sTopMargin, Show::kNumber);
    v("sBottomMargin", 10, r.sBottomMargin, Show::kNumber);
    v("sBinAdjust", 12, r.sBinAdjust, Show::kNumber);
    v("ocdSelect", 14, r.ocdSelect, Show::kOcd);
  }
};

// TEXTQUALITY and IMAGECONTROL share one layout: a named choice and the
// command that selects it.
struct SelectRecord {
  static constexpr int kSize = 8;

  int16_t cbSize = kSize;
  int16_t sID = 0;
  uint16_t fGeneral = 0;
  uint16_t ocdSelect = NOOCD;

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("sID", 2, r.sID, Show::kStringId);
    v("fGeneral", 4, r.fGeneral, Show::kFlags);
    v("ocdSelect", 6, r.ocdSelect, Show::kOcd);
  }
};
struct TextQuality : SelectRecord {
  static constexpr const char* kName = "TEXTQUALITY";
  static constexpr int kHeaderSlot = HE_TEXTQUAL;
};
struct ImageControl : SelectRecord {
  static constexpr const char* kName = "IMAGECONTROL";
  static constexpr int kHeaderSlot = HE_IMAGECONTROL;
};

struct CompressMode {
  static constexpr const char* kName = "COMPRESSMODE";
  static constexpr int kSize = 8;
  static constexpr int kHeaderSlot = HE_COMPRESSION;

  int16_t cbSize = kSize;
  int16_t iMode = 0;
  std::array<uint16_t, CMP_OCD_MAX> rgocd{NOOCD, NOOCD};

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("iMode", 2, r.iMode, Show::kNumber);
    v("rgocd", 4, r.rgocd, Show::kOcd);
  }
};

struct PageControl {
  static constexpr const char* kName = "PAGECONTROL";
  static constexpr int kSize = 36;
  static constexpr int kHeaderSlot = HE_PAGECONTROL;

  int16_t cbSize = kSize;
  int16_t sMaxCopyCount = 0;
  uint16_t fGeneral = 0;
  uint16_t orgwOrder = 0;
  std::array<uint16_t, PC_OCD_MAX> rgocd{NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD,
                                         NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD};

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("sMaxCopyCount", 2, r.sMaxCopyCount, Show::kNumber);
    v("fGeneral", 4, r.fGeneral, Show::kFlags);
    v("orgwOrder", 6, r.orgwOrder, Show::kListOffset);
    v("rgocd", 8, r.rgocd, Show::kOcd);
  }
};

struct CursorMove {
  static constexpr const char* kName = "CURSORMOVE";
  static constexpr int kSize = 44;
  static constexpr int kHeaderSlot = HE_CURSORMOVE;

  int16_t cbSize = kSize;
  uint16_t wReserved = 0;
  uint16_t fGeneral = 0;
  uint16_t fXMove = 0;
  uint16_t fYMove = 0;
  std::array<uint16_t, CM_OCD_MAX> rgocd{NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD,
                                         NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD,
                                         NOOCD, NOOCD, NOOCD, NOOCD, NOOCD};

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("wReserved", 2, r.wReserved, Show::kNumber);
    v("fGeneral", 4, r.fGeneral, Show::kFlags);
    v("fXMove", 6, r.fXMove, Show::kFlags);
    v("fYMove", 8, r.fYMove, Show::kFlags);
    v("rgocd", 10, r.rgocd, Show::kOcd);
  }
};

struct DevColor {
  static constexpr const char* kName = "DEVCOLOR";
  static constexpr int kSize = 44;
  static constexpr int kHeaderSlot = HE_COLOR;

  int16_t cbSize = kSize;
  uint16_t fGeneral = 0;
  int16_t sPlanes = 0;
  int16_t sBitsPixel = 0;
  uint16_t orgocdPlanes = 0;  // sPlanes OCD words, no end mark
  std::array<uint16_t, DC_OCD_MAX> rgocd{NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD,
                                         NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD, NOOCD};
  std::array<uint8_t, kDevColorOrderBytes> rgbOrder{};
  uint16_t wReserved = 0;

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cbSize", 0, r.cbSize, Show::kNumber);
    v("fGeneral", 2, r.fGeneral, Show::kFlags);
    v("sPlanes", 4, r.sPlanes, Show::kNumber);
    v("sBitsPixel", 6, r.sBitsPixel, Show::kNumber);
    v("orgocdPlanes", 8, r.orgocdPlanes, Show::kWordsOffset);
    v("rgocd", 10, r.rgocd, Show::kOcd);
    v("rgbOrder", 38, r.rgbOrder, Show::kNumber);
    v("wReserved", 42, r.wReserved, Show::kNumber);
  }
};

// rgbOrder values: the plane colours in the order the host driver renders them.
constexpr uint8_t DC_PLANE_CYAN = 4;
constexpr uint8_t DC_PLANE_MAGENTA = 5;
constexpr uint8_t DC_PLANE_YELLOW = 6;

// ---------------------------------------------------------------------------
// Whole-record encoding through Visit()

struct FieldEncoder {
  uint8_t* base;
  template <class T>
  void operator()(const char*, int offset, const T& value, Show) {
    Encode(base + offset, value);
  }
};

struct FieldDecoder {
  const uint8_t* base;
  template <class T>
  void operator()(const char*, int offset, T& value, Show) {
    Decode(base + offset, &value);
  }
};

// Writes record into dst, which must hold Record::kSize bytes.
template <class Record>
void StoreRecord(const Record& record, uint8_t* dst) {
  FieldEncoder encoder{dst};
  Record::Visit(record, encoder);
}

// Reads a record from src, which must hold Record::kSize bytes.
template <class Record>
Record LoadRecord(const uint8_t* src) {
  Record record;
  FieldDecoder decoder{src};
  Record::Visit(record, decoder);
  return record;
}

}  // namespace gpc

#endif  // QUILLORY2_TABLES_GPC_FORMAT_H_
