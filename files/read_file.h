// Reading a whole file into memory: the one reader the programs share, for
// pictures, print jobs, driver modules and generated tables alike.
#ifndef QUILLORY2_FILES_READ_FILE_H_
#define QUILLORY2_FILES_READ_FILE_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace files {

constexpr size_t kDefaultMaxBytes = size_t{1} << 30;

// Reads the whole file at path ("-": standard input), refusing more than
// max_bytes. A regular file is measured first, so one that is too large is
// refused before a byte of it is read. Returns false with a one-line reason
// in *error, and *bytes empty.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   size_t max_bytes = kDefaultMaxBytes);

// How messages name an input: 'path' in quotes, or "standard input" for "-".
std::string InputName(const std::string& path);

// The same in steps, for readers that look at the first bytes before they
// decide how to read the rest:
// Opens path for reading ("-": standard input, in binary mode); nullptr
// with the reason.
FILE* OpenInput(const std::string& path, std::string* error);
// Closes what OpenInput opened (standard input stays open).
void CloseInput(FILE* file);
// Appends the rest of an open file to *bytes, refusing more than max_bytes
// in all. False with the reason; *bytes then holds an unspecified part.
bool AppendRest(FILE* file, const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                size_t max_bytes = kDefaultMaxBytes);

}  // namespace files

#endif  // QUILLORY2_FILES_READ_FILE_H_
