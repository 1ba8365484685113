// Build-time generator of the minidriver's characterization resources.
//
// Lays out, record by record, the printer description table that the NT 4.0
// host driver reads (what the printer is, its resolutions, media, options
// and the commands the host driver sends itself), the NT extension table
// with the colour calibration, and the string table of the names the user
// sees. The heap offsets are not written down anywhere: each list and
// command descriptor is appended to the heap and its owner field takes the
// offset that came back.
//
// Writes into the output folder:
//   gpc.bin, ntext.bin     the two type-257 resources, byte for byte
//   quilry2.rc             resource script of the Windows build
//   built_tables.cpp       the same bytes and strings compiled into programs
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "files/read_file.h"
#include "files/write_file.h"
#include "geometry/printer_geometry.h"
#include "tables/gpc_format.h"
#include "tables/nt_extension_format.h"
#include "tables/string_resource.h"

namespace {

using namespace gpc;  // NOLINT: the format's own names read best unqualified here

// ---------------------------------------------------------------------------
// String ids. 257 and up is the range for names a minidriver defines itself.

constexpr int16_t IDS_MODEL = 1;
constexpr int16_t IDS_RES_300_300 = 257;
constexpr int16_t IDS_RES_300_600 = 258;
constexpr int16_t IDS_PAPER_CD = 259;
constexpr int16_t IDS_MEDIA_REGULAR = 260;
constexpr int16_t IDS_MEDIA_MATTE = 261;
constexpr int16_t IDS_TRAY_CD = 262;
constexpr int16_t IDS_OPTION_OFF = 263;
constexpr int16_t IDS_OPTION_ON = 264;
constexpr int16_t IDS_IMAGE_AUTO = 265;  // image-control option n is IDS_IMAGE_AUTO + n
constexpr int kImageControlOptions = 100;

std::vector<tables::StringEntry> Strings() {
  std::vector<tables::StringEntry> strings = {
      {IDS_MODEL, "Quillory2"},
      // The 300 x 300 name really carries "%d"; both names end with a space.
      {IDS_RES_300_300, "%d x 300 DPI "},
      {IDS_RES_300_600, "600 x 300 DPI "},
      {IDS_PAPER_CD, "CD"},
      {IDS_MEDIA_REGULAR, "Regular"},
      {IDS_MEDIA_MATTE, "Matte"},
      {IDS_TRAY_CD, "CD Tray"},
      {IDS_OPTION_OFF, "OFF"},
      {IDS_OPTION_ON, "ON"},
      {IDS_IMAGE_AUTO, "AUTO"},
  };
  for (int n = 1; n <= kImageControlOptions; ++n) {
    strings.push_back({IDS_IMAGE_AUTO + n, std::to_string(n)});
  }
  return strings;
}

// A printer command: ESC and the given text.
std::vector<uint8_t> Esc(const std::string& text) {
  std::vector<uint8_t> bytes(text.size() + 1, 0x1B);
  for (size_t i = 0; i < text.size(); ++i) bytes[i + 1] = static_cast<uint8_t>(text[i]);
  return bytes;
}

// ---------------------------------------------------------------------------
// The heap: lists and command descriptors, each on an even offset.

class HeapBuilder {
 public:
  // n zero bytes.
  uint16_t Zeros(size_t n) {
    const uint16_t at = Start();
    bytes_.resize(bytes_.size() + n, 0);
    return at;
  }
  // A fixed run of words, no end mark.
  uint16_t Words(const std::vector<uint16_t>& words) {
    const uint16_t at = Start();
    for (uint16_t w : words) AppendWord(w);
    return at;
  }
  // An index list: the words and the 0 that ends them.
  uint16_t List(std::vector<uint16_t> words) {
    words.push_back(0);
    return Words(words);
  }
  // A command descriptor without callback or parameter records.
  uint16_t Command(const std::vector<uint8_t>& command) {
    const uint16_t at = Start();
    bytes_.push_back(0);  // fGeneral
    bytes_.push_back(0);  // bCmdCbId
    AppendWord(0);        // wCount
    AppendWord(static_cast<uint16_t>(command.size()));
    bytes_.insert(bytes_.end(), command.begin(), command.end());
    return at;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  uint16_t Start() {
    if (bytes_.size() % 2 != 0) bytes_.push_back(0);
    if (bytes_.size() >= NOOCD) {
      fprintf(stderr, "generate_tables: the heap outgrew 16-bit offsets\n");
      exit(1);
    }
    return static_cast<uint16_t>(bytes_.size());
  }
  void AppendWord(uint16_t w) {
    bytes_.push_back(static_cast<uint8_t>(w));
    bytes_.push_back(static_cast<uint8_t>(w >> 8));
  }

  std::vector<uint8_t> bytes_;
};

// The records of each kind packed after the header, in header-slot order.
class RecordArea {
 public:
  explicit RecordArea(DataHeader* header) : header_(header), bytes_(DataHeader::kSize, 0) {}

