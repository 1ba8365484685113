// The printer description table byte for byte: these are the bytes the NT 4.0
// host driver reads, so every record is checked word by word at its file
// offset, independently of the layout code that wrote it.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "minidrv/tables/gpc_format.h"
#include "minidrv/tables/nt_extension_format.h"
#include "table_test_util.h"

namespace {

using tabletest::Dword;
using tabletest::Gpc;
using tabletest::SWord;
using tabletest::Word;

constexpr int N = -1;  // NOOCD, as a signed word
constexpr size_t kHeap = 0x5E0;

// Expects the signed words starting at file offset `at`.
void ExpectWords(const std::vector<uint8_t>& b, size_t at, const std::vector<int>& words, const char* what) {
  for (size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(SWord(b, at + 2 * i), words[i]) << what << ": word " << i << " at file offset " << (at + 2 * i);
  }
}

TEST(GpcLayout, GeneratedFileMatchesEmbeddedBytes) {
  const std::string dir = tabletest::BuildDir();
  if (dir.empty()) GTEST_SKIP() << "QUILLORY2_BUILD_DIR is not set";
  std::vector<uint8_t> file;
  ASSERT_TRUE(tabletest::ReadFile(dir + "/tables/gpc.bin", &file));
  EXPECT_EQ(file, Gpc());
  ASSERT_TRUE(tabletest::ReadFile(dir + "/tables/ntext.bin", &file));
  EXPECT_EQ(file, tabletest::NtExt());
}

TEST(GpcLayout, HeaderFields) {
  const std::vector<uint8_t> b = Gpc();
  ASSERT_EQ(b.size(), 3382u);
  EXPECT_EQ(Word(b, 0), 0x7F00);
  EXPECT_EQ(Word(b, 2), 0x03D4);
  EXPECT_EQ(Word(b, 4), 300);
  EXPECT_EQ(Word(b, 6), 600);
  EXPECT_EQ(Dword(b, 8), 0x5E0u);
  EXPECT_EQ(Dword(b, 12), 3382u);
  EXPECT_EQ(Word(b, 16), 1);  // escape sequences of the PCL kind
  EXPECT_EQ(Word(b, 18), 0);
  for (size_t i = 20; i < 30; ++i) EXPECT_EQ(b[i], 0) << i;
  EXPECT_EQ(Word(b, 30), 30);
}

TEST(GpcLayout, HeaderEntriesInUseAndEmptySlots) {
  const std::vector<uint8_t> b = Gpc();
  const std::map<int, std::vector<int>> used = {
      {0, {0x00D4, 152, 1}}, {1, {0x016C, 40, 2}}, {2, {0x01BC, 60, 1}},  {3, {0x01F8, 12, 2}},
      {4, {0x0210, 16, 1}},  {6, {0x0220, 8, 2}},  {7, {0x0230, 8, 1}},   {9, {0x0238, 36, 1}},
      {10, {0x025C, 44, 1}}, {12, {0x0288, 44, 1}}, {23, {0x02B4, 8, 101}}};
  for (int slot = 0; slot < 30; ++slot) {
    const auto it = used.find(slot);
    const std::vector<int> expected = it == used.end() ? std::vector<int>{0, 0, 0} : it->second;
    ExpectWords(b, 32 + 6 * slot, expected, ("header entry " + std::to_string(slot)).c_str());
  }
}

TEST(GpcLayout, RecordsFollowEachOtherUpToTheHeap) {
  const std::vector<uint8_t> b = Gpc();
  // Each kind starts where the previous one ends.
  const std::vector<std::pair<int, int>> kinds = {{212, 152}, {364, 80}, {444, 60}, {504, 24}, {528, 16}, {544, 16},
                                                  {560, 8},   {568, 36}, {604, 44}, {648, 44}, {692, 808}};
  for (size_t i = 1; i < kinds.size(); ++i) {
    EXPECT_EQ(kinds[i].first, kinds[i - 1].first + kinds[i - 1].second);
  }
  EXPECT_EQ(kinds.back().first + kinds.back().second, 1500);
  for (size_t i = 1500; i < 1504; ++i) EXPECT_EQ(b[i], 0);
  EXPECT_EQ(b.size() - kHeap, 1878u);
}

TEST(GpcLayout, ModelData) {
  const std::vector<uint8_t> b = Gpc();
  std::vector<int> words = {152, 1, 0x2421, 0, 0, 0, 0x0800, 0, 0, 0x0800, 55, 1536, 1536, -1, 1416, 2832,
                            -1,  0, -1,     0, 0,
                            // rgoi
                            0, 0, 0x26, 0x2C, 0x30, 0x36, 0, 0x3A, 0, 0, 0x40, 0,
                            // rgi
                            0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                            // rgoi2, orgoiDefaults
                            0, 0x44, 0, 0, 0, 0x0004};
  words.resize(76, 0);  // wReserved, the ICM words and rgdwReserved: 42 zero bytes
  ExpectWords(b, 0xD4, words, "MODELDATA");
}

TEST(GpcLayout, Resolutions) {
  const std::vector<uint8_t> b = Gpc();
  ExpectWords(b, 0x16C, {40, 257, 0x01C0, 0x4040, 0x0006, 1, 1, 2, 0, 0, 1, 1, 0, 1, 100, 0x124, N, N, N, N},
              "RESOLUTION 1");
  ExpectWords(b, 0x194, {40, 258, 0x01C0, 0x4040, 0x0006, 1, 1, 1, 0, 0, 1, 1, 0, 1, 100, 0x132, N, N, N, N},
              "RESOLUTION 2");
}

TEST(GpcLayout, PaperSizeMediaTrayAndOnOff) {
  const std::vector<uint8_t> b = Gpc();
  std::vector<int> cd = {60, 259, 0, 1, 1536, 2832, 0, 0, 0, 0, 23, 0, 23, 0, N, -1, -1, -1, -1, -1};
  cd.resize(30, 0);
  ExpectWords(b, 0x1BC, cd, "PAPERSIZE");
  ExpectWords(b, 0x1F8, {12, 260, 0, 0, 0, 0x140}, "PAPERQUALITY 1");
  ExpectWords(b, 0x204, {12, 261, 0, 0, 0, 0x14E}, "PAPERQUALITY 2");
  ExpectWords(b, 0x210, {16, 262, 1, 1, 0, 0, 0, 0x15C}, "PAPERSOURCE");
  ExpectWords(b, 0x220, {8, 263, 0, N}, "TEXTQUALITY 1");
  ExpectWords(b, 0x228, {8, 264, 0, 0x168}, "TEXTQUALITY 2");
  ExpectWords(b, 0x230, {8, 1, 0x174, 0x180}, "COMPRESSMODE");
}

TEST(GpcLayout, PageControlCursorMoveAndColour) {
  const std::vector<uint8_t> b = Gpc();
  ExpectWords(b, 0x238, {36, 1, 0, 0x110, 0x18C, 0x1A4, N, 0x1B4, N, N, N, N, N, N, N, N, N, N}, "PAGECONTROL");
  ExpectWords(b, 0x25C, {44, 0, 0, 0x0080, 0x0001, N, N, N, 0x1C0, N, N, N, N, N, N, N, N, N, N, N, N, N},
              "CURSORMOVE");
  ExpectWords(b, 0x288, {44, 0x0038, 3, 1, 0x750, N, N, N, N, N, N, N, N, N, N, N, N, N, N}, "DEVCOLOR");
  EXPECT_EQ(b[0x288 + 38], 4);
  EXPECT_EQ(b[0x288 + 39], 5);
  EXPECT_EQ(b[0x288 + 40], 6);
  EXPECT_EQ(b[0x288 + 41], 0);
  EXPECT_EQ(Word(b, 0x288 + 42), 0);
}

TEST(GpcLayout, ImageControlRecordsFollowTheRule) {
  const std::vector<uint8_t> b = Gpc();
  ExpectWords(b, 0x2B4, {8, 265, 0, 0x1CC}, "IMAGECONTROL 1");
  for (int n = 1; n <= 100; ++n) {
    ExpectWords(b, 0x2B4 + 8 * n, {8, 265 + n, 0, 0x1D8 + 14 * (n - 1)},
                ("IMAGECONTROL " + std::to_string(n + 1)).c_str());
  }
}

TEST(GpcHeap, ListsAtTheirOffsets) {
  const std::vector<uint8_t> b = Gpc();
  ExpectWords(b, kHeap, {0, 0}, "heap start");
  ExpectWords(b, kHeap + 0x04, {0, 0, 2, 1, 1, 1, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0}, "default list");
  ExpectWords(b, kHeap + 0x26, {1, 2, 0}, "resolution list");
  ExpectWords(b, kHeap + 0x2C, {1, 0}, "paper size list");
  ExpectWords(b, kHeap + 0x30, {1, 2, 0}, "paper quality list");
  ExpectWords(b, kHeap + 0x36, {1, 0}, "paper source list");
  ExpectWords(b, kHeap + 0x3A, {1, 2, 0}, "text quality list");
  ExpectWords(b, kHeap + 0x40, {1, 0}, "colour list");
  std::vector<int> image;
  for (int k = 1; k <= 101; ++k) image.push_back(k);
  image.push_back(0);
  ExpectWords(b, kHeap + 0x44, image, "image control list");
  ExpectWords(b, kHeap + 0x110, {1, 6, 13, 10, 15, 8, 12, 16, 11, 0}, "order list");
  ExpectWords(b, kHeap + 0x750, {N, N, N}, "plane commands");
  EXPECT_EQ(b.size(), kHeap + 0x756);
}

// A descriptor: fGeneral 0, bCmdCbId 0, wCount 0, wLength, the bytes, and a
// zero fill byte when the total is odd.
void ExpectCommand(const std::vector<uint8_t>& b, size_t heap_offset, const std::vector<uint8_t>& command) {
  const size_t at = kHeap + heap_offset;
  SCOPED_TRACE("descriptor at heap offset " + std::to_string(heap_offset));
  EXPECT_EQ(b[at], 0);
  EXPECT_EQ(b[at + 1], 0);
  EXPECT_EQ(Word(b, at + 2), 0);
  ASSERT_EQ(Word(b, at + 4), static_cast<int>(command.size()));
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + at + 6, b.begin() + at + 6 + command.size()), command);
  if ((6 + command.size()) % 2 != 0) {
    EXPECT_EQ(b[at + 6 + command.size()], 0) << "fill byte";
  }
}

