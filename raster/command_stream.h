// The printer's command language, shared by both drivers.
//
// The printer reads escape sequences of the PCL kind: a plane start command,
// packing-mode commands, row and column position commands and raster
// transfers whose data is either plain line bytes or run-length pairs that
// decode into one 192-byte printer line. Both drivers take every command text
// from here; they differ only in margins, in how 0 is written, and in how
// they split their output into spool writes.
//
// Freestanding: the NT 4.0 minidriver compiles this file into a kernel-mode
// image with no runtime, so nothing here allocates, throws or calls a library.
#ifndef QUILLORY2_RASTER_COMMAND_STREAM_H_
#define QUILLORY2_RASTER_COMMAND_STREAM_H_

#include <stdint.h>

#include "geometry/printer_geometry.h"

namespace raster {

constexpr uint8_t kEsc = 0x1B;

// Fixed commands, five bytes each; the NUL of a C string is never sent.
inline constexpr uint8_t kPlaneStart[5] = {kEsc, '!', 'd', '4', 'Q'};
inline constexpr uint8_t kPackingPlain[5] = {kEsc, '*', 'b', '0', 'M'};
inline constexpr uint8_t kPackingRle[5] = {kEsc, '*', 'b', '1', 'M'};
constexpr int kFixedCommandBytes = 5;

// Parameterised commands: three prefix bytes, the decimal digits, one letter.
enum class Command : uint8_t {
  kRowPosition,     // ESC * p <row address> Y
  kColumnPosition,  // ESC * p <dot column> X
  kRasterTransfer,  // ESC * b <byte count> W, followed by the data
};
constexpr int kCommandOverhead = 4;

// How the value 0 is written: the plug-in writes the digit "0", the
// minidriver writes no digit at all.
enum class ZeroText : uint8_t { kDigit, kEmpty };

// The decimal parameter writer. Its name is not in this code's style on
// purpose: it is the name this printer's command language gives the routine
// (as ComputeRLE below is), kept so that both drivers and everyone who knows
// the printer call it the same.
// Writes the decimal digits of value into dst (size bytes, NUL included) and
// returns their count. All size bytes are cleared first; a negative value
// writes nothing and returns 0; a value with more than size - 1 digits keeps
// only its size - 1 lowest digits. A size below 2 writes nothing.
int my_itoa(char* dst, int32_t value, int size, ZeroText zero = ZeroText::kDigit);

// Assembles ESC prefix, the digits of value (formatted by my_itoa with
// itoa_size) and the closing letter into dst, which must hold
// kCommandOverhead + itoa_size - 1 bytes. Returns the command length, or 0
// when the value gave no digit and zero is ZeroText::kDigit or value != 0
// (a command without a parameter the writer means to send).
int FormatCommand(uint8_t* dst, Command command, int32_t value, int itoa_size, ZeroText zero);

// Longest command FormatCommand can assemble with an itoa capacity of size.
constexpr int MaxCommandBytes(int itoa_size) { return kCommandOverhead + itoa_size - 1; }

// The most bytes ComputeRLE writes for lead and n: one pair per covered byte,
// the lead pair (split into pairs of at most 256 zero bytes when longer) and
// the trail pair. For lead + n below 256 this is 2 * n + 4.
constexpr int RleBound(int32_t lead, int32_t n) {
  return n <= 0 ? 0 : 2 * (n + 2 + ((lead > 0 ? lead : 0) + n) / 256);
}

// The run-length packer, the one of both drivers (its name is the one the
// minidriver has always carried). Packs the line bytes data[0 .. n-1], which
// lie lead bytes into the printer line, into run-length pairs (count c,
// value v: v stands c + 1 times) that decode from byte 0 of the printer line:
// a run of zeros up to the first non-zero byte, the bytes up to data[n-1] as
// runs, then zeros to byte 191 when the row ends short of it. Runs longer
// than 256 bytes take several pairs. out must hold RleBound(lead, n) bytes.
// A negative lead counts as 0.
//
// It packs in one pass and gives up as soon as the packed row is longer than
// limit bytes: the writers pack a row only when it is no longer than its
// plain data, so a noisy row costs only the runs up to that length. Returns
// the packed size (always even; 0 when n is 0 or negative) when it is at most
// limit, otherwise some size above limit (out then holds an unfinished row).
// The same packer on vector instructions is the overload in row_packer.h.
constexpr int32_t kNoPackLimit = INT32_MAX;
int ComputeRLE(const uint8_t* data, int32_t lead, int32_t n, uint8_t* out, int32_t limit = kNoPackLimit);

// The rule both writers use: a packed row no longer than the plain data goes
// packed, a tie included.
constexpr bool ShouldPack(int packed_bytes, int plain_bytes) { return packed_bytes <= plain_bytes; }

// Byte helpers for code that may not call the C library.
void CopyBytes(uint8_t* dst, const uint8_t* src, int count);
void FillBytes(uint8_t* dst, uint8_t value, int count);

// Index of the first (last) non-zero byte of buf[0 .. length-1], or -1 when
// there is none or length is not positive.
int32_t FirstNonZero(const uint8_t* buf, int32_t length);
int32_t LastNonZero(const uint8_t* buf, int32_t length);

}  // namespace raster

#endif  // QUILLORY2_RASTER_COMMAND_STREAM_H_
