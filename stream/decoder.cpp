#include "stream/decoder.h"

#include <limits>

namespace stream {
namespace {

constexpr uint8_t kEsc = 0x1B;

// The printer reads at most nine digits of a parameter; no writer sends more
// (the largest value in use is a row address below 3000).
constexpr size_t kMaxDigits = 9;

// The begin-document command carries these 12 bytes after ESC "!c2Q".
constexpr uint8_t kBeginDocumentPattern[12] = {0xFF, 0x00, 0x55, 0xAA, 0x01, 0x02,
                                               0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

// Shapes of an escape sequence of the PCL kind: ESC, a parameterised
// character, a group letter, the digits, a closing capital letter. ESC with a
// single character from 0x30 on is a two-character command.
bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }
bool IsParameterised(uint8_t b) { return b >= 0x21 && b <= 0x2F; }
bool IsGroup(uint8_t b) { return b >= 0x60 && b <= 0x7E; }
bool IsClosing(uint8_t b) { return b >= 0x40 && b <= 0x5E; }
bool IsTwoCharacter(uint8_t b) { return b >= 0x30 && b <= 0x7E; }

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
std::string CommandText(const uint8_t* data, size_t length) {
  constexpr size_t kShown = 16;
  std::string text;
  for (size_t i = 0; i < length && i < kShown; ++i) {
    uint8_t b = data[i];
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

std::string Number(int64_t value) { return std::to_string(value); }

class Decoder {
 public:
  Decoder(const uint8_t* data, size_t size, const DecodeOptions& options)
      : data_(data), size_(size), option_step_(options.row_step > 0 ? options.row_step : 1) {}

  DecodedStream Run() {
    size_t at = 0;
    while (at < size_) {
      if (data_[at] == kEsc) {
        at = ReadEscape(at);
      } else {
        at = ReadStray(at);
      }
    }
    return std::move(out_);
  }

 private:
  // Adds a command of this kind and counts it in the current plane.
  Command& Add(size_t offset, size_t length, CommandKind kind, const char* meaning) {
    out_.commands.emplace_back();
    Command& command = out_.commands.back();
    command.offset = offset;
    command.length = length;
    command.kind = kind;
    command.meaning = meaning;
    command.plane = plane_;
    if (plane_ >= 0) {
      Plane& plane = out_.planes[static_cast<size_t>(plane_)];
      ++plane.commands;
      plane.ended_packed = packed_;
    }
    return command;
  }

  void Report(size_t offset, std::string message) {
    out_.problems.push_back(Problem{offset, std::move(message)});
  }

  // A run of bytes outside any command, up to the next ESC: one entry and one
  // problem for the whole run, however long.
  size_t ReadStray(size_t at) {
    size_t end = at;
    while (end < size_ && data_[end] != kEsc) ++end;
    Command& command = Add(at, end - at, CommandKind::kStrayBytes, "stray bytes");
    command.parameter = static_cast<int64_t>(end - at);
    Report(at, Number(static_cast<int64_t>(end - at)) + " stray byte(s) outside any command, first " +
                   ByteText(data_[at]));
    return end;
  }

  size_t Malformed(size_t at, size_t length, size_t problem_offset, const std::string& message) {
    Add(at, length, CommandKind::kMalformed, "malformed");
    Report(problem_offset, message);
    return at + length;
  }

  size_t CutShort(size_t at) {
    return Malformed(at, size_ - at, at,
                     "command " + CommandText(data_ + at, size_ - at) + " cut short by the end of the stream");
  }

  size_t ReadEscape(size_t at) {
    if (at + 1 == size_) return CutShort(at);
    const uint8_t kind = data_[at + 1];
    if (kind == kEsc) return Malformed(at, 1, at, "ESC without a command");
    if (!IsParameterised(kind)) {
      if (IsTwoCharacter(kind)) {
        Add(at, 2, CommandKind::kUnknown, "unknown");
        Report(at, "unknown escape sequence " + CommandText(data_ + at, 2));
        return at + 2;
      }
      return Malformed(at, 2, at + 1, "ESC followed by " + ByteText(kind) + ", which starts no command");
    }
    if (at + 2 == size_) return CutShort(at);
    const uint8_t group = data_[at + 2];
    if (!IsGroup(group)) {
      if (group == kEsc) return Malformed(at, 2, at, "command " + CommandText(data_ + at, 2) + " has no group letter");
      return Malformed(at, 3, at + 2,
                       "command " + CommandText(data_ + at, 2) + " followed by " + ByteText(group) +
                           " where a group letter belongs");
    }

    // The digits of the parameter; none reads as 0.
    const size_t digits_at = at + 3;
    size_t p = digits_at;
    int64_t value = 0;
    while (p < size_ && IsDigit(data_[p])) {
      const int digit = data_[p] - '0';
      if (value <= (std::numeric_limits<int64_t>::max() - digit) / 10) {
        value = value * 10 + digit;
      } else {
        value = std::numeric_limits<int64_t>::max();
      }
      ++p;
    }
    if (p == size_) return CutShort(at);
    const uint8_t closing = data_[p];
    if (!IsClosing(closing)) {
      if (closing == kEsc) {
        return Malformed(at, p - at, at,
                         "command " + CommandText(data_ + at, p - at) + " ends without its closing letter");
      }
      return Malformed(at, p + 1 - at, p,
                       "bad parameter in " + CommandText(data_ + at, p + 1 - at) + ": " + ByteText(closing) +
                           " where a digit or the closing letter belongs");
    }

    Header header;
    header.at = at;
    header.end = p + 1;
    header.kind = kind;
    header.group = group;
    header.closing = closing;
    header.value = value;
    header.digits = p - digits_at;
    if (header.digits > kMaxDigits) {
      header.overflow = true;
      Report(digits_at, "parameter of " + CommandText(data_ + at, header.end - at) + " has " +
                            Number(static_cast<int64_t>(header.digits)) + " digits, more than " +
                            Number(kMaxDigits) + "; the command is not applied");
    }
    return Dispatch(header);
  }

  struct Header {
    size_t at = 0;   // the ESC
    size_t end = 0;  // one past the closing letter
    uint8_t kind = 0, group = 0, closing = 0;
    int64_t value = 0;
    size_t digits = 0;
    bool overflow = false;
  };

  bool Is(const Header& h, char kind, char group, char closing) const {
    return h.kind == static_cast<uint8_t>(kind) && h.group == static_cast<uint8_t>(group) &&
           h.closing == static_cast<uint8_t>(closing);
  }

  Command& AddHeader(const Header& h, CommandKind kind, const char* meaning) {
    Command& command = Add(h.at, h.end - h.at, kind, meaning);
    command.parameter = h.value;
    command.has_parameter = h.digits > 0;
    return command;
  }

  size_t Unknown(const Header& h) {
    AddHeader(h, CommandKind::kUnknown, "unknown");
    // An overflowing parameter is already reported; one problem per fault.
    if (!h.overflow) Report(h.at, "unknown escape sequence " + CommandText(data_ + h.at, h.end - h.at));
    return h.end;
  }

  int32_t Step() const { return stream_step_ > 0 ? stream_step_ : option_step_; }

  size_t Dispatch(const Header& h) {
    // The raster transfer carries data, so even an overflowing count must be
    // honoured to stay in step with the stream.
    if (Is(h, '*', 'b', 'W')) return Transfer(h);
    if (h.overflow) {
      AddHeader(h, CommandKind::kMalformed, "malformed");
      return h.end;
    }
    const int64_t v = h.value;
    if (Is(h, '*', 'p', 'Y')) {
      AddHeader(h, CommandKind::kRowPosition, "row position");
      row_ = v;
    } else if (Is(h, '*', 'p', 'X')) {
      AddHeader(h, CommandKind::kColumnPosition, "column position");
      column_ = v;
    } else if (Is(h, '*', 'b', 'M') && (v == 0 || v == 1)) {
      packed_ = v == 1;
      AddHeader(h, CommandKind::kPackingMode, packed_ ? "packed mode" : "plain mode").packed = packed_;
    } else if (Is(h, '!', 'd', 'Q') && v == 4) {
      StartPlane(h.at);
      AddHeader(h, CommandKind::kPlaneStart, "plane start");
    } else if (Is(h, '!', 'd', 'Q') && v == 0) {
      AddHeader(h, CommandKind::kEndDocument, "end document");
      out_.has_end_document = true;
    } else if (Is(h, '!', 'd', 'Q') && v == 6) {
      AddHeader(h, CommandKind::kOnOption, "ON option");
      out_.on_option = true;
    } else if (Is(h, '!', 'c', 'Q') && v == 2) {
      return BeginDocument(h);
    } else if (Is(h, '!', 't', 'Q') && (v == 0 || v == 200)) {
      out_.media = v == 0 ? "Regular" : "Matte";
      AddHeader(h, CommandKind::kMediaSelect, v == 0 ? "media Regular" : "media Matte");
    } else if (Is(h, '*', 't', 'R') && (v == 300 || v == 600)) {
      out_.resolution_rows_per_inch = static_cast<int>(v);
      stream_step_ = v == 600 ? 1 : 2;
      AddHeader(h, CommandKind::kResolutionSelect, v == 600 ? "resolution 600" : "resolution 300");
    } else if (Is(h, '!', 's', 'Q') && (v == 0 || (v >= 520 && v <= 2500 && v % 20 == 0))) {
      out_.image_control = v == 0 ? std::string("AUTO") : Number((v - 500) / 20);
      AddHeader(h, CommandKind::kImageControl, "image control").meaning += " " + out_.image_control;
    } else if (Is(h, '&', 'l', 'H') && v == 0) {
      AddHeader(h, CommandKind::kTraySelect, "tray select");
      out_.has_tray_select = true;
    } else {
      return Unknown(h);
    }
    return h.end;
  }

  size_t BeginDocument(const Header& h) {
    const size_t pattern_bytes = sizeof kBeginDocumentPattern;
    if (size_ - h.end < pattern_bytes) {
      Command& command = AddHeader(h, CommandKind::kBeginDocument, "begin document");
      command.length = size_ - h.at;
      Report(h.at, "begin-document command cut short: " + Number(static_cast<int64_t>(size_ - h.end)) +
                       " of its 12 pattern bytes before the end of the stream");
      out_.has_begin_document = true;
      return size_;
    }
    Command& command = AddHeader(h, CommandKind::kBeginDocument, "begin document");
    command.length += pattern_bytes;
    out_.has_begin_document = true;
    for (size_t k = 0; k < pattern_bytes; ++k) {
      if (data_[h.end + k] != kBeginDocumentPattern[k]) {
        Report(h.end + k, "begin-document pattern byte " + Number(static_cast<int64_t>(k)) + " is " +
                              HexByte(data_[h.end + k]) + ", not " + HexByte(kBeginDocumentPattern[k]));
        break;
      }
    }
    return h.end + pattern_bytes;
  }

  void StartPlane(size_t offset) {
    Plane plane;
    plane.offset = offset;
    plane.row_step = Step();
    plane.started_packed = packed_;
    plane.ended_packed = packed_;
    out_.planes.push_back(std::move(plane));
    plane_ = static_cast<int32_t>(out_.planes.size() - 1);
    row_ = 0;
    column_ = 0;
  }

  size_t Transfer(const Header& h) {
    if (plane_ < 0) {
      Report(h.at, "raster transfer before any plane start; its rows go into an implicit plane");
      // An implicit plane takes over the position the stream had set.
      const int64_t row = row_, column = column_;
      StartPlane(h.at);
      out_.planes.back().implicit = true;
      row_ = row;
      column_ = column;
    }
    Command& command = AddHeader(h, CommandKind::kRasterTransfer, "raster transfer");
    Plane& plane = out_.planes[static_cast<size_t>(plane_)];
    command.packed = packed_;
    command.data_offset = h.end;
    ++plane.transfers;
    plane.row_step = Step();

    const size_t available = size_ - h.end;
    if (static_cast<uint64_t>(h.value) > available) {
      command.length = size_ - h.at;
      command.data_length = available;
      if (!h.overflow) {
        Report(h.at, "raster transfer of " + Number(h.value) + " data bytes cut short: " +
                         Number(static_cast<int64_t>(available)) + " before the end of the stream");
      }
      return size_;
    }
    const size_t n = static_cast<size_t>(h.value);
    command.length += n;
    command.data_length = n;
    (packed_ ? plane.packed_bytes : plane.plain_bytes) += n;
    if (h.overflow) return h.end + n;

    if (n > 0) {
      if (row_ > std::numeric_limits<int32_t>::max()) {
        Report(h.at, "row address " + Number(row_) + " lies past the last row the printer can address");
      } else {
        uint8_t line[kLineBytes] = {};
        if (packed_) {
          Unpack(h, data_ + h.end, n, line);
        } else {
          command.column = column_ > std::numeric_limits<int32_t>::max()
                               ? std::numeric_limits<int32_t>::max()
                               : static_cast<int32_t>(column_);
          PlaceAtColumn(h, data_ + h.end, n, line);
        }
        command.row_address = static_cast<int32_t>(row_);
        Merge(plane, command, line);
      }
    } else {
      command.row_address = row_ <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(row_) : -1;
    }
    row_ += Step();
    return h.end + n;
  }

  // Run-length pairs from byte 0 of the line; what lies past the line is cut.
  void Unpack(const Header& h, const uint8_t* pairs, size_t n, uint8_t* line) {
    if (n % 2 != 0) {
      Report(h.end + n - 1, "packed row of odd length " + Number(static_cast<int64_t>(n)) +
                                ": its last byte is half a pair and is ignored");
    }
    size_t decoded = 0;
    for (size_t k = 0; k + 1 < n; k += 2) {
      const size_t count = static_cast<size_t>(pairs[k]) + 1;
      const uint8_t value = pairs[k + 1];
      for (size_t i = decoded; i < decoded + count && i < static_cast<size_t>(kLineBytes); ++i) line[i] = value;
      decoded += count;
    }
    if (decoded != static_cast<size_t>(kLineBytes)) {
      Report(h.at, "packed row decodes to " + Number(static_cast<int64_t>(decoded)) + " bytes, not " +
                       Number(kLineBytes) + (decoded > static_cast<size_t>(kLineBytes) ? "; the excess is cut" : ""));
    }
  }

  // Plain bytes from the current dot column on; a column that is not a
  // multiple of 8 splits every byte over two line bytes.
  void PlaceAtColumn(const Header& h, const uint8_t* bytes, size_t n, uint8_t* line) {
    const int64_t end_dot = column_ + 8 * static_cast<int64_t>(n);
    if (end_dot > kLineDots) {
      Report(h.at, "plain data of " + Number(static_cast<int64_t>(n)) + " bytes at dot column " + Number(column_) +
                       " runs past the printer line (ends at dot " + Number(end_dot - 1) + ", the last is " +
                       Number(kLineDots - 1) + ")");
    }
    if (column_ >= kLineDots) return;
    const int first_byte = static_cast<int>(column_ / 8);
    const int shift = static_cast<int>(column_ % 8);
    const size_t fits = static_cast<size_t>(kLineBytes - first_byte);
    for (size_t j = 0; j < n && j < fits; ++j) {
      const int at = first_byte + static_cast<int>(j);
      line[at] |= static_cast<uint8_t>(bytes[j] >> shift);
      if (shift != 0 && at + 1 < kLineBytes) line[at + 1] |= static_cast<uint8_t>(bytes[j] << (8 - shift));
    }
  }

  // Later data ORs into a row already written, as a second pass of ink would.
  void Merge(Plane& plane, Command& command, const uint8_t* line) {
    std::vector<uint8_t>& row = plane.rows[static_cast<int32_t>(row_)];
    if (row.empty()) row.assign(kLineBytes, 0);
    int first = -1, last = -1;
    for (int i = 0; i < kLineBytes; ++i) {
      const uint8_t b = line[i];
      if (b == 0) continue;
      row[static_cast<size_t>(i)] |= b;
      if (first < 0) {
        int bit = 0;
        while (!(b & (0x80 >> bit))) ++bit;
        first = 8 * i + bit;
      }
      int bit = 7;
      while (!(b & (0x80 >> bit))) --bit;
      last = 8 * i + bit;
    }
    command.first_dot = first;
    command.last_dot = last;
  }

  const uint8_t* data_;
  size_t size_;
  int32_t option_step_;
  DecodedStream out_;

  // Printer state.
  int32_t plane_ = -1;       // current plane, -1 before the first
  bool packed_ = false;      // packing mode
  int32_t stream_step_ = 0;  // from the latest resolution select command, 0 before one
  int64_t row_ = 0;
  int64_t column_ = 0;
};

}  // namespace

bool Plane::Dot(int32_t row_address, int32_t dot) const {
  if (dot < 0 || dot >= kLineDots) return false;
  auto it = rows.find(row_address);
  if (it == rows.end()) return false;
  return (it->second[static_cast<size_t>(dot / 8)] >> (7 - dot % 8)) & 1;
}

DecodedStream Decode(const uint8_t* data, size_t size, const DecodeOptions& options) {
  if (data == nullptr) size = 0;
  return Decoder(data, size, options).Run();
}

std::string DescribeCommand(const Command& command) {
  std::string text = "@" + std::to_string(command.offset) + " +" + std::to_string(command.length) + " " +
                     command.meaning;
  switch (command.kind) {
    case CommandKind::kRowPosition:
      text += ": row " + std::to_string(command.parameter);
      break;
    case CommandKind::kColumnPosition:
      text += ": dot " + std::to_string(command.parameter);
      break;
    case CommandKind::kRasterTransfer:
      text += ": " + std::to_string(command.data_length) + " bytes " + (command.packed ? "packed" : "plain");
      if (command.data_length < static_cast<uint64_t>(command.parameter)) {
        text += " of " + std::to_string(command.parameter) + " (cut short)";
      }
      if (command.row_address >= 0) text += ", row " + std::to_string(command.row_address);
      if (!command.packed && command.column >= 0) text += ", column " + std::to_string(command.column);
      if (command.first_dot >= 0) {
        text += ", dots " + std::to_string(command.first_dot) + ".." + std::to_string(command.last_dot);
      } else if (command.data_length > 0) {
        text += ", no dots";
      }
      break;
    case CommandKind::kStrayBytes:
    case CommandKind::kUnknown:
    case CommandKind::kMalformed:
      if (command.has_parameter) text += ": parameter " + std::to_string(command.parameter);
      break;
    default:
      break;
  }
  if (command.plane >= 0) text += " [plane " + std::to_string(command.plane) + "]";
  return text;
}

}  // namespace stream
