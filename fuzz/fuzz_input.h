// Helpers shared by the fuzz targets: reading typed values off the front of
// a fuzz input, and a check that ends the run loudly.
#ifndef QUILLORY2_FUZZ_FUZZ_INPUT_H_
#define QUILLORY2_FUZZ_FUZZ_INPUT_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

// A failed check is a finding: libFuzzer saves the input that led here.
#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) {                                                              \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      abort();                                                                       \
    }                                                                                \
  } while (0)

namespace fuzzing {

// Takes fixed-size values from the front of the input; once it is used up
// every value reads as zero, so any input is a valid one.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return size_ > 0 ? (--size_, *data_++) : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) | static_cast<uint32_t>(U16()) << 16; }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  bool Flag() { return Byte() & 1; }

  // A length of up to `limit`, read as one or two bytes.
  size_t Length(size_t limit) {
    const size_t raw = limit < 256 ? Byte() : U16();
    return limit == 0 ? 0 : raw % (limit + 1);
  }

  // Up to count bytes (fewer when the input runs out).
  std::vector<uint8_t> Bytes(size_t count) {
    const size_t n = count < size_ ? count : size_;
    std::vector<uint8_t> out(data_, data_ + n);
    data_ += n;
    size_ -= n;
    return out;
  }

  std::vector<uint8_t> Rest() { return Bytes(size_); }
  size_t remaining() const { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
};

}  // namespace fuzzing

#endif  // QUILLORY2_FUZZ_FUZZ_INPUT_H_
