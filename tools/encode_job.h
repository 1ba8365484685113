// Ink pages to a complete print job, through either driver component run in
// its host stand-in: the Unidrv rendering plug-in or the NT 4.0 minidriver.
// The command-line tool and the CUPS filter both print this way.
#ifndef QUILLORY2_TOOLS_ENCODE_JOB_H_
#define QUILLORY2_TOOLS_ENCODE_JOB_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "hosts/ink_page.h"
#include "minidrv/tables/table_reader.h"

namespace tools {

enum class Driver { kPlugin, kMinidriver };

struct EncodeSettings {
  Driver driver = Driver::kPlugin;
  tables::JobOptions options;  // resolution, media, ON option, image control
  bool landscape = false;      // plug-in only: the band is handed over turned
  std::string disc_type = "DISC_S";  // plug-in only: "DISC_D" leaves the centre band out
  std::string module_path;     // empty: the built module next to the program
};

// The directory of the running program ("" if it cannot be found).
std::string ProgramDirectory();

// File name of each driver module: libquilry2uni.so / libquilry2.so
// (QUILRY2UNI.DLL / QUILRY2.DLL on Windows).
std::string ModuleFileName(Driver driver);

// Where the tool looks for a module: <program dir>/../lib/<file name>.
std::string DefaultModulePath(Driver driver);

// Checks settings against what the chosen driver can do: the minidriver has
// no landscape band and no disc type; the page's resolution must match the
// chosen one. False with a one-line reason.
bool CheckEncodeSettings(const std::vector<hosts::InkPage>& pages, const EncodeSettings& settings,
                         std::string* error);

// Renders pages into *job through the chosen driver: job setup, the pages,
// job end. False with a one-line reason (job then holds nothing useful).
bool EncodeJob(const std::vector<hosts::InkPage>& pages, const EncodeSettings& settings,
               std::vector<uint8_t>* job, std::string* error);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_ENCODE_JOB_H_
