#include "tests/tools/cli_harness.h"

namespace clitest {

using testsupport::Quote;

std::string ProgramPath(const std::string& name) { return testsupport::BuildDir() + "/bin/" + name; }


RunOptions Limited() {
  RunOptions options;
#if defined(__SANITIZE_ADDRESS__)
  options.limits = "timeout 120";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  options.limits = "timeout 120";
#else
  options.limits = "ulimit -v 262144; timeout 60";
#endif
#else
  options.limits = "ulimit -v 262144; timeout 60";
#endif
  return options;
}

RunResult RunProgram(const std::string& name, const std::string& args, const RunOptions& options) {
  std::string command = Quote(ProgramPath(name)) + " " + args;
  if (!options.stdout_path.empty()) command += " >" + Quote(options.stdout_path);
  if (!options.limits.empty()) command = options.limits + " " + command;
  const testsupport::RunResult run = testsupport::RunShell(command, options.stdin_path);
  return RunResult{run.exit_code, options.stdout_path.empty() ? run.Out() : std::string(), run.err};
}

RunResult Quillory2(const std::string& args, const std::string& stdin_path) {
  RunOptions options;
  options.stdin_path = stdin_path;
  return RunProgram("quillory2", args, options);
}

}  // namespace clitest
