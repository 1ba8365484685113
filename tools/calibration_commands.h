// The sub-commands that get the label centred: `quillory2 test-disc` prints
// the test disc, `quillory2 calibrate` turns what it shows into the offsets
// to set, and the commands that set them for each front end.
#ifndef QUILLORY2_TOOLS_CALIBRATION_COMMANDS_H_
#define QUILLORY2_TOOLS_CALIBRATION_COMMANDS_H_

#include <CLI/CLI.hpp>

#include "tools/command.h"

namespace tools {

Command AddTestDiscCommand(CLI::App* program);
Command AddCalibrateCommand(CLI::App* program);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_CALIBRATION_COMMANDS_H_
