// The helpers every test suite shares: the build and source folders,
// temporary folders, whole files, running a program with its output
// captured, and printer commands written as text.
#ifndef QUILLORY2_TESTS_SUPPORT_SUPPORT_H_
#define QUILLORY2_TESTS_SUPPORT_SUPPORT_H_

#include <stdint.h>
#include <sys/types.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<uint8_t>;

// The build folder the tests belong to (QUILLORY2_BUILD_DIR, which CTest
// sets; else the folder above the test program's bin/), and the source tree.
std::string BuildDir();
std::string SourceDir();

// The driver modules of the build (<build>/lib/libquilry2uni.so and
// libquilry2.so), and the bundled example label (examples/label.png).
std::string PluginPath();
std::string MinidriverPath();
std::string ExampleLabel();

// A fresh folder for one test, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The whole file (empty when it cannot be read), and a file written whole.
Bytes ReadFile(const std::string& path);
std::string ReadText(const std::string& path);
bool WriteFile(const std::string& path, const Bytes& bytes);
bool WriteFile(const std::string& path, const std::string& text);

struct RunResult {
  int exit_code = -1;  // -1 when the program did not exit normally
  int signal = 0;      // the signal that ended it, if any
  Bytes out;
  std::string err;
  std::string Out() const { return std::string(out.begin(), out.end()); }
};

// Runs argv[0] with argv, standard input from stdin_path ("" for
// /dev/null), extra environment entries NAME=value; waits for it.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& stdin_path = "",
                     const std::vector<std::string>& env = {});
// Runs a shell command line the same way (arguments quoted by the caller).
RunResult RunShell(const std::string& command, const std::string& stdin_path = "");
// A path or word quoted for the shell.
std::string Quote(const std::string& word);

// A program started with its standard input on a pipe, for tests that feed
// it piece by piece and signal it.
class Spawned {
 public:
  Spawned(const std::vector<std::string>& argv, const TempDir& dir);
  ~Spawned();
  Spawned(const Spawned&) = delete;
  Spawned& operator=(const Spawned&) = delete;
  bool Feed(const uint8_t* data, size_t size);
  void CloseInput();
  // Waits up to timeout_ms until standard error holds text.
  bool WaitForError(const std::string& text, int timeout_ms);
  void Signal(int sig);
  RunResult Wait();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  std::string out_path_;
  std::string err_path_;
};

// A copy of some bytes that ends right before a page the process may not
// touch: reading one byte past the end faults, with or without a sanitizer.
class GuardedBuffer {
 public:
  explicit GuardedBuffer(const Bytes& contents);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;
  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  void* mapping_ = nullptr;
  size_t mapped_ = 0;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// ESC followed by the text: Esc("*b0M") is the plain packing command.
Bytes Esc(const std::string& text);
// The parts one after another.
Bytes Concat(std::initializer_list<Bytes> parts);

}  // namespace testsupport

#endif  // QUILLORY2_TESTS_SUPPORT_SUPPORT_H_
