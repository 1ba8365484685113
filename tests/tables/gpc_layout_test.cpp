// The printer description table byte for byte: these are the bytes the NT 4.0
// host driver reads, so every record is checked word by word at its file
// offset, independently of the layout code that wrote it. No offset is taken
// from the generator: record offsets follow from the record sizes, heap
// offsets from the sizes of the heap items before them.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tables/gpc_format.h"
#include "tables/nt_extension_format.h"
#include "tests/tables/table_test_util.h"

namespace {

using tabletest::Dword;
using tabletest::Gpc;
using tabletest::SWord;
using tabletest::Word;

constexpr int N = -1;  // NOOCD, as a signed word

// Expects the signed words starting at file offset `at`.
void ExpectWords(const std::vector<uint8_t>& b, size_t at, const std::vector<int>& words, const char* what) {
  for (size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(SWord(b, at + 2 * i), words[i]) << what << ": word " << i << " at file offset " << (at + 2 * i);
  }
}

// The record kinds in header-slot order: where each starts, its record size
// and count. Each starts where the one before ends, right after the 212-byte
// DATAHDR; the heap follows on the next 16-byte boundary.
struct Kind {
  int slot;
  size_t size;
  size_t count;
  size_t at;
};
std::vector<Kind> RecordKinds() {
  std::vector<Kind> kinds = {{0, 152, 1, 0},  {1, 40, 2, 0}, {2, 60, 1, 0}, {3, 12, 2, 0},
                             {4, 16, 1, 0},   {6, 8, 2, 0},  {7, 8, 1, 0},  {9, 36, 1, 0},
                             {10, 44, 1, 0},  {12, 44, 1, 0}, {23, 8, 101, 0}};
  size_t at = 212;
  for (Kind& k : kinds) {
    k.at = at;
    at += k.size * k.count;
  }
  return kinds;
}
size_t RecordAt(int slot, size_t index = 0) {
  for (const Kind& k : RecordKinds()) {
    if (k.slot == slot) return k.at + index * k.size;
  }
  return 0;
}
const size_t kRecordsEnd = RecordAt(23, 101);
const size_t kHeap = (kRecordsEnd + 15) / 16 * 16;

// The heap's items in the order the table holds them, one after another,
// each starting on an even offset: every heap offset below follows from the
// sizes of the items before it, none is written down. Offset 0 means "no
// list", so the heap opens with four zero bytes.
struct HeapItem {
  std::string name;
  std::vector<uint8_t> bytes;  // a list's words, or a command descriptor
  size_t at = 0;               // heap offset
};
std::vector<uint8_t> WordBytes(const std::vector<int>& words) {
  std::vector<uint8_t> out;
  for (int w : words) {
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
  }
  return out;
}
// A descriptor: fGeneral 0, bCmdCbId 0, wCount 0, wLength, the bytes.
std::vector<uint8_t> Descriptor(const std::vector<uint8_t>& command) {
  std::vector<uint8_t> out(6 + command.size(), 0);
  out[4] = static_cast<uint8_t>(command.size());
  std::copy(command.begin(), command.end(), out.begin() + 6);
  return out;
}
std::vector<HeapItem> Heap() {
  using tabletest::Esc;
  std::vector<int> image_list;
  for (int k = 1; k <= 101; ++k) image_list.push_back(k);
  image_list.push_back(0);
  std::vector<HeapItem> items = {
      {"heap start", {0, 0, 0, 0}},
      {"default list", WordBytes({0, 0, 2, 1, 1, 1, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0})},
      {"resolution list", WordBytes({1, 2, 0})},
      {"paper size list", WordBytes({1, 0})},
      {"paper quality list", WordBytes({1, 2, 0})},
      {"paper source list", WordBytes({1, 0})},
      {"text quality list", WordBytes({1, 2, 0})},
      {"colour list", WordBytes({1, 0})},
      {"image control list", WordBytes(image_list)},
      {"order list", WordBytes({1, 6, 13, 10, 15, 8, 12, 16, 11, 0})},
      {"300 x 300", Descriptor(Esc("*t300R"))},
      {"600 x 300", Descriptor(Esc("*t600R"))},
      {"Regular", Descriptor(Esc("!t000Q"))},
      {"Matte", Descriptor(Esc("!t200Q"))},
      {"CD Tray", Descriptor(Esc("&l0H"))},
      {"ON", Descriptor(Esc("!d6Q"))},
      {"packed", Descriptor(Esc("*b1M"))},
      {"plain", Descriptor(Esc("*b0M"))},
      {"begin document", Descriptor(tabletest::Cat(Esc("!c2Q"), {0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02,
                                                                 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}))},
      {"begin page", Descriptor(tabletest::Cat(Esc("!d4Q"), Esc("*b0M")))},
      {"end document", Descriptor(Esc("!d0Q"))},
      {"row move", Descriptor(Esc("*p%dY"))},
      {"AUTO", Descriptor(Esc("!s0Q"))},
  };
  for (int n = 1; n <= 100; ++n) {
    items.push_back({"image control " + std::to_string(n), Descriptor(Esc("!s" + std::to_string(500 + 20 * n) + "Q"))});
  }
  items.push_back({"plane commands", WordBytes({N, N, N})});
  size_t at = 0;
  for (HeapItem& item : items) {
    item.at = (at + 1) / 2 * 2;
    at = item.at + item.bytes.size();
  }
  return items;
}
// The heap offset of the named item.
int At(const std::string& name) {
  for (const HeapItem& item : Heap()) {
    if (item.name == name) return static_cast<int>(item.at);
  }
  ADD_FAILURE() << "no heap item " << name;
  return -2;
}

TEST(GpcLayout, GeneratedFileMatchesEmbeddedBytes) {
  const std::string dir = testsupport::BuildDir();
  EXPECT_EQ(testsupport::ReadFile(dir + "/tables/gpc.bin"), Gpc());
  EXPECT_EQ(testsupport::ReadFile(dir + "/tables/ntext.bin"), tabletest::NtExt());
}

TEST(GpcLayout, HeaderFields) {
  const std::vector<uint8_t> b = Gpc();
  EXPECT_EQ(Word(b, 0), 0x7F00);
  EXPECT_EQ(Word(b, 2), 0x03D4);
  EXPECT_EQ(Word(b, 4), 300);
  EXPECT_EQ(Word(b, 6), 600);
  EXPECT_EQ(Dword(b, 8), kHeap);
  EXPECT_EQ(Dword(b, 12), b.size());
  EXPECT_EQ(Word(b, 16), 1);  // escape sequences of the PCL kind
  EXPECT_EQ(Word(b, 18), 0);
  for (size_t i = 20; i < 30; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(Word(b, 30), 30);
}

TEST(GpcLayout, HeaderEntriesInUseAndEmptySlots) {
  const std::vector<uint8_t> b = Gpc();
  std::map<int, std::vector<int>> used;
  for (const Kind& k : RecordKinds()) {
    used[k.slot] = {static_cast<int>(k.at), static_cast<int>(k.size), static_cast<int>(k.count)};
  }
  for (int slot = 0; slot < 30; ++slot) {
    const auto it = used.find(slot);
    const std::vector<int> expected = it == used.end() ? std::vector<int>{0, 0, 0} : it->second;
    ExpectWords(b, 32 + 6 * slot, expected, ("header entry " + std::to_string(slot)).c_str());
  }
}

TEST(GpcLayout, RecordsEndWhereThePaddingToTheHeapBegins) {
  const std::vector<uint8_t> b = Gpc();
  EXPECT_EQ(kRecordsEnd, 1500u);
  for (size_t i = kRecordsEnd; i < kHeap; ++i) EXPECT_EQ(b[i], 0) << i;
}

TEST(GpcLayout, ModelData) {
  const std::vector<uint8_t> b = Gpc();
  std::vector<int> words = {152, 1, 0x2421, 0, 0, 0, 0x0800, 0, 0, 0x0800, 55, 1536, 1536, -1, 1416, 2832,
                            -1,  0, -1,     0, 0,
                            // rgoi
                            0, 0, At("resolution list"), At("paper size list"), At("paper quality list"),
                            At("paper source list"), 0, At("text quality list"), 0, 0, At("colour list"), 0,
                            // rgi
                            0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                            // rgoi2, orgoiDefaults
                            0, At("image control list"), 0, 0, 0, At("default list")};
  words.resize(76, 0);  // wReserved, the ICM words and rgdwReserved: 42 zero bytes
  ExpectWords(b, RecordAt(0), words, "MODELDATA");
}

TEST(GpcLayout, Resolutions) {
  const std::vector<uint8_t> b = Gpc();
  ExpectWords(b, RecordAt(1, 0),
              {40, 257, 0x01C0, 0x4040, 0x0006, 1, 1, 2, 0, 0, 1, 1, 0, 1, 100, At("300 x 300"), N, N, N, N},
              "RESOLUTION 1");
  ExpectWords(b, RecordAt(1, 1),
              {40, 258, 0x01C0, 0x4040, 0x0006, 1, 1, 1, 0, 0, 1, 1, 0, 1, 100, At("600 x 300"), N, N, N, N},
              "RESOLUTION 2");
}

TEST(GpcLayout, PaperSizeMediaTrayAndOnOff) {
  const std::vector<uint8_t> b = Gpc();
  std::vector<int> cd = {60, 259, 0, 1, 1536, 2832, 0, 0, 0, 0, 23, 0, 23, 0, N, -1, -1, -1, -1, -1};
  cd.resize(30, 0);
  ExpectWords(b, RecordAt(2), cd, "PAPERSIZE");
  ExpectWords(b, RecordAt(3, 0), {12, 260, 0, 0, 0, At("Regular")}, "PAPERQUALITY 1");
  ExpectWords(b, RecordAt(3, 1), {12, 261, 0, 0, 0, At("Matte")}, "PAPERQUALITY 2");
  ExpectWords(b, RecordAt(4), {16, 262, 1, 1, 0, 0, 0, At("CD Tray")}, "PAPERSOURCE");
  ExpectWords(b, RecordAt(6, 0), {8, 263, 0, N}, "TEXTQUALITY 1");
  ExpectWords(b, RecordAt(6, 1), {8, 264, 0, At("ON")}, "TEXTQUALITY 2");
  ExpectWords(b, RecordAt(7), {8, 1, At("packed"), At("plain")}, "COMPRESSMODE");
}

TEST(GpcLayout, PageControlCursorMoveAndColour) {
  const std::vector<uint8_t> b = Gpc();
  ExpectWords(b, RecordAt(9),
              {36, 1, 0, At("order list"), At("begin document"), At("begin page"), N, At("end document"), N, N,
               N, N, N, N, N, N, N, N},
              "PAGECONTROL");
  ExpectWords(b, RecordAt(10),
              {44, 0, 0, 0x0080, 0x0001, N, N, N, At("row move"), N, N, N, N, N, N, N, N, N, N, N, N, N},
              "CURSORMOVE");
  const size_t colour = RecordAt(12);
  ExpectWords(b, colour, {44, 0x0038, 3, 1, At("plane commands"), N, N, N, N, N, N, N, N, N, N, N, N, N, N},
              "DEVCOLOR");
  EXPECT_EQ(b[colour + 38], 4);
  EXPECT_EQ(b[colour + 39], 5);
  EXPECT_EQ(b[colour + 40], 6);
  EXPECT_EQ(b[colour + 41], 0);
  EXPECT_EQ(Word(b, colour + 42), 0);
}

TEST(GpcLayout, ImageControlRecordsFollowTheRule) {
  const std::vector<uint8_t> b = Gpc();
  ExpectWords(b, RecordAt(23, 0), {8, 265, 0, At("AUTO")}, "IMAGECONTROL 1");
  for (int n = 1; n <= 100; ++n) {
    ExpectWords(b, RecordAt(23, static_cast<size_t>(n)),
                {8, 265 + n, 0, At("image control " + std::to_string(n))},
                ("IMAGECONTROL " + std::to_string(n + 1)).c_str());
  }
}

// Every heap item where the sizes before it put it, with a zero fill byte
// after an item of odd length, and nothing after the last.
TEST(GpcHeap, ItemsLieOneAfterAnotherAsTheirSizesGive) {
  const std::vector<uint8_t> b = Gpc();
  const std::vector<HeapItem> heap = Heap();
  for (const HeapItem& item : heap) {
    const size_t at = kHeap + item.at;
    ASSERT_LE(at + item.bytes.size(), b.size()) << item.name;
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + static_cast<long>(at),
                                   b.begin() + static_cast<long>(at + item.bytes.size())),
              item.bytes)
        << item.name << " at heap offset " << item.at;
    if (item.bytes.size() % 2 != 0 && &item != &heap.back()) {
      EXPECT_EQ(b[at + item.bytes.size()], 0) << item.name << ": fill byte";
    }
  }
  EXPECT_EQ(b.size(), kHeap + heap.back().at + heap.back().bytes.size());
}

