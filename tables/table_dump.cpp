#include "tables/table_dump.h"

#include <stdio.h>

#include <array>
#include <sstream>

#include "tables/table_names.h"

namespace tables {

using names::Hex;
using names::KindName;
using names::OrderName;
using names::SlotName;
using names::kAllKinds;

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
  const Positions defaults = table.DefaultPositions();
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
