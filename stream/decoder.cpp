#include "stream/decoder.h"

#include <string.h>

#include <limits>
#include <memory>
#include <optional>

#include "stream/command_reader.h"
#include "stream/whole_job.h"

namespace stream {
namespace {

// The begin-document command carries these 12 bytes after ESC "!c2Q".
constexpr uint8_t kBeginDocumentPattern[12] = {0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02,
                                               0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

std::string HexByte(uint8_t b) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text = "0x";
  text += kHex[b >> 4];
  text += kHex[b & 15];
  return text;
}

std::string ByteText(uint8_t b) {
  std::string text = HexByte(b);
  if (b >= 0x20 && b < 0x7F) {
    text += " '";
    text += static_cast<char>(b);
    text += '\'';
  }
  return text;
}

// The command as readable text for messages: "ESC *p12Y". Long pieces are
// shortened, so a message never grows with the input.
std::string CommandText(const uint8_t* head, size_t length) {
  constexpr size_t kShown = 16;
  std::string text;
  for (size_t i = 0; i < length && i < kShown; ++i) {
    uint8_t b = head[i];
    if (b == kEsc) {
      text += i == 0 ? "ESC " : " ESC ";
    } else if (b >= 0x20 && b < 0x7F) {
      text += static_cast<char>(b);
    } else {
      text += "\\x";
      text += HexByte(b).substr(2);
    }
  }
  if (length > kShown) text += "...";
  return text;
}

template <typename Integer>
std::string Number(Integer value) {
  return std::to_string(value);
}

// The commands the printer knows, as data: the shape of the escape sequence,
// the parameter values it takes, and what it is. Anything else is unknown.
struct KnownCommand {
  char kind, group, closing;
  CommandKind command;
  bool (*takes)(int64_t value);
};

constexpr KnownCommand kKnownCommands[] = {
    {'*', 'b', 'W', CommandKind::kRasterTransfer, [](int64_t) { return true; }},
    {'*', 'p', 'Y', CommandKind::kRowPosition, [](int64_t) { return true; }},
    {'*', 'p', 'X', CommandKind::kColumnPosition, [](int64_t) { return true; }},
    {'*', 'b', 'M', CommandKind::kPackingMode, [](int64_t v) { return v == 0 || v == 1; }},
    {'!', 'd', 'Q', CommandKind::kPlaneStart, [](int64_t v) { return v == 4; }},
    {'!', 'd', 'Q', CommandKind::kEndDocument, [](int64_t v) { return v == 0; }},
    {'!', 'd', 'Q', CommandKind::kOnOption, [](int64_t v) { return v == 6; }},
    {'!', 'c', 'Q', CommandKind::kBeginDocument, [](int64_t v) { return v == 2; }},
    {'!', 't', 'Q', CommandKind::kMediaSelect, [](int64_t v) { return v == 0 || v == 200; }},
    {'*', 't', 'R', CommandKind::kResolutionSelect, [](int64_t v) { return v == 300 || v == 600; }},
    // AUTO, or 500 + 20 n for level n of 1 to 100.
    {'!', 's', 'Q', CommandKind::kImageControl,
     [](int64_t v) { return v == 0 || (v >= 520 && v <= 2500 && v % 20 == 0); }},
    {'&', 'l', 'H', CommandKind::kTraySelect, [](int64_t v) { return v == 0; }},
};

// The known command a header is, or null. A raster transfer is known by its
// shape alone: its count must be honoured even when it overflows.
const KnownCommand* Find(const Header& h) {
  for (const KnownCommand& k : kKnownCommands) {
    if (h.Is(k.kind, k.group, k.closing) && (k.command == CommandKind::kRasterTransfer || k.takes(h.value))) {
      return &k;
    }
  }
  return nullptr;
}

// Plain bytes from the current dot column on; a column that is not a
// multiple of 8 splits every byte over two line bytes.
struct PlainPlacer {
  int64_t column;
  void Add(const uint8_t* bytes, size_t n, uint64_t done, uint8_t* line) const {
    if (column >= kLineDots) return;
    const int64_t first_byte = column / 8;
    const int shift = static_cast<int>(column % 8);
    const uint64_t fits = static_cast<uint64_t>(kLineBytes - first_byte);
    if (done >= fits) return;
    if (shift == 0) {
      // Both writers place plain data on byte boundaries.
      const size_t count = static_cast<size_t>(n < fits - done ? n : fits - done);
      memcpy(line + first_byte + static_cast<int64_t>(done), bytes, count);
      return;
    }
    for (size_t j = 0; j < n && done + j < fits; ++j) {
      const int at = static_cast<int>(first_byte + static_cast<int64_t>(done + j));
      line[at] |= static_cast<uint8_t>(bytes[j] >> shift);
      if (shift != 0 && at + 1 < kLineBytes) line[at + 1] |= static_cast<uint8_t>(bytes[j] << (8 - shift));
    }
  }
  template <typename ReportFn>
  void Finish(const Header& h, size_t n, ReportFn report) const {
    const int64_t end_dot = column + 8 * static_cast<int64_t>(n);
    if (end_dot > kLineDots) {
      report(h.at, [&] {
        return "plain data of " + Number(n) + " bytes at dot column " + Number(column) +
               " runs past the printer line (ends at dot " + Number(end_dot - 1) + ", the last is " +
               Number(kLineDots - 1) + ")";
      });
    }
  }
};

// Run-length pairs from byte 0 of the line; what lies past the line is cut.
// Pairs may be split over the stretches the data arrives in.
struct PackedReader {
  uint64_t decoded = 0;
  uint64_t bytes = 0;
  int pending = -1;  // count byte of a pair whose value byte has not come yet
  void Add(const uint8_t* data, size_t n, uint8_t* line) {
    bytes += n;
    size_t k = 0;
    if (pending >= 0 && n > 0) Run(static_cast<uint64_t>(pending) + 1, data[k++], line);
    for (; k + 1 < n; k += 2) Run(static_cast<uint64_t>(data[k]) + 1, data[k + 1], line);
    pending = k < n ? data[k] : -1;
  }
  void Run(uint64_t count, uint8_t value, uint8_t* line) {
    if (decoded < static_cast<uint64_t>(kLineBytes)) {
      const uint64_t stop = decoded + count < kLineBytes ? decoded + count : kLineBytes;
      memset(line + decoded, value, static_cast<size_t>(stop - decoded));
    }
    decoded += count;
  }
  template <typename ReportFn>
  void Finish(const Header& h, ReportFn report) const {
    if (pending >= 0) {
      report(h.end + static_cast<size_t>(bytes) - 1, [&] {
        return "packed row of odd length " + Number(bytes) + ": its last byte is half a pair and is ignored";
      });
    }
    if (decoded != static_cast<uint64_t>(kLineBytes)) {
      report(h.at, [&] {
        return "packed row decodes to " + Number(decoded) + " bytes, not " + Number(kLineBytes) +
               (decoded > static_cast<uint64_t>(kLineBytes) ? "; the excess is cut" : "");
      });
    }
  }
};

class Decoder {
 public:
  Decoder(Reader* reader, const DecodeOptions& options, DecodeListener* listener)
      : in_(*reader), option_step_(options.row_step > 0 ? options.row_step : 1), listener_(listener) {
    if (options.whole_job) rules_.emplace(options.planes_per_page);
  }

