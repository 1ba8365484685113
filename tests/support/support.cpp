#include "tests/support/support.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "hosts/module_path.h"

namespace testsupport {
namespace {

pid_t Start(const std::vector<std::string>& argv, int input, const std::string& out_path,
            const std::string& err_path, const std::vector<std::string>& env) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (input < 0 || out < 0 || err < 0) _exit(127);
  dup2(input, 0);
  dup2(out, 1);
  dup2(err, 2);
  for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
  execv(args[0], args.data());
  _exit(127);
}

RunResult Collect(pid_t pid, const std::string& out_path, const std::string& err_path) {
  RunResult result;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.out = ReadFile(out_path);
  result.err = ReadText(err_path);
  return result;
}

}  // namespace

std::string BuildDir() {
  const char* dir = getenv("QUILLORY2_BUILD_DIR");
  if (dir != nullptr && *dir != '\0') return dir;
  // Run by hand: the test programs live in <build>/bin.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : self.parent_path().parent_path().string();
}

std::string SourceDir() { return QUILLORY2_SOURCE_DIR; }

std::string PluginPath() { return BuildDir() + "/lib/" + hosts::PluginModuleName(); }
std::string MinidriverPath() { return BuildDir() + "/lib/" + hosts::MinidriverModuleName(); }
std::string ExampleLabel() { return SourceDir() + "/examples/label.png"; }

TempDir::TempDir() {
  std::string name = (std::filesystem::temp_directory_path() / "q2test-XXXXXX").string();
  const char* made = mkdtemp(name.data());
  path_ = made != nullptr ? made : "";
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::string& path) {
  const Bytes bytes = ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool WriteFile(const std::string& path, const std::string& text) {
  return WriteFile(path, Bytes(text.begin(), text.end()));
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& stdin_path,
                     const std::vector<std::string>& env) {
  TempDir dir;
  const int input = open(stdin_path.empty() ? "/dev/null" : stdin_path.c_str(), O_RDONLY);
  const pid_t pid = Start(argv, input, dir.File("out"), dir.File("err"), env);
  if (input >= 0) close(input);
  if (pid < 0) return RunResult{};
  return Collect(pid, dir.File("out"), dir.File("err"));
}

RunResult RunShell(const std::string& command, const std::string& stdin_path) {
  return RunProgram({"/bin/sh", "-c", command}, stdin_path);
}

std::string Quote(const std::string& word) {
  std::string out = "'";
  for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

Spawned::Spawned(const std::vector<std::string>& argv, const TempDir& dir)
    : out_path_(dir.File("spawned.out")), err_path_(dir.File("spawned.err")) {
  // Feeding a program that has already stopped must fail the write, not the test.
  signal(SIGPIPE, SIG_IGN);
  int fds[2];
  if (pipe(fds) != 0) return;
  // The writing end must not leak into the child, or its input never ends.
  fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  pid_ = Start(argv, fds[0], out_path_, err_path_, {});
  close(fds[0]);
  input_ = fds[1];
}

Spawned::~Spawned() {
  CloseInput();
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool Spawned::Feed(const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(input_, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void Spawned::CloseInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

bool Spawned::WaitForError(const std::string& text, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    if (ReadText(err_path_).find(text) != std::string::npos) return true;
    usleep(10000);
  }
  return false;
}

void Spawned::Signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

RunResult Spawned::Wait() {
  CloseInput();
  RunResult result = Collect(pid_, out_path_, err_path_);
  pid_ = -1;
  return result;
}

GuardedBuffer::GuardedBuffer(const Bytes& contents) : size_(contents.size()) {
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t usable = (size_ + page - 1) / page * page;
  mapped_ = usable + page;
  mapping_ = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping_ == MAP_FAILED ||
      mprotect(static_cast<uint8_t*>(mapping_) + usable, page, PROT_NONE) != 0) {
    throw std::runtime_error("cannot map a guarded buffer");
  }
  data_ = static_cast<uint8_t*>(mapping_) + usable - size_;
  std::copy(contents.begin(), contents.end(), data_);
}

GuardedBuffer::~GuardedBuffer() { munmap(mapping_, mapped_); }

Bytes Esc(const std::string& text) {
  Bytes out(1 + text.size(), 0x1B);
  std::copy(text.begin(), text.end(), out.begin() + 1);
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace testsupport