TEST(GpcHeap, CommandDescriptorsAtTheirOffsets) {
  using tabletest::Esc;
  const std::vector<uint8_t> b = Gpc();
  ExpectCommand(b, 0x124, Esc("*t300R"));
  ExpectCommand(b, 0x132, Esc("*t600R"));
  ExpectCommand(b, 0x140, Esc("!t000Q"));
  ExpectCommand(b, 0x14E, Esc("!t200Q"));
  ExpectCommand(b, 0x15C, Esc("&l0H"));
  ExpectCommand(b, 0x168, Esc("!d6Q"));
  ExpectCommand(b, 0x174, Esc("*b1M"));
  ExpectCommand(b, 0x180, Esc("*b0M"));
  ExpectCommand(b, 0x18C, tabletest::Cat(Esc("!c2Q"), {0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20,
                                                       0x40, 0x80}));
  ExpectCommand(b, 0x1A4, tabletest::Cat(Esc("!d4Q"), Esc("*b0M")));
  ExpectCommand(b, 0x1B4, Esc("!d0Q"));
  ExpectCommand(b, 0x1C0, Esc("*p%dY"));
  ExpectCommand(b, 0x1CC, Esc("!s0Q"));
}

TEST(GpcHeap, ImageControlDescriptorsAndFill) {
  using tabletest::Esc;
  const std::vector<uint8_t> b = Gpc();
  ExpectCommand(b, 0x1D8, Esc("!s520Q"));
  ExpectCommand(b, 0x1D8 + 14 * 23, Esc("!s980Q"));
  EXPECT_EQ(b[kHeap + 0x1D8 + 14 * 23 + 13], 0) << "option 24 ends with a fill byte";
  ExpectCommand(b, 0x1D8 + 14 * 24, Esc("!s1000Q"));
  ExpectCommand(b, 0x1D8 + 14 * 99, Esc("!s2500Q"));
  for (int n = 1; n <= 100; ++n) ExpectCommand(b, 0x1D8 + 14 * (n - 1), Esc("!s" + std::to_string(500 + 20 * n) + "Q"));
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
