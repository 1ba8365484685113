// The committed example label is what its generator draws.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "tests/tools/cli_harness.h"
#include "tools/image_reader.h"

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
  const char* build = getenv("QUILLORY2_BUILD_DIR");
  const std::string cmd = std::string("'") + (build ? build : ".") + "/bin/make_label' '" + dir.Path("l.png") + "'";
  ASSERT_EQ(system(cmd.c_str()), 0);
  imaging::RgbImage fresh = Load(dir.Path("l.png")), committed = Load(clitest::ExampleLabel());
  EXPECT_EQ(fresh.width, committed.width);
  EXPECT_EQ(fresh.height, committed.height);
  EXPECT_TRUE(fresh.pixels == committed.pixels) << "run make_label examples/label.png to redraw it";
}

}  // namespace
