// `quillory2 design`: a label template to a print job and a preview, and
// `quillory2 design --new` for a template to start from.
#ifndef QUILLORY2_TOOLS_DESIGN_COMMAND_H_
#define QUILLORY2_TOOLS_DESIGN_COMMAND_H_

#include <CLI/CLI.hpp>
#include <functional>

namespace tools {

// Adds the sub-command; run() runs it once the command line is parsed and
// returns the exit status (0, 1 bad input, 2 bad command line).
struct DesignCommand {
  CLI::App* app = nullptr;
  std::function<int()> run;
};
DesignCommand AddDesignCommand(CLI::App* parent);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_DESIGN_COMMAND_H_
