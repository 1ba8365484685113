#include "minidrv/tables/table_reader.h"

#include <stdio.h>

#include <array>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace tables {

namespace {

std::string Hex(uint32_t value, int digits = 4) {
  char text[16];
  snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(value));
  return text;
}

// Names of the header slots, for messages and the dump.
const char* SlotName(int slot) {
  static const char* const kNames[gpc::kMaxHeaderEntries] = {
      "MODELDATA",    "RESOLUTION",    "PAPERSIZE",    "PAPERQUALITY", "PAPERSOURCE",
      "PAPERDEST",    "TEXTQUALITY",   "COMPRESSMODE", "FONTCART",     "PAGECONTROL",
      "CURSORMOVE",   "FONTSIMULATION", "DEVCOLOR",    "RECTFILL",     "DOWNLOADINFO",
      "VECTPAGE",     "CAROUSEL",      "PENINFO",      "LINEINFO",     "BRUSHINFO",
      "VECTOUTPUT",   "POLYVECTOUTPUT", "VECTSUPPORT", "IMAGECONTROL", "PRINTDENSITY",
      "COLORTRC",     "reserved 26",   "reserved 27",  "reserved 28",  "reserved 29"};
  return slot >= 0 && slot < gpc::kMaxHeaderEntries ? kNames[slot] : "?";
}