  template <class Record>
  void Add(const std::vector<Record>& records) {
    HeaderEntry& entry = header_->rghe[Record::kHeaderSlot];
    entry.sOffset = static_cast<int16_t>(bytes_.size());
    entry.sLength = Record::kSize;
    entry.sCount = static_cast<int16_t>(records.size());
    for (const Record& record : records) {
      const size_t at = bytes_.size();
      bytes_.resize(at + Record::kSize);
      StoreRecord(record, bytes_.data() + at);
    }
  }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  DataHeader* header_;
  std::vector<uint8_t> bytes_;
};

// ---------------------------------------------------------------------------
// The printer description table

std::vector<uint8_t> BuildGpcTable() {
  HeapBuilder heap;
  // Heap offset 0 stands for "no list", so nothing may start there.
  heap.Zeros(4);

  // Default choices, one word per rgoi slot and per rgoi2 slot: 1-based
  // positions in the model's lists, 0 where the model offers no list.
  std::vector<uint16_t> defaults(kDefaultListWords, 0);
  defaults[MD_OI_RESOLUTION] = 2;  // 300 across x 600 down
  defaults[MD_OI_PAPERSIZE] = 1;
  defaults[MD_OI_PAPERQUALITY] = 1;  // "Regular"
  defaults[MD_OI_PAPERSOURCE] = 1;
  defaults[MD_OI_TEXTQUAL] = 1;  // "OFF"
  defaults[MD_OI_COLOR] = 1;
  defaults[DefaultSlotOfOi2(MD_OI2_IMAGECONTROL)] = 1;  // "AUTO"
  const uint16_t default_list = heap.Words(defaults);

  const uint16_t resolution_list = heap.List({1, 2});
  const uint16_t paper_size_list = heap.List({1});
  const uint16_t paper_quality_list = heap.List({1, 2});
  const uint16_t paper_source_list = heap.List({1});
  const uint16_t text_quality_list = heap.List({1, 2});
  const uint16_t colour_list = heap.List({1});
  std::vector<uint16_t> image_controls;
  for (int k = 1; k <= kImageControlOptions + 1; ++k) image_controls.push_back(static_cast<uint16_t>(k));
  const uint16_t image_control_list = heap.List(image_controls);

  // The job preamble in the order the printer wants it; begin page last, so
  // that it also starts every later page.
  const uint16_t order_list =
      heap.List({PC_ORD_BEGINDOC, PC_ORD_TEXTQUALITY, PC_ORD_PAPER_QUALITY, PC_ORD_RESOLUTION,
                 PC_ORD_IMAGECONTROL, PC_ORD_PAPER_SIZE, PC_ORD_SETCOLORMODE, PC_ORD_PRINTDENSITY,
                 PC_ORD_BEGINPAGE});

  ModelData model;
  model.sIDS = IDS_MODEL;
  model.fGeneral = MD_SERIAL | 0x0020 | MD_USE_CURSOR_ORIG | MD_MARGINS;
  model.fText = TC_UA_ABLE;
  model.fLText = TC_UA_ABLE;
  model.sLeftMargin = 55;       // 1/300 inch
  model.sMaxPhysWidth = geometry::kPrinterLineDots;
  model.ptMax = {geometry::kPrinterLineDots, -1};
  model.ptMin = {geometry::kDiscAreaDots, geometry::kDiscAreaRowAddresses};
  model.sDefaultFontID = -1;    // no device fonts
  model.sMaxFontsPage = -1;
  model.rgoi[MD_OI_RESOLUTION] = resolution_list;
  model.rgoi[MD_OI_PAPERSIZE] = paper_size_list;
  model.rgoi[MD_OI_PAPERQUALITY] = paper_quality_list;
  model.rgoi[MD_OI_PAPERSOURCE] = paper_source_list;
  model.rgoi[MD_OI_TEXTQUAL] = text_quality_list;
  model.rgoi[MD_OI_COLOR] = colour_list;
  model.rgi.fill(-1);
  model.rgi[MD_I_PAGECONTROL] = 0;
  model.rgi[MD_I_CURSORMOVE] = 0;
  model.rgoi2[MD_OI2_IMAGECONTROL] = image_control_list;
  model.orgoiDefaults = default_list;

  // Both resolutions hand every rendered row to the minidriver's graphics
  // filter; the host driver writes no raster framing of its own.
  std::vector<Resolution> resolutions(2);
  for (Resolution& r : resolutions) {
    r.fDump = RES_DM_GDI | RES_DM_LEFT_BOUND | RES_DM_COLOR;
    r.fBlockOut = RES_BO_OEMGRXFILTER | 0x0040;
    r.fCursor = RES_CUR_X_POS_AT_0 | RES_CUR_Y_POS_AUTO;
    r.iDitherBrush = 1;
    r.sNPins = 1;
    r.sPinsPerPass = 1;
    r.sMinBlankSkip = 1;
    r.sSpotDiameter = 100;
  }
  resolutions[0].sIDS = IDS_RES_300_300;
  resolutions[0].ptTextScale = {1, 2};  // a row advances 2/600 inch
  resolutions[0].rgocd[RES_OCD_SELECTRES] = heap.Command(Esc("*t300R"));
  resolutions[1].sIDS = IDS_RES_300_600;
  resolutions[1].ptTextScale = {1, 1};
  resolutions[1].rgocd[RES_OCD_SELECTRES] = heap.Command(Esc("*t600R"));

  PaperSize cd;
  cd.sPaperSizeID = IDS_PAPER_CD;
  cd.fPaperType = PS_T_STD;
  cd.ptSize = {geometry::kPrinterLineDots, geometry::kDiscAreaRowAddresses};
  cd.ptCursorOrig = {23, 0};
  cd.ptLCursorOrig = {23, 0};
  cd.rcLMargins = {-1, -1, -1, -1};
  cd.sReserved = -1;

  std::vector<PaperQuality> media(2);
  media[0].sPaperQualID = IDS_MEDIA_REGULAR;
  media[0].ocdSelect = heap.Command(Esc("!t000Q"));
  media[1].sPaperQualID = IDS_MEDIA_MATTE;
  media[1].ocdSelect = heap.Command(Esc("!t200Q"));

  PaperSource tray;
  tray.sPaperSourceID = IDS_TRAY_CD;
  tray.fGeneral = 0x0001;
  tray.fPaperType = PS_T_STD;
  tray.ocdSelect = heap.Command(Esc("&l0H"));

  std::vector<TextQuality> on_off(2);
  on_off[0].sID = IDS_OPTION_OFF;  // sends nothing
  on_off[1].sID = IDS_OPTION_ON;
  on_off[1].ocdSelect = heap.Command(Esc("!d6Q"));

  CompressMode rle;
  rle.iMode = CMP_ID_RLE;
  rle.rgocd[CMP_OCD_BEGIN] = heap.Command(Esc("*b1M"));
  rle.rgocd[CMP_OCD_END] = heap.Command(Esc("*b0M"));

  PageControl page;
  page.sMaxCopyCount = 1;
  page.orgwOrder = order_list;
  {
    // Begin document carries a fixed 12-byte pattern after its text.
    std::vector<uint8_t> begin_doc = Esc("!c2Q");
    const uint8_t pattern[12] = {0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};
    begin_doc.insert(begin_doc.end(), pattern, pattern + sizeof pattern);
    page.rgocd[PC_OCD_BEGIN_DOC] = heap.Command(begin_doc);
  }
  {
    // Begin page: the plane start command, then plain packing, so the
    // minidriver's first plane finds the printer in plain mode.
    std::vector<uint8_t> begin_page = Esc("!d4Q");
    const std::vector<uint8_t> plain = Esc("*b0M");
    begin_page.insert(begin_page.end(), plain.begin(), plain.end());
    page.rgocd[PC_OCD_BEGIN_PAGE] = heap.Command(begin_page);
  }
  page.rgocd[PC_OCD_ENDDOC] = heap.Command(Esc("!d0Q"));

  // The host driver may only move down, in 1/600 inch, by absolute row.
  CursorMove cursor;
  cursor.fXMove = 0x0080;
  cursor.fYMove = 0x0001;
  cursor.rgocd[CM_OCD_YM_ABS] = heap.Command(Esc("*p%dY"));

  std::vector<ImageControl> image(kImageControlOptions + 1);
  image[0].sID = IDS_IMAGE_AUTO;
  image[0].ocdSelect = heap.Command(Esc("!s0Q"));
  for (int n = 1; n <= kImageControlOptions; ++n) {
    image[n].sID = static_cast<int16_t>(IDS_IMAGE_AUTO + n);
    image[n].ocdSelect = heap.Command(Esc("!s" + std::to_string(500 + 20 * n) + "Q"));
  }

  // Three subtractive inks, one bit each, rendered cyan, magenta, yellow;
  // nothing is sent ahead of a plane's row.
  DevColor colour;
  colour.fGeneral = 0x0038;
  colour.sPlanes = 3;
  colour.sBitsPixel = 1;
  colour.orgocdPlanes = heap.Words({NOOCD, NOOCD, NOOCD});
  colour.rgbOrder = {DC_PLANE_CYAN, DC_PLANE_MAGENTA, DC_PLANE_YELLOW, 0};

  DataHeader header;
  header.ptMaster = {300, 600};  // master units: 1/300 inch across, 1/600 down
  header.fTechnology = GPC_TECH_PCL4;
  RecordArea area(&header);
  area.Add(std::vector<ModelData>{model});
  area.Add(resolutions);
  area.Add(std::vector<PaperSize>{cd});
  area.Add(media);
  area.Add(std::vector<PaperSource>{tray});
  area.Add(on_off);
  area.Add(std::vector<CompressMode>{rle});
  area.Add(std::vector<PageControl>{page});
  area.Add(std::vector<CursorMove>{cursor});
  area.Add(std::vector<DevColor>{colour});
  area.Add(image);

  // The heap starts on a 16-byte boundary after the records.
  std::vector<uint8_t>& bytes = area.bytes();
  bytes.resize((bytes.size() + 15) / 16 * 16, 0);
  header.loHeap = static_cast<uint32_t>(bytes.size());
  bytes.insert(bytes.end(), heap.bytes().begin(), heap.bytes().end());
  header.dwFileSize = static_cast<uint32_t>(bytes.size());
  StoreRecord(header, bytes.data());
  return bytes;
}

// ---------------------------------------------------------------------------
// The NT extension table

std::vector<uint8_t> BuildNtExtTable() {
  ntext::ColorBlock colour;
  colour.Red = {6810, 3050, 2897};
  colour.Green = {2260, 6550, 6056};
  colour.Blue = {1810, 500, 1047};
  colour.Cyan = {2000, 2450, 6912};
  colour.Magenta = {5210, 2100, 3732};
  colour.Yellow = {4750, 5100, 9120};
  colour.AlignmentWhite = {3324, 3474, 10000};
  colour.RedGamma = 10000;  // gamma 1.0
  colour.GreenGamma = 10000;
  colour.BlueGamma = 10000;
  colour.MagentaInCyanDye = 1422;
  colour.YellowInCyanDye = 952;
  colour.CyanInMagentaDye = 787;
  colour.YellowInMagentaDye = 495;
  colour.CyanInYellowDye = 324;
  colour.MagentaInYellowDye = 248;

  ntext::HalftoneBlock halftone;
  halftone.ulDevicePelsDPI = 0;
  halftone.ulHTPatternSize = ntext::HT_PATSIZE_6x6_M;

  ntext::Header header;
  header.dwFlags = 0x110;
  header.cModels = 1;
  const uint16_t colour_at = ntext::Header::kSize;
  const uint16_t halftone_at = colour_at + ntext::ColorBlock::kSize;
  header.rgoBlocks[ntext::kColorBlockSlot] = colour_at;
  header.rgoBlocks[ntext::kHalftoneBlockSlot] = halftone_at;

  std::vector<uint8_t> bytes(halftone_at + ntext::HalftoneBlock::kSize, 0);
  StoreRecord(header, bytes.data());
  StoreRecord(colour, bytes.data() + colour_at);
  StoreRecord(halftone, bytes.data() + halftone_at);
  return bytes;
}

// ---------------------------------------------------------------------------
// Output files

std::string ResourceScript(const std::vector<tables::StringEntry>& strings) {
  std::ostringstream rc;
  rc << "// Generated by generate_tables; do not edit.\n"
     << "// Resources of the NT 4.0 minidriver: the printer description table and\n"
     << "// the NT extension table (type 257), and the names they refer to.\n"
     << "LANGUAGE 9, 1\n\n"
     << "1 257 \"gpc.bin\"\n"
     << "2 257 \"ntext.bin\"\n\n"
     << "STRINGTABLE\nBEGIN\n";
  for (const tables::StringEntry& s : strings) rc << "  " << s.id << " " << tables::RcQuote(s.text) << "\n";
  rc << "END\n";
  return rc.str();
}

std::string CString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20 || c > 0x7E) {
      char octal[8];
      snprintf(octal, sizeof octal, "\\%03o", c);
      out += octal;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out + "\"";
}

void ByteArray(std::ostringstream& out, const char* name, const std::vector<uint8_t>& bytes) {
  out << "const uint8_t " << name << "[" << bytes.size() << "] = {";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) out << "\n   ";
    char hex[8];
    snprintf(hex, sizeof hex, " 0x%02X,", bytes[i]);
    out << hex;
  }
  out << "\n};\n\n";
}

