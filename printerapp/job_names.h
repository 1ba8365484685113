// Names a client chooses, made safe where they enter: job and user names
// end up in the state file (one line per job), the log, the web page and,
// for a file:// printer, a file name.
#ifndef QUILLORY2_PRINTERAPP_JOB_NAMES_H_
#define QUILLORY2_PRINTERAPP_JOB_NAMES_H_

#include <stddef.h>

#include <string>

namespace printerapp {

// A job name of at most this many bytes: the file name made from it, with
// its extension and a number that keeps it apart from another job's, stays
// under the 255 bytes of a file name.
constexpr size_t kMaxJobNameBytes = 200;

// name with every control character (and invalid UTF-8 byte) as a space,
// cut at a character boundary to at most max_bytes.
std::string CleanName(const std::string& name, size_t max_bytes);

// The file a job of this name becomes in a printer's folder, without its
// extension: the clean name with '/' as '_', never hidden (no leading '.'),
// and "job" for an empty name.
std::string JobFileStem(const std::string& job_name);

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_JOB_NAMES_H_
