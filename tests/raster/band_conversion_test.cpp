#include "raster/band_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/raster/fake_unidrv.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing_support::FakeUnidrv;

Bytes Text(const std::string& s) {
  Bytes b(1 + s.size(), 0x1B);
  std::copy(s.begin(), s.end(), b.begin() + 1);
  return b;
}

BITMAPINFOHEADER Header(int32_t width, int32_t height, uint16_t bits, uint32_t size_image) {
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biSizeImage = size_image;
  return h;
}

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
  BITMAPINFOHEADER Info() const { return Header(stride * 8, height, 1, stride * height); }
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

TEST(BandConversion, OneBitBandIsOnePassWithTheExactWrites) {
  FakeUnidrv unidrv;
  MonoBand band(4, 3);
  band.SetLine(0, {0xFF});
  auto info = band.Info();
  Bytes out = unidrv.Convert(band.bits, info);
  EXPECT_EQ(Tokens(unidrv.writes),
            (std::vector<std::string>{"!d4Q", "*b0M", "*p0Y", "*p56X", "*b1W", "data:1"}));
  EXPECT_EQ(unidrv.writes[5], Bytes{0xFF});
  EXPECT_EQ(unidrv.last_result, S_OK);
  EXPECT_EQ(unidrv.last_band, band.bits.data());
  EXPECT_EQ(unidrv.setting_calls, 1);
}

TEST(BandConversion, ColourBandSendsPlanesOfBitsTwoOneZero) {
  // Line 0: pixel 0 inks only the bit-2 plane, pixel 1 only bit 1, pixel 2 only bit 0.
  FakeUnidrv unidrv;
  Bytes bits(8, 0x77);
  bits[0] = 0x35;  // pixels 3 (bit 2 clear) and 5 (bit 1 clear)
  bits[1] = 0x67;  // pixel 6 (bit 0 clear)
  unidrv.Convert(bits, Header(8, 2, 4, 8));
  auto tokens = Tokens(unidrv.writes);
  std::vector<std::string> want = {"!d4Q", "*b0M", "*p0Y", "*p56X", "*b1W", "data:1",
                                   "!d4Q", "*b0M", "*p0Y", "*p56X", "*b1W", "data:1",
                                   "!d4Q", "*b0M", "*p0Y", "*p56X", "*b1W", "data:1"};
  ASSERT_EQ(tokens, want);
  EXPECT_EQ(unidrv.writes[5], Bytes{0x80});
  EXPECT_EQ(unidrv.writes[11], Bytes{0x40});
  EXPECT_EQ(unidrv.writes[17], Bytes{0x20});
}

TEST(BandConversion, AllWhiteBandSendsOnlyThePlaneStarts) {
  FakeUnidrv unidrv;
  Bytes bits(16 * 4, 0xFF);
  Bytes out = unidrv.Convert(bits, Header(32, 4, 4, 64));
  Bytes want;
  for (int p = 0; p < 3; ++p) {
    Bytes a = Text("!d4Q"), b = Text("*b0M");
    want.insert(want.end(), a.begin(), a.end());
    want.insert(want.end(), b.begin(), b.end());
  }
  EXPECT_EQ(out, want);
}

TEST(BandConversion, RowStepFollowsTheVerticalResolution) {
  MonoBand band(4, 5);
  band.SetLine(0, {0xFF});
  band.SetLine(1, {0xFF});
  band.SetLine(3, {0xFF});
  FakeUnidrv at600;
  at600.SetPage(false, 600);
  auto info = band.Info();
  at600.Convert(band.bits, info);
  EXPECT_EQ(RowPositions(at600.writes), (std::vector<std::string>{"0", "3"}));
  FakeUnidrv at300;
  at300.SetPage(false, 300);
  at300.Convert(band.bits, info);
  EXPECT_EQ(RowPositions(at300.writes), (std::vector<std::string>{"0", "6"}));
}

struct SkipCase {
  const char* keyword;
  int rows_per_inch;
  std::vector<std::string> rows;
  int transfers;
};

TEST(BandConversion, SkipsCentreRowsOnlyForDiscTypeD) {
  MonoBand band(4, 2000);
  for (int y = 0; y < 2000; ++y) band.SetLine(y, {0xFF});
  auto info = band.Info();
  const SkipCase cases[] = {
      {"DISC_D", 600, {"0", "1937"}, 2000 - 1041},
      {"DISC_D", 300, {"0", "1938"}, 2000 - 521},
      {"DISC_d", 600, {"0"}, 2000},
      {"DISCD", 600, {"0"}, 2000},
      {"DISC_S", 600, {"0"}, 2000},
      {"ABCDEDxyz", 600, {"0", "1937"}, 2000 - 1041},
  };
  for (const SkipCase& c : cases) {
    FakeUnidrv unidrv;
    unidrv.disc_type = c.keyword;
    unidrv.SetPage(false, c.rows_per_inch);
    unidrv.Convert(band.bits, info);
    EXPECT_EQ(RowPositions(unidrv.writes), c.rows) << c.keyword << " " << c.rows_per_inch;
    EXPECT_EQ(Transfers(unidrv.writes), c.transfers) << c.keyword << " " << c.rows_per_inch;
  }
  // Line 895 is the last one sent before the gap, at both row steps.
  FakeUnidrv failing;
  failing.disc_type = "DISC_D";
  failing.setting_result = E_FAIL;
  failing.Convert(band.bits, info);
  EXPECT_EQ(Transfers(failing.writes), 2000);
}

