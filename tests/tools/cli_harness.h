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

// <build>/bin/quillory2.
std::string ProgramPath();
// The source tree's examples/label.png.
std::string ExampleLabel();

// Runs quillory2 with args (already shell-quoted where needed); stdin_path
// feeds standard input when not empty.
RunResult Quillory2(const std::string& args, const std::string& stdin_path = "");

}  // namespace clitest

#endif  // QUILLORY2_TESTS_TOOLS_CLI_HARNESS_H_