std::string EmbeddedSource(const std::vector<uint8_t>& gpc_table, const std::vector<uint8_t>& ext,
                           const std::vector<tables::StringEntry>& strings) {
  std::ostringstream out;
  out << "// Generated by generate_tables; do not edit.\n"
      << "#include \"tables/built_tables.h\"\n\n"
      << "namespace tables {\nnamespace {\n\n";
  ByteArray(out, "kGpcTable", gpc_table);
  ByteArray(out, "kNtExtTable", ext);
  out << "struct IdText {\n  int id;\n  const char* text;\n};\n\n"
      << "// In id order.\nconst IdText kStrings[] = {\n";
  for (const tables::StringEntry& s : strings) out << "    {" << s.id << ", " << CString(s.text) << "},\n";
  out << "};\n\n}  // namespace\n\n"
      << "TableBytes BuiltGpcTable() { return {kGpcTable, sizeof kGpcTable}; }\n\n"
      << "TableBytes BuiltNtExtTable() { return {kNtExtTable, sizeof kNtExtTable}; }\n\n"
      << "std::string BuiltString(int id) {\n"
      << "  for (const IdText& s : kStrings) {\n"
      << "    if (s.id == id) return s.text;\n"
      << "  }\n"
      << "  return std::string();\n"
      << "}\n\n"
      << "std::vector<StringEntry> BuiltStrings() {\n"
      << "  std::vector<StringEntry> strings;\n"
      << "  for (const IdText& s : kStrings) strings.push_back({s.id, s.text});\n"
      << "  return strings;\n"
      << "}\n\n"
      << "}  // namespace tables\n";
  return out.str();
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
  // Leave an unchanged file alone so that its dependents are not rebuilt.
  std::vector<uint8_t> old;
  std::string ignored;
  if (files::ReadWholeFile(path, &old, &ignored) && old.size() == size &&
      (size == 0 || memcmp(old.data(), data, size) == 0)) {
    return true;
  }
  std::string error;
  if (!files::WriteWholeFile(path, static_cast<const uint8_t*>(data), size, &error)) {
    fprintf(stderr, "generate_tables: %s\n", error.c_str());
    return false;
  }
  return true;
}

