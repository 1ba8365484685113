// Reading a printer stream into command headers, apart from what the
// commands mean: the decoder's input and the syntax of its escape sequences.
// Internal to stream/.
#ifndef QUILLORY2_STREAM_COMMAND_READER_H_
#define QUILLORY2_STREAM_COMMAND_READER_H_

#include <stddef.h>
#include <stdint.h>

#include <memory>

#include "stream/decoder.h"

namespace stream {

constexpr uint8_t kEsc = 0x1B;

// The printer reads at most nine digits of a parameter; no writer sends more
// (the largest value in use is a row address below 3000).
constexpr size_t kMaxDigits = 9;

// The input seen one byte (or one buffered stretch) at a time, with the
// first bytes of the piece being read kept for its Command. A stream in
// memory is read in place; a source is read through a buffer.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : begin_(data), cur_(data), end_(data + size) {}
  explicit Reader(ByteSource* source);

  size_t Offset() const { return base_ + static_cast<size_t>(cur_ - begin_); }

  // The next byte, or -1 at the end of the stream.
  int Peek() {
    if (cur_ == end_ && !Refill()) return -1;
    return *cur_;
  }
  // Consumes the byte Peek() returned.
  uint8_t Take() {
    const uint8_t b = *cur_++;
    if (head_length_ < kHeadBytes) head_[head_length_++] = b;
    return b;
  }
  // Buffered bytes from the current one on, at most max; 0 at the end.
  size_t Stretch(size_t max, const uint8_t** at) {
    if (cur_ == end_ && !Refill()) return 0;
    const size_t n = static_cast<size_t>(end_ - cur_);
    *at = cur_;
    return n < max ? n : max;
  }
  // Consumes n bytes of the last Stretch.
  void Skip(size_t n);

  // The piece being read starts at the current byte, or with the given
  // bytes already consumed.
  void StartPiece(const uint8_t* consumed = nullptr, size_t n = 0);
  const uint8_t* head() const { return head_; }
  size_t head_length() const { return head_length_; }

 private:
  static constexpr size_t kBufferBytes = 64 * 1024;

  bool Refill();

  ByteSource* source_ = nullptr;
  std::unique_ptr<uint8_t[]> buffer_;
  const uint8_t* begin_ = nullptr;
  const uint8_t* cur_ = nullptr;
  const uint8_t* end_ = nullptr;
  size_t base_ = 0;  // stream offset of begin_
  uint8_t head_[kHeadBytes] = {};
  size_t head_length_ = 0;
};

// A well-formed parameterised escape sequence: ESC, a parameterised
// character, a group letter, the digits, a closing capital letter.
struct Header {
  size_t at = 0;          // the ESC
  size_t end = 0;         // one past the closing letter
  size_t digits_at = 0;   // the first digit (or the closing letter)
  uint8_t kind = 0, group = 0, closing = 0;
  int64_t value = 0;      // saturated
  size_t digits = 0;
  bool overflow = false;  // more than kMaxDigits digits

  bool Is(char k, char g, char c) const {
    return kind == static_cast<uint8_t>(k) && group == static_cast<uint8_t>(g) && closing == static_cast<uint8_t>(c);
  }
};

// What reading one escape sequence gave. Faults carry the offset and byte
// the decoder's problem names.
struct Escape {
  enum Outcome {
    kHeader,           // header holds the command
    kEscRun,           // run ESC bytes each followed by another ESC; the last ESC is taken
    kCutShort,         // the stream ended inside the command
    kNoCommand,        // ESC and a byte that starts no command
    kTwoCharacter,     // ESC and a single character: an unknown two-character command
    kNoGroupLetter,    // the next ESC came where the group letter belongs
    kBadGroup,         // another byte where the group letter belongs (taken)
    kNoClosingLetter,  // the next ESC came where a digit or the closing letter belongs
    kBadParameter,     // another byte there (taken)
  };
  Outcome outcome = kHeader;
  size_t at = 0;        // the command's ESC
  size_t fault_at = 0;  // the faulty byte
  uint8_t byte = 0;     // the faulty byte
  size_t run = 0;       // kEscRun: the ESC bytes before the last
  Header header;
};

// Reads an escape sequence from its ESC on (the reader at the ESC).
Escape ReadEscape(Reader* in);
// Goes on reading after kEscRun: the ESC at `at` is already taken.
Escape ReadAfterEscape(Reader* in, size_t at);

}  // namespace stream

#endif  // QUILLORY2_STREAM_COMMAND_READER_H_
