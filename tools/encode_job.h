// Ink pages to a complete print job through either driver component, run in
// its host stand-in: the Unidrv rendering plug-in or the NT 4.0 minidriver.
// `quillory2 encode` prints this way, so that every job it writes has gone
// through a component the way its Windows host drives it. The CUPS filter
// and the printer application write their jobs with the core's job writer
// (printjob/), whose bytes equal the plug-in's for the same pages.
#ifndef QUILLORY2_TOOLS_ENCODE_JOB_H_
#define QUILLORY2_TOOLS_ENCODE_JOB_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "page/ink_page.h"
#include "page/job_options.h"
#include "page/print_position.h"

namespace tools {

enum class Driver { kPlugin, kMinidriver };

struct EncodeSettings {
  Driver driver = Driver::kPlugin;
  page::JobOptions options;   // the minidriver takes no disc type
  bool landscape = false;     // plug-in only: the band is handed over turned
  std::string module_path;    // empty: the built module next to the program
};

// File name of each driver module: libquilry2uni.so / libquilry2.so
// (QUILRY2UNI.DLL / QUILRY2.DLL on Windows).
std::string ModuleFileName(Driver driver);

// Where the tool looks for a module: <program dir>/../lib/<file name>.
std::string DefaultModulePath(Driver driver);

// Checks settings against what the chosen driver can do: the minidriver has
// no landscape band and no disc type, and prints one colour page per load;
// the pages' resolution must match the chosen one. False with a one-line
// reason.
bool CheckEncodeSettings(const std::vector<page::InkPage>& pages, const EncodeSettings& settings,
                         std::string* error);

// What the chosen component addresses, from where it puts the printable
// square: nothing left of it (the components' margins are fixed), and as
// many dots as its page rows hold (the plug-in 1480, the minidriver 1488 in
// colour and 1472 in black). A page moved by an offset is cut to it.
page::LineReach ComponentReach(Driver driver, bool colour);

// Renders pages into *job through the chosen driver: job setup, the pages,
// job end. False with a one-line reason (job then holds nothing).
bool EncodeJob(const std::vector<page::InkPage>& pages, const EncodeSettings& settings,
               std::vector<uint8_t>* job, std::string* error);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_ENCODE_JOB_H_
