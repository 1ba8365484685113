// The NT extension table byte for byte, and its reader on damaged copies.
#include <gtest/gtest.h>

#include <memory>

#include "tables/nt_extension.h"
#include "tables/printer_table.h"
#include "tables/table_dump.h"
#include "tests/tables/table_test_util.h"

namespace {

using tables::NtExtTable;
using tabletest::Dword;
using tabletest::NtExt;
using tabletest::SetWord;
using tabletest::Word;

TEST(NtExtensionLayout, HeaderAndBlocks) {
  const std::vector<uint8_t> b = NtExt();
  ASSERT_EQ(b.size(), 164u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), ">nt<");
  EXPECT_EQ(Dword(b, 4), 1u);
  EXPECT_EQ(Dword(b, 8), 0x110u);
  EXPECT_EQ(Word(b, 12), 28);
  EXPECT_EQ(Word(b, 14), 1);
  EXPECT_EQ(Word(b, 16), 4);
  EXPECT_EQ(Word(b, 18), 28);
  EXPECT_EQ(Word(b, 20), 152);
  EXPECT_EQ(Word(b, 22), 0);
  EXPECT_EQ(Word(b, 24), 0);
  EXPECT_EQ(Word(b, 26), 0);
  // The offsets land on the blocks' own size words, and the sizes add up.
  EXPECT_EQ(Word(b, 28), 124);
  EXPECT_EQ(Word(b, 30), 1);
  EXPECT_EQ(Word(b, 152), 12);
  EXPECT_EQ(Word(b, 154), 1);
  EXPECT_EQ(28 + Word(b, 28) + Word(b, 152), 164);
  EXPECT_EQ(Dword(b, 156), 0u);  // no device pixel size
  EXPECT_EQ(Dword(b, 160), 5u);  // 6 x 6 modified halftone pattern
}

TEST(NtExtensionLayout, ColorInfoInMemberOrder) {
  const std::vector<uint8_t> b = NtExt();
  const int32_t expected[30] = {6810, 3050, 2897, 2260, 6550, 6056, 1810, 500,  1047, 2000,
                                2450, 6912, 5210, 2100, 3732, 4750, 5100, 9120, 3324, 3474,
                                10000, 10000, 10000, 10000, 1422, 952, 787, 495, 324, 248};
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(static_cast<int32_t>(Dword(b, 32 + 4 * i)), expected[i]) << "COLORINFO value " << i;
  }
}

TEST(NtExtensionReader, ReadsTheBuiltTable) {
  const std::vector<uint8_t> b = NtExt();
  std::string error;
  const std::optional<NtExtTable> t = NtExtTable::Parse(b.data(), b.size(), &error);
  ASSERT_TRUE(t.has_value()) << error;
  EXPECT_EQ(t->header.dwFlags, 0x110u);
  EXPECT_EQ(t->colour.Red.x, 6810);
  EXPECT_EQ(t->colour.AlignmentWhite.Y, 10000);
  EXPECT_EQ(t->colour.Yellow.y, 5100);
  EXPECT_EQ(t->colour.BlueGamma, 10000);
  EXPECT_EQ(t->colour.MagentaInYellowDye, 248);
  EXPECT_EQ(t->halftone.ulHTPatternSize, ntext::HT_PATSIZE_6x6_M);
}

bool Accepts(const std::vector<uint8_t>& b, std::string* error) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[b.size() + 1]);
  std::copy(b.begin(), b.end(), exact.get());
  const bool ok = NtExtTable::Parse(exact.get(), b.size(), error).has_value();
  if (!ok) {
    EXPECT_FALSE(error->empty());
  }
  return ok;
}

TEST(NtExtensionReader, RefusesDamagedTables) {
  const std::vector<uint8_t> good = NtExt();
  std::string error;
  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_FALSE(Accepts(std::vector<uint8_t>(good.begin(), good.begin() + length), &error)) << length;
  }
  std::vector<uint8_t> b = good;
  b[1] = 'N';
  EXPECT_FALSE(Accepts(b, &error));
  EXPECT_NE(error.find(">nt<"), std::string::npos) << error;
  b = good;
  b[4] = 2;
  EXPECT_FALSE(Accepts(b, &error));
  for (int field : {18, 20}) {
    for (int outside : {0, 27, 150, 162, 164, 0xFFFF}) {
      b = good;
      SetWord(&b, field, outside);
      EXPECT_FALSE(Accepts(b, &error)) << "offset at " << field << " set to " << outside;
    }
  }
  b = good;
  SetWord(&b, 28, 120);  // the colour block's own size word
  EXPECT_FALSE(Accepts(b, &error));
  b = good;
  SetWord(&b, 14, 0);  // no model
  EXPECT_FALSE(Accepts(b, &error));
  EXPECT_FALSE(NtExtTable::Parse(nullptr, 164, &error).has_value());
}

}  // namespace
