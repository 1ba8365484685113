// Whole jobs through the Unidrv stand-in and the loaded plug-in, read back by
// the stream decoder and compared with the pages.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hosts/unidrv_host.h"
#include "tests/oemdll/plugin_test_support.h"
#include "stream/decoder.h"

namespace {

using page::InkPage;

constexpr int32_t kMarginBytes = 7;  // dot k of a page row lands at printer dot 56 + k

// Random-ish content that exercises both transfers: blank rows, runs of one
// byte (packed), noise (plain), and rows starting at the left edge.
InkPage MakePage(int32_t width, int32_t rows, int rows_per_inch, bool colour, uint32_t seed) {
  InkPage page = InkPage::Blank(width, rows, rows_per_inch, colour);
  std::mt19937 random(seed);
  const int32_t bytes = page.BytesPerRow();
  for (int p = 0; p < page.PlaneCount(); ++p) {
    for (int32_t r = 0; r < rows; ++r) {
      uint8_t* row = page.Row(p, r);
      const uint32_t kind = random() % 10;
      if (kind < 2) continue;
      const int32_t from = static_cast<int32_t>(random() % bytes);
      const int32_t to = from + static_cast<int32_t>(random() % (bytes - from));
      for (int32_t b = (kind == 9 ? 0 : from); b <= to; ++b) {
        row[b] = kind < 6 ? static_cast<uint8_t>(0xFF >> (r % 3)) : static_cast<uint8_t>(random());
      }
      // Dots past the page's width are not part of it.
      if (width % 8 != 0) row[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - width % 8));
    }
  }
  return page;
}

std::vector<uint8_t> ExpectedLine(const InkPage& page, int ink, int32_t row) {
  std::vector<uint8_t> line(stream::kLineBytes, 0);
  const uint8_t* bytes = page.Row(ink, row);
  for (int32_t b = 0; b < page.BytesPerRow(); ++b) line[kMarginBytes + b] = bytes[b];
  return line;
}

bool Blank(const std::vector<uint8_t>& line) {
  for (uint8_t b : line) {
    if (b != 0) return false;
  }
  return true;
}

bool InCentreBand(int32_t address) { return address >= 896 && address <= 1936; }

// Plane `plane` of the decoded job must be ink `ink` of the page, row by row.
void ExpectPlane(const stream::Plane& plane, const InkPage& page, int ink, bool skip_centre) {
  size_t expected_rows = 0;
  for (int32_t r = 0; r < page.rows; ++r) {
    const int32_t address = r * page.RowStep();
    std::vector<uint8_t> want = ExpectedLine(page, ink, r);
    if (skip_centre && InCentreBand(address)) want.assign(stream::kLineBytes, 0);
    auto found = plane.rows.find(address);
    if (Blank(want)) {
      if (found != plane.rows.end()) {
        ASSERT_TRUE(Blank(found->second)) << "row " << r << " should print nothing";
      }
      continue;
    }
    ++expected_rows;
    ASSERT_NE(found, plane.rows.end()) << "row " << r << " missing";
    ASSERT_EQ(found->second, want) << "row " << r;
  }
  size_t decoded_rows = 0;
  for (const auto& entry : plane.rows) decoded_rows += !Blank(entry.second);
  EXPECT_EQ(decoded_rows, expected_rows) << "rows printed that the page does not have";
}

struct JobCase {
  bool colour;
  int rows_per_inch;
  bool landscape;
  const char* disc_type;
};

void RenderAndCompare(const std::vector<InkPage>& pages, const JobCase& c) {
  hosts::UnidrvJobSettings settings;
  settings.options.resolution = c.rows_per_inch == 300 ? page::Resolution::k300 : page::Resolution::k600;
  settings.landscape = c.landscape;
  settings.options.disc_type = std::string(c.disc_type) == "DISC_D" ? page::DiscType::kCentreBand
                                                                     : page::DiscType::kStandard;
  std::vector<uint8_t> job;
  std::string error;
  hosts::UnidrvTrace trace;
  ASSERT_TRUE(hosts::RenderUnidrvJob(q2test::PluginPath(), pages, settings, &job, &error, &trace))
      << error;

  stream::DecodeOptions options;
  options.row_step = c.rows_per_inch == 600 ? 1 : 2;
  const stream::DecodedStream decoded = stream::Decode(job.data(), job.size(), options);
  for (const stream::Problem& problem : decoded.problems) {
    ADD_FAILURE() << "@" << problem.offset << ": " << problem.message;
  }
  EXPECT_TRUE(decoded.has_begin_document);
  EXPECT_TRUE(decoded.has_end_document);
  EXPECT_EQ(decoded.resolution_rows_per_inch, c.rows_per_inch);

  // The plug-in sends yellow, magenta, cyan for each colour page.
  const int inks_colour[3] = {page::kYellow, page::kMagenta, page::kCyan};
  size_t plane = 0;
  for (const InkPage& page : pages) {
    for (int pass = 0; pass < page.PlaneCount(); ++pass, ++plane) {
      ASSERT_LT(plane, decoded.planes.size());
      SCOPED_TRACE("plane " + std::to_string(plane));
      ExpectPlane(decoded.planes[plane], page, page.colour ? inks_colour[pass] : page::kBlack,
                  std::string(c.disc_type) == "DISC_D");
    }
  }
  EXPECT_EQ(decoded.planes.size(), plane);
}

