// Parsing and checking a printer description table: every record, list and
// command descriptor is read and checked against the table's bounds before
// a PrinterTable exists.
#include <utility>

#include "errors/fail.h"
#include "tables/printer_table.h"
#include "tables/table_names.h"

namespace tables {

using names::Hex;
using names::SlotName;

class TableParser {
 public:
  TableParser(const uint8_t* data, size_t size, std::string* error)
      : data_(data), size_(size), error_(error) {}

  std::optional<PrinterTable> Run();

 private:
  struct OffsetReader;

  bool Fail(const std::string& message) { return errors::Fail(error_, message); }
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

}  // namespace tables
