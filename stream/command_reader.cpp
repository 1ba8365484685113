#include "stream/command_reader.h"

#include <string.h>

#include <limits>

namespace stream {
namespace {

// Shapes of an escape sequence of the PCL kind: ESC, a parameterised
// character, a group letter, the digits, a closing capital letter. ESC with a
// single character from 0x30 on is a two-character command.
bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }
bool IsParameterised(uint8_t b) { return b >= 0x21 && b <= 0x2F; }
bool IsGroup(uint8_t b) { return b >= 0x60 && b <= 0x7E; }
bool IsClosing(uint8_t b) { return b >= 0x40 && b <= 0x5E; }
bool IsTwoCharacter(uint8_t b) { return b >= 0x30 && b <= 0x7E; }

Escape Fault(Escape::Outcome outcome, size_t at, size_t fault_at, uint8_t byte = 0) {
  Escape e;
  e.outcome = outcome;
  e.at = at;
  e.fault_at = fault_at;
  e.byte = byte;
  return e;
}

}  // namespace

Reader::Reader(ByteSource* source) : source_(source), buffer_(new uint8_t[kBufferBytes]) {
  begin_ = cur_ = end_ = buffer_.get();
}

void Reader::Skip(size_t n) {
  for (size_t i = 0; i < n && head_length_ < kHeadBytes; ++i) head_[head_length_++] = cur_[i];
  cur_ += n;
}

void Reader::StartPiece(const uint8_t* consumed, size_t n) {
  head_length_ = n < kHeadBytes ? n : kHeadBytes;
  if (head_length_ > 0) memcpy(head_, consumed, head_length_);
}

bool Reader::Refill() {
  if (source_ == nullptr) return false;
  const size_t n = source_->Read(buffer_.get(), kBufferBytes);
  if (n == 0) return false;
  base_ += static_cast<size_t>(end_ - begin_);
  begin_ = cur_ = buffer_.get();
  end_ = begin_ + n;
  return true;
}

Escape ReadEscape(Reader* in) {
  const size_t at = in->Offset();
  in->Take();
  if (in->Peek() != kEsc) return ReadAfterEscape(in, at);
  // ESC bytes each followed by another ESC are one piece, however many; the
  // last ESC starts the next command.
  Escape e;
  e.outcome = Escape::kEscRun;
  e.at = at;
  do {
    in->Take();
    ++e.run;
  } while (in->Peek() == kEsc);
  return e;
}

Escape ReadAfterEscape(Reader* in, size_t at) {
  const int kind_byte = in->Peek();
  if (kind_byte < 0) return Fault(Escape::kCutShort, at, at);
  const uint8_t kind = in->Take();
  if (!IsParameterised(kind)) {
    return Fault(IsTwoCharacter(kind) ? Escape::kTwoCharacter : Escape::kNoCommand, at, at + 1, kind);
  }
  const int group_byte = in->Peek();
  if (group_byte < 0) return Fault(Escape::kCutShort, at, at);
  const uint8_t group = static_cast<uint8_t>(group_byte);
  if (!IsGroup(group)) {
    if (group == kEsc) return Fault(Escape::kNoGroupLetter, at, at);
    in->Take();
    return Fault(Escape::kBadGroup, at, at + 2, group);
  }
  in->Take();

  // The digits of the parameter; none reads as 0.
  const size_t digits_at = in->Offset();
  int64_t value = 0;
  int b;
  while ((b = in->Peek()) >= 0 && IsDigit(static_cast<uint8_t>(b))) {
    const int digit = in->Take() - '0';
    if (value <= (std::numeric_limits<int64_t>::max() - digit) / 10) {
      value = value * 10 + digit;
    } else {
      value = std::numeric_limits<int64_t>::max();
    }
  }
  if (b < 0) return Fault(Escape::kCutShort, at, at);
  const uint8_t closing = static_cast<uint8_t>(b);
  if (!IsClosing(closing)) {
    if (closing == kEsc) return Fault(Escape::kNoClosingLetter, at, at);
    const size_t bad_at = in->Offset();
    in->Take();
    return Fault(Escape::kBadParameter, at, bad_at, closing);
  }
  in->Take();

  Escape e;
  e.at = at;
  Header& h = e.header;
  h.at = at;
  h.end = in->Offset();
  h.digits_at = digits_at;
  h.kind = kind;
  h.group = group;
  h.closing = closing;
  h.value = value;
  h.digits = h.end - 1 - digits_at;
  h.overflow = h.digits > kMaxDigits;
  return e;
}

}  // namespace stream
