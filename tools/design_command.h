// `quillory2 design`: a label template to a print job and a preview, and
// `quillory2 design --new` for a template to start from.
#ifndef QUILLORY2_TOOLS_DESIGN_COMMAND_H_
#define QUILLORY2_TOOLS_DESIGN_COMMAND_H_

#include "tools/command.h"

namespace tools {

// Built with the label designer (QUILLORY2_BUILD_DESIGNER) only.
Command AddDesignCommand(CLI::App* program);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_DESIGN_COMMAND_H_
