// Runs a fuzz target over saved inputs, for builds without libFuzzer: every
// file named on the command line, and every file inside every directory
// named, in name order. Exits non-zero when a named path holds no input, so
// that a missing corpus does not pass as a clean run.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "files/read_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool RunFile(const std::filesystem::path& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!files::ReadWholeFile(path.string(), &bytes, &error)) {
    fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  // A heap copy of exactly the input's size, so that a sanitizer sees any
  // read past its end, as it would under libFuzzer.
  std::vector<uint8_t> exact(bytes);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
    return 2;
  }
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  int failures = 0;
  size_t runs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg, ec)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else if (std::filesystem::is_regular_file(arg, ec)) {
      files.push_back(arg);
    }
    if (files.empty()) {
      fprintf(stderr, "no input in %s\n", argv[i]);
      ++failures;
    }
    for (const auto& file : files) {
      if (RunFile(file)) ++runs; else ++failures;
    }
  }
  printf("%zu inputs replayed\n", runs);
  return failures == 0 ? 0 : 1;
}
