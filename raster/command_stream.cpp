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
  int count;
  if (value > 0 && value < 10000 && itoa_size > 4) {
    // Row addresses, columns and transfer sizes: the digits straight away,
    // without my_itoa's division loop.
    count = value >= 1000 ? 4 : value >= 100 ? 3 : value >= 10 ? 2 : 1;
    for (int i = count - 1, v = value; i >= 0; --i, v /= 10) digits[i] = static_cast<char>('0' + v % 10);
  } else {
    count = my_itoa(digits, value, itoa_size, zero);
  }
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

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kWordSteps = true;
#else
constexpr bool kWordSteps = false;
#endif
constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// Bit 7 of every byte of data[i .. i+7] that differs from the byte before
// it: where a new run starts. The lowest byte of a little-endian word is the
// first in memory.
inline uint64_t RunStarts(const uint8_t* data, int32_t i) {
  uint64_t here, before;
  __builtin_memcpy(&here, data + i, sizeof here);
  __builtin_memcpy(&before, data + i - 1, sizeof before);
  const uint64_t differs = here ^ before;
  return (((differs & kLow7) + kLow7) | differs) & ~kLow7;
}

// The index (0 to 7) of the lowest marked byte of a non-zero mark word. In
// two 32-bit halves: a 32-bit processor has no 64-bit bit search, and the
// minidriver may not call the compiler's library for one.
inline int32_t FirstMark(uint64_t marks) {
  const uint32_t low = static_cast<uint32_t>(marks);
  return low != 0 ? __builtin_ctz(low) >> 3 : 4 + (__builtin_ctz(static_cast<uint32_t>(marks >> 32)) >> 3);
}

// How many of the eight bytes RunStarts marks.
inline int32_t CountMarks(uint64_t marks) {
  return static_cast<int32_t>(((marks >> 7) * 0x0101010101010101ULL) >> 56);
}

// Whether data[i .. n-1] (i >= 1) starts more than `room` new runs, counted
// eight bytes per step without writing them; stops as soon as it knows.
inline bool MoreRunsThan(const uint8_t* data, int32_t i, int32_t n, int32_t room) {
  int32_t runs = 0;
  for (; i + 8 <= n; i += 8) {
    runs += CountMarks(RunStarts(data, i));
    if (runs > room) return true;
  }
  for (; i < n; ++i) runs += data[i] != data[i - 1];
  return runs > room;
}

// Writes the runs that end within the eight bytes from i on (RunStarts marks
// where new runs start) and moves *start to the last run's start. Rows of a
// halftone have runs of a few bytes, whose ends a branch cannot predict, so
// every byte is handled alike: a pair is written at pos and kept (pos moves
// on) only where a run starts. A pair that is not kept lies where a later
// pair of the same row goes. Every run must fit one pair.
inline int PutWordRuns(const uint8_t* data, int32_t i, uint64_t marks, int pos, int32_t* start,
                       uint8_t* out) {
  int32_t s = *start;
  for (int k = 0; k < 8; ++k) {
    out[pos] = static_cast<uint8_t>(i + k - s - 1);
    out[pos + 1] = data[s];
    const int32_t starts_here = static_cast<int32_t>(marks >> (8 * k + 7)) & 1;
    pos += 2 * starts_here;
    s += (i + k - s) & -starts_here;
  }
  *start = s;
  return pos;
}

// Run starts in one word after which a row counts as noisy.
constexpr int32_t kNoisyWord = 4;

}  // namespace

int ComputeRLE(const uint8_t* data, int32_t lead, int32_t n, uint8_t* out, int32_t limit) {
  if (n <= 0) return 0;
  if (lead < 0) lead = 0;
  int32_t first = FirstNonZero(data, n);
  if (first < 0) first = 0;  // an all-zero line packs as zero runs from byte 0
  const int trail = lead + n < geometry::kPrinterLineBytes ? 2 : 0;

  int pos = 0;
  if (lead + first > 0) pos = PutRun(out, pos, lead + first, 0);
  // One pass: eight bytes per step, the run starts among them found at once,
  // and each run written as it ends; a word without a start costs nothing
  // more. The packed size only grows, so a row that has passed the limit is
  // given up at once. A noisy row would still write a pair per byte until
  // then, so at its first noisy word the rest is counted (each run costs a
  // pair at least) and the row given up unwritten when that passes the limit.
  int32_t start = first;  // where the current run began
  int32_t i = first + 1;
  bool counted = false;
  // Within a row of at most 256 bytes every run fits one pair.
  const bool short_rows = n <= 256;
  if (kWordSteps) {
    for (; i + 8 <= n; i += 8) {
      if (pos > limit) return pos;
      uint64_t marks = RunStarts(data, i);
      if (marks == 0) continue;
      if (!counted && CountMarks(marks) >= kNoisyWord) {
        counted = true;
        if (MoreRunsThan(data, i, n, (limit - pos - trail) / 2 - 1)) return limit + 1;
      }
      if (short_rows) {
        pos = PutWordRuns(data, i, marks, pos, &start, out);
        continue;
      }
      do {
        const int32_t next = i + FirstMark(marks);
        pos = PutRun(out, pos, next - start, data[start]);
        start = next;
        marks &= marks - 1;
      } while (marks != 0);
    }
  }
  for (; i < n; ++i) {
    if (data[i] != data[i - 1]) {
      pos = PutRun(out, pos, i - start, data[start]);
      start = i;
    }
  }
  pos = PutRun(out, pos, n - start, data[start]);
  if (pos > limit) return pos;
  if (trail) pos = PutRun(out, pos, geometry::kPrinterLineBytes - lead - n, 0);
  return pos;
}

}  // namespace raster
