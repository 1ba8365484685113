// Layout of the NT extension table: the resource beside the printer
// description table that carries what that table has no place for, the
// printer's colour calibration (a COLORINFO) and its halftone settings.
//
// A 28-byte header identifies the table and gives, for each model, the table
// offsets of that model's blocks; each block starts with its own size and
// version words. Little-endian, like the printer description table, and
// described with the same Visit() scheme (see gpc_format.h).
#ifndef QUILLORY2_TABLES_NT_EXTENSION_FORMAT_H_
#define QUILLORY2_TABLES_NT_EXTENSION_FORMAT_H_

#include <stdint.h>

#include <array>

#include "tables/gpc_format.h"

namespace ntext {

using gpc::Show;

constexpr uint32_t kIdent = 0x3C746E3E;  // the bytes ">nt<"
constexpr uint32_t kVersion = 1;
constexpr int kOffsetsPerModel = 4;
// Block slots among a model's offsets.
constexpr int kColorBlockSlot = 0;
constexpr int kHalftoneBlockSlot = 1;

// Halftone pattern size of the platform's halftoning: 6 x 6, modified.
constexpr uint32_t HT_PATSIZE_6x6_M = 5;

struct Header {
  static constexpr const char* kName = "NT extension header";
  static constexpr int kSize = 28;

  uint32_t dwIdent = kIdent;
  uint32_t dwVersion = kVersion;
  uint32_t dwFlags = 0;
  uint16_t cjThis = kSize;
  uint16_t cModels = 0;
  uint16_t cOffsetsPerModel = kOffsetsPerModel;
  std::array<uint16_t, kOffsetsPerModel> rgoBlocks{};  // model 1's block offsets
  uint16_t wFill = 0;

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("dwIdent", 0, r.dwIdent, Show::kFlags);
    v("dwVersion", 4, r.dwVersion, Show::kNumber);
    v("dwFlags", 8, r.dwFlags, Show::kFlags);
    v("cjThis", 12, r.cjThis, Show::kNumber);
    v("cModels", 14, r.cModels, Show::kNumber);
    v("cOffsetsPerModel", 16, r.cOffsetsPerModel, Show::kNumber);
    v("rgoBlocks", 18, r.rgoBlocks, Show::kNumber);
    v("wFill", 26, r.wFill, Show::kNumber);
  }
};

// Chromaticity x, y and luminance Y, each an LDECI4 (value times 10,000).
struct CieChroma {
  int32_t x = 0;
  int32_t y = 0;
  int32_t Y = 0;
};
inline size_t FieldBytes(const CieChroma&) { return 12; }
inline void Encode(uint8_t* p, const CieChroma& c) {
  gpc::Encode(p, c.x);
  gpc::Encode(p + 4, c.y);
  gpc::Encode(p + 8, c.Y);
}
inline void Decode(const uint8_t* p, CieChroma* c) {
  gpc::Decode(p, &c->x);
  gpc::Decode(p + 4, &c->y);
  gpc::Decode(p + 8, &c->Y);
}

// The colour block: its size and version words, then the platform's
// COLORINFO in the structure's member order.
struct ColorBlock {
  static constexpr const char* kName = "colour block";
  static constexpr int kSize = 124;

  uint16_t cjThis = kSize;
  uint16_t wVersion = 1;
  CieChroma Red, Green, Blue, Cyan, Magenta, Yellow, AlignmentWhite;
  int32_t RedGamma = 0;
  int32_t GreenGamma = 0;
  int32_t BlueGamma = 0;
  int32_t MagentaInCyanDye = 0;
  int32_t YellowInCyanDye = 0;
  int32_t CyanInMagentaDye = 0;
  int32_t YellowInMagentaDye = 0;
  int32_t CyanInYellowDye = 0;
  int32_t MagentaInYellowDye = 0;

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cjThis", 0, r.cjThis, Show::kNumber);
    v("wVersion", 2, r.wVersion, Show::kNumber);
    v("Red", 4, r.Red, Show::kNumber);
    v("Green", 16, r.Green, Show::kNumber);
    v("Blue", 28, r.Blue, Show::kNumber);
    v("Cyan", 40, r.Cyan, Show::kNumber);
    v("Magenta", 52, r.Magenta, Show::kNumber);
    v("Yellow", 64, r.Yellow, Show::kNumber);
    v("AlignmentWhite", 76, r.AlignmentWhite, Show::kNumber);
    v("RedGamma", 88, r.RedGamma, Show::kNumber);
    v("GreenGamma", 92, r.GreenGamma, Show::kNumber);
    v("BlueGamma", 96, r.BlueGamma, Show::kNumber);
    v("MagentaInCyanDye", 100, r.MagentaInCyanDye, Show::kNumber);
    v("YellowInCyanDye", 104, r.YellowInCyanDye, Show::kNumber);
    v("CyanInMagentaDye", 108, r.CyanInMagentaDye, Show::kNumber);
    v("YellowInMagentaDye", 112, r.YellowInMagentaDye, Show::kNumber);
    v("CyanInYellowDye", 116, r.CyanInYellowDye, Show::kNumber);
    v("MagentaInYellowDye", 120, r.MagentaInYellowDye, Show::kNumber);
  }
};

struct HalftoneBlock {
  static constexpr const char* kName = "halftone block";
  static constexpr int kSize = 12;

  uint16_t cjThis = kSize;
  uint16_t wVersion = 1;
  uint32_t ulDevicePelsDPI = 0;  // 0: no device pixel size given
  uint32_t ulHTPatternSize = 0;

  template <class R, class V>
  static void Visit(R& r, V& v) {
    v("cjThis", 0, r.cjThis, Show::kNumber);
    v("wVersion", 2, r.wVersion, Show::kNumber);
    v("ulDevicePelsDPI", 4, r.ulDevicePelsDPI, Show::kNumber);
    v("ulHTPatternSize", 8, r.ulHTPatternSize, Show::kNumber);
  }
};

}  // namespace ntext

#endif  // QUILLORY2_TABLES_NT_EXTENSION_FORMAT_H_
