// Reading a whole file into memory: the one reader the programs share, for
// pictures, print jobs, driver modules and generated tables alike.
#ifndef QUILLORY2_FILES_READ_FILE_H_
#define QUILLORY2_FILES_READ_FILE_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace files {

// Reads the whole file at path ("-": standard input), refusing more than
// max_bytes. Returns false with a one-line reason in *error, and *bytes
// empty.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   size_t max_bytes = size_t{1} << 30);

}  // namespace files

#endif  // QUILLORY2_FILES_READ_FILE_H_
