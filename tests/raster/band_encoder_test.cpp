#include "raster/band_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/recording_sink.h"
#include "tests/support/support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::Encode;
using testsupport::RecordingSink;
using testsupport::View;
using testsupport::Esc;

// A 1-bit band whose lines are given as printer bytes (set bit = ink); the
// band holds their complement, as Unidrv renders white as set bits.
struct MonoBand {
  uint16_t stride;
  int32_t height;
  Bytes bits;
  MonoBand(uint16_t s, int32_t h) : stride(s), height(h), bits(static_cast<size_t>(s) * h, 0xFF) {}
  void SetLine(int32_t y, const Bytes& ink) {
    for (size_t i = 0; i < ink.size(); ++i) bits[y * stride + i] = static_cast<uint8_t>(~ink[i]);
  }
  raster::BandView Band() const { return View(bits, stride * 8, height, 1, stride * height); }
};

// The writes, each rendered as a readable token: commands as their text,
// data as "data:<count>".
std::vector<std::string> Tokens(const std::vector<Bytes>& writes) {
  std::vector<std::string> out;
  bool data_next = false;
  for (const Bytes& w : writes) {
    if (data_next || w.empty() || w[0] != 0x1B) {
      out.push_back("data:" + std::to_string(w.size()));
      data_next = false;
      continue;
    }
    std::string t(w.begin() + 1, w.end());
    data_next = t.size() > 2 && t[0] == '*' && t[1] == 'b' && t.back() == 'W';
    out.push_back(t);
  }
  return out;
}

std::vector<std::string> RowPositions(const std::vector<Bytes>& writes) {
  std::vector<std::string> rows;
  for (const std::string& t : Tokens(writes)) {
    if (t.size() > 2 && t[0] == '*' && t[1] == 'p' && t.back() == 'Y') rows.push_back(t.substr(2, t.size() - 3));
  }
  return rows;
}

int Transfers(const std::vector<Bytes>& writes) {
  int n = 0;
  for (const std::string& t : Tokens(writes)) n += t.rfind("data:", 0) == 0;
  return n;
}

TEST(BandEncoder, OneBitBandIsOnePassWithTheExactWrites) {
  MonoBand band(4, 3);
  band.SetLine(0, {0xFF});
  const RecordingSink out = Encode(band.Band());
  EXPECT_EQ(Tokens(out.Writes()),
            (std::vector<std::string>{"!d4Q", "*b0M", "*p0Y", "*p56X", "*b1W", "data:1"}));
  EXPECT_EQ(out.Writes()[5], Bytes{0xFF});
}

TEST(BandEncoder, ColourBandSendsPlanesOfBitsTwoOneZero) {
  // Line 0: pixel 0 inks only the bit-2 plane, pixel 1 only bit 1, pixel 2 only bit 0.
  Bytes bits(8, 0x77);
  bits[0] = 0x35;  // pixels 3 (bit 2 clear) and 5 (bit 1 clear)
  bits[1] = 0x67;  // pixel 6 (bit 0 clear)
  const RecordingSink out = Encode(View(bits, 8, 2, 4, 8));
  std::vector<std::string> want = {"!d4Q", "*b0M", "*p0Y", "*p56X", "*b1W", "data:1",
                                   "!d4Q", "*b0M", "*p0Y", "*p56X", "*b1W", "data:1",
                                   "!d4Q", "*b0M", "*p0Y", "*p56X", "*b1W", "data:1"};
  ASSERT_EQ(Tokens(out.Writes()), want);
  EXPECT_EQ(out.Writes()[5], Bytes{0x80});
  EXPECT_EQ(out.Writes()[11], Bytes{0x40});
  EXPECT_EQ(out.Writes()[17], Bytes{0x20});
}

TEST(BandEncoder, AllWhiteBandSendsOnlyThePlaneStarts) {
  Bytes bits(16 * 4, 0xFF);
  const Bytes start = testsupport::Concat({Esc("!d4Q"), Esc("*b0M")});
  EXPECT_EQ(Encode(View(bits, 32, 4, 4, 64)).bytes, testsupport::Concat({start, start, start}));
}

TEST(BandEncoder, RowStepFollowsTheVerticalResolution) {
  MonoBand band(4, 5);
  band.SetLine(0, {0xFF});
  band.SetLine(1, {0xFF});
  band.SetLine(3, {0xFF});
  EXPECT_EQ(RowPositions(Encode(band.Band(), 600).Writes()), (std::vector<std::string>{"0", "3"}));
  EXPECT_EQ(RowPositions(Encode(band.Band(), 300).Writes()), (std::vector<std::string>{"0", "6"}));
}

TEST(BandEncoder, SkipsCentreRowsOnlyWhenAsked) {
  MonoBand band(4, 2000);
  for (int y = 0; y < 2000; ++y) band.SetLine(y, {0xFF});
  // Line 895 is the last one sent before the gap, at both row steps.
  RecordingSink out = Encode(band.Band(), 600, true);
  EXPECT_EQ(RowPositions(out.Writes()), (std::vector<std::string>{"0", "1937"}));
  EXPECT_EQ(Transfers(out.Writes()), 2000 - 1041);
  out = Encode(band.Band(), 300, true);
  EXPECT_EQ(RowPositions(out.Writes()), (std::vector<std::string>{"0", "1938"}));
  EXPECT_EQ(Transfers(out.Writes()), 2000 - 521);
  out = Encode(band.Band(), 600, false);
  EXPECT_EQ(RowPositions(out.Writes()), (std::vector<std::string>{"0"}));
  EXPECT_EQ(Transfers(out.Writes()), 2000);
}

