// The sub-commands that get the label centred: `quillory2 test-disc` prints
// the test disc, `quillory2 calibrate` turns what it shows into the offsets
// to set, and the commands that set them for each front end.
#ifndef QUILLORY2_TOOLS_CALIBRATION_COMMANDS_H_
#define QUILLORY2_TOOLS_CALIBRATION_COMMANDS_H_

#include <CLI/CLI.hpp>
#include <functional>

namespace tools {

// A sub-command as declared on the program, and what runs it once parsed.
struct SubCommand {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

SubCommand AddTestDiscCommand(CLI::App* program);
SubCommand AddCalibrateCommand(CLI::App* program);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_CALIBRATION_COMMANDS_H_