  StreamSummary Run() {
    for (int b; (b = in_.Peek()) >= 0;) {
      in_.StartPiece();
      if (b == kEsc) {
        ReadEscape();
      } else {
        ReadStray();
      }
    }
    EndPlane();
    out_.bytes = in_.Offset();
    if (rules_) {
      found_.clear();
      rules_->Finish(out_.bytes, &found_);
      for (Problem& p : found_) Report(p.offset, std::move(p));
    }
    return std::move(out_);
  }

 private:
  // A problem; its message is made only while problems are still listed,
  // so a flood of them costs a count each.
  template <typename MakeMessage>
  void Report(size_t offset, MakeMessage make_message) {
    if (out_.problems.size() < kMaxListedProblems) out_.problems.push_back(Problem{offset, make_message()});
    ++out_.problem_count;
  }
  void Report(size_t offset, Problem problem) {
    Report(offset, [&] { return std::move(problem.message); });
  }

  // The bytes of the piece read so far, as text for a message.
  std::string PieceText(size_t at) const { return CommandText(in_.head(), in_.Offset() - at); }

  // A new command of this kind, from offset up to the current byte. Emit()
  // hands it on once its fields are filled in.
  Command& Begin(size_t offset, CommandKind kind) {
    command_ = Command();
    command_.offset = offset;
    command_.length = in_.Offset() - offset;
    command_.kind = kind;
    command_.plane = plane_open_ ? PlaneIndex() : -1;
    return command_;
  }

