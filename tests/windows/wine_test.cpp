// The cross-built DLLs at work under Wine. The Windows builds of the host
// programs load each DLL with LoadLibrary and GetProcAddress and drive it as
// on Linux; their printer jobs must equal, byte for byte, the jobs of the
// native build for the same generated pages. q2resdump reads the
// minidriver's resources and the plug-in's version block back through the
// Windows loader. Without Wine, or without the cross builds, every test here
// is skipped with the reason.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tables/built_tables.h"
#include "tests/oemdll/version_info.h"
#include "tests/support/support.h"
#include "windows/corpus.h"
#include "windows_test_paths.h"

namespace {

constexpr int kSkipStatus = 77;

struct Arch {
  const char* name;
  const char* build_dir;
};
const Arch kArches[] = {{"I686", QUILLORY2_MINGW32_DIR}, {"X8664", QUILLORY2_MINGW64_DIR}};

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

using testsupport::ReadText;

// A folder of the build that keeps each test's files for a look afterwards.
std::string WorkDir(const std::string& leaf) {
  const std::string dir = std::string(QUILLORY2_NATIVE_DIR) + "/windows-tests/" + leaf;
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  EXPECT_FALSE(error) << dir << ": " << error.message();
  return dir;
}

// Runs a shell command, keeping its standard output and error beside log;
// returns the exit status (-1 when it did not exit normally).
int RunCommand(const std::string& command, const std::string& log, std::string* output) {
  const testsupport::RunResult run = testsupport::RunShell(command);
  testsupport::WriteFile(log + ".out", run.out);
  testsupport::WriteFile(log + ".err", run.err);
  *output = run.Out() + run.err;
  return run.exit_code;
}

// The command prefix that runs a program of arch under Wine in the tests' prefix.
std::string Wine(const Arch& arch) {
  return std::string("'") + QUILLORY2_WINE_RUN + "' --prefix '" + QUILLORY2_NATIVE_DIR +
         "/wineprefix' --probe '" + arch.build_dir + "/bin/q2resdump.exe' -- ";
}

#define REQUIRE_FILE(path)                                                                  \
  do {                                                                                      \
    if (!Exists(path)) GTEST_SKIP() << (path) << " is not built (run scripts/windows-tests.sh)"; \
  } while (0)

// Runs a Windows command; a Wine that cannot run it turns into a skip.
#define RUN_UNDER_WINE(command, log, output)                                   \
  do {                                                                         \
    int status_ = RunCommand(command, log, &(output));                                \
    if (status_ == kSkipStatus) GTEST_SKIP() << (output);                      \
    ASSERT_EQ(status_, 0) << (command) << "\n" << (output);                    \
  } while (0)

// ---------------------------------------------------------------------------
// Printer jobs: Windows host programs and DLLs against the native build.

struct StreamCase {
  Arch arch;
  corpus::Job job;
};

void PrintTo(const StreamCase& c, std::ostream* out) { *out << c.arch.name << " " << c.job.name; }
void PrintTo(const Arch& a, std::ostream* out) { *out << a.name; }

class WineStreams : public ::testing::TestWithParam<StreamCase> {};

// Writes the corpus pages a job needs, once for all tests.
std::string PagePath(const std::string& name) {
  const std::string dir = WorkDir("pages");
  const std::string path = dir + "/" + corpus::PageFile(name);
  if (!Exists(path)) {
    std::string error;
    EXPECT_TRUE(corpus::WritePage(corpus::MakePage(name), path, &error)) << error;
  }
  return path;
}

TEST_P(WineStreams, JobEqualsTheNativeJob) {
  const Arch& arch = GetParam().arch;
  const corpus::Job& job = GetParam().job;
  const std::string program = job.host == "unidrv" ? "unidrv_host" : "nt4_host";
  const std::string module = job.host == "unidrv" ? "QUILRY2UNI.DLL" : "QUILRY2.DLL";
  const std::string module_option = job.host == "unidrv" ? "--plugin" : "--module";
  const std::string native = std::string(QUILLORY2_NATIVE_DIR) + "/bin/" + program;
  const std::string windows = std::string(arch.build_dir) + "/bin/" + program + ".exe";
  REQUIRE_FILE(native);
  REQUIRE_FILE(windows);
  REQUIRE_FILE(std::string(arch.build_dir) + "/bin/" + module);

  std::string args;
  for (const std::string& a : job.args) args += " " + a;
  for (const std::string& page : job.pages) args += " '" + PagePath(page) + "'";
  const std::string dir = WorkDir(std::string(arch.name) + "/" + job.name);

  std::string output;
  ASSERT_EQ(RunCommand("'" + native + "'" + args + " -o '" + dir + "/native.prn'", dir + "/native", &output), 0) << output;
  RUN_UNDER_WINE(Wine(arch) + "'" + windows + "' " + module_option + " '" + arch.build_dir + "/bin/" + module + "'" +
                     args + " -o '" + dir + "/windows.prn'",
                 dir + "/windows", output);

  const std::string want = ReadText(dir + "/native.prn");
  const std::string got = ReadText(dir + "/windows.prn");
  ASSERT_FALSE(want.empty());
  ASSERT_EQ(got.size(), want.size()) << "see " << dir;
  size_t differ = 0;
  while (differ < want.size() && want[differ] == got[differ]) ++differ;
  EXPECT_EQ(differ, want.size()) << "first difference at byte " << differ << ", see " << dir;
}

std::vector<StreamCase> StreamCases() {
  std::vector<StreamCase> cases;
  for (const Arch& arch : kArches) {
    for (const corpus::Job& job : corpus::Jobs()) cases.push_back({arch, job});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Corpus, WineStreams, ::testing::ValuesIn(StreamCases()),
                         [](const ::testing::TestParamInfo<StreamCase>& param) {
                           return std::string(param.param.arch.name) + param.param.job.name;
                         });

// ---------------------------------------------------------------------------
// Resources and version through the Windows loader.

class WineResources : public ::testing::TestWithParam<Arch> {};

TEST_P(WineResources, MinidriverTablesAndStringsLoadAsGenerated) {
  const Arch& arch = GetParam();
  const std::string dll = std::string(arch.build_dir) + "/bin/QUILRY2.DLL";
  REQUIRE_FILE(dll);
  REQUIRE_FILE(std::string(arch.build_dir) + "/bin/q2resdump.exe");
  const std::string dir = WorkDir(std::string(arch.name) + "/resources");
  std::string output;
  RUN_UNDER_WINE(Wine(arch) + "'" + arch.build_dir + "/bin/q2resdump.exe' --resources '" + dll + "' '" + dir + "'",
                 dir + "/q2resdump", output);

  const tables::TableBytes gpc = tables::BuiltGpcTable();
  const tables::TableBytes ext = tables::BuiltNtExtTable();
  EXPECT_EQ(ReadText(dir + "/257-1.bin"), std::string(reinterpret_cast<const char*>(gpc.data), gpc.size));
  EXPECT_EQ(ReadText(dir + "/257-2.bin"), std::string(reinterpret_cast<const char*>(ext.data), ext.size));

  std::string want;
  for (int id = 0; id < 4096; ++id) {
    const std::string text = tables::BuiltString(id);
    if (!text.empty()) want += std::to_string(id) + "\t" + text + "\n";
  }
  EXPECT_EQ(ReadText(dir + "/strings.txt"), want);

  std::string list = "6 1 1033\n";
  for (int block = 17; block <= 23; ++block) list += "6 " + std::to_string(block) + " 1033\n";
  list += "257 1 1033\n257 2 1033\n";
  EXPECT_EQ(ReadText(dir + "/list.txt"), list);
}

TEST_P(WineResources, PluginVersionReadsAsDeclared) {
  const Arch& arch = GetParam();
  const std::string dll = std::string(arch.build_dir) + "/bin/QUILRY2UNI.DLL";
  REQUIRE_FILE(dll);
  REQUIRE_FILE(std::string(arch.build_dir) + "/bin/q2resdump.exe");
  const std::string dir = WorkDir(std::string(arch.name) + "/version");
  std::string output;
  RUN_UNDER_WINE(Wine(arch) + "'" + arch.build_dir + "/bin/q2resdump.exe' --version '" + dll + "'", dir + "/q2resdump",
                 output);
  const oemdll::VersionInfo& v = oemdll::kVersionInfo;
  std::ostringstream want;
  want << "FixedFileVersion=" << v.file_version[0] << "." << v.file_version[1] << "." << v.file_version[2] << "."
       << v.file_version[3] << "\n";
  want << "FixedFileOS=0x" << std::hex << std::uppercase << v.file_os << std::dec << "\n";
  want << "FixedFileType=" << v.file_type << "\n";
  for (const oemdll::VersionString& s : v.strings) want << s.key << "=" << s.value << "\n";
  EXPECT_EQ(ReadText(dir + "/q2resdump.out"), want.str());
}

INSTANTIATE_TEST_SUITE_P(CrossBuilt, WineResources, ::testing::ValuesIn(kArches),
                         [](const ::testing::TestParamInfo<Arch>& param) { return std::string(param.param.name); });

}  // namespace