TEST(BandConversion, CentreBoundariesAreInclusive) {
  // Only lines 895, 896, 1936 and 1937 carry ink.
  MonoBand band(4, 1940);
  for (int y : {895, 896, 1936, 1937}) band.SetLine(y, {0x01});
  FakeUnidrv unidrv;
  unidrv.disc_type = "DISC_D";
  auto info = band.Info();
  unidrv.Convert(band.bits, info);
  EXPECT_EQ(RowPositions(unidrv.writes), (std::vector<std::string>{"895", "1937"}));
}

TEST(BandConversion, ColumnCommandFollowsEveryReturnFromPacking) {
  const Bytes plain = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
  const Bytes packed(20, 0xFF);
  MonoBand band(24, 4);
  band.SetLine(0, plain);
  band.SetLine(1, packed);
  band.SetLine(2, plain);
  band.SetLine(3, plain);
  FakeUnidrv unidrv;
  auto info = band.Info();
  unidrv.Convert(band.bits, info);
  EXPECT_EQ(Tokens(unidrv.writes),
            (std::vector<std::string>{"!d4Q", "*b0M", "*p0Y", "*p56X", "*b10W", "data:10", "*b1M",
                                      "*b6W", "data:6", "*b0M", "*p56X", "*b10W", "data:10",
                                      "*b10W", "data:10"}));
  EXPECT_EQ(unidrv.writes[8], (Bytes{0x06, 0x00, 0x13, 0xFF, 0xA4, 0x00}));
}

TEST(BandConversion, TieBetweenPackedAndPlainGoesPacked) {
  MonoBand band(8, 1);
  band.SetLine(0, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x0F, 0x0F, 0x0F});
  FakeUnidrv unidrv;
  auto info = band.Info();
  unidrv.Convert(band.bits, info);
  EXPECT_EQ(Tokens(unidrv.writes),
            (std::vector<std::string>{"!d4Q", "*b0M", "*p0Y", "*b1M", "*b8W", "data:8"}));
}

TEST(BandConversion, PlainLineStartsAtItsFirstInkedByte) {
  MonoBand band(8, 2);
  band.SetLine(0, {0, 0, 0xFF, 0xFF, 0xFF, 0, 0x81});
  band.SetLine(1, {0, 0, 0x11});
  FakeUnidrv unidrv;
  auto info = band.Info();
  unidrv.Convert(band.bits, info);
  EXPECT_EQ(Tokens(unidrv.writes),
            (std::vector<std::string>{"!d4Q", "*b0M", "*p0Y", "*p72X", "*b5W", "data:5", "*b1W",
                                      "data:1"}));
  EXPECT_EQ(unidrv.writes[5], (Bytes{0xFF, 0xFF, 0xFF, 0x00, 0x81}));
}

TEST(BandConversion, LandscapeLinesArePixelColumns) {
  // 4-bit band 5 pixels wide, 12 high: five lines of two bytes. The last scan
  // line's pixel 4 is black, the first dot of line 4 on every plane.
  Bytes bits(4 * 12, 0x77);
  bits[11 * 4 + 2] = 0x07;
  FakeUnidrv unidrv;
  unidrv.SetPage(true, 600);
  unidrv.Convert(bits, Header(5, 12, 4, 48));
  auto tokens = Tokens(unidrv.writes);
  EXPECT_EQ(RowPositions(unidrv.writes), (std::vector<std::string>{"4", "4", "4"}));
  EXPECT_EQ(unidrv.writes[5], Bytes{0x80});
}

TEST(BandConversion, BandsWithoutScanLinesAreEmptyImages) {
  for (int32_t height : {0, -5}) {
    FakeUnidrv unidrv;
    Bytes bits(16, 0x00);
    unidrv.Convert(bits, Header(8, height, 4, 16));
    EXPECT_EQ(Tokens(unidrv.writes).size(), 6u) << height;
    EXPECT_EQ(unidrv.last_result, S_OK);
  }
}

TEST(BandConversion, NeverReadsPastTheBandItsSizeDescribes) {
  // biSizeImage says 3 bytes a line for 40 pixels (a 4-bit line needs 20):
  // the band is exactly biSizeImage bytes, and the sanitizers watch.
  for (int landscape = 0; landscape < 2; ++landscape) {
    FakeUnidrv unidrv;
    unidrv.SetPage(landscape, 600);
    Bytes bits(3 * 7, 0x00);
    unidrv.Convert(bits, Header(40, 7, 4, 21));
    EXPECT_GT(Transfers(unidrv.writes), 0);
  }
  FakeUnidrv wide;
  Bytes wide_bits(256 * 2, 0x00);
  wide.Convert(wide_bits, Header(2048, 2, 1, 512));
  for (const Bytes& w : wide.writes) EXPECT_LE(w.size(), 404u);
}

TEST(BandConversion, NullHelperWritesNothingAndStillReturnsTheBand) {
  Bytes bits(8, 0);
  BITMAPINFOHEADER info = Header(8, 2, 4, 8);
  plat::DEVOBJ devobj{};
  PBYTE result = nullptr;
  EXPECT_EQ(raster::ConvertBand(nullptr, &devobj, bits.data(), &info, &result), S_OK);
  EXPECT_EQ(result, bits.data());
}

}  // namespace
