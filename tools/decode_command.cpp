// quillory2 decode: the annotated command listing of a job, and its check.
#include <memory>
#include <sstream>
#include <string>

#include "files/write_file.h"
#include "tools/command.h"
#include "stream/whole_job.h"
#include "tools/job_report.h"

namespace tools {
namespace {

struct DecodeArgs {
  std::string job;
  bool check = false;
  bool quiet = false;
  bool colour = false;
  std::string resolution;
};

int RunDecode(const DecodeArgs& a) {
  stream::DecodeOptions options;
  int status = 0;
  if (!DecodeOptionsFor(a.resolution, &options, &status)) return status;
  if (a.colour) options.planes_per_page = 3;
  tools::JobFile job;
  std::string error;
  if (!job.Open(a.job, &error)) return Fail(error);

  // The listing goes out as the job is read; a job of any size takes the
  // memory of one page, and a failed write ends the run.
  std::string write_error;
  tools::JobReport report(!a.quiet, [&](const std::string& text) {
    if (files::WriteStandardOutput(text, &write_error)) return true;
    job.Stop();
    return false;
  });
  const stream::StreamSummary summary = stream::DecodeStream(&job, options, &report);
  if (!job.ReadCleanly(&error)) return Fail(error);
  std::ostringstream tail;
  if (!a.quiet) tail << '\n';
  report.WriteSummary(summary, tail);
  if (!report.FlushListing() || !files::WriteStandardOutput(tail.str(), &write_error)) return Fail(write_error);
  if (a.check && !summary.Clean()) {
    return Fail(std::to_string(summary.problem_count) + " problem(s): the printer would not read '" + a.job +
                "' cleanly (" + FirstProblem(summary) + ")");
  }
  return 0;
}

}  // namespace

Command AddDecodeCommand(CLI::App* program) {
  auto a = std::make_shared<DecodeArgs>();
  CLI::App* cmd =
      program->add_subcommand("decode", "List the commands of a print job and check that the printer reads it");
  cmd->add_option("JOB", a->job, "Print job; - reads standard input")->required();
  cmd->add_flag("--check", a->check, "Exit with status 1 unless the printer reads the job cleanly");
  cmd->add_flag("-q,--quiet", a->quiet, "Print only the summary, not every command");
  cmd->add_flag("--colour", a->colour,
                "Expect colour pages: with --check, every job must hold its planes in "
                "threes (yellow, magenta, cyan)");
  cmd->add_option("--resolution", a->resolution,
                  "Row step to assume until the job selects a resolution: "
                  "600 (1 address per row) or 300 (2)");
  cmd->footer(
      "Each line shows the byte offset, the bytes in hex (long data elided), what the command means with its "
      "parameter, and for raster transfers the row address and the dots placed. The summary lists the planes, "
      "the framing and options recognised, and every problem by offset (the first 300; the rest are counted).\n"
      "With --check: " + std::string(stream::kCheckRules) +
      "\n"
      "Example:\n  quillory2 decode --check label.prn");
  return {cmd, [a] { return RunDecode(*a); }};
}

}  // namespace tools