  // The command is complete: count it in its plane, hand it to the listener
  // and to the job rules.
  void Emit() {
    memcpy(command_.head, in_.head(), in_.head_length());
    if (plane_open_) {
      ++plane_.commands;
      plane_.ended_packed = packed_;
    }
    ++out_.command_count;
    if (listener_) listener_->OnCommand(command_);
    if (rules_) {
      found_.clear();
      rules_->See(command_, &found_);
      for (Problem& p : found_) Report(p.offset, std::move(p));
    }
  }

  int32_t PlaneIndex() const {
    constexpr size_t kMax = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(plane_index_ < kMax ? plane_index_ : kMax);
  }

  // A run of bytes outside any command, up to the next ESC: one entry and one
  // problem for the whole run, however long.
  void ReadStray() {
    const size_t at = in_.Offset();
    const uint8_t first = static_cast<uint8_t>(in_.Peek());
    const uint8_t* p = nullptr;
    while (size_t n = in_.Stretch(std::numeric_limits<size_t>::max(), &p)) {
      const void* esc = memchr(p, kEsc, n);
      const size_t run = esc ? static_cast<size_t>(static_cast<const uint8_t*>(esc) - p) : n;
      in_.Skip(run);
      if (esc) break;
    }
    const size_t length = in_.Offset() - at;
    Begin(at, CommandKind::kStrayBytes).parameter = static_cast<int64_t>(length);
    Report(at, [&] { return Number(length) + " stray byte(s) outside any command, first " + ByteText(first); });
    Emit();
  }

  template <typename MakeMessage>
  void Malformed(size_t at, size_t problem_offset, MakeMessage make_message) {
    Begin(at, CommandKind::kMalformed);
    Report(problem_offset, make_message);
    Emit();
  }

  void CutShort(size_t at) {
    Malformed(at, at, [&] { return "command " + PieceText(at) + " cut short by the end of the stream"; });
  }

  // An escape sequence: a command header for Dispatch, or a fault that
  // becomes a malformed (or unknown) command with its problem.
  void ReadEscape() {
    Escape e = stream::ReadEscape(&in_);
    if (e.outcome == Escape::kEscRun) {
      const size_t run = e.run;
      Begin(e.at, CommandKind::kMalformed).length = run;
      Report(e.at, [&] {
        return run == 1 ? std::string("ESC without a command") : Number(run) + " ESC bytes without a command";
      });
      Emit();
      in_.StartPiece(&kEsc, 1);
      e = ReadAfterEscape(&in_, e.at + run);
    }
    const size_t at = e.at;
    switch (e.outcome) {
      case Escape::kHeader:
        break;
      case Escape::kEscRun:
      case Escape::kCutShort:
        return CutShort(at);
      case Escape::kTwoCharacter:
        Begin(at, CommandKind::kUnknown);
        Report(at, [&] { return "unknown escape sequence " + PieceText(at); });
        return Emit();
      case Escape::kNoCommand:
        return Malformed(at, e.fault_at,
                         [&] { return "ESC followed by " + ByteText(e.byte) + ", which starts no command"; });
      case Escape::kNoGroupLetter:
        return Malformed(at, at, [&] { return "command " + PieceText(at) + " has no group letter"; });
      case Escape::kBadGroup:
        return Malformed(at, e.fault_at, [&] {
          return "command " + CommandText(in_.head(), e.fault_at - at) + " followed by " + ByteText(e.byte) +
                 " where a group letter belongs";
        });
      case Escape::kNoClosingLetter:
        return Malformed(at, at, [&] { return "command " + PieceText(at) + " ends without its closing letter"; });
      case Escape::kBadParameter:
        return Malformed(at, e.fault_at, [&] {
          return "bad parameter in " + PieceText(at) + ": " + ByteText(e.byte) +
                 " where a digit or the closing letter belongs";
        });
    }
    const Header& header = e.header;
    if (header.overflow) {
      Report(header.digits_at, [&] {
        return "parameter of " + PieceText(at) + " has " + Number(header.digits) + " digits, more than " +
               Number(kMaxDigits) + "; the command is not applied";
      });
    }
    Dispatch(header);
  }

  Command& BeginHeader(const Header& h, CommandKind kind) {
    Command& command = Begin(h.at, kind);
    command.parameter = h.value;
    command.has_parameter = h.digits > 0;
    return command;
  }

  void Unknown(const Header& h) {
    BeginHeader(h, CommandKind::kUnknown);
    // An overflowing parameter is already reported; one problem per fault.
    if (!h.overflow) Report(h.at, [&] { return "unknown escape sequence " + PieceText(h.at); });
    Emit();
  }