TEST(UnidrvJob, ColourPageAt600RowsPerInchComesBackPlaneByPlane) {
  const JobCase c{true, 600, false, "DISC_S"};
  RenderAndCompare({MakePage(1416, 2832, 600, true, 1)}, c);
}

TEST(UnidrvJob, ColourPageInLandscapeComesBackTheSame) {
  const JobCase c{true, 600, true, "DISC_S"};
  RenderAndCompare({MakePage(1416, 2832, 600, true, 2)}, c);
}

TEST(UnidrvJob, DiscWithHubLeavesOutCentreRowsOnly) {
  const JobCase c{true, 600, false, "DISC_D"};
  RenderAndCompare({MakePage(1416, 2832, 600, true, 3)}, c);
}

TEST(UnidrvJob, MonochromePageAt300RowsPerInch) {
  const JobCase c{false, 300, false, "DISC_S"};
  RenderAndCompare({MakePage(1416, 1416, 300, false, 4)}, c);
}

TEST(UnidrvJob, MonochromeLandscapeWithHubAt300RowsPerInch) {
  const JobCase c{false, 300, true, "DISC_D"};
  RenderAndCompare({MakePage(1416, 1416, 300, false, 5)}, c);
}

TEST(UnidrvJob, SeveralPagesFollowEachOther) {
  const JobCase c{true, 600, false, "DISC_S"};
  RenderAndCompare({MakePage(600, 300, 600, true, 6), MakePage(1000, 120, 600, false, 7),
                    MakePage(1416, 2000, 600, true, 8)},
                   c);
}

TEST(UnidrvJob, OddWidthColourPageKeepsItsLastDots) {
  const JobCase c{true, 600, false, "DISC_S"};
  RenderAndCompare({MakePage(1413, 64, 600, true, 9)}, c);
}

TEST(UnidrvJob, RefusesPagesAtAnotherResolutionThanTheJobs) {
  hosts::UnidrvJobSettings settings;
  settings.options.resolution = page::Resolution::k300;
  std::vector<uint8_t> job;
  std::string error;
  EXPECT_FALSE(hosts::RenderUnidrvJob(q2test::PluginPath(), {MakePage(64, 8, 600, true, 1)},
                                      settings, &job, &error));
  EXPECT_NE(error.find("rows per inch"), std::string::npos) << error;
  EXPECT_TRUE(job.empty());
}

TEST(UnidrvJob, ReportsAModuleThatCannotBeLoaded) {
  std::vector<uint8_t> job;
  std::string error;
  EXPECT_FALSE(hosts::RenderUnidrvJob("/nonexistent/libquilry2uni.so",
                                      {MakePage(64, 8, 600, true, 1)}, {}, &job, &error));
  EXPECT_NE(error.find("/nonexistent/libquilry2uni.so"), std::string::npos) << error;
}

TEST(UnidrvJob, TraceFollowsUnidrvsOrder) {
  hosts::UnidrvTrace trace;
  std::vector<uint8_t> job;
  std::string error;
  ASSERT_TRUE(hosts::RenderUnidrvJob(q2test::PluginPath(), {MakePage(64, 8, 600, true, 1)}, {},
                                     &job, &error, &trace))
      << error;
  std::string all;
  for (const std::string& event : trace.events) all += event + "\n";
  const size_t created = all.find("created the plug-in");
  const size_t signature = all.find("signature ZNDQ");
  const size_t pdev = all.find("EnablePDEV");
  const size_t band = all.find("ImageProcessing page 1");
  const size_t released = all.find("module unloadable");
  EXPECT_LT(created, signature) << all;
  EXPECT_LT(signature, pdev) << all;
  EXPECT_LT(pdev, band) << all;
  EXPECT_LT(band, released) << all;
  EXPECT_NE(released, std::string::npos) << all;
}

}  // namespace