const char* OrderName(uint16_t position) {
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

const char* KindName(OptionKind kind) {
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

constexpr OptionKind kAllKinds[] = {OptionKind::kResolution,   OptionKind::kPaperSize,
                                    OptionKind::kPaperQuality, OptionKind::kPaperSource,
                                    OptionKind::kTextQuality,  OptionKind::kImageControl};

void Append(std::vector<uint8_t>* out, const std::vector<uint8_t>& bytes) {
  out->insert(out->end(), bytes.begin(), bytes.end());
}

}  // namespace

// ---------------------------------------------------------------------------
// Parsing

class TableParser {
 public:
  TableParser(const uint8_t* data, size_t size, std::string* error)
      : data_(data), size_(size), error_(error) {}

  std::optional<PrinterTable> Run();

 private:
  struct OffsetReader;

  bool Fail(const std::string& message) {
    if (error_ != nullptr) *error_ = message;
    return false;
  }
  bool ReadHeader();
  template <class Record>
  bool ReadRecords(std::vector<Record>* records);
  bool CheckUnknownKinds();
  bool ReadHeapWords(uint16_t offset, size_t count, const std::string& what, std::vector<uint16_t>* words);
  bool ReadList(uint16_t offset, const std::string& what);
  bool ReadCommand(uint16_t ocd, const std::string& what);
  template <class Record>
  bool ReadOffsets(const std::vector<Record>& records);
  bool CheckListRecords(uint16_t offset, size_t count, const std::string& what);
  bool CheckModel();

  const uint8_t* data_;
  size_t size_;
  std::string* error_;
  PrinterTable table_;
  size_t heap_size_ = 0;
};

// Visits a record's fields and reads every list and descriptor they point at.
struct TableParser::OffsetReader {
  TableParser* parser;
  std::string where;
  bool ok = true;

  template <class T>
  void operator()(const char* name, int, const T& value, gpc::Show show) {
    Handle(name, value, show);
  }
  void Handle(const char* name, uint16_t value, gpc::Show show) { One(std::string(name), value, show); }
  template <size_t N>
  void Handle(const char* name, const std::array<uint16_t, N>& values, gpc::Show show) {
    for (size_t i = 0; i < N; ++i) One(std::string(name) + "[" + std::to_string(i) + "]", values[i], show);
  }
  template <class T>
  void Handle(const char*, const T&, gpc::Show) {}

  void One(const std::string& field, uint16_t value, gpc::Show show) {
    if (!ok) return;
    if (show == gpc::Show::kListOffset && value != 0) ok = parser->ReadList(value, where + " " + field);
    if (show == gpc::Show::kOcd && value != gpc::NOOCD) ok = parser->ReadCommand(value, where + " " + field);
  }
};

std::optional<PrinterTable> TableParser::Run() {
  if (!ReadHeader()) return std::nullopt;
  table_.bytes_.assign(data_, data_ + size_);
  if (!ReadRecords(&table_.models_) || !ReadRecords(&table_.resolutions_) ||
      !ReadRecords(&table_.paper_sizes_) || !ReadRecords(&table_.paper_qualities_) ||
      !ReadRecords(&table_.paper_sources_) || !ReadRecords(&table_.text_qualities_) ||
      !ReadRecords(&table_.compress_modes_) || !ReadRecords(&table_.page_controls_) ||
      !ReadRecords(&table_.cursor_moves_) || !ReadRecords(&table_.dev_colors_) ||
      !ReadRecords(&table_.image_controls_) || !CheckUnknownKinds()) {
    return std::nullopt;
  }
  if (table_.models_.empty()) {
    Fail("the table has no MODELDATA record");
    return std::nullopt;
  }
  if (!ReadOffsets(table_.models_) || !ReadOffsets(table_.resolutions_) ||
      !ReadOffsets(table_.paper_sizes_) || !ReadOffsets(table_.paper_qualities_) ||
      !ReadOffsets(table_.paper_sources_) || !ReadOffsets(table_.text_qualities_) ||
      !ReadOffsets(table_.compress_modes_) || !ReadOffsets(table_.page_controls_) ||
      !ReadOffsets(table_.cursor_moves_) || !ReadOffsets(table_.dev_colors_) ||
      !ReadOffsets(table_.image_controls_) || !CheckModel()) {
    return std::nullopt;
  }
  // Every row the host sends moves the head by ptTextScale master units: a
  // resolution that does not move forward is no resolution at all.
  for (size_t i = 0; i < table_.resolutions_.size(); ++i) {
    const gpc::Resolution& res = table_.resolutions_[i];
    if (res.ptTextScale.x <= 0 || res.ptTextScale.y <= 0) {
      Fail("RESOLUTION " + std::to_string(i + 1) + " ptTextScale is (" + std::to_string(res.ptTextScale.x) +
           ", " + std::to_string(res.ptTextScale.y) + "), not positive");
      return std::nullopt;
    }
  }
  // The plane commands of the colour record(s), a fixed run of sPlanes OCDs.
  for (size_t i = 0; i < table_.dev_colors_.size(); ++i) {
    const gpc::DevColor& colour = table_.dev_colors_[i];
    const std::string where = "DEVCOLOR " + std::to_string(i + 1);
    if (colour.sPlanes < 0 || colour.sPlanes > gpc::kDevColorOrderBytes) {
      Fail(where + " sPlanes is " + std::to_string(colour.sPlanes) + ", not 0 to 4");
      return std::nullopt;
    }
    if (colour.orgocdPlanes == 0 || colour.sPlanes == 0) continue;
    std::vector<uint16_t> planes;
    if (!ReadHeapWords(colour.orgocdPlanes, static_cast<size_t>(colour.sPlanes), where + " orgocdPlanes", &planes)) {
      return std::nullopt;
    }
    for (size_t p = 0; p < planes.size(); ++p) {
      if (planes[p] != gpc::NOOCD && !ReadCommand(planes[p], where + " plane command " + std::to_string(p))) {
        return std::nullopt;
      }
    }
    if (i == 0) table_.plane_ocds_ = planes;
  }
  return std::move(table_);
}

bool TableParser::ReadHeader() {
  if (size_ < static_cast<size_t>(gpc::DataHeader::kSize)) {
    return Fail("the table is " + std::to_string(size_) + " bytes, shorter than its " +
                std::to_string(gpc::DataHeader::kSize) + "-byte DATAHDR");
  }
  const gpc::DataHeader header = gpc::LoadRecord<gpc::DataHeader>(data_);
  if (header.sMagic != gpc::GPC_MAGIC) {
    return Fail("bad magic " + Hex(header.sMagic) + ": a printer description table starts with " +
                Hex(gpc::GPC_MAGIC));
  }
  if ((header.wVersion >> 8) != (gpc::GPC_VERSION >> 8)) {
    return Fail("format version " + Hex(header.wVersion) + " is not a version 3.x table");
  }
  if (header.dwFileSize != size_) {
    return Fail("the table is " + std::to_string(size_) + " bytes but its dwFileSize says " +
                std::to_string(header.dwFileSize));
  }
  if (header.sMaxHE != gpc::kMaxHeaderEntries) {
    return Fail("sMaxHE is " + std::to_string(header.sMaxHE) + ", the format has " +
                std::to_string(gpc::kMaxHeaderEntries) + " header entries");
  }
  if (header.loHeap < static_cast<uint32_t>(gpc::DataHeader::kSize) || header.loHeap > size_) {
    return Fail("the heap offset loHeap " + Hex(header.loHeap) + " lies outside the table (" +
                std::to_string(size_) + " bytes) or inside DATAHDR");
  }
  table_.header_ = header;
  heap_size_ = size_ - header.loHeap;
  return true;
}

template <class Record>
bool TableParser::ReadRecords(std::vector<Record>* records) {
  const gpc::HeaderEntry& entry = table_.header_.rghe[Record::kHeaderSlot];
  const std::string kind = Record::kName;
  if (entry.sCount == 0) return true;
  if (entry.sCount < 0) return Fail(kind + " has a negative record count " + std::to_string(entry.sCount));
  if (entry.sLength != Record::kSize) {
    return Fail(kind + " records are " + std::to_string(entry.sLength) + " bytes; the format's are " +
                std::to_string(Record::kSize));
  }
  const int64_t begin = entry.sOffset;
  const int64_t end = begin + static_cast<int64_t>(entry.sLength) * entry.sCount;
  if (begin < gpc::DataHeader::kSize || end > static_cast<int64_t>(table_.header_.loHeap)) {
    return Fail(kind + " records at " + Hex(static_cast<uint32_t>(entry.sOffset & 0xFFFF)) + " (" +
                std::to_string(entry.sCount) + " of " + std::to_string(entry.sLength) +
                " bytes) do not lie between DATAHDR and the heap at " + Hex(table_.header_.loHeap));
  }
  for (int i = 0; i < entry.sCount; ++i) {
    Record record = gpc::LoadRecord<Record>(data_ + begin + static_cast<int64_t>(i) * Record::kSize);
    if (record.cbSize != Record::kSize) {
      return Fail(kind + " " + std::to_string(i + 1) + " gives cbSize " + std::to_string(record.cbSize) +
                  "; the format's size is " + std::to_string(Record::kSize));
    }
    records->push_back(record);
  }
  return true;
}

bool TableParser::CheckUnknownKinds() {
  static const int kKnown[] = {gpc::HE_MODELDATA,   gpc::HE_RESOLUTION,  gpc::HE_PAPERSIZE,
                               gpc::HE_PAPERQUALITY, gpc::HE_PAPERSOURCE, gpc::HE_TEXTQUAL,
                               gpc::HE_COMPRESSION, gpc::HE_PAGECONTROL, gpc::HE_CURSORMOVE,
                               gpc::HE_COLOR,       gpc::HE_IMAGECONTROL};
  for (int slot = 0; slot < gpc::kMaxHeaderEntries; ++slot) {
    bool known = false;
    for (int k : kKnown) known = known || k == slot;
    if (!known && table_.header_.rghe[slot].sCount != 0) {
      return Fail(std::string("header entry ") + std::to_string(slot) + " (" + SlotName(slot) +
                  ") has records; this reader does not know their layout");
    }
  }
  return true;
}

bool TableParser::ReadHeapWords(uint16_t offset, size_t count, const std::string& what,
                                std::vector<uint16_t>* words) {
  if (offset > heap_size_ || (heap_size_ - offset) / 2 < count) {
    return Fail(what + ": " + std::to_string(count) + " words at heap offset " + Hex(offset) +
                " run past the end of the heap (" + std::to_string(heap_size_) + " bytes)");
  }
  const uint8_t* at = data_ + table_.header_.loHeap + offset;
  words->clear();
  for (size_t i = 0; i < count; ++i) words->push_back(gpc::GetWord(at + 2 * i));
  return true;
}

bool TableParser::ReadList(uint16_t offset, const std::string& what) {
  if (table_.lists_.count(offset) != 0) return true;
  std::vector<uint16_t> words;
  const uint8_t* heap = data_ + table_.header_.loHeap;
  for (size_t at = offset;; at += 2) {
    if (at + 2 > heap_size_) {
      return Fail(what + ": the list at heap offset " + Hex(offset) + " has no 0 end inside the heap (" +
                  std::to_string(heap_size_) + " bytes)");
    }
    const uint16_t word = gpc::GetWord(heap + at);
    if (word == 0) break;
    words.push_back(word);
  }
  table_.lists_[offset] = words;
  return true;
}

bool TableParser::ReadCommand(uint16_t ocd, const std::string& what) {
  if (table_.commands_.count(ocd) != 0) return true;
  if (ocd > heap_size_ || heap_size_ - ocd < static_cast<size_t>(gpc::kCdHeaderBytes)) {
    return Fail(what + ": the command descriptor at heap offset " + Hex(ocd) +
                " lies outside the heap (" + std::to_string(heap_size_) + " bytes)");
  }
  const uint8_t* cd = data_ + table_.header_.loHeap + ocd;
  const uint16_t count = gpc::GetWord(cd + gpc::kCdCount);
  const uint16_t length = gpc::GetWord(cd + gpc::kCdLength);
  if (heap_size_ - ocd - gpc::kCdHeaderBytes < length) {
    return Fail(what + ": the command at heap offset " + Hex(ocd) + " is " + std::to_string(length) +
                " bytes long and runs past the end of the heap");
  }
  // Callbacks and parameter records change what is sent; a reader that
  // ignored them would report the wrong bytes.
  if (cd[gpc::kCdCallbackId] != 0) {
    return Fail(what + ": the command at heap offset " + Hex(ocd) + " asks for callback " +
                std::to_string(cd[gpc::kCdCallbackId]) + ", which this reader does not handle");
  }
  if (count != 0) {
    return Fail(what + ": the command at heap offset " + Hex(ocd) + " has " + std::to_string(count) +
                " parameter records, which this reader does not handle");
  }
  CommandDescriptor descriptor;
  descriptor.offset = ocd;
  descriptor.general = cd[gpc::kCdGeneral];
  descriptor.bytes.assign(cd + gpc::kCdHeaderBytes, cd + gpc::kCdHeaderBytes + length);
  table_.commands_[ocd] = std::move(descriptor);
  return true;
}

template <class Record>
bool TableParser::ReadOffsets(const std::vector<Record>& records) {
  for (size_t i = 0; i < records.size(); ++i) {
    OffsetReader reader{this, std::string(Record::kName) + " " + std::to_string(i + 1)};
    Record::Visit(records[i], reader);
    if (!reader.ok) return false;
  }
  return true;
}

bool TableParser::CheckListRecords(uint16_t offset, size_t count, const std::string& what) {
  if (offset == 0) return true;
  for (uint16_t record : table_.lists_.at(offset)) {
    if (record > count) {
      return Fail(what + " lists record " + std::to_string(record) + " but the table has " +
                  std::to_string(count));
    }
  }
  return true;
}

bool TableParser::CheckModel() {
  const size_t kOiCounts[gpc::MD_OI_MAX] = {
      SIZE_MAX, SIZE_MAX, table_.resolutions_.size(), table_.paper_sizes_.size(),
      table_.paper_qualities_.size(), table_.paper_sources_.size(), 0,
      table_.text_qualities_.size(), table_.compress_modes_.size(), SIZE_MAX,
      table_.dev_colors_.size(), SIZE_MAX};
  const size_t kOi2Counts[gpc::MD_OI2_MAX] = {0, table_.image_controls_.size(), 0, 0, SIZE_MAX};
  for (size_t m = 0; m < table_.models_.size(); ++m) {
    const gpc::ModelData& model = table_.models_[m];
    const std::string where = "MODELDATA " + std::to_string(m + 1);
    for (int i = 0; i < gpc::MD_OI_MAX; ++i) {
      if (!CheckListRecords(model.rgoi[i], kOiCounts[i], where + " rgoi[" + std::to_string(i) + "]")) return false;
    }
    for (int i = 0; i < gpc::MD_OI2_MAX; ++i) {
      if (!CheckListRecords(model.rgoi2[i], kOi2Counts[i], where + " rgoi2[" + std::to_string(i) + "]")) {
        return false;
      }
    }
    const size_t kICounts[2] = {table_.page_controls_.size(), table_.cursor_moves_.size()};
    for (int i = 0; i < 2; ++i) {
      const int16_t record = model.rgi[i];
      if (record < -1 || (record >= 0 && static_cast<size_t>(record) >= kICounts[i])) {
        return Fail(where + " rgi[" + std::to_string(i) + "] names record " + std::to_string(record) +
                    " (0-based) but the table has " + std::to_string(kICounts[i]));
      }
    }
    if (m != 0) continue;
    // The default list: one word per rgoi and rgoi2 slot, each a position
    // within that slot's list.
    if (model.orgoiDefaults == 0) {
      table_.defaults_.assign(gpc::kDefaultListWords, 0);
      continue;
    }
    if (!ReadHeapWords(model.orgoiDefaults, gpc::kDefaultListWords, where + " orgoiDefaults", &table_.defaults_)) {
      return false;
    }
    for (int slot = 0; slot < gpc::kDefaultListWords; ++slot) {
      const uint16_t list = slot < gpc::MD_OI_MAX ? model.rgoi[slot] : model.rgoi2[slot - gpc::MD_OI_MAX];
      const size_t length = list == 0 ? 0 : table_.lists_.at(list).size();
      if (table_.defaults_[slot] > length) {
        return Fail(where + " default list word " + std::to_string(slot) + " chooses entry " +
                    std::to_string(table_.defaults_[slot]) + " of a list of " + std::to_string(length));
      }
    }
  }
  return true;
}

std::optional<PrinterTable> PrinterTable::Parse(const uint8_t* data, size_t size, std::string* error) {
  if (data == nullptr && size != 0) {
    if (error != nullptr) *error = "no table data";
    return std::nullopt;
  }
  static const uint8_t kNothing = 0;
  return TableParser(data == nullptr ? &kNothing : data, size, error).Run();
}

// ---------------------------------------------------------------------------
// Queries

std::vector<uint16_t> PrinterTable::List(uint16_t heap_offset) const {
  const auto it = lists_.find(heap_offset);
  return it == lists_.end() ? std::vector<uint16_t>() : it->second;
}

std::vector<uint16_t> PrinterTable::OrderList() const {
  const int16_t page = model().rgi[gpc::MD_I_PAGECONTROL];
  return page < 0 ? std::vector<uint16_t>() : List(page_controls_[page].orgwOrder);
}

const CommandDescriptor* PrinterTable::Command(uint16_t ocd) const {
  const auto it = commands_.find(ocd);
  return it == commands_.end() ? nullptr : &it->second;
}

int PrinterTable::ListSlot(OptionKind kind) const {
  switch (kind) {
    case OptionKind::kResolution: return gpc::MD_OI_RESOLUTION;
    case OptionKind::kPaperSize: return gpc::MD_OI_PAPERSIZE;
    case OptionKind::kPaperQuality: return gpc::MD_OI_PAPERQUALITY;
    case OptionKind::kPaperSource: return gpc::MD_OI_PAPERSOURCE;
    case OptionKind::kTextQuality: return gpc::MD_OI_TEXTQUAL;
    case OptionKind::kImageControl: return gpc::DefaultSlotOfOi2(gpc::MD_OI2_IMAGECONTROL);
  }
  return 0;
}

static uint16_t ListOffsetOfSlot(const gpc::ModelData& model, int slot) {
  return slot < gpc::MD_OI_MAX ? model.rgoi[slot] : model.rgoi2[slot - gpc::MD_OI_MAX];
}

int PrinterTable::Choose(OptionKind kind, int position) const {
  const std::vector<uint16_t> list = List(ListOffsetOfSlot(model(), ListSlot(kind)));
  if (position < 1 || static_cast<size_t>(position) > list.size()) return -1;
  return list[position - 1] - 1;
}

int PrinterTable::DefaultPosition(OptionKind kind) const {
  // A default of 0 with a list present means the list's first entry.
  const uint16_t chosen = defaults_[ListSlot(kind)];
  return chosen == 0 ? 1 : chosen;
}

JobOptions PrinterTable::DefaultOptions() const {
  JobOptions options;
  options.resolution = DefaultPosition(OptionKind::kResolution);
  options.paper_quality = DefaultPosition(OptionKind::kPaperQuality);
  options.text_quality = DefaultPosition(OptionKind::kTextQuality);
  options.image_control = DefaultPosition(OptionKind::kImageControl);
  return options;
}

bool PrinterTable::CheckOptions(const JobOptions& options, std::string* error) const {
  const std::pair<OptionKind, int> chosen[] = {{OptionKind::kResolution, options.resolution},
                                               {OptionKind::kPaperQuality, options.paper_quality},
                                               {OptionKind::kTextQuality, options.text_quality},
                                               {OptionKind::kImageControl, options.image_control}};
  for (const auto& [kind, position] : chosen) {
    const size_t count = List(ListOffsetOfSlot(model(), ListSlot(kind))).size();
    // Every job needs a resolution: without one no row has a place, and
    // RowStep could not answer.
    if (count == 0 && kind == OptionKind::kResolution) {
      if (error != nullptr) *error = "the printer offers no resolution";
      return false;
    }
    // Any other kind the model does not offer takes no choice.
    if (count == 0) continue;
    if (Choose(kind, position) < 0) {
      if (error != nullptr) {
        *error = std::string(KindName(kind)) + " " + std::to_string(position) + " does not exist: the printer has " +
                 (count == 0 ? std::string("none") : "1 to " + std::to_string(count));
      }
      return false;
    }
  }
  return true;
}

void PrinterTable::Require(const JobOptions& options) const {
  std::string error;
  if (!CheckOptions(options, &error)) throw std::invalid_argument(error);
}

std::vector<uint8_t> PrinterTable::CommandAt(int order_position, const JobOptions& options) const {
  auto bytes_of = [this](uint16_t ocd) {
    const CommandDescriptor* cd = Command(ocd);
    return cd == nullptr ? std::vector<uint8_t>() : cd->bytes;
  };
  const int16_t page = model().rgi[gpc::MD_I_PAGECONTROL];
  // Choose() gives -1 for a kind the model does not offer: nothing to send.
  int record = -1;
  switch (order_position) {
    case gpc::PC_ORD_BEGINDOC:
      return page < 0 ? std::vector<uint8_t>() : bytes_of(page_controls_[page].rgocd[gpc::PC_OCD_BEGIN_DOC]);
    case gpc::PC_ORD_BEGINPAGE:
      return page < 0 ? std::vector<uint8_t>() : bytes_of(page_controls_[page].rgocd[gpc::PC_OCD_BEGIN_PAGE]);
    case gpc::PC_ORD_TEXTQUALITY:
      record = Choose(OptionKind::kTextQuality, options.text_quality);
      return record < 0 ? std::vector<uint8_t>() : bytes_of(text_qualities_[record].ocdSelect);
    case gpc::PC_ORD_PAPER_QUALITY:
      record = Choose(OptionKind::kPaperQuality, options.paper_quality);
      return record < 0 ? std::vector<uint8_t>() : bytes_of(paper_qualities_[record].ocdSelect);
    case gpc::PC_ORD_RESOLUTION:
      record = Choose(OptionKind::kResolution, options.resolution);
      return record < 0 ? std::vector<uint8_t>() : bytes_of(resolutions_[record].rgocd[gpc::RES_OCD_SELECTRES]);
    case gpc::PC_ORD_IMAGECONTROL:
      record = Choose(OptionKind::kImageControl, options.image_control);
      return record < 0 ? std::vector<uint8_t>() : bytes_of(image_controls_[record].ocdSelect);
    case gpc::PC_ORD_PAPER_SIZE:
      // Paper size is not among the job options: the model's default.
      record = Choose(OptionKind::kPaperSize, DefaultPosition(OptionKind::kPaperSize));
      return record < 0 ? std::vector<uint8_t>() : bytes_of(paper_sizes_[record].ocdSelect);
    case gpc::PC_ORD_SETCOLORMODE: {
      const std::vector<uint16_t> colours = List(model().rgoi[gpc::MD_OI_COLOR]);
      if (colours.empty()) return {};
      const uint16_t chosen = defaults_[gpc::MD_OI_COLOR];
      const uint16_t colour = colours[chosen == 0 ? 0 : chosen - 1];
      return bytes_of(dev_colors_[colour - 1].rgocd[gpc::DC_OCD_SETCOLORMODE]);
    }
    default:
      // Print density and positions for features this printer lacks have
      // no records, hence nothing to send.
      return {};
  }
}

std::vector<uint8_t> PrinterTable::JobSetup(const JobOptions& options) const {
  Require(options);
  std::vector<uint8_t> out;
  for (uint16_t position : OrderList()) {
    if (position == gpc::PC_ORD_BEGINPAGE) break;
    Append(&out, CommandAt(position, options));
  }
  return out;
}

std::vector<uint8_t> PrinterTable::PageStart(const JobOptions& options) const {
  Require(options);
  std::vector<uint8_t> out = CommandAt(gpc::PC_ORD_BEGINPAGE, options);
  bool after_begin_page = false;
  for (uint16_t position : OrderList()) {
    if (after_begin_page) Append(&out, CommandAt(position, options));
    after_begin_page = after_begin_page || position == gpc::PC_ORD_BEGINPAGE;
  }
  return out;
}

std::vector<uint8_t> PrinterTable::PageEnd() const {
  const int16_t page = model().rgi[gpc::MD_I_PAGECONTROL];
  const CommandDescriptor* cd = page < 0 ? nullptr : Command(page_controls_[page].rgocd[gpc::PC_OCD_ENDPAGE]);
  return cd == nullptr ? std::vector<uint8_t>() : cd->bytes;
}

std::vector<uint8_t> PrinterTable::JobEnd() const {
  const int16_t page = model().rgi[gpc::MD_I_PAGECONTROL];
  const CommandDescriptor* cd = page < 0 ? nullptr : Command(page_controls_[page].rgocd[gpc::PC_OCD_ENDDOC]);
  return cd == nullptr ? std::vector<uint8_t>() : cd->bytes;
}

std::vector<uint8_t> PrinterTable::MoveToRow(int32_t y) const {
  if (y < 0) throw std::invalid_argument("row position " + std::to_string(y) + " is above the page");
  const int16_t cursor = model().rgi[gpc::MD_I_CURSORMOVE];
  const CommandDescriptor* cd = cursor < 0 ? nullptr : Command(cursor_moves_[cursor].rgocd[gpc::CM_OCD_YM_ABS]);
  if (cd == nullptr) return {};
  std::vector<uint8_t> out;
  const std::string digits = std::to_string(y);
  const std::vector<uint8_t>& text = cd->bytes;
  bool replaced = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!replaced && text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'd') {
      out.insert(out.end(), digits.begin(), digits.end());
      replaced = true;
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

int32_t PrinterTable::RowStep(const JobOptions& options) const {
  Require(options);
  const int record = Choose(OptionKind::kResolution, options.resolution);
  if (record < 0) throw std::invalid_argument("the table offers no resolution");
  return resolutions_[record].ptTextScale.y;
}

std::vector<OptionChoice> PrinterTable::Options(OptionKind kind, const StringLookup& strings) const {
  std::vector<OptionChoice> choices;
  const std::vector<uint16_t> list = List(ListOffsetOfSlot(model(), ListSlot(kind)));
  for (size_t i = 0; i < list.size(); ++i) {
    OptionChoice choice;
    choice.position = static_cast<int>(i + 1);
    choice.record = list[i];
    const size_t r = list[i] - 1u;
    uint16_t ocd = gpc::NOOCD;
    switch (kind) {
      case OptionKind::kResolution:
        choice.string_id = resolutions_[r].sIDS;
        ocd = resolutions_[r].rgocd[gpc::RES_OCD_SELECTRES];
        break;
      case OptionKind::kPaperSize:
        choice.string_id = paper_sizes_[r].sPaperSizeID;
        ocd = paper_sizes_[r].ocdSelect;
        break;
      case OptionKind::kPaperQuality:
        choice.string_id = paper_qualities_[r].sPaperQualID;
        ocd = paper_qualities_[r].ocdSelect;
        break;
      case OptionKind::kPaperSource:
        choice.string_id = paper_sources_[r].sPaperSourceID;
        ocd = paper_sources_[r].ocdSelect;
        break;
      case OptionKind::kTextQuality:
        choice.string_id = text_qualities_[r].sID;
        ocd = text_qualities_[r].ocdSelect;
        break;
      case OptionKind::kImageControl:
        choice.string_id = image_controls_[r].sID;
        ocd = image_controls_[r].ocdSelect;
        break;
    }
    if (strings) choice.name = strings(choice.string_id);
    if (const CommandDescriptor* cd = Command(ocd)) choice.command = cd->bytes;
    choices.push_back(std::move(choice));
  }
  return choices;
}

// ---------------------------------------------------------------------------
// The NT extension table

std::optional<NtExtTable> NtExtTable::Parse(const uint8_t* data, size_t size, std::string* error) {
  auto fail = [error](const std::string& message) {
    if (error != nullptr) *error = message;
    return std::nullopt;
  };
  if (data == nullptr || size < static_cast<size_t>(ntext::Header::kSize)) {
    return fail("the NT extension table is " + std::to_string(size) + " bytes, shorter than its " +
                std::to_string(ntext::Header::kSize) + "-byte header");
  }
  NtExtTable table;
  table.header = gpc::LoadRecord<ntext::Header>(data);
  const ntext::Header& h = table.header;
  if (h.dwIdent != ntext::kIdent) return fail("bad identifier " + Hex(h.dwIdent, 8) + ": the table starts with \">nt<\"");
  if (h.dwVersion != ntext::kVersion) return fail("NT extension table version " + std::to_string(h.dwVersion) + " is not 1");
  if (h.cjThis != ntext::Header::kSize) {
    return fail("the NT extension header gives its size as " + std::to_string(h.cjThis) + ", not " +
                std::to_string(ntext::Header::kSize));
  }
  if (h.cModels < 1) return fail("the NT extension table has no model");
  if (h.cOffsetsPerModel < 2 || h.cOffsetsPerModel > ntext::kOffsetsPerModel) {
    return fail("the NT extension table gives " + std::to_string(h.cOffsetsPerModel) +
                " offsets per model; this reader reads 2 to 4");
  }
  // Each block starts with its size and version words; both must agree with
  // the block this reader expects and the block must fit in the table.
  auto block = [&](uint16_t offset, int expected_size, const char* what) -> std::string {
    if (offset < ntext::Header::kSize || offset > size || size - offset < 4) {
      return std::string("the ") + what + " offset " + std::to_string(offset) + " lies outside the table (" +
             std::to_string(size) + " bytes)";
    }
    const uint16_t cj = gpc::GetWord(data + offset);
    const uint16_t version = gpc::GetWord(data + offset + 2);
    if (cj != expected_size || version != 1) {
      return std::string("the ") + what + " at " + std::to_string(offset) + " gives size " + std::to_string(cj) +
             " and version " + std::to_string(version) + ", not " + std::to_string(expected_size) + " and 1";
    }
    if (size - offset < static_cast<size_t>(expected_size)) {
      return std::string("the ") + what + " at " + std::to_string(offset) + " runs past the end of the table";
    }
    return std::string();
  };
  const uint16_t colour_at = h.rgoBlocks[ntext::kColorBlockSlot];
  const uint16_t halftone_at = h.rgoBlocks[ntext::kHalftoneBlockSlot];
  std::string problem = block(colour_at, ntext::ColorBlock::kSize, "colour block");
  if (problem.empty()) problem = block(halftone_at, ntext::HalftoneBlock::kSize, "halftone block");
  if (!problem.empty()) return fail(problem);
  table.colour = gpc::LoadRecord<ntext::ColorBlock>(data + colour_at);
  table.halftone = gpc::LoadRecord<ntext::HalftoneBlock>(data + halftone_at);
  return table;
}

// ---------------------------------------------------------------------------
// The dump

std::string CommandText(const std::vector<uint8_t>& bytes) {
  std::string out;
  bool in_text = false;
  // Data bytes that follow a command (the begin-document pattern) read
  // better in hex even where one happens to be a letter; the next ESC
  // starts text again.
  bool in_data = false;
  for (uint8_t b : bytes) {
    const bool printable = b >= 0x20 && b <= 0x7E && b != '"';
    if (b == 0x1B) {
      in_data = false;
    } else if (!printable) {
      in_data = true;
    }
    if (printable && !in_data) {
      if (!in_text) out += out.empty() ? "\"" : " \"";
      in_text = true;
      out.push_back(static_cast<char>(b));
      continue;
    }
    if (in_text) out += "\"";
    in_text = false;
    if (!out.empty()) out += " ";
    if (b == 0x1B) {
      out += "ESC";
    } else {
      char hex[4];
      snprintf(hex, sizeof hex, "%02X", b);
      out += hex;
    }
  }
  if (in_text) out += "\"";
  return out;
}

namespace {

std::string Value(int16_t v, gpc::Show show) {
  return show == gpc::Show::kNumber || show == gpc::Show::kStringId ? std::to_string(v)
                                                                    : Hex(static_cast<uint16_t>(v));
}
std::string Value(uint16_t v, gpc::Show show) {
  if (show == gpc::Show::kOcd && v == gpc::NOOCD) return "NOOCD";
  return show == gpc::Show::kNumber || show == gpc::Show::kStringId ? std::to_string(v) : Hex(v);
}
std::string Value(uint32_t v, gpc::Show show) { return show == gpc::Show::kNumber ? std::to_string(v) : Hex(v, 8); }
std::string Value(int32_t v, gpc::Show) { return std::to_string(v); }
std::string Value(uint8_t v, gpc::Show show) { return show == gpc::Show::kBytes ? Hex(v, 2) : std::to_string(v); }
std::string Value(const gpc::Point& p, gpc::Show) {
  return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
}
std::string Value(const gpc::Rect& r, gpc::Show) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
         std::to_string(r.bottom) + ")";
}
std::string Value(const ntext::CieChroma& c, gpc::Show) {
  return "x " + std::to_string(c.x) + ", y " + std::to_string(c.y) + ", Y " + std::to_string(c.Y);
}
template <class T, size_t N>
std::string Value(const std::array<T, N>& a, gpc::Show show) {
  std::string out = "[";
  for (size_t i = 0; i < N; ++i) out += (i == 0 ? "" : ", ") + Value(a[i], show);
  return out + "]";
}

// Prints fields one per line, with the string or command each points at.
struct FieldPrinter {
  std::ostringstream* out;
  const PrinterTable* table;
  const StringLookup* strings;
  bool one_line;
  bool first = true;

  template <class T>
  void operator()(const char* name, int offset, const T& value, gpc::Show show) {
    if (one_line) {
      *out << (first ? "" : ", ") << name << " " << Value(value, show) << Note(value, show);
    } else {
      char head[48];
      snprintf(head, sizeof head, "    +%-3d %-18s ", offset, name);
      *out << head << Value(value, show) << Note(value, show) << "\n";
    }
    first = false;
  }

  template <class T>
  std::string Note(const T&, gpc::Show) const {
    return std::string();
  }
  std::string Note(int16_t v, gpc::Show show) const {
    if (show != gpc::Show::kStringId || !*strings) return std::string();
    return " \"" + (*strings)(v) + "\"";
  }
  std::string Note(uint16_t v, gpc::Show show) const {
    if (show == gpc::Show::kOcd && table != nullptr) {
      const CommandDescriptor* cd = table->Command(v);
      return cd == nullptr ? std::string() : " -> " + CommandText(cd->bytes);
    }
    return std::string();
  }
  template <size_t N>
  std::string Note(const std::array<uint16_t, N>& a, gpc::Show show) const {
    if (show != gpc::Show::kOcd || table == nullptr) return std::string();
    std::string lines;
    for (size_t i = 0; i < N; ++i) {
      if (const CommandDescriptor* cd = table->Command(a[i])) {
        lines += "\n" + std::string(29, ' ') + "[" + std::to_string(i) + "] -> " + CommandText(cd->bytes);
      }
    }
    return lines;
  }
};

template <class Record>
void DumpRecords(std::ostringstream& out, const PrinterTable& table, const std::vector<Record>& records,
                 const StringLookup& strings) {
  if (records.empty()) return;
  const gpc::HeaderEntry& entry = table.header().rghe[Record::kHeaderSlot];
  const bool one_line = Record::kSize <= 8;
  for (size_t i = 0; i < records.size(); ++i) {
    const uint32_t at = static_cast<uint32_t>(entry.sOffset + i * Record::kSize);
    FieldPrinter printer{&out, &table, &strings, one_line};
    if (one_line) {
      out << Record::kName << " " << (i + 1) << " at " << Hex(at) << ": ";
      Record::Visit(records[i], printer);
      out << "\n";
    } else {
      out << Record::kName << " " << (i + 1) << " at " << Hex(at) << " (" << Record::kSize << " bytes)\n";
      Record::Visit(records[i], printer);
    }
  }
  out << "\n";
}

std::string Words(const std::vector<uint16_t>& words) {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) out += (i == 0 ? "" : " ") + std::to_string(words[i]);
  return out;
}

}  // namespace