  int32_t Step() const { return stream_step_ > 0 ? stream_step_ : option_step_; }

  void Dispatch(const Header& h) {
    const KnownCommand* known = Find(h);
    // The raster transfer carries data, so even an overflowing count must be
    // honoured to stay in step with the stream.
    if (known != nullptr && known->command == CommandKind::kRasterTransfer) return Transfer(h);
    if (h.overflow) {
      BeginHeader(h, CommandKind::kMalformed);
      return Emit();
    }
    if (known == nullptr) return Unknown(h);
    Apply(known->command, h);
  }

  // What a known command does to the printer's state.
  void Apply(CommandKind kind, const Header& h) {
    const int64_t v = h.value;
    switch (kind) {
      case CommandKind::kRowPosition:
        row_ = v;
        break;
      case CommandKind::kColumnPosition:
        column_ = v;
        break;
      case CommandKind::kPackingMode:
        packed_ = v == 1;
        BeginHeader(h, kind).packed = packed_;
        return Emit();
      case CommandKind::kPlaneStart:
        StartPlane(h.at, false);
        break;
      case CommandKind::kEndDocument:
        // The end of a job ends its last plane.
        EndPlane();
        out_.has_end_document = true;
        break;
      case CommandKind::kOnOption:
        out_.on_option = true;
        break;
      case CommandKind::kBeginDocument:
        return BeginDocument(h);
      case CommandKind::kMediaSelect:
        out_.media = v == 0 ? "Regular" : "Matte";
        break;
      case CommandKind::kResolutionSelect:
        out_.resolution_rows_per_inch = static_cast<int>(v);
        stream_step_ = v == 600 ? 1 : 2;
        break;
      case CommandKind::kImageControl:
        out_.image_control = v == 0 ? std::string("AUTO") : Number((v - 500) / 20);
        break;
      case CommandKind::kTraySelect:
        out_.has_tray_select = true;
        break;
      default:
        break;
    }
    BeginHeader(h, kind);
    Emit();
  }

  void BeginDocument(const Header& h) {
    // A new job ends whatever plane the stream was in.
    EndPlane();
    out_.has_begin_document = true;
    ++out_.job_count;
    const size_t pattern_bytes = sizeof kBeginDocumentPattern;
    std::optional<Problem> differs;
    for (size_t k = 0; k < pattern_bytes; ++k) {
      const int b = in_.Peek();
      if (b < 0) {
        BeginHeader(h, CommandKind::kBeginDocument);
        Report(h.at, [&] {
          return "begin-document command cut short: " + Number(k) + " of its 12 pattern bytes before the end of "
                 "the stream";
        });
        return Emit();
      }
      const size_t offset = in_.Offset();
      in_.Take();
      if (!differs && b != kBeginDocumentPattern[k]) {
        differs = Problem{offset, "begin-document pattern byte " + Number(k) + " is " +
                                      HexByte(static_cast<uint8_t>(b)) + ", not " + HexByte(kBeginDocumentPattern[k])};
      }
    }
    BeginHeader(h, CommandKind::kBeginDocument);
    if (differs) Report(differs->offset, std::move(*differs));
    Emit();
  }

  void EndPlane() {
    if (!plane_open_) return;
    plane_open_ = false;
    if (listener_) listener_->OnPlaneEnd(plane_, plane_index_);
    plane_ = Plane();
  }

  void StartPlane(size_t offset, bool implicit) {
    EndPlane();
    plane_index_ = out_.plane_count++;
    plane_open_ = true;
    plane_.offset = offset;
    plane_.implicit = implicit;
    plane_.row_step = Step();
    plane_.started_packed = packed_;
    plane_.ended_packed = packed_;
    row_ = 0;
    column_ = 0;
  }

