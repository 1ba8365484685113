// Reads a printer command stream the way the printer does, and rebuilds the
// planes it would print.
//
// The decoder is the other side of the writers in raster/ and minidrv/: it
// takes any byte string (a spool file, the output of a host stand-in, random
// bytes), splits it into commands, and places the raster data of every plane
// into 192-byte printer lines at their row addresses. It never stops at the
// first fault: every malformed piece is listed as a problem with its byte
// offset, and decoding carries on with the next command.
//
// It reads a stream of any length in bounded memory: commands and planes go
// to a listener as they are complete, only the plane being read is held (at
// most one page of rows), and past kMaxListedProblems problems are counted,
// not kept. Decode() collects everything for a stream already in memory.
//
// How the printer state is read:
// - Every byte of the input belongs to exactly one Command, in input order:
//   recognised commands, unknown escape sequences, malformed commands and runs
//   of stray bytes alike, so a listing accounts for the whole stream. A run
//   of ESC bytes of which each but the last is followed by another ESC is one
//   malformed command.
// - A decimal parameter with no digits reads as 0 (the minidriver writes row
//   address 0 as ESC "*pY"). More than 9 digits is a problem; such a command
//   is listed but not applied (a transfer still skips its data, if present).
// - The plane start command ESC "!d4Q" opens a new plane with row address 0
//   and dot column 0. A plane ends at the next plane start, at a begin- or
//   end-document command, or at the end of the stream. Raster data outside a
//   plane goes into an implicit plane, reported as a problem.
// - The packing mode (ESC "*b0M" plain, ESC "*b1M" run-length) starts plain
//   and changes only by the packing-mode command; a plane start leaves it as
//   it is (both writers send ESC "*b0M" right after every plane start).
// - The row position command sets the row address; after every raster
//   transfer the row address moves down by the row step: 1 at 600 rows per
//   inch, 2 at 300. The step comes from the latest resolution select command
//   seen so far, else from DecodeOptions::row_step, else 1.
// - The page is 2832 row addresses long (4.72 inch of 1/600 inch): its last
//   row address is 2832 minus the row step. Data for a row below it is
//   reported and not placed.
// - Plain data lands at the current dot column (column position command, in
//   dots; not a multiple of 8 is allowed: the bits are shifted). The column
//   stays until the next column command or plane start; packed rows neither
//   use nor change it.
// - Packed data is run-length pairs (count c, value v: v stands c + 1 times)
//   decoding from byte 0 of the printer line.
// - A row address written twice in one plane ORs the later dots into the
//   earlier ones, as ink on paper would.
// - Data that does not fit the printer line (plain data past dot 1535, a
//   packed row longer than 192 bytes) is cut at the line's end and reported;
//   a transfer cut short by the end of the input places nothing.
// - A problem's offset is that of the faulty byte where one byte is at fault
//   (a non-digit in a parameter, the first of too many digits, the half pair
//   of an odd packed row, a differing begin-document pattern byte, the first
//   stray byte), else that of the ESC of the command concerned.
//
// With DecodeOptions::whole_job the stream is also judged as print jobs, by
// the rules in stream/whole_job.h.
#ifndef QUILLORY2_STREAM_DECODER_H_
#define QUILLORY2_STREAM_DECODER_H_

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

namespace stream {

// Bytes in one printer line (1536 dots, bit 7 of a byte the leftmost dot).
constexpr int kLineBytes = 192;
constexpr int kLineDots = kLineBytes * 8;

// Row addresses of the disc page: 4.72 inch of 1/600 inch.
constexpr int32_t kPageRowAddresses = 2832;

// The last row address of the page at a row step (1 at 600 rows per inch, 2 at 300).
constexpr int32_t LastPageRow(int32_t row_step) { return kPageRowAddresses - row_step; }

// Problems kept with their offset and message; the rest are only counted.
constexpr size_t kMaxListedProblems = 300;

// Leading bytes of a command kept with it, for listings and messages.
constexpr size_t kHeadBytes = 24;

enum class CommandKind {
  kPlaneStart,        // ESC "!d4Q"
  kPackingMode,       // ESC "*b0M" (parameter 0, plain) or ESC "*b1M" (1, run-length)
  kRowPosition,       // ESC "*p" n "Y": parameter = row address
  kColumnPosition,    // ESC "*p" n "X": parameter = dot column
  kRasterTransfer,    // ESC "*b" n "W" + n data bytes: parameter = n
  kBeginDocument,     // ESC "!c2Q" + FF 00 55 AA 01 02 04 08 10 20 40 80
  kEndDocument,       // ESC "!d0Q"
  kOnOption,          // ESC "!d6Q"
  kMediaSelect,       // ESC "!t000Q" "Regular", ESC "!t200Q" "Matte"
  kResolutionSelect,  // ESC "*t300R", ESC "*t600R": parameter = rows per inch
  kImageControl,      // ESC "!s0Q" "AUTO", ESC "!s<500+20n>Q" option n (1..100)
  kTraySelect,        // ESC "&l0H"
  kUnknown,           // a well-formed escape sequence the printer does not know
  kMalformed,         // an escape sequence that could not be read (bad byte, cut short)
  kStrayBytes,        // a run of bytes outside any command
};

// One command, or one piece of the stream that is not a command (in words:
// stream/describe.h).
struct Command {
  size_t offset = 0;  // of the ESC (or of the first stray byte)
  size_t length = 0;  // all bytes, including transfer data and pattern bytes
  CommandKind kind = CommandKind::kUnknown;
  int64_t parameter = 0;       // decimal parameter as read (saturated)
  bool has_parameter = false;  // false when the command has no digits or takes none
  int32_t plane = -1;          // index of its plane in the stream, -1 outside any plane
  uint8_t head[kHeadBytes] = {};  // its first bytes (all of them when length <= kHeadBytes)

