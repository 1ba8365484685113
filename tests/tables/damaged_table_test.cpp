// Damaged printer description tables must be refused with a message, never
// read outside their bytes (run these in the sanitizer build as well).
#include <gtest/gtest.h>

#include <random>

#include "tables/nt_extension.h"
#include "tables/printer_table.h"
#include "tables/table_dump.h"
#include "tests/tables/table_test_util.h"

namespace {

using tables::PrinterTable;
using tabletest::Gpc;
using tabletest::SetWord;

constexpr size_t kHeap = 0x5E0;

// Parses a copy that owns exactly its bytes, so that a sanitizer sees any
// read past the end.
bool Accepts(const std::vector<uint8_t>& bytes, std::string* error) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size() + 1]);
  std::copy(bytes.begin(), bytes.end(), exact.get());
  error->clear();
  const bool ok = PrinterTable::Parse(bytes.empty() ? nullptr : exact.get(), bytes.size(), error).has_value();
  if (!ok) {
    EXPECT_FALSE(error->empty()) << "a refusal must say why";
  }
  return ok;
}

void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& fragment) {
  std::string error;
  EXPECT_FALSE(Accepts(bytes, &error));
  EXPECT_NE(error.find(fragment), std::string::npos) << "message: " << error;
}

TEST(DamagedTable, IntactTableIsAccepted) {
  std::string error;
  EXPECT_TRUE(Accepts(Gpc(), &error)) << error;
}

TEST(DamagedTable, EveryTruncationIsRefused) {
  const std::vector<uint8_t> full = Gpc();
  for (size_t length = 0; length < full.size(); ++length) {
    std::vector<uint8_t> cut(full.begin(), full.begin() + length);
    std::string error;
    ASSERT_FALSE(Accepts(cut, &error)) << length;
    // With the size field made to agree, the deeper checks must catch it.
    if (length >= 16) {
      tabletest::SetWord(&cut, 12, static_cast<int>(length & 0xFFFF));
      tabletest::SetWord(&cut, 14, static_cast<int>(length >> 16));
      ASSERT_FALSE(Accepts(cut, &error)) << "truncated to " << length << " with matching dwFileSize";
    }
  }
}

TEST(DamagedTable, BadMagicVersionAndSizeAreRefused) {
  std::vector<uint8_t> b = Gpc();
  b[0] = 0x01;
  ExpectRefused(b, "magic");
  b = Gpc();
  SetWord(&b, 2, 0x0210);
  ExpectRefused(b, "version");
  b = Gpc();
  b.push_back(0);
  ExpectRefused(b, "dwFileSize");
  b = Gpc();
  SetWord(&b, 30, 29);
  ExpectRefused(b, "sMaxHE");
  ExpectRefused({}, "shorter");
  std::string error;
  EXPECT_FALSE(PrinterTable::Parse(nullptr, 10, &error).has_value());
}

// Collects the file positions of every offset field the parsed records hold.
struct OffsetFields {
  size_t base = 0;
  std::vector<size_t>* positions;
  template <class T>
  void operator()(const char*, int offset, const T& value, gpc::Show show) {
    Add(static_cast<size_t>(offset), value, show);
  }
  void Add(size_t offset, uint16_t value, gpc::Show show) {
    const bool used = (show == gpc::Show::kOcd && value != gpc::NOOCD) ||
                      ((show == gpc::Show::kListOffset || show == gpc::Show::kWordsOffset) && value != 0);
    if (used) positions->push_back(base + offset);
  }
  template <size_t N>
  void Add(size_t offset, const std::array<uint16_t, N>& values, gpc::Show show) {
    for (size_t i = 0; i < N; ++i) Add(offset + 2 * i, values[i], show);
  }
  template <class T>
  void Add(size_t, const T&, gpc::Show) {}
};

template <class Record>
void Collect(const PrinterTable& table, const std::vector<Record>& records, std::vector<size_t>* positions) {
  const gpc::HeaderEntry& entry = table.header().rghe[Record::kHeaderSlot];
  for (size_t i = 0; i < records.size(); ++i) {
    OffsetFields fields{static_cast<size_t>(entry.sOffset) + i * Record::kSize, positions};
    Record::Visit(records[i], fields);
  }
}

TEST(DamagedTable, EveryOffsetFieldPointedOutsideIsRefused) {
  const std::vector<uint8_t> good = Gpc();
  std::string error;
  const std::optional<PrinterTable> table = PrinterTable::Parse(good.data(), good.size(), &error);
  ASSERT_TRUE(table.has_value()) << error;
  std::vector<size_t> heap_fields;
  Collect(*table, table->models(), &heap_fields);
  Collect(*table, table->resolutions(), &heap_fields);
  Collect(*table, table->paper_sizes(), &heap_fields);
  Collect(*table, table->paper_qualities(), &heap_fields);
  Collect(*table, table->paper_sources(), &heap_fields);
  Collect(*table, table->text_qualities(), &heap_fields);
  Collect(*table, table->compress_modes(), &heap_fields);
  Collect(*table, table->page_controls(), &heap_fields);
  Collect(*table, table->cursor_moves(), &heap_fields);
  Collect(*table, table->dev_colors(), &heap_fields);
  Collect(*table, table->image_controls(), &heap_fields);
  // 7 model lists, the default list, the order list, the plane list and 113 OCDs.
  EXPECT_EQ(heap_fields.size(), 7u + 1 + 1 + 1 + 113);

  const int heap_size = static_cast<int>(good.size() - kHeap);
  for (size_t at : heap_fields) {
    for (int outside : {heap_size, heap_size - 1, 0x8000, 0xFFFE}) {
      std::vector<uint8_t> b = good;
      SetWord(&b, at, outside);
      EXPECT_FALSE(Accepts(b, &error)) << "field at file offset " << at << " set to " << outside;
    }
  }
  // The record offsets of the header entries in use.
  for (int slot : {0, 1, 2, 3, 4, 6, 7, 9, 10, 12, 23}) {
    for (int outside : {static_cast<int>(good.size()), 0x7FFF, 0xFFFF, 100}) {
      std::vector<uint8_t> b = good;
      SetWord(&b, 32 + 6 * slot, outside);
      EXPECT_FALSE(Accepts(b, &error)) << "header entry " << slot << " set to " << outside;
    }
  }
  std::vector<uint8_t> b = good;
  SetWord(&b, 8, static_cast<int>(good.size() + 2));
  ExpectRefused(b, "loHeap");
}

