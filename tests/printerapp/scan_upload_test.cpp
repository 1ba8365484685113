// The Calibrate page's scan upload reads only a file PAPPL received for the
// request, never a path a form names.
#include "printerapp/scan_upload.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "tests/support/support.h"

namespace printerapp {
namespace {

TEST(ScanUpload, ReadsOnlyFilesOfTheUploadFolder) {
  JobSettings settings;
  calibration::ScanCalibration result;
  std::string error;
  const std::string folder = papplGetTempDir();
  for (const std::string& path : {std::string("/etc/passwd"), folder + "/../etc/passwd", folder, std::string("")}) {
    EXPECT_FALSE(MeasureUploadedScan(path.c_str(), "", settings, page::PrintOffset{}, &result, &error)) << path;
    EXPECT_EQ(error.find("No scan arrived"), 0u) << path << ": " << error;
  }
  // A file there is read, and refused for what it holds, without its name.
  const std::string upload = folder + "/q2upload-test-" + std::to_string(getpid()) + ".tmp";
  ASSERT_TRUE(testsupport::WriteFile(upload, std::string("not a picture\n")));
  EXPECT_FALSE(MeasureUploadedScan(upload.c_str(), "", settings, page::PrintOffset{}, &result, &error));
  EXPECT_EQ(error.find("The scan was refused: "), 0u) << error;
  EXPECT_EQ(error.find(upload), std::string::npos) << error;
  EXPECT_FALSE(MeasureUploadedScan(upload.c_str(), "lots", settings, page::PrintOffset{}, &result, &error));
  EXPECT_NE(error.find("resolution"), std::string::npos) << error;
  unlink(upload.c_str());
}

}  // namespace
}  // namespace printerapp