// Every field a Visit() lists must lie inside the record, and together they
// must cover each byte exactly once: a gap or an overlap would shift the
// fields after it.
struct Coverage {
  std::vector<int> hits;
  explicit Coverage(int size) : hits(static_cast<size_t>(size), 0) {}
  template <class T>
  void operator()(const char* name, int offset, const T& value, gpc::Show) {
    using gpc::FieldBytes;
    using ntext::FieldBytes;
    const size_t bytes = FieldBytes(value);
    for (size_t i = 0; i < bytes; ++i) {
      const size_t at = static_cast<size_t>(offset) + i;
      ASSERT_LT(at, hits.size()) << name << " runs past the record";
      ++hits[at];
    }
  }
};

template <class Record>
void ExpectFieldsCoverRecord() {
  SCOPED_TRACE(Record::kName);
  Record record;
  Coverage coverage(Record::kSize);
  Record::Visit(record, coverage);
  for (size_t i = 0; i < coverage.hits.size(); ++i) EXPECT_EQ(coverage.hits[i], 1) << "byte " << i;
}

TEST(RecordLayouts, FieldsCoverEveryByteOnce) {
  ExpectFieldsCoverRecord<gpc::DataHeader>();
  ExpectFieldsCoverRecord<gpc::ModelData>();
  ExpectFieldsCoverRecord<gpc::Resolution>();
  ExpectFieldsCoverRecord<gpc::PaperSize>();
  ExpectFieldsCoverRecord<gpc::PaperQuality>();
  ExpectFieldsCoverRecord<gpc::PaperSource>();
  ExpectFieldsCoverRecord<gpc::TextQuality>();
  ExpectFieldsCoverRecord<gpc::CompressMode>();
  ExpectFieldsCoverRecord<gpc::PageControl>();
  ExpectFieldsCoverRecord<gpc::CursorMove>();
  ExpectFieldsCoverRecord<gpc::DevColor>();
  ExpectFieldsCoverRecord<gpc::ImageControl>();
  ExpectFieldsCoverRecord<ntext::Header>();
  ExpectFieldsCoverRecord<ntext::ColorBlock>();
  ExpectFieldsCoverRecord<ntext::HalftoneBlock>();
}

}  // namespace