void Usage(FILE* to) {
  fprintf(to,
          "Usage: generate_tables OUTPUT_DIR\n"
          "Writes the NT 4.0 minidriver's resources into OUTPUT_DIR (which must exist):\n"
          "  gpc.bin           printer description table (resource type 257, id 1)\n"
          "  ntext.bin         NT extension table (resource type 257, id 2)\n"
          "  quilry2.rc        resource script with both tables and the string table\n"
          "  built_tables.cpp  the same bytes and strings as C++ data\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
    Usage(stdout);
    return 0;
  }
  if (argc != 2) {
    Usage(stderr);
    return 2;
  }
  const std::string dir = argv[1];

  const std::vector<uint8_t> gpc_table = BuildGpcTable();
  const std::vector<uint8_t> ext = BuildNtExtTable();
  const std::vector<tables::StringEntry> strings = Strings();

  // A script the resource compiler would refuse or misread must not get out.
  std::map<int, std::vector<uint8_t>> blocks;
  std::string error;
  if (!tables::EncodeStringBlocks(strings, &blocks, &error)) {
    fprintf(stderr, "generate_tables: %s\n", error.c_str());
    return 1;
  }

  const std::string rc = ResourceScript(strings);
  const std::string source = EmbeddedSource(gpc_table, ext, strings);
  const bool ok = WriteFile(dir + "/gpc.bin", gpc_table.data(), gpc_table.size()) &&
                  WriteFile(dir + "/ntext.bin", ext.data(), ext.size()) &&
                  WriteFile(dir + "/quilry2.rc", rc.data(), rc.size()) &&
                  WriteFile(dir + "/built_tables.cpp", source.data(), source.size());
  return ok ? 0 : 1;
}
