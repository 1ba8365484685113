// Output as the users of every program of the project expect it: "-" for
// standard output, and output that never damages what stands at the path.
// This is the one writer of output files for the tool, the host programs and
// the example generator.
#ifndef QUILLORY2_FILES_WRITE_FILE_H_
#define QUILLORY2_FILES_WRITE_FILE_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace files {

// Writes bytes to path, according to what stands there:
// - "-": standard output;
// - a character device or a FIFO (a printer's device node, a pipe): written
//   in place, as a stream; nothing is created or replaced;
// - a regular file, or nothing yet: written to a temporary file in the same
//   folder and renamed over the path, so that the file appears whole or not
//   at all; an existing file keeps its mode and owner, and one the user may
//   not write is refused;
// - a symbolic link: the same for the file it leads to (the link stays);
// - a folder, a block device or a socket: refused.
// Returns false with a one-line reason in *error; a regular file is then
// as it was.
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size, std::string* error);
inline bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  return WriteWholeFile(path, bytes.data(), bytes.size(), error);
}

// Whether writing to output would replace the regular file that input
// names (the same file, through any link): a program that writes its
// result over its own input destroys what it was given.
bool WouldReplaceInput(const std::string& input, const std::string& output);

// Writes to standard output; false with the reason when a write fails.
bool WriteStandardOutput(const void* data, size_t size, std::string* error);
inline bool WriteStandardOutput(const std::string& text, std::string* error) {
  return WriteStandardOutput(text.data(), text.size(), error);
}

// Flushes and closes standard output at the end of a program: false with
// the reason when anything written to it was lost (a full disk, a closed
// pipe). Nothing may be written to standard output afterwards.
bool CloseStandardOutput(std::string* error);

}  // namespace files

#endif  // QUILLORY2_FILES_WRITE_FILE_H_