  // Raster transfers only.
  bool packed = false;         // data read as run-length pairs
  size_t data_offset = 0;      // offset of the first data byte
  size_t data_length = 0;      // data bytes present (less than parameter when cut short)
  int32_t row_address = -1;    // row the data went to (-1 past the largest address)
  int32_t column = -1;         // dot column of the first data bit (plain rows)
  int32_t first_dot = -1;      // first and last set dot this transfer placed,
  int32_t last_dot = -1;       // -1 when it placed none

  size_t HeadLength() const { return length < kHeadBytes ? length : kHeadBytes; }
};

struct Problem {
  size_t offset = 0;
  std::string message;
};

// One plane as the printer builds it.
struct Plane {
  size_t offset = 0;      // of its plane start command (implicit: of the first command placed in it)
  bool implicit = false;  // data arrived outside any plane
  std::map<int32_t, std::vector<uint8_t>> rows;  // row address -> kLineBytes bytes, set bit = dot
  int32_t row_step = 1;         // step of its latest transfer (or at its start)
  size_t packed_bytes = 0;      // data bytes of packed transfers
  size_t plain_bytes = 0;       // data bytes of plain transfers
  size_t transfers = 0;         // raster transfer commands
  size_t commands = 0;          // all commands from its start to its end
  bool started_packed = false;  // packing mode when the plane started
  bool ended_packed = false;    // packing mode after its last command

  // True when the dot is set at that row address; false outside the plane.
  bool Dot(int32_t row_address, int32_t dot) const;
};

// What a whole stream amounts to; its size does not grow with the stream.
struct StreamSummary {
  size_t bytes = 0;
  size_t command_count = 0;
  size_t plane_count = 0;
  size_t job_count = 0;            // begin-document commands
  std::vector<Problem> problems;   // the first kMaxListedProblems, in stream order
  size_t problem_count = 0;        // all of them

  // Framing and options recognised (latest value where a command repeats).
  bool has_begin_document = false;
  bool has_end_document = false;
  bool on_option = false;
  bool has_tray_select = false;
  int resolution_rows_per_inch = 0;  // 300 or 600; 0 when no resolution select command
  std::string media;                 // "Regular", "Matte", or empty
  std::string image_control;         // "AUTO", "1" .. "100", or empty

  bool Clean() const { return problem_count == 0; }
};

// A stream decoded in memory: the summary with every command and plane.
struct DecodedStream : StreamSummary {
  std::vector<Command> commands;
  std::vector<Plane> planes;
};

struct DecodeOptions {
  // Row step where the stream has no resolution select command (yet):
  // 0 means 1; otherwise 1 (600 rows per inch) or 2 (300).
  int32_t row_step = 0;
  // Also judge the stream as one or more whole print jobs (stream/whole_job.h).
  bool whole_job = false;
  // With whole_job: 3 when the pages are known to be colour, so that every
  // job must hold whole pages of three planes; 0 or 1 checks no count.
  int32_t planes_per_page = 0;
};

// Options that judge the stream as whole print jobs.
inline DecodeOptions WholeJob(int32_t planes_per_page = 0) {
  DecodeOptions options;
  options.whole_job = true;
  options.planes_per_page = planes_per_page;
  return options;
}

// Receives the pieces of a stream as the decoder completes them.
class DecodeListener {
 public:
  virtual ~DecodeListener() = default;
  // Every command, in stream order.
  virtual void OnCommand(const Command& command) {}
  // Every plane once it has ended (index counts from 0 in the stream). The
  // listener may take the rows; the plane is dropped after the call.
  virtual void OnPlaneEnd(Plane& plane, size_t index) {}
};

// Where the decoder reads its bytes from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to capacity bytes into buffer; 0 at the end of the stream.
  virtual size_t Read(uint8_t* buffer, size_t capacity) = 0;
};

// Decodes a stream from a source to its end, handing commands and planes to
// the listener (which may be null). Memory stays within one plane's rows.
StreamSummary DecodeStream(ByteSource* source, const DecodeOptions& options = {},
                           DecodeListener* listener = nullptr);

// Decodes size bytes at data (data may be null when size is 0), keeping
// every command and plane. Never reads outside the input, whatever it holds.
DecodedStream Decode(const uint8_t* data, size_t size, const DecodeOptions& options = {});

inline DecodedStream Decode(const std::vector<uint8_t>& bytes, const DecodeOptions& options = {}) {
  return Decode(bytes.data(), bytes.size(), options);
}

}  // namespace stream

#endif  // QUILLORY2_STREAM_DECODER_H_