std::string DescribeTables(const PrinterTable& table, const NtExtTable* ext, const StringLookup& strings) {
  std::ostringstream out;
  const gpc::DataHeader& h = table.header();
  out << "Printer description table: " << table.bytes().size() << " bytes, heap at " << Hex(h.loHeap) << " ("
      << table.heap_size() << " bytes), " << table.commands().size() << " command descriptors\n\n";

  out << "DATAHDR at 0x0000 (" << gpc::DataHeader::kSize << " bytes)\n";
  {
    // The header entries get a line each instead of one long array.
    out << "    sMagic " << Hex(h.sMagic) << ", wVersion " << Hex(h.wVersion) << ", ptMaster "
        << Value(h.ptMaster, gpc::Show::kNumber) << ", loHeap " << Hex(h.loHeap) << ", dwFileSize "
        << h.dwFileSize << ", fTechnology " << h.fTechnology << ", fGeneral " << Hex(h.fGeneral) << ", sMaxHE "
        << h.sMaxHE << "\n";
    for (int slot = 0; slot < gpc::kMaxHeaderEntries; ++slot) {
      const gpc::HeaderEntry& e = h.rghe[slot];
      if (e.sCount == 0 && e.sOffset == 0 && e.sLength == 0) continue;
      char line[96];
      snprintf(line, sizeof line, "    rghe[%2d] %-14s sOffset 0x%04X  sLength %3d  sCount %3d\n", slot,
               SlotName(slot), static_cast<unsigned>(static_cast<uint16_t>(e.sOffset)), e.sLength, e.sCount);
      out << line;
    }
  }
  out << "\n";

  DumpRecords(out, table, table.models(), strings);
  DumpRecords(out, table, table.resolutions(), strings);
  DumpRecords(out, table, table.paper_sizes(), strings);
  DumpRecords(out, table, table.paper_qualities(), strings);
  DumpRecords(out, table, table.paper_sources(), strings);
  DumpRecords(out, table, table.text_qualities(), strings);
  DumpRecords(out, table, table.compress_modes(), strings);
  DumpRecords(out, table, table.page_controls(), strings);
  DumpRecords(out, table, table.cursor_moves(), strings);
  DumpRecords(out, table, table.dev_colors(), strings);
  DumpRecords(out, table, table.image_controls(), strings);

  out << "Heap lists\n";
  out << "    default list at " << Hex(table.model().orgoiDefaults) << ": " << Words(table.DefaultList()) << "\n";
  out << "    order list:";
  for (uint16_t position : table.OrderList()) {
    char line[64];
    snprintf(line, sizeof line, "\n        %3u  %s", static_cast<unsigned>(position), OrderName(position));
    out << line;
  }
  out << "\n    plane commands:";
  for (uint16_t ocd : table.PlaneCommands()) out << " " << Value(ocd, gpc::Show::kOcd);
  out << "\n\n";

  out << "Options (* marks the default)\n";
  const JobOptions defaults = table.DefaultOptions();
  for (OptionKind kind : kAllKinds) {
    const std::vector<OptionChoice> choices = table.Options(kind, strings);
    if (choices.empty()) continue;
    out << "    " << KindName(kind) << "\n";
    const int chosen = kind == OptionKind::kResolution      ? defaults.resolution
                       : kind == OptionKind::kPaperQuality  ? defaults.paper_quality
                       : kind == OptionKind::kTextQuality   ? defaults.text_quality
                       : kind == OptionKind::kImageControl  ? defaults.image_control
                                                            : 1;
    for (const OptionChoice& c : choices) {
      char head[64];
      snprintf(head, sizeof head, "      %c%3d  %-18s ", c.position == chosen ? '*' : ' ', c.position,
               ("\"" + c.name + "\"").c_str());
      out << head << (c.command.empty() ? "(no command)" : CommandText(c.command)) << "\n";
    }
  }
  out << "\n";

  out << "Commands for the default options\n";
  std::string problem;
  if (table.CheckOptions(defaults, &problem)) {
    out << "    job setup:  " << CommandText(table.JobSetup(defaults)) << "\n"
        << "    page start: " << CommandText(table.PageStart(defaults)) << "\n"
        << "    row step:   " << table.RowStep(defaults) << "\n";
  } else {
    out << "    the defaults are not usable: " << problem << "\n";
  }
  out << "    page end:   " << CommandText(table.PageEnd()) << "\n"
      << "    job end:    " << CommandText(table.JobEnd()) << "\n"
      << "    row 100:    " << CommandText(table.MoveToRow(100)) << "\n";

  if (ext != nullptr) {
    out << "\nNT extension table\n";
    FieldPrinter printer{&out, nullptr, &strings, false};
    out << "  " << ntext::Header::kName << " at 0\n";
    ntext::Header::Visit(ext->header, printer);
    out << "  " << ntext::ColorBlock::kName << " at " << ext->header.rgoBlocks[ntext::kColorBlockSlot] << "\n";
    ntext::ColorBlock::Visit(ext->colour, printer);
    out << "  " << ntext::HalftoneBlock::kName << " at " << ext->header.rgoBlocks[ntext::kHalftoneBlockSlot]
        << "\n";
    ntext::HalftoneBlock::Visit(ext->halftone, printer);
  }
  return out.str();
}

}  // namespace tables
