#include <gtest/gtest.h>

#include "tests/minidrv/minidriver_fixture.h"

namespace minidrv_test {
namespace {

// A row whose only dot byte is `value` at index 10: it goes plain at dot
// column 104 and tells the planes apart (cyan 1, magenta 2, yellow 4).
void MarkRows(int plane, int32_t, uint8_t* row) { row[10] = static_cast<uint8_t>(1 << plane); }

// The expected writes of one plane whose rows 0, 1, 2 and `last` are marked
// with `value` and all others blank.
std::vector<Bytes> MarkedPlane(uint8_t value, int32_t step, int32_t last) {
  std::vector<Bytes> w = {Esc("*b0M"), Esc("*pY"), Concat({Esc("*p104X"), Esc("*b1W")}), {value}};
  for (int r = 1; r <= 2; ++r) {
    w.push_back(Esc("*b1W"));
    w.push_back({value});
  }
  w.push_back(Esc("*p" + std::to_string(last * step) + "Y"));
  w.push_back(Esc("*b1W"));
  w.push_back({value});
  return w;
}

std::vector<Bytes> MarkedPage(int32_t step, int32_t last) {
  std::vector<Bytes> all;
  for (uint8_t value : {4, 2, 1}) {
    if (value != 4) all.push_back(Esc("!d4Q"));
    std::vector<Bytes> plane = MarkedPlane(value, step, last);
    all.insert(all.end(), plane.begin(), plane.end());
  }
  return all;
}

// Rows 0, 1, 2, the last row the store keeps, and the rows after it.
auto MarkSomeRows(int32_t last_kept) {
  return [last_kept](int plane, int32_t r, uint8_t* row) {
    if (r <= 2 || r >= last_kept) MarkRows(plane, r, row);
  };
}

TEST(MinidriverModeDecision, ShortFirstScanlineMeansMonochrome) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  Bytes line(184, 0);
  line[183] = 0xF0;
  EXPECT_EQ(driver.Send(line), 0);
  EXPECT_FALSE(driver.Writes().empty());  // sent at once
}

TEST(MinidriverModeDecision, FirstScanlineOf185BytesMeansColour) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  EXPECT_EQ(driver.Send(Bytes(185, 0xFF)), 0);
  // Colour scanlines are only stored, and a later short one stays colour.
  Bytes line(184, 0);
  line[183] = 0xF0;
  driver.Send(line);
  EXPECT_TRUE(driver.Writes().empty());
}

TEST(MinidriverModeDecision, LaterLongScanlinesFollowMonochromeDecision) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  driver.Send(Bytes(100, 0));  // blank, sends nothing, but decides
  Bytes line(186, 0);
  line[185] = 0xFF;
  driver.Send(line);
  EXPECT_EQ(driver.Output(), Concat({Esc("*b1M"), Esc("*b6W"), {0xBB, 0x00, 0x00, 0xFF, 0x02, 0x00}}));
}

TEST(MinidriverLineLimit, At600RowsPerInchThe8488thScanlineSendsThePage) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  SendColourPage(driver, 600, 2829, 186, MarkSomeRows(2828));
  EXPECT_TRUE(driver.Writes().empty());
  // The 2830th cyan scanline triggers the send and is not stored itself.
  SendColourPage(driver, 600, 1, 186, [](int plane, int32_t, uint8_t* row) {
    if (plane == 0) row[10] = 0xFF;
  });
  ASSERT_FALSE(driver.Writes().empty());
  EXPECT_EQ(driver.Writes(), MarkedPage(1, 2828));
  EXPECT_EQ(driver.ForeignWrites(), 0);
}

TEST(MinidriverLineLimit, At600RowsPerInchTheLastThreeRowsOfThePageAreDropped) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  SendColourPage(driver, 600, 2832, 186, MarkSomeRows(2828));
  EXPECT_EQ(driver.Writes(), MarkedPage(1, 2828));
}

