// The core's job writer against the plug-in: for the same ink pages and
// options, the job written here must be the job the Unidrv stand-in makes
// through the loaded plug-in, byte for byte, as `quillory2 encode --driver
// plugin` writes it. Both paths share the band encoder and the printer
// description, so this holds the glue between them (framing, page order,
// options to settings); the encoder and the table have tests of their own.
#include "printjob/job_writer.h"

#include <gtest/gtest.h>

#include "hosts/unidrv_host.h"
#include "tests/support/ink_pages.h"

namespace {

using testsupport::RandomInkPage;

std::vector<uint8_t> ThroughThePlugin(const std::vector<page::InkPage>& pages,
                                      const page::JobOptions& options) {
  hosts::UnidrvJobSettings settings;
  settings.options = options;
  std::vector<uint8_t> job;
  std::string error;
  EXPECT_TRUE(hosts::RenderUnidrvJob(testsupport::PluginPath(), pages, settings, &job, &error))
      << error;
  return job;
}

TEST(JobWriter, FramesPagesAsTheUnidrvStandInDoesAroundTheSharedEncoder) {
  page::JobOptions colour;
  colour.disc_type = page::DiscType::kCentreBand;
  colour.media = page::Media::kMatte;
  colour.on_option = page::OnOff::kOn;
  colour.image_control = 40;
  page::JobOptions mono;
  mono.resolution = page::Resolution::k300;
  mono.colour = page::ColourMode::kMonochrome;
  const struct {
    page::JobOptions options;
    std::vector<page::InkPage> pages;
  } jobs[] = {
      {colour, {RandomInkPage(1416, 2832, 600, true, 1), RandomInkPage(333, 40, 600, false, 2)}},
      {mono, {RandomInkPage(1480, 1416, 300, false, 3)}},
  };
  for (const auto& job : jobs) {
    std::vector<uint8_t> written;
    std::string error;
    ASSERT_TRUE(printjob::WriteJob(job.pages, job.options, &written, &error)) << error;
    EXPECT_EQ(written, ThroughThePlugin(job.pages, job.options));
  }
}

TEST(JobWriter, RefusesWhatCannotBeOneJob) {
  std::vector<uint8_t> job = {1, 2, 3};
  std::string error;
  EXPECT_FALSE(printjob::WriteJob({RandomInkPage(64, 8, 600, true, 4)},
                                  page::JobOptions{page::Resolution::k300}, &job, &error));
  EXPECT_NE(error.find("rows per inch"), std::string::npos) << error;
  EXPECT_TRUE(job.empty());
  EXPECT_FALSE(printjob::WriteJob({RandomInkPage(1481, 8, 600, true, 5)}, {}, &job, &error));
  EXPECT_NE(error.find("page 1"), std::string::npos) << error;
  EXPECT_TRUE(job.empty());
  EXPECT_FALSE(printjob::WriteJob({}, {}, &job, &error));
}

TEST(JobWriter, KeepsTheResolutionOfItsSetupForTheWholeJob) {
  printjob::JobWriter writer;
  std::string error;
  ASSERT_TRUE(writer.Load(&error)) << error;
  EXPECT_TRUE(writer.TakesResolution(page::Resolution::k300));
  std::vector<uint8_t> job;
  ASSERT_TRUE(writer.AppendJobSetup(page::JobOptions{page::Resolution::k600}, &job, &error)) << error;
  EXPECT_TRUE(writer.TakesResolution(page::Resolution::k600));
  EXPECT_FALSE(writer.TakesResolution(page::Resolution::k300));
}

}  // namespace