TEST(DamagedTable, ListWithoutItsEndIsRefused) {
  // Point the memory configuration list, whose words are not record
  // numbers, at the plane commands: three NOOCD words, then the end of the
  // table, with no 0 in between.
  std::vector<uint8_t> b = Gpc();
  SetWord(&b, 0xD4 + 42 + 2 * gpc::MD_OI_MEMCONFIG, 0x750);
  ExpectRefused(b, "no 0 end");
  // The resolution list with every heap byte from there on made non-zero.
  b = Gpc();
  std::fill(b.begin() + kHeap + 0x26, b.end(), 0x01);
  ExpectRefused(b, "no 0 end");
}

TEST(DamagedTable, RecordSizesOtherThanTheFormatsAreRefused) {
  std::vector<uint8_t> b = Gpc();
  SetWord(&b, 32 + 6 * gpc::HE_RESOLUTION + 2, 42);
  ExpectRefused(b, "RESOLUTION records are 42 bytes");
  b = Gpc();
  SetWord(&b, 0x194, 38);  // cbSize of the second resolution
  ExpectRefused(b, "RESOLUTION 2 gives cbSize 38");
  b = Gpc();
  SetWord(&b, 32 + 6 * gpc::HE_FONTCART + 4, 1);
  ExpectRefused(b, "FONTCART");
}

TEST(DamagedTable, RecordNumbersAndDefaultsOutsideTheirKindAreRefused) {
  std::vector<uint8_t> b = Gpc();
  SetWord(&b, kHeap + 0x26 + 2, 3);  // resolution list {1, 3}
  ExpectRefused(b, "lists record 3");
  b = Gpc();
  SetWord(&b, kHeap + 0x04 + 2 * gpc::MD_OI_RESOLUTION, 3);
  ExpectRefused(b, "default list");
  b = Gpc();
  SetWord(&b, 0xD4 + 66 + 2 * gpc::MD_I_CURSORMOVE, 1);  // rgi: cursor move record 1 of 1 (0-based)
  ExpectRefused(b, "rgi[1]");
  b = Gpc();
  SetWord(&b, 0x288 + 4, 9);  // sPlanes
  ExpectRefused(b, "sPlanes");
}

TEST(DamagedTable, ResolutionsThatDoNotMoveTheHeadAreRefused) {
  // ptTextScale is the row step a host and the decoders rely on: 0 or a
  // negative step would stall or reverse the page.
  for (int value : {0, -2}) {
    std::vector<uint8_t> b = Gpc();
    SetWord(&b, 0x16C + 12 + 2, value);  // y of resolution 1
    ExpectRefused(b, "RESOLUTION 1 ptTextScale");
    b = Gpc();
    SetWord(&b, 0x194 + 12, value);  // x of resolution 2
    ExpectRefused(b, "RESOLUTION 2 ptTextScale");
  }
}

TEST(DamagedTable, DescriptorsRunningPastTheEndOrWithParametersAreRefused) {
  std::vector<uint8_t> b = Gpc();
  SetWord(&b, kHeap + 0x742 + 4, 16);  // option 100's descriptor would end at 0x758, past the heap
  ExpectRefused(b, "runs past the end");
  b = Gpc();
  SetWord(&b, kHeap + 0x1C0 + 2, 1);  // one parameter record on the row move
  ExpectRefused(b, "parameter records");
  b = Gpc();
  b[kHeap + 0x124 + 1] = 3;  // a callback on the 300 dpi select
  ExpectRefused(b, "callback");
}

TEST(DamagedTable, RandomDamageNeverReadsOutside) {
  const std::vector<uint8_t> good = Gpc();
  std::mt19937 rng(2024);
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> b = good;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) {
      // Mostly the header and records, where the offsets are.
      const size_t at = rng() % 3 == 0 ? rng() % b.size() : rng() % kHeap;
      b[at] = static_cast<uint8_t>(rng());
    }
    std::string error;
    std::unique_ptr<uint8_t[]> exact(new uint8_t[b.size()]);
    std::copy(b.begin(), b.end(), exact.get());
    const std::optional<PrinterTable> table = PrinterTable::Parse(exact.get(), b.size(), &error);
    if (!table) {
      ASSERT_FALSE(error.empty());
      continue;
    }
    ++accepted;
    // Whatever was accepted must answer every query without trouble.
    const tables::Positions defaults = table->DefaultPositions();
    if (table->CheckOptions(defaults, &error)) {
      table->JobSetup(defaults);
      table->PageStart(defaults);
      table->RowStep(defaults);
    }
    table->JobEnd();
    table->MoveToRow(1234);
    tables::DescribeTables(*table, nullptr, nullptr);
  }
  EXPECT_GT(accepted, 0) << "harmless changes (names, flags) should still parse";
}

}  // namespace
