#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <string>

#include "files/read_file.h"
#include "tests/support/support.h"
#include "tools/file_io.h"

namespace tools {
namespace {

using files::ReadWholeFile;

namespace fs = std::filesystem;

class FileIo : public ::testing::Test {
 protected:
  testsupport::TempDir temp_;
  const fs::path dir_ = temp_.path();
};

TEST_F(FileIo, WritesAndReadsBack) {
  const std::string path = (dir_ / "out.bin").string();
  std::vector<uint8_t> data = {1, 2, 3, 0, 255};
  std::string error;
  ASSERT_TRUE(WriteWholeFile(path, data, &error)) << error;
  std::vector<uint8_t> back;
  ASSERT_TRUE(ReadWholeFile(path, &back, &error)) << error;
  EXPECT_EQ(back, data);
  // Nothing but the target is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(FileIo, ReplacesAnExistingFileWhole) {
  const std::string path = (dir_ / "out.bin").string();
  std::string error;
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(1000, 7), &error));
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(3, 9), &error));
  std::vector<uint8_t> back;
  ASSERT_TRUE(ReadWholeFile(path, &back, &error));
  EXPECT_EQ(back, std::vector<uint8_t>(3, 9));
}

TEST_F(FileIo, FailsCleanlyWhereNothingCanBeWritten) {
  std::string error;
  const std::string path = (dir_ / "missing" / "out.bin").string();
  EXPECT_FALSE(WriteWholeFile(path, std::vector<uint8_t>(5, 1), &error));
  EXPECT_NE(error.find("out.bin"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(path));
  std::vector<uint8_t> back;
  EXPECT_FALSE(ReadWholeFile((dir_ / "nothing").string(), &back, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

TEST_F(FileIo, RefusesFilesAboveTheLimit) {
  const std::string path = (dir_ / "big.bin").string();
  std::string error;
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(100000, 1), &error));
  std::vector<uint8_t> back;
  EXPECT_FALSE(ReadWholeFile(path, &back, &error, 99999));
  EXPECT_TRUE(back.empty());
  EXPECT_TRUE(ReadWholeFile(path, &back, &error, 100000));
}

}  // namespace
}  // namespace tools
