// Encode through each driver, read the job back as the printer would, and
// hold the result to the halftoned, masked page the tool computed.
#include <gtest/gtest.h>

#include <cmath>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "imaging/image_reader.h"
#include "imaging/label.h"
#include "imaging/preview.h"
#include "stream/decoder.h"
#include "tests/tools/cli_harness.h"

namespace {

using clitest::Quillory2;
using clitest::RunResult;
using clitest::TempDir;

struct Case {
  std::string driver = "plugin";
  int rows_per_inch = 600;
  bool mono = false;
  bool centre_band = false;
  bool landscape = false;
  imaging::DiscRing ring;
  std::string image = clitest::ExampleLabel();
};

std::string Args(const Case& c) {
  std::string a = "--driver " + c.driver + " --resolution " + std::to_string(c.rows_per_inch);
  if (c.mono) a += " --mono";
  if (c.centre_band) a += " --disc centre-band";
  if (c.landscape) a += " --landscape";
  a += " --outer-mm " + std::to_string(c.ring.outer_mm) + " --inner-mm " + std::to_string(c.ring.inner_mm);
  return a;
}

// The page the tool prints for the case, computed here from the same picture.
page::InkPage ExpectedPage(const Case& c) {
  std::vector<uint8_t> bytes = clitest::ReadFile(c.image);
  imaging::RgbImage image;
  std::string error;
  EXPECT_TRUE(imaging::DecodeImage(bytes.data(), bytes.size(), &image, &error)) << error;
  page::JobOptions options;
  options.resolution = c.rows_per_inch == 600 ? page::Resolution::k600 : page::Resolution::k300;
  options.colour = c.mono ? page::ColourMode::kMonochrome : page::ColourMode::kColour;
  imaging::LabelLayout layout;
  layout.ring = c.ring;
  return imaging::MakeLabelPage(image, options, layout);
}

// What the printer should hold in each plane, row address -> printer line,
// after what each driver leaves out by design: the plug-in's centre band
// for the centre-band disc; the minidriver's last rows (a colour page is sent
// when the line limit is reached, 2829 rows at 600 rows per inch, 1414 at
// 300) and the leftmost dot of every colour row (and the dot next to it on
// row 0), which carry its resolution mark.
std::vector<std::map<int32_t, std::vector<uint8_t>>> ExpectedPlanes(const Case& c, const page::InkPage& page,
                                                                    size_t* dropped_dots) {
  const bool mini = c.driver == "minidriver";
  const int32_t origin = !mini ? 56 : c.mono ? 8 * (189 - page.BytesPerRow()) : 24;
  const int32_t step = page.RowStep();
  const int inks[3] = {page::kYellow, page::kMagenta, page::kCyan};
  std::vector<std::map<int32_t, std::vector<uint8_t>>> planes(page.PlaneCount());
  *dropped_dots = 0;
  for (int p = 0; p < page.PlaneCount(); ++p) {
    const int ink = c.mono ? 0 : inks[p];
    for (int32_t r = 0; r < page.rows; ++r) {
      const int32_t address = r * step;
      std::vector<uint8_t> line(stream::kLineBytes, 0);
      bool any = false;
      for (int32_t x = 0; x < page.width_dots; ++x) {
        if (!page.Dot(ink, r, x)) continue;
        bool dropped = c.centre_band && address >= 896 && address <= 1936;
        if (mini && !c.mono) {
          dropped = dropped || r >= (c.rows_per_inch == 600 ? 2829 : 1414) || x == 0 || (r == 0 && x == 1);
        }
        if (dropped) {
          ++*dropped_dots;
          continue;
        }
        const int32_t dot = origin + x;
        line[dot / 8] |= static_cast<uint8_t>(0x80 >> (dot % 8));
        any = true;
      }
      if (any) planes[p][address] = line;
    }
  }
  return planes;
}

bool Blank(const std::vector<uint8_t>& line) {
  for (uint8_t b : line)
    if (b) return false;
  return true;
}

// Encodes, checks, decodes and compares; returns the decoded job for more checks.
stream::DecodedStream RoundTrip(const Case& c, const TempDir& dir, size_t* dropped_dots = nullptr) {
  const std::string job = dir.File("job.prn");
  RunResult enc = Quillory2("encode '" + c.image + "' -o '" + job + "' " + Args(c));
  EXPECT_EQ(enc.status, 0) << enc.err;
  RunResult check = Quillory2(std::string("decode --check --quiet ") + (c.mono ? "" : "--colour ") + "'" + job + "'");
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_NE(check.out.find("No problems"), std::string::npos) << check.out;

  std::vector<uint8_t> bytes = clitest::ReadFile(job);
  stream::DecodedStream d = stream::Decode(bytes.data(), bytes.size(), stream::WholeJob(c.mono ? 1 : 3));
  EXPECT_TRUE(d.Clean()) << (d.problems.empty() ? "" : d.problems[0].message);
  EXPECT_TRUE(d.has_begin_document);
  EXPECT_TRUE(d.has_end_document);
  EXPECT_EQ(d.resolution_rows_per_inch, c.rows_per_inch);

  const page::InkPage page = ExpectedPage(c);
  size_t dropped = 0;
  const auto expected = ExpectedPlanes(c, page, &dropped);
  if (dropped_dots) *dropped_dots = dropped;
  EXPECT_EQ(d.planes.size(), expected.size());
  for (size_t p = 0; p < std::min(d.planes.size(), expected.size()); ++p) {
    size_t wrong_rows = 0, rows = 0;
    std::string first_wrong;
    for (const auto& [address, line] : d.planes[p].rows) {
      if (Blank(line)) continue;
      ++rows;
      auto it = expected[p].find(address);
      if (it == expected[p].end() || it->second != line) {
        if (!wrong_rows++) first_wrong = std::to_string(address);
      }
    }
    for (const auto& [address, line] : expected[p]) {
      auto it = d.planes[p].rows.find(address);
      if (it == d.planes[p].rows.end() || Blank(it->second)) {
        if (!wrong_rows++) first_wrong = std::to_string(address) + " (missing)";
      }
    }
    EXPECT_EQ(wrong_rows, 0u) << "plane " << p << ", first wrong row address " << first_wrong;
    EXPECT_EQ(rows, expected[p].size()) << "plane " << p;
    EXPECT_GT(rows, 0u) << "plane " << p;
  }
  return d;
}

// The preview's pixels follow from the decoded planes: per ink the share of
// the pixel's dots that are set, taken away from that ink's own channel.
void ExpectPreviewMatches(const stream::DecodedStream& d, int rows_per_inch, bool mono, const TempDir& dir) {
  const std::string png = dir.File("preview.png");
  RunResult r = Quillory2("preview --no-outline '" + dir.File("job.prn") + "' -o '" + png + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<uint8_t> bytes = clitest::ReadFile(png);
  imaging::RgbImage img;
  std::string error;
  ASSERT_TRUE(imaging::DecodeImage(bytes.data(), bytes.size(), &img, &error)) << error;
  ASSERT_EQ(img.width, stream::kLineDots);
  ASSERT_EQ(img.height, 1416);
  const int per_pixel = rows_per_inch == 600 ? 2 : 1;
  size_t wrong = 0, inked = 0;
  const std::vector<uint8_t> blank(stream::kLineBytes, 0);
  for (int32_t y = 0; y < img.height; ++y) {
    // Rows 2y and 2y + 1 of each plane fall on pixel row y. Channels red,
    // green, blue lose to cyan, magenta, yellow: decoded planes 2, 1, 0; a
    // black plane takes all three.
    const std::vector<uint8_t>* rows[3][2];
    for (int ch = 0; ch < 3; ++ch) {
      const stream::Plane& plane = d.planes[mono ? 0 : 2 - ch];
      for (int k = 0; k < 2; ++k) {
        auto it = plane.rows.find(2 * y + k);
        rows[ch][k] = it == plane.rows.end() ? &blank : &it->second;
      }
    }
    for (int32_t x = 0; x < img.width; ++x) {
      int expect[3];
      for (int ch = 0; ch < 3; ++ch) {
        int set = 0;
        for (int k = 0; k < 2; ++k) set += ((*rows[ch][k])[x / 8] >> (7 - x % 8)) & 1;
        // The light left, in sRGB: half the light of two rows is code 188.
        const int share = std::min(2, set * 2 / per_pixel);  // in halves of the pixel
        expect[ch] = share == 0 ? 255 : share == 1 ? 188 : 0;
      }
      const imaging::Rgb got = img.Get(x, y);
      if (got.r != expect[0] || got.g != expect[1] || got.b != expect[2]) ++wrong;
      if (got != imaging::Rgb{}) ++inked;
    }
  }
  EXPECT_EQ(wrong, 0u);
  EXPECT_GT(inked, 500000u);
}

TEST(EncodeRoundTrip, PluginAt600KeepsEveryDotAndPreviewMatches) {
  TempDir dir;
  Case c;
  stream::DecodedStream d = RoundTrip(c, dir);
  ExpectPreviewMatches(d, 600, false, dir);
}

TEST(EncodeRoundTrip, PluginAt300KeepsEveryDotAndPreviewMatches) {
  TempDir dir;
  Case c;
  c.rows_per_inch = 300;
  stream::DecodedStream d = RoundTrip(c, dir);
  ExpectPreviewMatches(d, 300, false, dir);
}

TEST(EncodeRoundTrip, MinidriverAt600KeepsEveryDotAndPreviewMatches) {
  TempDir dir;
  Case c;
  c.driver = "minidriver";
  stream::DecodedStream d = RoundTrip(c, dir);
  ExpectPreviewMatches(d, 600, false, dir);
}

TEST(EncodeRoundTrip, MinidriverAt300KeepsEveryDotAndPreviewMatches) {
  TempDir dir;
  Case c;
  c.driver = "minidriver";
  c.rows_per_inch = 300;
  stream::DecodedStream d = RoundTrip(c, dir);
  ExpectPreviewMatches(d, 300, false, dir);
}

TEST(EncodeRoundTrip, MonochromeThroughBothDrivers) {
  for (const char* driver : {"plugin", "minidriver"}) {
    TempDir dir;
    Case c;
    c.driver = driver;
    c.mono = true;
    stream::DecodedStream d = RoundTrip(c, dir);
    ExpectPreviewMatches(d, 600, true, dir);
  }
}

TEST(EncodeRoundTrip, CentreBandDiscLeavesOutOnlyTheBand) {
  TempDir dir;
  Case c;
  c.centre_band = true;
  size_t dropped = 0;
  stream::DecodedStream d = RoundTrip(c, dir, &dropped);
  EXPECT_GT(dropped, 100000u);  // the band held ink that the printer does not get
  for (const stream::Plane& p : d.planes) {
    for (const auto& row : p.rows) EXPECT_FALSE(row.first >= 896 && row.first <= 1936 && !Blank(row.second));
  }
}

TEST(EncodeRoundTrip, LandscapeBandPrintsTheSamePage) {
  TempDir dir;
  Case c;
  c.landscape = true;
  c.rows_per_inch = 300;
  RoundTrip(c, dir);
}

TEST(EncodeRoundTrip, MinidriverDropsOnlyItsLastRowsAndMarkDots) {
  // A black picture on an unmasked square inks the edges where the
  // minidriver's losses lie; everything else must still arrive.
  TempDir dir;
  clitest::WriteFile(dir.File("black.pgm"), "P5 4 4 255\n" + std::string(16, '\0'));
  for (int rpi : {600, 300}) {
    Case c;
    c.driver = "minidriver";
    c.rows_per_inch = rpi;
    c.image = dir.File("black.pgm");
    c.ring = imaging::DiscRing{120, 0};
    size_t dropped = 0;
    RoundTrip(c, dir, &dropped);
    EXPECT_GT(dropped, 0u) << rpi;
  }
}

TEST(EncodeRoundTrip, StandardInputAndOutputGiveTheSameJob) {
  TempDir dir;
  RunResult files = Quillory2("encode '" + clitest::ExampleLabel() + "' --resolution 300 -o '" + dir.File("a.prn") + "'");
  ASSERT_EQ(files.status, 0) << files.err;
  RunResult pipes = Quillory2("encode - --resolution 300 -o -", clitest::ExampleLabel());
  ASSERT_EQ(pipes.status, 0) << pipes.err;
  std::vector<uint8_t> a = clitest::ReadFile(dir.File("a.prn"));
  EXPECT_EQ(std::string(a.begin(), a.end()), pipes.out);
}

}  // namespace
