// The committed example label is what its generator draws.
#include <gtest/gtest.h>

#include <string>

#include "imaging/image_reader.h"
#include "tests/tools/cli_harness.h"

namespace {

imaging::RgbImage Load(const std::string& path) {
  std::vector<uint8_t> bytes = clitest::ReadFile(path);
  imaging::RgbImage img;
  std::string error;
  EXPECT_TRUE(imaging::DecodeImage(bytes.data(), bytes.size(), &img, &error)) << path << ": " << error;
  return img;
}

TEST(ExampleLabel, CommittedPictureMatchesItsGenerator) {
  clitest::TempDir dir;
  ASSERT_EQ(testsupport::RunProgram({testsupport::BuildDir() + "/bin/make_label", dir.File("l.png")}).exit_code, 0);
  imaging::RgbImage fresh = Load(dir.File("l.png")), committed = Load(clitest::ExampleLabel());
  EXPECT_EQ(fresh.width, committed.width);
  EXPECT_EQ(fresh.height, committed.height);
  EXPECT_TRUE(fresh.pixels == committed.pixels) << "run make_label examples/label.png to redraw it";
}

}  // namespace
