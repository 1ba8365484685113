// Fuzzes the netpbm reader that the tool and both host programs share.
//
// The input is read twice: from memory, whose size is known (so a file too
// short for its header is refused before any row), and as a stream of
// unknown size (a pipe, read row by row). Both must agree on whether the
// picture reads, and on every pixel when it does.
#include <stdio.h>

#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "imaging/netpbm_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Small limits keep each run quick; the checks do not depend on them.
  const imaging::ImageLimits limits{300, 30000};
  imaging::RgbImage from_memory, from_stream;
  std::string memory_error, stream_error;
  imaging::NetpbmReader memory(data, size);
  const bool memory_ok = imaging::ReadNetpbmImage(&memory, limits, &from_memory, &memory_error);

  std::vector<uint8_t> copy(data, data + size);
  FILE* file = fmemopen(copy.empty() ? nullptr : copy.data(), copy.size(), "rb");
  if (file == nullptr) return 0;  // fmemopen takes no empty buffer on every libc
  imaging::NetpbmReader stream(file);
  const bool stream_ok = imaging::ReadNetpbmImage(&stream, limits, &from_stream, &stream_error);
  fclose(file);

  FUZZ_CHECK(memory_ok == stream_ok);
  FUZZ_CHECK(memory_ok || (!memory_error.empty() && !stream_error.empty() && from_memory.Empty()));
  if (memory_ok) {
    FUZZ_CHECK(from_memory.width > 0 && from_memory.width <= limits.max_side);
    FUZZ_CHECK(from_memory.pixels.size() == static_cast<size_t>(from_memory.width) * from_memory.height * 3);
    FUZZ_CHECK(from_stream.width == from_memory.width && from_stream.height == from_memory.height);
    FUZZ_CHECK(from_stream.pixels == from_memory.pixels);
  }
  return 0;
}
