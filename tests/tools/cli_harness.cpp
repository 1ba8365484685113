#include "tests/tools/cli_harness.h"

namespace clitest {

std::string ProgramPath() { return testsupport::BuildDir() + "/bin/quillory2"; }

std::string ExampleLabel() { return testsupport::SourceDir() + "/examples/label.png"; }

RunResult Quillory2(const std::string& args, const std::string& stdin_path) {
  const testsupport::RunResult run =
      testsupport::RunShell(testsupport::Quote(ProgramPath()) + " " + args, stdin_path);
  return RunResult{run.exit_code, run.Out(), run.err};
}

}  // namespace clitest
