// Whole jobs through the Unidrv stand-in and the loaded plug-in, read back by
// the stream decoder and compared with the pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hosts/unidrv_host.h"
#include "tests/oemdll/plugin_test_support.h"
#include "stream/decoder.h"
#include "tests/support/ink_pages.h"

namespace {

using page::InkPage;
using testsupport::RandomInkPage;

constexpr int32_t kMarginBytes = 7;  // dot k of a page row lands at printer dot 56 + k

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
  ASSERT_TRUE(hosts::RenderUnidrvJob(testsupport::PluginPath(), pages, settings, &job, &error, &trace))
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
      const int ink = page.colour ? inks_colour[pass] : page::kBlack;
      EXPECT_TRUE(testsupport::PlaneHolds(
          decoded.planes[plane], testsupport::InkRows(page, ink, kMarginBytes, std::string(c.disc_type) == "DISC_D")));
    }
  }
  EXPECT_EQ(decoded.planes.size(), plane);
}

TEST(UnidrvJob, ColourPageAt600RowsPerInchComesBackPlaneByPlane) {
  const JobCase c{true, 600, false, "DISC_S"};
  RenderAndCompare({RandomInkPage(1416, 2832, 600, true, 1)}, c);
}

TEST(UnidrvJob, ColourPageInLandscapeComesBackTheSame) {
  const JobCase c{true, 600, true, "DISC_S"};
  RenderAndCompare({RandomInkPage(1416, 2832, 600, true, 2)}, c);
}

TEST(UnidrvJob, DiscWithHubLeavesOutCentreRowsOnly) {
  const JobCase c{true, 600, false, "DISC_D"};
  RenderAndCompare({RandomInkPage(1416, 2832, 600, true, 3)}, c);
}

TEST(UnidrvJob, MonochromePageAt300RowsPerInch) {
  const JobCase c{false, 300, false, "DISC_S"};
  RenderAndCompare({RandomInkPage(1416, 1416, 300, false, 4)}, c);
}

TEST(UnidrvJob, MonochromeLandscapeWithHubAt300RowsPerInch) {
  const JobCase c{false, 300, true, "DISC_D"};
  RenderAndCompare({RandomInkPage(1416, 1416, 300, false, 5)}, c);
}

TEST(UnidrvJob, SeveralPagesFollowEachOther) {
  const JobCase c{true, 600, false, "DISC_S"};
  RenderAndCompare({RandomInkPage(600, 300, 600, true, 6), RandomInkPage(1000, 120, 600, false, 7),
                    RandomInkPage(1416, 2000, 600, true, 8)},
                   c);
}

TEST(UnidrvJob, OddWidthColourPageKeepsItsLastDots) {
  const JobCase c{true, 600, false, "DISC_S"};
  RenderAndCompare({RandomInkPage(1413, 64, 600, true, 9)}, c);
}

TEST(UnidrvJob, RefusesPagesAtAnotherResolutionThanTheJobs) {
  hosts::UnidrvJobSettings settings;
  settings.options.resolution = page::Resolution::k300;
  std::vector<uint8_t> job;
  std::string error;
  EXPECT_FALSE(hosts::RenderUnidrvJob(testsupport::PluginPath(), {RandomInkPage(64, 8, 600, true, 1)},
                                      settings, &job, &error));
  EXPECT_NE(error.find("rows per inch"), std::string::npos) << error;
  EXPECT_TRUE(job.empty());
}

TEST(UnidrvJob, ReportsAModuleThatCannotBeLoaded) {
  std::vector<uint8_t> job;
  std::string error;
  EXPECT_FALSE(hosts::RenderUnidrvJob("/nonexistent/libquilry2uni.so",
                                      {RandomInkPage(64, 8, 600, true, 1)}, {}, &job, &error));
  EXPECT_NE(error.find("/nonexistent/libquilry2uni.so"), std::string::npos) << error;
}

TEST(UnidrvJob, TraceFollowsUnidrvsOrder) {
  hosts::UnidrvTrace trace;
  std::vector<uint8_t> job;
  std::string error;
  ASSERT_TRUE(hosts::RenderUnidrvJob(testsupport::PluginPath(), {RandomInkPage(64, 8, 600, true, 1)}, {},
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
