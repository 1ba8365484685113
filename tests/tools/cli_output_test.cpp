// Where the programs write: a device node or a link is written through, not
// replaced, and output that does not arrive is an error, never a success.
// The device nodes are made in the test's own folder: c 1 3 takes
// everything as /dev/null does, c 1 7 refuses everything as /dev/full does.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <string>

#include "tests/tools/cli_harness.h"

namespace {

namespace fs = std::filesystem;
using clitest::Quillory2;
using clitest::RunOptions;
using clitest::RunProgram;
using clitest::RunResult;
using clitest::TempDir;

class Output : public ::testing::Test {
 protected:
  void SetUp() override {
    if (mknod(dir_.File("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        mknod(dir_.File("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
      GTEST_SKIP() << "cannot make device nodes here";
    }
    ASSERT_EQ(Quillory2("encode '" + clitest::ExampleLabel() + "' --resolution 300 -o '" + job() + "'").status, 0);
    clitest::WriteFile(dir_.File("page.pbm"), "P4\n16 4\n" + std::string(8, '\xff'));
  }

  std::string job() const { return dir_.File("job.prn"); }

  // Still the device node it was made as.
  bool IsDevice(const std::string& name, unsigned minor) const {
    struct stat st;
    return lstat(dir_.File(name).c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, minor);
  }

  // The program's status and message with standard output on the full device.
  RunResult ToFullDevice(const std::string& program, const std::string& args) const {
    RunOptions options;
    options.stdout_path = dir_.File("full");
    return RunProgram(program, args, options);
  }

  TempDir dir_;
};

void ExpectNoSpace(const RunResult& r) {
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
}

TEST_F(Output, EncodeAndPreviewWriteIntoDeviceNodes) {
  const std::string label = "'" + clitest::ExampleLabel() + "'";
  EXPECT_EQ(Quillory2("encode " + label + " -o '" + dir_.File("null") + "'").status, 0);
  EXPECT_EQ(Quillory2("preview '" + job() + "' -o '" + dir_.File("null") + "'").status, 0);
  ExpectNoSpace(Quillory2("encode " + label + " -o '" + dir_.File("full") + "'"));
  ExpectNoSpace(Quillory2("preview '" + job() + "' -o '" + dir_.File("full") + "'"));
  EXPECT_TRUE(IsDevice("null", 3));
  EXPECT_TRUE(IsDevice("full", 7));
}

TEST_F(Output, LinksLeadToTheFileOrDeviceTheyName) {
  fs::create_symlink("null", dir_.File("printer"));
  fs::create_symlink("jobs/label.prn", dir_.File("latest"));
  fs::create_directory(dir_.File("jobs"));
  EXPECT_EQ(Quillory2("encode '" + clitest::ExampleLabel() + "' -o '" + dir_.File("printer") + "'").status, 0);
  EXPECT_EQ(Quillory2("encode '" + clitest::ExampleLabel() + "' -o '" + dir_.File("latest") + "'").status, 0);
  EXPECT_TRUE(fs::is_symlink(dir_.File("printer")));
  EXPECT_TRUE(IsDevice("null", 3));
  EXPECT_TRUE(fs::is_symlink(dir_.File("latest")));
  EXPECT_EQ(Quillory2("decode --check -q '" + dir_.File("jobs/label.prn") + "'").status, 0);
}

TEST_F(Output, LostStandardOutputIsAnError) {
  ExpectNoSpace(ToFullDevice("quillory2", "decode '" + job() + "'"));
  ExpectNoSpace(ToFullDevice("quillory2", "decode -q '" + job() + "'"));
  ExpectNoSpace(ToFullDevice("quillory2", "tables"));
  ExpectNoSpace(ToFullDevice("quillory2", "--help"));
  ExpectNoSpace(ToFullDevice("quillory2", "encode '" + clitest::ExampleLabel() + "' -o -"));
}

TEST_F(Output, HostProgramsWriteTheirJobsTheSameWay) {
  const std::string page = " '" + dir_.File("page.pbm") + "'";
  for (const char* host : {"nt4_host", "unidrv_host"}) {
    EXPECT_EQ(RunProgram(host, "-o '" + dir_.File("null") + "'" + page).status, 0) << host;
    ExpectNoSpace(RunProgram(host, "-o '" + dir_.File("full") + "'" + page));
    ExpectNoSpace(ToFullDevice(host, "-o -" + page));
    ExpectNoSpace(ToFullDevice(host, "--help"));
    // A file the program cannot write is refused with the reason.
    const RunResult r = RunProgram(host, "-o '" + dir_.File("no/such/folder/job.prn") + "'" + page);
    EXPECT_EQ(r.status, 1) << host;
    EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(IsDevice("null", 3));
  EXPECT_TRUE(IsDevice("full", 7));
}

}  // namespace
