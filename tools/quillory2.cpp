// quillory2: prints pictures on discs through either driver component, and
// reads print jobs back.
//
//   quillory2 encode IMAGE -o JOB      picture -> print job
//   quillory2 decode JOB               annotated command listing, --check
//   quillory2 preview JOB -o PNG       what the printer would print
//   quillory2 test-disc -o JOB         the test disc, which shows where the printer prints
//   quillory2 calibrate --left A ...   the offsets its readings call for
//   quillory2 tables                   the printer description in readable form
//   quillory2 design LABEL.json -o JOB a designed label -> print job (and --preview)
#include <stdio.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "files/write_file.h"
#include "quillory2/version.h"
#include "tools/calibration_commands.h"
#include "tools/command.h"
#if QUILLORY2_HAVE_DESIGNER
#include "tools/design_command.h"
#endif

namespace {

using tools::Fail;
using tools::kExitUsage;

int Run(int argc, char** argv) {
  CLI::App app{"quillory2: prints pictures on discs with the Quillory2 disc-label printer through either "
               "driver component, and reads print jobs back.",
               "quillory2"};
  app.set_version_flag("--version", "quillory2 " QUILLORY2_VERSION);
  app.require_subcommand(1);
  app.footer("Run 'quillory2 COMMAND --help' for the options of a command.\n"
             "Example:\n  quillory2 encode label.png -o label.prn && quillory2 preview label.prn -o preview.png");

  // Each sub-command declares its own options (tools/*_command.cpp).
  const std::vector<tools::Command> commands = {
      tools::AddEncodeCommand(&app),
      tools::AddDecodeCommand(&app),
      tools::AddPreviewCommand(&app),
      tools::AddTestDiscCommand(&app),
      tools::AddCalibrateCommand(&app),
      tools::AddTablesCommand(&app),
#if QUILLORY2_HAVE_DESIGNER
      tools::AddDesignCommand(&app),
#endif
  };

  bool known = argc < 2 || argv[1][0] == '-';
  std::string names;  // "encode, decode, preview, test-disc, calibrate or tables"
  for (size_t i = 0; i < commands.size(); ++i) {
    const std::string& name = commands[i].app->get_name();
    known = known || name == argv[1];
    names += (i == 0 ? "" : i + 1 == commands.size() ? " or " : ", ") + name;
  }
  if (!known) {
    fprintf(stderr, "quillory2: error: unknown command '%s' (use %s)\n"
                    "Run 'quillory2 --help' for usage.\n", argv[1], names.c_str());
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {
      // --help and --version.
      std::ostringstream text;
      app.exit(e, text, std::cerr);
      std::string error;
      return files::WriteStandardOutput(text.str(), &error) ? 0 : Fail(error);
    }
    fprintf(stderr, "quillory2: error: %s\nRun 'quillory2 --help' for usage.\n", e.what());
    return kExitUsage;
  }
  for (const tools::Command& command : commands) {
    if (command.app->parsed()) return command.run();
  }
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  int status;
  // Pictures and pages are as large as the limits allow; a machine short of
  // memory gets a message, not an abort. Nothing partial has been written:
  // output is written whole at the end.
  try {
    status = Run(argc, argv);
  } catch (const std::bad_alloc&) {
    status = Fail("out of memory");
  }
  // Whatever went to standard output must have arrived. (A run that failed
  // has said why already.)
  std::string error;
  if (!files::CloseStandardOutput(&error) && status == 0) return Fail(error);
  return status;
}
