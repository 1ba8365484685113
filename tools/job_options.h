// The printer's choices as a user types them on a command line, read into
// the job options of the printer description. Names follow what the printer
// calls them ("600 x 300 DPI ", "Regular", "Matte", "OFF", "ON", "AUTO").
#ifndef QUILLORY2_TOOLS_JOB_OPTIONS_H_
#define QUILLORY2_TOOLS_JOB_OPTIONS_H_

#include <string>

#include "minidrv/tables/table_reader.h"

namespace tools {

// Each parser returns false for text it does not know, leaving *value
// unchanged. Matching ignores case and spaces.

// "600 x 300 DPI ", "600x300", "300x600" or "600" -> 2 (600 rows per inch);
// "300 x 300 DPI ", "300x300" or "300" -> 1.
bool ParseResolution(const std::string& text, int* value);
// "Regular" -> 1, "Matte" -> 2.
bool ParseMedia(const std::string& text, int* value);
// "OFF" -> 1, "ON" -> 2.
bool ParseOnOff(const std::string& text, int* value);
// "AUTO" -> 1, "1" .. "100" -> 2 .. 101.
bool ParseImageControl(const std::string& text, int* value);
// "standard" (or "DISC_S") -> "DISC_S"; "centre-band", "center-band" (or
// "DISC_D") -> "DISC_D".
bool ParseDiscType(const std::string& text, std::string* keyword);

// Rows per inch of a resolution choice (1 -> 300, 2 -> 600).
inline int RowsPerInch(int resolution) { return resolution == 1 ? 300 : 600; }
// The printer's name of each choice, for messages.
std::string ResolutionName(int resolution);

}  // namespace tools

#endif  // QUILLORY2_TOOLS_JOB_OPTIONS_H_
