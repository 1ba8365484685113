#include <gtest/gtest.h>

#include "tests/minidrv/minidriver_fixture.h"

namespace minidrv_test {
namespace {

// Sends a whole colour page at 600 rows per inch whose yellow plane is filled
// by fill(row, bytes) and whose other planes are blank, and returns the
// writes of the yellow plane (everything before the first plane start).
template <typename Fill>
std::vector<Bytes> YellowPlane(Fill fill, int32_t length = 186, int rows_per_inch = 600) {
  Minidriver driver;
  EXPECT_TRUE(driver.Loaded()) << driver.Error();
  EXPECT_EQ(driver.Bind(), TRUE);
  int32_t rows = rows_per_inch == 600 ? 2832 : 1416;
  SendColourPage(driver, rows_per_inch, rows, length, [&](int plane, int32_t r, uint8_t* row) {
    if (plane == 2) fill(r, row);
  });
  std::vector<Bytes> writes = driver.Writes();
  // The blank magenta and cyan planes each send a plane start and plain mode.
  std::vector<Bytes> tail = {Esc("!d4Q"), Esc("*b0M"), Esc("!d4Q"), Esc("*b0M")};
  EXPECT_GE(writes.size(), tail.size());
  if (writes.size() < tail.size()) return writes;
  EXPECT_EQ(std::vector<Bytes>(writes.end() - 4, writes.end()), tail);
  writes.resize(writes.size() - 4);
  return writes;
}

TEST(ColourRowEncoding, FullRowAtAddressZeroLosesItsLeftmostDotAndMark) {
  auto writes = YellowPlane([](int32_t r, uint8_t* row) {
    if (r == 0) std::fill(row, row + 186, 0xFF);
  });
  EXPECT_EQ(writes, (std::vector<Bytes>{Esc("*b0M"), Esc("*pY"), Esc("*b1M"),
                                        Concat({Esc("*b8W"), {0x02, 0x00, 0x00, 0x3F, 0xB8, 0xFF, 0x02, 0x00}})}));
}

TEST(ColourRowEncoding, NextRowInPlainModeNeedsNoPositionOrColumn) {
  auto writes = YellowPlane([](int32_t r, uint8_t* row) {
    if (r == 6 || r == 7) row[10] = 0xFF;
  });
  EXPECT_EQ(writes, (std::vector<Bytes>{Esc("*b0M"), Esc("*p6Y"), Concat({Esc("*p104X"), Esc("*b1W")}),
                                        {0xFF}, Esc("*b1W"), {0xFF}}));
}

TEST(ColourRowEncoding, PlainRowAfterPackedRowRepeatsTheColumn) {
  auto writes = YellowPlane([](int32_t r, uint8_t* row) {
    if (r == 1) std::fill(row, row + 40, 0xFF);
    if (r == 2 || r == 3 || r == 5) row[10] = 0x11;
  });
  EXPECT_EQ(writes,
            (std::vector<Bytes>{Esc("*b0M"), Esc("*p1Y"), Esc("*b1M"),
                                Concat({Esc("*b8W"), {0x02, 0x00, 0x00, 0x7F, 0x26, 0xFF, 0x94, 0x00}}),
                                Esc("*b0M"), Concat({Esc("*p104X"), Esc("*b1W")}), {0x11},
                                Esc("*b1W"), {0x11},
                                Esc("*p5Y"), Esc("*b1W"), {0x11}}));
}

TEST(ColourRowEncoding, LeftmostDotAndFirstRowMarkAreNotDots) {
  auto writes = YellowPlane([](int32_t r, uint8_t* row) {
    if (r == 0) row[0] = 0xC0;  // blank once both bits are cleared
    if (r == 4) {
      row[0] = 0x80;  // cleared on every row
      row[1] = 0x01;
    }
    if (r == 9) row[0] = 0x40;  // bit 6 is a dot below the first row
  });
  EXPECT_EQ(writes, (std::vector<Bytes>{Esc("*b0M"), Esc("*p4Y"), Concat({Esc("*p32X"), Esc("*b1W")}),
                                        {0x01}, Esc("*p9Y"), Concat({Esc("*p24X"), Esc("*b1W")}),
                                        {0x40}}));
}

TEST(ColourRowEncoding, RowsLongerThanThePrinterLineAreCutAtItsEdge) {
  // 372-byte rows at 300 rows per inch: only bytes 0 to 188 land on the line.
  auto writes = YellowPlane(
      [](int32_t r, uint8_t* row) {
        if (r == 1) {
          for (int i = 0; i < 372; ++i) row[i] = i % 2 ? 0x55 : 0x2A;
        }
        if (r == 2) std::fill(row, row + 372, 0xFF);
        if (r == 3) row[200] = 0xFF;  // beyond the line: blank
      },
      372, 300);
  Bytes plain(189);
  for (int i = 0; i < 189; ++i) plain[i] = i % 2 ? 0x55 : 0x2A;
  EXPECT_EQ(writes, (std::vector<Bytes>{Esc("*b0M"), Esc("*p2Y"), Concat({Esc("*p24X"), Esc("*b189W")}),
                                        plain, Esc("*b1M"),
                                        Concat({Esc("*b6W"), {0x02, 0x00, 0x00, 0x7F, 0xBB, 0xFF}})}));
}

TEST(MonoRowEncoding, SingleByteInRunLengthModeIsOnlyATransfer) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  Bytes line(100, 0);
  line[50] = 0x81;
  Bytes transfer = Concat({Esc("*b6W"), {0x8A, 0x00, 0x00, 0x81, 0x33, 0x00}});
  driver.Send(line);
  EXPECT_EQ(driver.Writes(), (std::vector<Bytes>{Esc("*b1M"), transfer}));
  driver.ClearOutput();
  // The packing mode carries on, also into what the host calls a new page.
  driver.Send(line);
  EXPECT_EQ(driver.Writes(), (std::vector<Bytes>{transfer}));
}

TEST(MonoRowEncoding, AlternatingBytesGoPlainWithLeadingZerosAndOneColumnCommand) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  Bytes line(100, 0);
  for (int i = 0; i < 10; ++i) line[i] = i % 2 ? 0xAA : 0x55;
  Bytes transfer = Concat({Esc("*b10W"), Bytes(line.begin(), line.begin() + 10)});
  driver.Send(line);
  driver.Send(line);
  EXPECT_EQ(driver.Writes(), (std::vector<Bytes>{Esc("*p712X"), transfer, transfer}));

