#include "tests/tools/cli_harness.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <sstream>

namespace clitest {

namespace fs = std::filesystem;

std::string ProgramPath() {
  const char* dir = getenv("QUILLORY2_BUILD_DIR");
  return std::string(dir ? dir : ".") + "/bin/quillory2";
}

std::string ExampleLabel() { return std::string(QUILLORY2_SOURCE_DIR) + "/examples/label.png"; }

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = fs::temp_directory_path() /
         ("q2cli-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" + (info ? info->name() : "x"));
  fs::create_directories(dir_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

RunResult Quillory2(const std::string& args, const std::string& stdin_path) {
  TempDir io;
  const std::string out = io.Path("stdout"), err = io.Path("stderr");
  std::string cmd = "'" + ProgramPath() + "' " + args + " >'" + out + "' 2>'" + err + "'";
  cmd += stdin_path.empty() ? " </dev/null" : " <'" + stdin_path + "'";
  RunResult r;
  const int raw = system(cmd.c_str());
  r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::vector<uint8_t> o = ReadFile(out), e = ReadFile(err);
  r.out.assign(o.begin(), o.end());
  r.err.assign(e.begin(), e.end());
  return r;
}

}  // namespace clitest
