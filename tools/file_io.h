// Output files as the tool's users expect them: "-" for standard output, and
// an output file that either appears complete or not at all (written to a
// temporary file in the same folder, then renamed over the target). Files
// are read with files::ReadWholeFile.
#ifndef QUILLORY2_TOOLS_FILE_IO_H_
#define QUILLORY2_TOOLS_FILE_IO_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace tools {

// Writes bytes to path (standard output for "-") so that a failure leaves no
// partial file behind and an existing file is replaced only on success.
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size, std::string* error);
inline bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  return WriteWholeFile(path, bytes.data(), bytes.size(), error);
}

}  // namespace tools

#endif  // QUILLORY2_TOOLS_FILE_IO_H_