  driver.ClearOutput();
  Bytes packed(100, 0);
  packed[99] = 0x0F;
  driver.Send(packed);
  driver.Send(Bytes(100, 0));  // blank: nothing at all
  driver.Send(line);
  EXPECT_EQ(driver.Writes(),
            (std::vector<Bytes>{Esc("*b1M"), Concat({Esc("*b6W"), {0xBB, 0x00, 0x00, 0x0F, 0x02, 0x00}}),
                                Esc("*b0M"), Esc("*p712X"), transfer}));
}

TEST(MonoRowEncoding, LeadingZeroBytesArePartOfThePlainData) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  Bytes line(20, 0);
  for (int i = 5; i < 12; ++i) line[i] = static_cast<uint8_t>(i);
  driver.Send(line);
  // 169 zeros, seven different bytes, 8 zeros: packed 18 bytes > 12 plain.
  EXPECT_EQ(driver.Writes(), (std::vector<Bytes>{Esc("*p1352X"),
                                                 Concat({Esc("*b12W"), Bytes(line.begin(), line.begin() + 12)})}));
}

TEST(MonoRowEncoding, ScanlinesLongerThanThePrinterLineKeepTheirRightEnd) {
  // The last byte always lands on printer byte 188; what would land left of
  // byte 0 is cut, so even the longest scanline is sent whole in one write
  // instead of overrunning the transfer buffer.
  Bytes longest(189);
  for (int i = 0; i < 189; ++i) longest[i] = i % 2 ? 0x55 : 0xAA;
  Bytes expected_transfer = Concat({Esc("*b189W"), longest});
  for (size_t length : {size_t{189}, size_t{300}}) {
    Minidriver driver;
    ASSERT_TRUE(driver.Loaded()) << driver.Error();
    ASSERT_EQ(driver.Bind(), TRUE);
    driver.Send(Bytes(1, 0));  // decide monochrome
    Bytes line(length, 0x7E);
    std::copy(longest.begin(), longest.end(), line.end() - 189);
    driver.Send(line);
    // Dot column 0 is written without digits, as the module writes every 0.
    EXPECT_EQ(driver.Writes(), (std::vector<Bytes>{Esc("*pX"), expected_transfer})) << length;
  }
}

TEST(SpoolWrites, EveryWriteCarriesTheDeviceOfTheCall) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  SendColourPage(driver, 600, 2830, 186, [](int plane, int32_t r, uint8_t* row) {
    row[(r * 7 + plane) % 186] = static_cast<uint8_t>(r);
  });
  EXPECT_GT(driver.Writes().size(), 3000u);
  EXPECT_EQ(driver.ForeignWrites(), 0);
}

}  // namespace
}  // namespace minidrv_test
