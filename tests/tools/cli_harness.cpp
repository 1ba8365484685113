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

std::string ProgramPath(const std::string& name) {
  const char* dir = getenv("QUILLORY2_BUILD_DIR");
  return std::string(dir ? dir : ".") + "/bin/" + name;
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

RunResult RunProgram(const std::string& name, const std::string& args, const RunOptions& options) {
  TempDir io;
  const std::string out = options.stdout_path.empty() ? io.Path("stdout") : options.stdout_path;
  const std::string err = io.Path("stderr");
  std::string cmd = "'" + ProgramPath(name) + "' " + args + " >'" + out + "' 2>'" + err + "'";
  cmd += options.stdin_path.empty() ? " </dev/null" : " <'" + options.stdin_path + "'";
  if (!options.limits.empty()) cmd = options.limits + " " + cmd;
  RunResult r;
  const int raw = system(cmd.c_str());
  r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (options.stdout_path.empty()) {
    std::vector<uint8_t> o = ReadFile(out);
    r.out.assign(o.begin(), o.end());
  }
  std::vector<uint8_t> e = ReadFile(err);
  r.err.assign(e.begin(), e.end());
  return r;
}

RunResult Quillory2(const std::string& args, const std::string& stdin_path) {
  RunOptions options;
  options.stdin_path = stdin_path;
  return RunProgram("quillory2", args, options);
}

}  // namespace clitest
