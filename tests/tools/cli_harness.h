// Runs the built quillory2 program as a user would and gives back what it
// printed, for the end-to-end tests.
#ifndef QUILLORY2_TESTS_TOOLS_CLI_HARNESS_H_
#define QUILLORY2_TESTS_TOOLS_CLI_HARNESS_H_

#include <string>

#include "tests/support/support.h"

namespace clitest {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

// What the program did: its exit status (-1 if it did not exit normally) and
// what it printed.
struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

// <build>/bin/<name> (quillory2 by default).
std::string ProgramPath(const std::string& name = "quillory2");
using testsupport::ExampleLabel;

// How a program is run: what feeds standard input and takes standard
// output (files of the test, or device nodes it made), and shell limits put
// in front, such as "ulimit -v 262144; timeout 60".
struct RunOptions {
  std::string stdin_path;
  std::string stdout_path;  // empty: captured into RunResult::out
  std::string limits;
};

// Memory and time every run with hostile input must stay within (256 MiB
// of address space, a minute). Sanitizers reserve shadow memory far beyond
// any limit on address space, so they get the time only.
RunOptions Limited();

// Runs a program of the build with args (already shell-quoted where needed).
RunResult RunProgram(const std::string& name, const std::string& args, const RunOptions& options = {});

// Runs quillory2 with args; stdin_path feeds standard input when not empty.
RunResult Quillory2(const std::string& args, const std::string& stdin_path = "");

}  // namespace clitest

#endif  // QUILLORY2_TESTS_TOOLS_CLI_HARNESS_H_
