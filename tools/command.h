// The sub-commands of the quillory2 program. Each declares its options in its
// own Add…Command, beside the Run… that does its work (encode_command.cpp,
// decode_command.cpp, ...); quillory2.cpp only lists them. A new sub-command
// is a new file and one line in that list.
#ifndef QUILLORY2_TOOLS_COMMAND_H_
#define QUILLORY2_TOOLS_COMMAND_H_

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "stream/decoder.h"

namespace tools {

constexpr int kExitFailure = 1;  // bad input, a failed check
constexpr int kExitUsage = 2;    // bad command line

// A sub-command as declared on the program: its CLI11 node, and what runs it
// once the command line has been parsed into the options it declared.
struct Command {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

Command AddEncodeCommand(CLI::App* program);
Command AddDecodeCommand(CLI::App* program);
Command AddPreviewCommand(CLI::App* program);
Command AddTablesCommand(CLI::App* program);

// What the sub-commands share.

// "quillory2: error: MESSAGE" on standard error; returns status.
int Fail(const std::string& message, int status = kExitFailure);
// True when path is "-" and standard output is a terminal.
bool WritesBinaryToTerminal(const std::string& path);
// The decoder's options from --resolution; false with the exit status set.
bool DecodeOptionsFor(const std::string& resolution, stream::DecodeOptions* options, int* status);
// "first at @OFFSET: MESSAGE" of a summary with problems.
std::string FirstProblem(const stream::StreamSummary& summary);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_COMMAND_H_
