#include "tools/command.h"

#include <unistd.h>

#include "errors/fail.h"
#include "page/job_options.h"

namespace tools {

int Fail(const std::string& message, int status) {
  return errors::ReportFailure("quillory2: error: ", message, status);
}

bool WritesBinaryToTerminal(const std::string& path) { return path == "-" && isatty(STDOUT_FILENO); }

bool DecodeOptionsFor(const std::string& resolution, stream::DecodeOptions* options, int* status) {
  *options = stream::WholeJob();
  if (resolution.empty()) return true;
  page::Resolution r;
  if (!page::ParseResolution(resolution, &r)) {
    *status = Fail("unknown resolution '" + resolution + "' (use 600 or 300)", kExitUsage);
    return false;
  }
  options->row_step = page::JobOptions{r}.RowStep();
  return true;
}

std::string FirstProblem(const stream::StreamSummary& summary) {
  return "first at @" + std::to_string(summary.problems[0].offset) + ": " + summary.problems[0].message;
}

}  // namespace tools