  void Transfer(const Header& h) {
    if (!plane_open_) {
      Report(h.at, [] { return std::string("raster transfer outside any plane; its rows go into an implicit plane"); });
      // An implicit plane takes over the position the stream had set.
      const int64_t row = row_, column = column_;
      StartPlane(h.at, true);
      row_ = row;
      column_ = column;
    }
    // Where the data goes: a row of the page, or nowhere.
    const int32_t step = Step();
    const bool on_page = !h.overflow && row_ <= LastPageRow(step);
    const uint64_t wanted = static_cast<uint64_t>(h.value);
    uint8_t line[kLineBytes] = {};
    PlainPlacer plain{column_};
    PackedReader packed;
    uint64_t got = 0;
    const uint8_t* p = nullptr;
    while (got < wanted) {
      const uint64_t left = wanted - got;
      const size_t n = in_.Stretch(left < SIZE_MAX ? static_cast<size_t>(left) : SIZE_MAX, &p);
      if (n == 0) break;
      if (on_page) {
        if (packed_) {
          packed.Add(p, n, line);
        } else {
          plain.Add(p, n, got, line);
        }
      }
      in_.Skip(n);
      got += n;
    }

    Command& command = BeginHeader(h, CommandKind::kRasterTransfer);
    plane_.row_step = step;
    ++plane_.transfers;
    command.packed = packed_;
    command.data_offset = h.end;
    command.data_length = static_cast<size_t>(got);
    if (got < wanted) {
      // A transfer cut short by the end of the stream places nothing.
      if (!h.overflow) {
        Report(h.at, [&] {
          return "raster transfer of " + Number(h.value) + " data bytes cut short: " + Number(got) +
                 " before the end of the stream";
        });
      }
      return Emit();
    }
    (packed_ ? plane_.packed_bytes : plane_.plain_bytes) += static_cast<size_t>(got);
    if (h.overflow) return Emit();

    command.row_address = row_ <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(row_) : -1;
    if (got > 0 && !on_page) {
      Report(h.at, [&] {
        return "row address " + Number(row_) + " lies below the page, whose last row address is " +
               Number(LastPageRow(step)) + " at a row step of " + Number(step) + "; the row is not printed";
      });
    } else if (got > 0) {
      if (packed_) {
        packed.Finish(h, [this](size_t offset, auto make) { Report(offset, make); });
      } else {
        command.column = column_ > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                                        : static_cast<int32_t>(column_);
        plain.Finish(h, static_cast<size_t>(got),
                     [this](size_t offset, auto make) { Report(offset, make); });
      }
      Merge(&command, line);
    }
    row_ += step;
    Emit();
  }

  // Later data ORs into a row already written, as a second pass of ink would.
  void Merge(Command* command, const uint8_t* line) {
    // Writers send a plane's rows downwards, so a new row goes at the end.
    auto it = plane_.rows.try_emplace(plane_.rows.end(), static_cast<int32_t>(row_));
    std::vector<uint8_t>& row = it->second;
    if (row.empty()) row.assign(kLineBytes, 0);
    int first = 0, last = kLineBytes - 1;
    while (first < kLineBytes && line[first] == 0) ++first;
    if (first == kLineBytes) return;
    while (line[last] == 0) --last;
    for (int i = first; i <= last; ++i) row[static_cast<size_t>(i)] |= line[i];
    // Bit 7 is the leftmost dot of a byte.
    command->first_dot = 8 * first + __builtin_clz(line[first]) - 24;
    command->last_dot = 8 * last + 7 - __builtin_ctz(line[last]);
  }

  Reader& in_;
  int32_t option_step_;
  DecodeListener* listener_;
  std::optional<JobRules> rules_;
  std::vector<Problem> found_;
  StreamSummary out_;
  Command command_;

  // Printer state.
  bool plane_open_ = false;
  size_t plane_index_ = 0;  // of the open plane
  Plane plane_;
  bool packed_ = false;      // packing mode
  int32_t stream_step_ = 0;  // from the latest resolution select command, 0 before one
  int64_t row_ = 0;
  int64_t column_ = 0;
};

// Keeps every command and plane for Decode().
class Collector : public DecodeListener {
 public:
  explicit Collector(DecodedStream* out) : out_(out) {}
  void OnCommand(const Command& command) override { out_->commands.push_back(command); }
  void OnPlaneEnd(Plane& plane, size_t) override { out_->planes.push_back(std::move(plane)); }

 private:
  DecodedStream* out_;
};

}  // namespace

bool Plane::Dot(int32_t row_address, int32_t dot) const {
  if (dot < 0 || dot >= kLineDots) return false;
  auto it = rows.find(row_address);
  if (it == rows.end()) return false;
  return (it->second[static_cast<size_t>(dot / 8)] >> (7 - dot % 8)) & 1;
}

StreamSummary DecodeStream(ByteSource* source, const DecodeOptions& options, DecodeListener* listener) {
  Reader reader(source);
  return Decoder(&reader, options, listener).Run();
}

DecodedStream Decode(const uint8_t* data, size_t size, const DecodeOptions& options) {
  if (data == nullptr) size = 0;
  DecodedStream out;
  Collector collector(&out);
  Reader reader(data, size);
  static_cast<StreamSummary&>(out) = Decoder(&reader, options, &collector).Run();
  return out;
}

}  // namespace stream
