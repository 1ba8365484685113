#include "raster/command_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "raster/cpu_features.h"
#include "raster/row_packer.h"

namespace {

using raster::ComputeRLE;
using raster::my_itoa;
using raster::ZeroText;
using Bytes = std::vector<uint8_t>;

Bytes Pack(const Bytes& data, int32_t lead, int32_t n) {
  Bytes out(raster::RleBound(lead, n) + 16, 0xEE);
  int size = ComputeRLE(data.data(), lead, n, out.data());
  // Nothing past the stated bound may be touched.
  for (size_t i = raster::RleBound(lead, n); i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE);
  out.resize(size);
  return out;
}

// Expands run-length pairs the way the printer does.
Bytes Unpack(const Bytes& packed) {
  Bytes row;
  for (size_t i = 0; i + 1 < packed.size(); i += 2) row.insert(row.end(), packed[i] + 1, packed[i + 1]);
  return row;
}

TEST(DecimalParameter, WritesZeroAsDigitOrNothing) {
  char buf[11];
  EXPECT_EQ(my_itoa(buf, 0, 11, ZeroText::kDigit), 1);
  EXPECT_STREQ(buf, "0");
  EXPECT_EQ(my_itoa(buf, 0, 11, ZeroText::kEmpty), 0);
  EXPECT_STREQ(buf, "");
}

TEST(DecimalParameter, NegativeValuesWriteNothing) {
  char buf[11];
  EXPECT_EQ(my_itoa(buf, -1, 11), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(my_itoa(buf, INT32_MIN, 11), 0);
}

TEST(DecimalParameter, WritesDigitsAndClearsTheRestOfTheBuffer) {
  char buf[11];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(my_itoa(buf, 1937, 11), 4);
  EXPECT_EQ(std::string(buf, 4), "1937");
  for (int i = 4; i < 11; ++i) EXPECT_EQ(buf[i], 0) << i;
  EXPECT_EQ(my_itoa(buf, INT32_MAX, 11), 10);
  EXPECT_STREQ(buf, "2147483647");
}

TEST(DecimalParameter, KeepsOnlyTheLowestDigitsThatFit) {
  char buf[10];
  EXPECT_EQ(my_itoa(buf, 1234567890, 10), 9);
  EXPECT_STREQ(buf, "234567890");
  char small[6];
  EXPECT_EQ(my_itoa(small, 123456, 6), 5);
  EXPECT_STREQ(small, "23456");
  char one[1] = {'x'};
  EXPECT_EQ(my_itoa(one, 5, 1), 0);
  EXPECT_EQ(one[0], 0);
}

TEST(CommandText, ParameterisedCommandsAreDigitsPlusFour) {
  uint8_t buf[16];
  int n = raster::FormatCommand(buf, raster::Command::kColumnPosition, 72, 11, ZeroText::kDigit);
  EXPECT_EQ(Bytes(buf, buf + n), (Bytes{0x1B, 0x2A, 0x70, 0x37, 0x32, 0x58}));
  n = raster::FormatCommand(buf, raster::Command::kRowPosition, 0, 11, ZeroText::kDigit);
  EXPECT_EQ(Bytes(buf, buf + n), (Bytes{0x1B, 0x2A, 0x70, 0x30, 0x59}));
  n = raster::FormatCommand(buf, raster::Command::kRowPosition, 0, 10, ZeroText::kEmpty);
  EXPECT_EQ(Bytes(buf, buf + n), (Bytes{0x1B, 0x2A, 0x70, 0x59}));
  n = raster::FormatCommand(buf, raster::Command::kRasterTransfer, 5, 11, ZeroText::kDigit);
  EXPECT_EQ(Bytes(buf, buf + n), (Bytes{0x1B, 0x2A, 0x62, 0x35, 0x57}));
  EXPECT_EQ(raster::FormatCommand(buf, raster::Command::kRasterTransfer, -3, 11, ZeroText::kDigit), 0);
}

TEST(RunLengthPacker, PacksThePluginExampleLine) {
  Bytes line = {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x81};
  Bytes packed = Pack(line, 7, 7);
  EXPECT_EQ(packed, (Bytes{0x08, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x00, 0x81, 0xB1, 0x00}));
  EXPECT_EQ(Unpack(packed).size(), 192u);
  EXPECT_FALSE(raster::ShouldPack(10, 5));
}

TEST(RunLengthPacker, PacksALongRunIntoSixBytes) {
  Bytes line(40, 0xFF);
  EXPECT_EQ(Pack(line, 7, 40), (Bytes{0x06, 0x00, 0x27, 0xFF, 0x90, 0x00}));
  EXPECT_TRUE(raster::ShouldPack(6, 40));
  EXPECT_TRUE(raster::ShouldPack(7, 7));
}

TEST(RunLengthPacker, PacksTheMinidriverExamples) {
  Bytes colour(186, 0xFF);
  colour[0] = 0x3F;
  EXPECT_EQ(Pack(colour, 3, 186), (Bytes{0x02, 0x00, 0x00, 0x3F, 0xB8, 0xFF, 0x02, 0x00}));
  Bytes mono(100, 0);
  mono[50] = 0x81;
  EXPECT_EQ(Pack(mono, 89, 51), (Bytes{0x8A, 0x00, 0x00, 0x81, 0x33, 0x00}));
}

TEST(RunLengthPacker, OmitsTheTrailPairWhenTheLineFillsThePrinterLine) {
  Bytes line(185, 0);
  line[184] = 0x01;
  Bytes packed = Pack(line, 7, 185);
  EXPECT_EQ(packed, (Bytes{0xBE, 0x00, 0x00, 0x01}));  // 191 zeros, then the byte
  EXPECT_EQ(Unpack(packed).size(), 192u);
}

TEST(RunLengthPacker, SingleByteBodyIsOnePair) {
  Bytes line = {0x00, 0x42};
  EXPECT_EQ(Pack(line, 7, 2), (Bytes{0x07, 0x00, 0x00, 0x42, 0xB6, 0x00}));
  EXPECT_EQ(Pack(line, 7, 0), Bytes{});
  EXPECT_EQ(Pack(line, 7, -4), Bytes{});
}

TEST(RunLengthPacker, SplitsRunsLongerThan256) {
  Bytes line(600, 0xAA);
  line[0] = 0;
  line[1] = 0;
  Bytes packed = Pack(line, 300, 600);
  Bytes row = Unpack(packed);
  ASSERT_EQ(row.size(), 900u);
  for (size_t i = 0; i < 302; ++i) ASSERT_EQ(row[i], 0) << i;
  for (size_t i = 302; i < 900; ++i) ASSERT_EQ(row[i], 0xAA) << i;
}

TEST(RunLengthPacker, RandomLinesDecodeBackToTheirPrinterLine) {
  std::mt19937 rng(7);
  for (int iter = 0; iter < 2000; ++iter) {
    const int32_t lead = rng() % 12;
    const int32_t n = 1 + rng() % (192 - lead);
    Bytes line(n);
    const int density = rng() % 4;
    for (auto& b : line) b = (static_cast<int>(rng() % 4) < density) ? static_cast<uint8_t>(rng() % 3 ? 0xFF : rng()) : 0;
    Bytes row = Unpack(Pack(line, lead, n));
    ASSERT_EQ(row.size(), 192u);
    for (int32_t i = 0; i < 192; ++i) {
      const uint8_t want = (i >= lead && i < lead + n) ? line[i - lead] : 0;
      ASSERT_EQ(row[i], want) << "iter " << iter << " byte " << i;
    }
  }
}

TEST(RunLengthPacker, GivesUpOnlyPastTheLimitAndOtherwisePacksTheSameBytes) {
  // Noisy, halftone-like and sparse lines, with limits around their packed
  // size: the writers rely on ComputeRLE saying "too long" exactly when the
  // full packing would be. The vector packers of every instruction set the
  // processor runs are held to the same.
  std::mt19937 rng(11);
  for (int iter = 0; iter < 3000; ++iter) {
    const int32_t lead = rng() % 40;
    const int32_t n = 1 + rng() % (iter % 5 == 0 ? 400 : 192 - lead);
    Bytes line(n);
    const int kind = iter % 3;
    for (auto& b : line) {
      b = kind == 0 ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(rng() % (kind == 1 ? 3 : 40) ? 0 : rng() % 4);
    }
    Bytes full(raster::RleBound(lead, n));
    const int size = ComputeRLE(line.data(), lead, n, full.data());
    for (int limit : {size - 2, size - 1, size, size + 1, n, n / 2}) {
      for (int isa = -1; isa < raster::kIsaCount; ++isa) {
        if (isa >= 0 && !raster::IsaSupported(static_cast<raster::Isa>(isa))) continue;
        Bytes out(raster::RleBound(lead, n) + 8, 0xEE);
        const int got = isa < 0 ? raster::ComputeRLE(line.data(), lead, n, out.data(), limit)
                                : raster::ComputeRLE(line.data(), lead, n, out.data(), limit,
                                                      static_cast<raster::Isa>(isa));
        const std::string what = "iter " + std::to_string(iter) + " limit " + std::to_string(limit) +
                                 (isa < 0 ? " ComputeRLE" : std::string(" ") + raster::IsaName(static_cast<raster::Isa>(isa)));
        for (size_t i = raster::RleBound(lead, n); i < out.size(); ++i) ASSERT_EQ(out[i], 0xEE) << what;
        if (size <= limit) {
          ASSERT_EQ(got, size) << what;
          ASSERT_TRUE(std::equal(full.begin(), full.begin() + size, out.begin())) << what;
        } else {
          ASSERT_GT(got, limit) << what;
        }
      }
    }
  }
}

TEST(ByteHelpers, CopyAndFillTouchExactlyCountBytes) {
  uint8_t dst[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  const uint8_t src[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  raster::CopyBytes(dst + 1, src, 3);
  raster::FillBytes(dst + 5, 0, 2);
  EXPECT_EQ(Bytes(dst, dst + 8), (Bytes{1, 9, 8, 7, 1, 0, 0, 1}));
}

}  // namespace
