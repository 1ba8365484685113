// The minidriver runs where no runtime library exists: its image must import
// nothing, need no library and run no code when it is loaded.
#include <gtest/gtest.h>
#include <stdio.h>

#include <set>
#include <sstream>
#include <string>

#include "tests/support/support.h"

namespace {

// Runs a binutils command on the module and returns its standard output.
bool RunTool(const std::string& command, std::string* out) {
  const testsupport::RunResult run =
      testsupport::RunShell(command + " " + testsupport::Quote(testsupport::MinidriverPath()));
  *out = run.Out();
  return run.exit_code == 0;
}

class MinidriverImage : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(QUILLORY2_SANITIZE)
    GTEST_SKIP() << "under the sanitizers the module is instrumented and needs their runtime";
#endif
    FILE* f = fopen(testsupport::MinidriverPath().c_str(), "rb");
    ASSERT_NE(f, nullptr) << "module not built: " << testsupport::MinidriverPath();
    fclose(f);
  }
};

TEST_F(MinidriverImage, ImportsNoSymbol) {
  std::string out;
  ASSERT_TRUE(RunTool("nm -D --undefined-only", &out));
  EXPECT_EQ(out, "") << "undefined symbols:\n" << out;
}

TEST_F(MinidriverImage, NeedsNoLibraryAndHasNoLoadTimeCode) {
  std::string out;
  ASSERT_TRUE(RunTool("readelf -dW", &out));
  ASSERT_NE(out.find("Dynamic section"), std::string::npos) << out;
  for (const char* tag : {"(NEEDED)", "(INIT)", "(FINI)", "(INIT_ARRAY)", "(FINI_ARRAY)", "(TEXTREL)"}) {
    EXPECT_EQ(out.find(tag), std::string::npos) << tag << " in\n" << out;
  }
}

TEST_F(MinidriverImage, ExportsExactlyTheThreeEntries) {
  std::string out;
  ASSERT_TRUE(RunTool("nm -D --defined-only --format=posix", &out));
  std::set<std::string> names;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) names.insert(line.substr(0, line.find(' ')));
  EXPECT_EQ(names, (std::set<std::string>{"CBFilterGraphics", "bInitProc", "bSetFuncAddr"}));
}

TEST_F(MinidriverImage, PlaneStoreTakesNoRoomInTheFile) {
  // The three 526,568-byte planes are zero at load and belong in the
  // uninitialised section; the image on disk stays small.
  FILE* f = fopen(testsupport::MinidriverPath().c_str(), "rb");
  ASSERT_NE(f, nullptr);
  fseek(f, 0, SEEK_END);
  long size = ftell(f);
  fclose(f);
  EXPECT_LT(size, 512 * 1024);
  std::string out;
  ASSERT_TRUE(RunTool("readelf -SW", &out));
  EXPECT_EQ(out.find(".init_array"), std::string::npos);
  EXPECT_EQ(out.find(".ctors"), std::string::npos);
}

}  // namespace