TEST(MinidriverLineLimit, At300RowsPerInchThe1415thCyanScanlineSendsThePage) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  SendColourPage(driver, 300, 1414, 186, MarkSomeRows(1413));
  EXPECT_TRUE(driver.Writes().empty());
  SendColourPage(driver, 300, 2, 186, MarkSomeRows(0));
  // Rows are addressed 0, 2, 4 ... and the last kept row is 1413.
  EXPECT_EQ(driver.Writes(), MarkedPage(2, 1413));
}

TEST(MinidriverLineLimit, ResolutionMarkIsReadFromBit6OfTheFirstByteOnly) {
  for (uint8_t first : {uint8_t{0x40}, uint8_t{0xBF}}) {
    Minidriver driver;
    ASSERT_TRUE(driver.Loaded()) << driver.Error();
    ASSERT_EQ(driver.Bind(), TRUE);
    Bytes line(186, 0);
    line[0] = first;
    driver.Send(line);
    driver.Send(Bytes(186, 0));
    driver.Send(Bytes(186, 0));
    // 1414 more triples reach the 300 limit but not the 600 one.
    SendColourPage(driver, 0, 1414, 186, Blank);
    EXPECT_EQ(driver.Writes().empty(), first == 0x40) << int{first};
  }
}

TEST(MinidriverCapture, ShortColourPageSendsNothing) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  SendColourPage(driver, 600, 1000, 186, MarkRows);
  EXPECT_TRUE(driver.Writes().empty());
}

TEST(MinidriverCapture, NothingIsSentAfterThePage) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  SendColourPage(driver, 300, 1415, 186, MarkRows);
  ASSERT_FALSE(driver.Writes().empty());
  driver.ClearOutput();
  SendColourPage(driver, 300, 1416, 186, MarkRows);  // a second page
  driver.Send(Bytes(100, 0xFF));
  EXPECT_TRUE(driver.Writes().empty());
}

TEST(MinidriverCapture, PartialLastRowOfAPlaneIsNotSent) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  auto ones = [](int, int32_t, uint8_t* row) {
    for (int i = 0; i < 186; ++i) row[i] = 0x01;
  };
  SendColourPage(driver, 600, 2829, 186, ones);
  // A longer trigger cuts each plane of 2829 x 186 bytes into 2813 rows of
  // 187 bytes and 163 bytes left over.
  Bytes trigger(187, 0x01);
  driver.Send(trigger);
  int transfers = 0;
  for (const Bytes& w : driver.Writes()) {
    bool mode_command = w.size() == 5 && w[4] == 'M';
    if (w.size() >= 5 && w[0] == 0x1B && w[1] == '*' && w[2] == 'b' && !mode_command) ++transfers;
  }
  EXPECT_EQ(transfers, 3 * 2813);
}

TEST(MinidriverCapture, ZeroLengthTriggerSendsOnlyPlaneStarts) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  SendColourPage(driver, 300, 1414, 186, MarkRows);
  uint8_t byte = 0xFF;
  driver.Send(&byte, 0);
  EXPECT_EQ(driver.Writes(), (std::vector<Bytes>{Esc("!d4Q"), Esc("!d4Q")}));
}

TEST(MinidriverCapture, ScanlinesThatNoLongerFitTheirPlaneAreDropped) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  // 400-byte rows at 300 rows per inch: only 1316 of 1414 fit a plane.
  SendColourPage(driver, 300, 1415, 400, MarkRows);
  const std::vector<Bytes>& w = driver.Writes();
  ASSERT_EQ(w.size(), 3 * (2 + 2 * 1316) + 2u);
  size_t yellow_end = 2 + 2 * 1316;
  EXPECT_EQ(w[yellow_end], Esc("!d4Q"));
  EXPECT_EQ(w[yellow_end - 2], Esc("*b1W"));  // row 1315 follows row 1314: no position
  EXPECT_EQ(w[yellow_end - 1], Bytes{4});
}

}  // namespace
}  // namespace minidrv_test
