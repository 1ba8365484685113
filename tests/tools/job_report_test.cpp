#include <gtest/gtest.h>

#include <string>

#include "tools/job_report.h"

namespace tools {
namespace {

TEST(HexListing, ElidesLongData) {
  const uint8_t bytes[20] = {0x1B, 0x2A, 0x62, 0x31, 0x4D};
  EXPECT_EQ(HexBytes(bytes, 5), "1B 2A 62 31 4D");
  EXPECT_EQ(HexBytes(bytes, 20, 4), "1B 2A 62 31 ... (+16 bytes)");
  EXPECT_EQ(HexBytes(bytes, 0), "");
}

stream::DecodedStream DecodeText(const std::string& s) {
  return stream::Decode(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(DriverGuess, RecognisesWhatOnlyTheMinidriverWrites) {
  // The plug-in's way: row address 0 as "0", data right of its margin.
  std::string plugin = "\x1b!d4Q\x1b*b0M\x1b*p0Y\x1b*p64X\x1b*b1W\xff";
  stream::DecodedStream d = DecodeText(plugin);
  DriverGuess g = GuessDriver(d);
  EXPECT_EQ(g.driver, Driver::kPlugin);
  EXPECT_EQ(g.origin_dots, 56);

  std::string no_digits = "\x1b!d4Q\x1b*b0M\x1b*pY\x1b*p64X\x1b*b1W\xff";
  d = DecodeText(no_digits);
  g = GuessDriver(d);
  EXPECT_EQ(g.driver, Driver::kMinidriver);
  EXPECT_EQ(g.origin_dots, 24);

  // The job writer reaches 5 bytes left of the plug-in's margin for a label
  // moved left, so only dots left of dot 16 tell the minidriver.
  std::string left_dots = "\x1b!d4Q\x1b*b0M\x1b*p4Y\x1b*p8X\x1b*b1W\xff";
  d = DecodeText(left_dots);
  EXPECT_EQ(GuessDriver(d).driver, Driver::kMinidriver);
  left_dots = "\x1b!d4Q\x1b*b0M\x1b*p4Y\x1b*p16X\x1b*b1W\xff";
  d = DecodeText(left_dots);
  EXPECT_EQ(GuessDriver(d).driver, Driver::kPlugin);

  // A monochrome line from byte 0 of a 100-byte scanline: the column is the
  // page's left edge, 8 x (189 - 100).
  const std::string mono = std::string("\x1b!d4Q\x1b*b0M\x1b*p712X\x1b*b3W") + std::string("\0\0\x81", 3);
  d = DecodeText(mono);
  g = GuessDriver(d);
  EXPECT_EQ(g.driver, Driver::kMinidriver);
  EXPECT_EQ(g.origin_dots, 712);
}

TEST(PagePlanes, MapsPlanesToInksAndPages) {
  std::string six;
  for (int i = 0; i < 6; ++i) six += "\x1b!d4Q\x1b*b0M\x1b*p" + std::to_string(i) + "Y\x1b*b1W\x80";
  stream::DecodedStream d = DecodeText(six);
  std::vector<imaging::PrintedPlane> planes;
  int pages = 0;
  std::string error;
  ASSERT_TRUE(PagePlanes(d, InkLayout::kAuto, 2, &planes, &pages, &error)) << error;
  EXPECT_EQ(pages, 2);
  ASSERT_EQ(planes.size(), 3u);
  EXPECT_EQ(planes[0].ink, imaging::InkColour::kYellow);
  EXPECT_EQ(planes[2].ink, imaging::InkColour::kCyan);
  EXPECT_EQ(planes[0].rows.begin()->first, 3);  // page 2 starts with the fourth plane
  ASSERT_TRUE(PagePlanes(d, InkLayout::kMono, 6, &planes, &pages, &error));
  EXPECT_EQ(pages, 6);
  EXPECT_EQ(planes[0].ink, imaging::InkColour::kBlack);
  EXPECT_FALSE(PagePlanes(d, InkLayout::kAuto, 3, &planes, &pages, &error));
  EXPECT_FALSE(PagePlanes(DecodeText(""), InkLayout::kAuto, 1, &planes, &pages, &error));
  EXPECT_FALSE(PagePlanes(DecodeText(six.substr(0, six.size() / 3)), InkLayout::kColour, 1, &planes, &pages, &error));
}

TEST(JobResolution, FromTheSelectCommandElseFromOddRows) {
  EXPECT_EQ(JobRowsPerInch(DecodeText("\x1b*t300R")), 300);
  EXPECT_EQ(JobRowsPerInch(DecodeText("\x1b!d4Q\x1b*p3Y\x1b*b1W\x80")), 600);
  EXPECT_EQ(JobRowsPerInch(DecodeText("\x1b!d4Q\x1b*p4Y\x1b*b1W\x80")), 300);
}

}  // namespace
}  // namespace tools
