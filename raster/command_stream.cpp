#include "raster/command_stream.h"

namespace raster {

void CopyBytes(uint8_t* dst, const uint8_t* src, int count) {
  for (int i = 0; i < count; ++i) dst[i] = src[i];
}

void FillBytes(uint8_t* dst, uint8_t value, int count) {
  for (int i = 0; i < count; ++i) dst[i] = value;
}

// Both searches skip eight zero bytes at a time; blank lines are the common
// case. __builtin_memcpy of a fixed 8 bytes is a plain load, never a call,
// even without the C library.
int32_t FirstNonZero(const uint8_t* buf, int32_t length) {
  int32_t i = 0;
  for (; i + 8 <= length; i += 8) {
    uint64_t word;
    __builtin_memcpy(&word, buf + i, sizeof word);
    if (word != 0) break;
  }
  for (; i < length; ++i) {
    if (buf[i] != 0) return i;
  }
  return -1;
}

int32_t LastNonZero(const uint8_t* buf, int32_t length) {
  int32_t i = length;
  for (; i >= 8; i -= 8) {
    uint64_t word;
    __builtin_memcpy(&word, buf + i - 8, sizeof word);
    if (word != 0) break;
  }
  for (--i; i >= 0; --i) {
    if (buf[i] != 0) return i;
  }
  return -1;
}

int my_itoa(char* dst, int32_t value, int size, ZeroText zero) {
  if (dst == nullptr || size <= 0) return 0;
  for (int i = 0; i < size; ++i) dst[i] = 0;
  if (value < 0 || size < 2) return 0;
  if (value == 0) {
    if (zero == ZeroText::kEmpty) return 0;
    dst[0] = '0';
    return 1;
  }
  // Digits come out least significant first and are reversed afterwards;
  // a value too long for the buffer keeps its lowest digits.
  int count = 0;
  while (value != 0 && count < size - 1) {
    dst[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  for (int i = 0, j = count - 1; i < j; ++i, --j) {
    char t = dst[i];
    dst[i] = dst[j];
    dst[j] = t;
  }
  return count;
}

int FormatCommand(uint8_t* dst, Command command, int32_t value, int itoa_size, ZeroText zero) {
  char digits[16];
  if (itoa_size > static_cast<int>(sizeof digits)) itoa_size = sizeof digits;
  int count = my_itoa(digits, value, itoa_size, zero);
  if (count == 0 && !(value == 0 && zero == ZeroText::kEmpty)) return 0;
  dst[0] = kEsc;
  dst[1] = '*';
  dst[2] = command == Command::kRasterTransfer ? 'b' : 'p';
  for (int i = 0; i < count; ++i) dst[3 + i] = static_cast<uint8_t>(digits[i]);
  dst[3 + count] = command == Command::kRowPosition      ? 'Y'
                   : command == Command::kColumnPosition ? 'X'
                                                         : 'W';
  return count + kCommandOverhead;
}

namespace {

// Writes one run of count >= 1 equal bytes as pairs of at most 256 bytes.
inline int PutRun(uint8_t* out, int pos, int32_t count, uint8_t value) {
  while (count > 256) {
    out[pos++] = 255;
    out[pos++] = value;
    count -= 256;
  }
  out[pos++] = static_cast<uint8_t>(count - 1);
  out[pos++] = value;
  return pos;
}

}  // namespace

int ComputeRLE(const uint8_t* data, int32_t lead, int32_t n, uint8_t* out) {
  if (n <= 0) return 0;
  if (lead < 0) lead = 0;
  int32_t first = 0;
  while (first < n && data[first] == 0) ++first;
  if (first == n) first = 0;  // an all-zero line packs as zero runs from byte 0

  int pos = 0;
  if (lead + first > 0) pos = PutRun(out, pos, lead + first, 0);

  uint8_t value = data[first];
  int32_t run = 1;
  for (int32_t i = first + 1; i < n; ++i) {
    if (data[i] == value) {
      ++run;
    } else {
      pos = PutRun(out, pos, run, value);
      value = data[i];
      run = 1;
    }
  }
  pos = PutRun(out, pos, run, value);

  if (lead + n < page::kPrinterLineBytes) {
    pos = PutRun(out, pos, page::kPrinterLineBytes - lead - n, 0);
  }
  return pos;
}

}  // namespace raster