TEST(BandEncoder, CentreBoundariesAreInclusive) {
  // Only lines 895, 896, 1936 and 1937 carry ink.
  MonoBand band(4, 1940);
  for (int y : {895, 896, 1936, 1937}) band.SetLine(y, {0x01});
  EXPECT_EQ(RowPositions(Encode(band.Band(), 600, true).Writes()),
            (std::vector<std::string>{"895", "1937"}));
}

TEST(BandEncoder, ColumnCommandFollowsEveryReturnFromPacking) {
  const Bytes plain = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  const Bytes packed(20, 0xFF);
  MonoBand band(24, 4);
  band.SetLine(0, plain);
  band.SetLine(1, packed);
  band.SetLine(2, plain);
  band.SetLine(3, plain);
  const RecordingSink out = Encode(band.Band());
  EXPECT_EQ(Tokens(out.Writes()),
            (std::vector<std::string>{"!d4Q", "*b0M", "*p0Y", "*p56X", "*b10W", "data:10", "*b1M",
                                      "*b6W", "data:6", "*b0M", "*p56X", "*b10W", "data:10",
                                      "*b10W", "data:10"}));
  EXPECT_EQ(out.Writes()[8], (Bytes{0x06, 0x00, 0x13, 0xFF, 0xA4, 0x00}));
}

TEST(BandEncoder, TieBetweenPackedAndPlainGoesPacked) {
  MonoBand band(8, 1);
  band.SetLine(0, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x0F, 0x0F, 0x0F});
  EXPECT_EQ(Tokens(Encode(band.Band()).Writes()),
            (std::vector<std::string>{"!d4Q", "*b0M", "*p0Y", "*b1M", "*b8W", "data:8"}));
}

TEST(BandEncoder, PlainLineStartsAtItsFirstInkedByte) {
  MonoBand band(8, 2);
  band.SetLine(0, {0, 0, 0xFF, 0xFF, 0xFF, 0, 0x81});
  band.SetLine(1, {0, 0, 0x11});
  const RecordingSink out = Encode(band.Band());
  EXPECT_EQ(Tokens(out.Writes()),
            (std::vector<std::string>{"!d4Q", "*b0M", "*p0Y", "*p72X", "*b5W", "data:5", "*b1W",
                                      "data:1"}));
  EXPECT_EQ(out.Writes()[5], (Bytes{0xFF, 0xFF, 0xFF, 0x00, 0x81}));
}

TEST(BandEncoder, LandscapeLinesArePixelColumns) {
  // 4-bit band 5 pixels wide, 12 high: five lines of two bytes. The last scan
  // line's pixel 4 is black, the first dot of line 4 on every plane.
  Bytes bits(4 * 12, 0x77);
  bits[11 * 4 + 2] = 0x07;
  const RecordingSink out = Encode(View(bits, 5, 12, 4, 48, /*landscape=*/true));
  EXPECT_EQ(RowPositions(out.Writes()), (std::vector<std::string>{"4", "4", "4"}));
  EXPECT_EQ(out.Writes()[5], Bytes{0x80});
}

TEST(BandEncoder, BandsWithoutScanLinesAreEmptyImages) {
  Bytes bits(16, 0x00);
  for (int32_t height : {0, -5}) {
    EXPECT_EQ(Tokens(Encode(View(bits, 8, height, 4, 16)).Writes()).size(), 6u) << height;
  }
  raster::BandView no_bits = View(bits, 8, 2, 4, 16);
  no_bits.bits = nullptr;
  EXPECT_EQ(Tokens(Encode(no_bits).Writes()).size(), 6u);
}

TEST(BandEncoder, NeverReadsPastTheBandItsSizeDescribes) {
  // The stride says 3 bytes a line for 40 pixels (a 4-bit line needs 20).
  // The band ends right before a page the process may not touch, so a read
  // past it faults here, sanitizers or not.
  for (bool landscape : {false, true}) {
    const testsupport::GuardedBuffer band(Bytes(3 * 7, 0x00));
    EXPECT_GT(Transfers(Encode(View(band.data(), 40, 7, 4, 21, landscape)).Writes()), 0) << landscape;
  }
  const testsupport::GuardedBuffer wide(Bytes(256 * 2, 0x00));
  for (const Bytes& w : Encode(View(wide.data(), 2048, 2, 1, 512)).Writes()) EXPECT_LE(w.size(), 404u);
}

TEST(BandEncoder, StaysWithinItsStatedBound) {
  // Random dots defeat the packer: every line goes plain with all its commands.
  uint32_t seed = 7;
  Bytes bits(static_cast<size_t>(740) * 400);
  for (uint8_t& b : bits) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  for (bool landscape : {false, true}) {
    const raster::BandView band = View(bits, 1480, 400, 4, 740 * 400, landscape);
    const size_t bytes = Encode(band).bytes.size();
    EXPECT_LE(bytes, raster::EncodedBandBound(band)) << landscape;
    // Portrait lines fill the line buffer; the bound is then nearly reached.
    if (!landscape) {
      EXPECT_GT(bytes, raster::EncodedBandBound(band) * 3 / 4) << "bound far too loose";
    }
  }
}

}  // namespace
