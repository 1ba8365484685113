#include "imaging/netpbm_reader.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <utility>

namespace imaging {

namespace {

constexpr size_t kChunk = 65536;
// More digits than any number of a picture the limits let through needs.
constexpr int kMaxDigits = 18;
// Digits of an overlong number counted before giving up on it.
constexpr int kCountedDigits = 64;
// Blanks and comments between two numbers.
constexpr size_t kMaxGap = 65536;
constexpr int32_t kMaxSample = 65535;

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

std::string Digits(int digits) {
  return digits > kCountedDigits ? "more than " + std::to_string(kCountedDigits) + " digits"
                                 : std::to_string(digits) + " digits";
}

uint8_t Scale(int64_t sample, int64_t maxval) {
  return static_cast<uint8_t>((sample * 255 + maxval / 2) / maxval);
}

}  // namespace

bool IsNetpbm(const uint8_t* data, size_t size) {
  return size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6';
}

NetpbmReader::NetpbmReader(const uint8_t* data, size_t size)
    : begin_(data), cur_(data), end_(data + size), known_size_(static_cast<int64_t>(size)) {}

NetpbmReader::NetpbmReader(FILE* file, const uint8_t* prefix, size_t prefix_size)
    : file_(file), buffer_(prefix, prefix + prefix_size) {
  begin_ = cur_ = buffer_.data();
  end_ = begin_ + buffer_.size();
  // A regular file tells its size: what is left of it, and the prefix.
  struct stat st;
  const long at = ftell(file);
  if (fstat(fileno(file), &st) == 0 && (st.st_mode & S_IFMT) == S_IFREG && at >= 0 && st.st_size >= at) {
    known_size_ = static_cast<int64_t>(st.st_size - at + static_cast<int64_t>(prefix_size));
  }
}

bool NetpbmReader::Fill() {
  if (file_ == nullptr || read_errno_ != 0) return false;
  window_offset_ += static_cast<uint64_t>(end_ - begin_);
  buffer_.resize(kChunk);
  const size_t n = fread(buffer_.data(), 1, buffer_.size(), file_);
  if (n == 0 && ferror(file_)) read_errno_ = errno != 0 ? errno : EIO;
  begin_ = cur_ = buffer_.data();
  end_ = begin_ + n;
  return n > 0;
}

int NetpbmReader::Peek() {
  if (cur_ == end_ && !Fill()) return EOF;
  return *cur_;
}

int NetpbmReader::Get() {
  if (cur_ == end_ && !Fill()) return EOF;
  return *cur_++;
}

bool NetpbmReader::TakeBytes(uint8_t* out, size_t size) {
  while (size > 0) {
    if (cur_ == end_ && !Fill()) return false;
    const size_t n = std::min(size, static_cast<size_t>(end_ - cur_));
    memcpy(out, cur_, n);
    cur_ += n;
    out += n;
    size -= n;
  }
  return true;
}

std::string NetpbmReader::ReadFailure() const {
  return std::string("cannot read it: ") + strerror(read_errno_);
}

// Blanks, and comments from '#' to the end of the line, up to the next token.
NetpbmReader::Token NetpbmReader::SkipGap() {
  size_t skipped = 0;
  bool in_comment = false;
  for (int c = Peek(); c != EOF; c = Peek()) {
    if (in_comment) {
      if (c == '\n' || c == '\r') in_comment = false;
    } else if (c == '#') {
      in_comment = true;
    } else if (!IsBlank(c)) {
      return Token::kNumber;
    }
    if (++skipped > kMaxGap) return Token::kGapTooLong;
    ++cur_;
  }
  return read_errno_ != 0 ? Token::kReadError : Token::kEnd;
}

NetpbmReader::Token NetpbmReader::ReadNumber(int64_t* value, int* digits) {
  const Token gap = SkipGap();
  if (gap != Token::kNumber) return gap;
  if (!IsDigit(Peek())) return Token::kNotNumber;
  int64_t v = 0;
  int n = 0;
  for (int c = Peek(); IsDigit(c) && n <= kCountedDigits; c = Peek()) {
    if (n < kMaxDigits) v = v * 10 + (c - '0');
    ++n;
    ++cur_;
  }
  if (read_errno_ != 0) return Token::kReadError;
  *digits = n;
  if (n > kMaxDigits) return Token::kTooLong;
  *value = v;
  return Token::kNumber;
}

bool NetpbmReader::ReadHeader(const ImageLimits& limits, NetpbmHeader* header, std::string* error) {
  uint8_t magic[2];
  if (!TakeBytes(magic, 2) || !IsNetpbm(magic, 2)) {
    *error = read_errno_ != 0   ? ReadFailure()
             : Position() == 0 ? "file is empty"
                               : "not a netpbm picture (PBM, PGM or PPM: P1 to P6)";
    return false;
  }
  NetpbmHeader h;
  h.kind = magic[1] - '0';

  // Width, height and (but for bitmaps) the maximum sample value.
  const char* const names[3] = {"width", "height", "maximum sample value"};
  int64_t numbers[3] = {0, 0, 1};
  for (int i = 0; i < (h.Bitmap() ? 2 : 3); ++i) {
    int digits = 0;
    switch (ReadNumber(&numbers[i], &digits)) {
      case Token::kNumber:
        break;
      case Token::kEnd:
        *error = std::string("damaged PNM header (it ends before the ") + names[i] + ")";
        return false;
      case Token::kNotNumber:
        *error = std::string("damaged PNM header (no ") + names[i] + " where it should stand)";
        return false;
      case Token::kTooLong:
        *error = i < 2 ? TooLargeMessage(std::string("a ") + names[i] + " of " + Digits(digits), limits)
                       : "damaged PNM header (a maximum sample value of " + Digits(digits) +
                             "; it must be 1 to 65535)";
        return false;
      case Token::kGapTooLong:
        *error = "damaged PNM header (more than " + std::to_string(kMaxGap) +
                 " bytes of blanks and comments before the " + names[i] + ")";
        return false;
      case Token::kReadError:
        *error = ReadFailure();
        return false;
    }
    if (i == 1 && !CheckImageSize(numbers[0], numbers[1], limits, error)) return false;
  }
  if (numbers[2] < 1 || numbers[2] > kMaxSample) {
    *error = "damaged PNM header (maximum sample value " + std::to_string(numbers[2]) +
             (numbers[2] < 1 ? "; it must be 1 to 65535)" : " is above 65535)");
    return false;
  }
  h.width = numbers[0];
  h.height = numbers[1];
  h.maxval = static_cast<int32_t>(numbers[2]);

  if (!h.Plain()) {
    // Binary pixel data starts after exactly one blank.
    const int c = Get();
    if (c == EOF) {
      *error = read_errno_ != 0 ? ReadFailure() : "truncated PNM file (it ends before the pixel data)";
      return false;
    }
    if (!IsBlank(c)) {
      *error = "damaged PNM header (no blank between the header and the pixel data)";
      return false;
    }
    const size_t sample_bytes = h.maxval > 255 ? 2 : 1;
    raw_row_.resize(h.Bitmap() ? static_cast<size_t>((h.width + 7) / 8)
                               : static_cast<size_t>(h.width) * h.Channels() * sample_bytes);
  }
  header_ = h;
  row_ = 0;
  if (!CheckKnownSize(error)) return false;
  *header = h;
  return true;
}

// A file too short for its header is refused before any row is read.
bool NetpbmReader::CheckKnownSize(std::string* error) {
  if (known_size_ < 0) return true;
  const uint64_t left = static_cast<uint64_t>(known_size_) - Position();
  const uint64_t rows = static_cast<uint64_t>(header_.height);
  const uint64_t samples = static_cast<uint64_t>(header_.width) * rows * header_.Channels();
  uint64_t needed;
  if (!header_.Plain()) {
    needed = raw_row_.size() * rows;
  } else {
    // At least a blank and a digit for each sample; bitmap digits may stand
    // together after one blank.
    needed = header_.Bitmap() ? samples + 1 : 2 * samples;
  }
  if (left >= needed) return true;
  *error = "truncated PNM file (" + std::string(header_.Plain() ? "at least " : "") + std::to_string(needed) +
           " bytes of pixel data expected, " + std::to_string(left) + " found)";
  return false;
}

bool NetpbmReader::ReadRow(uint16_t* samples, std::string* error) {
  const NetpbmHeader& h = header_;
  const auto where = [&] { return " in row " + std::to_string(row_ + 1) + " of " + std::to_string(h.height); };
  const size_t count = static_cast<size_t>(h.width) * h.Channels();
  if (!h.Plain()) {
    if (!TakeBytes(raw_row_.data(), raw_row_.size())) {
      *error = read_errno_ != 0 ? ReadFailure() : "truncated PNM file (the pixel data ends" + where() + ")";
      return false;
    }
    for (size_t i = 0; i < count; ++i) {
      if (h.Bitmap()) {
        samples[i] = (raw_row_[i / 8] >> (7 - i % 8)) & 1;  // padding bits are never read
      } else if (h.maxval > 255) {
        samples[i] = static_cast<uint16_t>(raw_row_[2 * i] << 8 | raw_row_[2 * i + 1]);
      } else {
        samples[i] = raw_row_[i];
      }
    }
  } else {
    for (size_t i = 0; i < count; ++i) {
      Token token = SkipGap();
      int64_t value = 0;
      int digits = 1;
      if (token == Token::kNumber && h.Bitmap()) {
        // Bitmap digits may stand without blanks between them.
        const int c = Get();
        if (c == '0' || c == '1') {
          value = c - '0';
        } else {
          token = Token::kNotNumber;
        }
      } else if (token == Token::kNumber) {
        token = ReadNumber(&value, &digits);
      }
      switch (token) {
        case Token::kNumber:
          break;
        case Token::kEnd:
          *error = "truncated PNM file (the pixel data ends" + where() + ")";
          return false;
        case Token::kNotNumber:
          *error = "damaged PNM file (" + std::string(h.Bitmap() ? "something other than 0 or 1"
                                                                  : "something other than a number") +
                   where() + ")";
          return false;
        case Token::kTooLong:
          *error = "damaged PNM file (a sample value of " + Digits(digits) + where() + ")";
          return false;
        case Token::kGapTooLong:
          *error = "damaged PNM file (more than " + std::to_string(kMaxGap) +
                   " bytes of blanks and comments" + where() + ")";
          return false;
        case Token::kReadError:
          *error = ReadFailure();
          return false;
      }
      if (value > h.maxval) {
        *error = "damaged PNM file (sample value " + std::to_string(value) + " above the maximum " +
                 std::to_string(h.maxval) + where() + ")";
        return false;
      }
      samples[i] = static_cast<uint16_t>(value);
    }
  }
  // Binary samples can exceed only a maximum short of their 8 or 16 bits.
  if (!h.Plain() && !h.Bitmap() && h.maxval != 255 && h.maxval != kMaxSample) {
    for (size_t i = 0; i < count; ++i) {
      if (samples[i] > h.maxval) {
        *error = "damaged PNM file (sample value " + std::to_string(samples[i]) + " above the maximum " +
                 std::to_string(h.maxval) + where() + ")";
        return false;
      }
    }
  }
  ++row_;
  return true;
}

bool ReadNetpbmImage(NetpbmReader* reader, const ImageLimits& limits, RgbImage* image,
                     std::string* error) {
  *image = RgbImage();
  NetpbmHeader h;
  if (!reader->ReadHeader(limits, &h, error)) return false;
  const size_t width = static_cast<size_t>(h.width);
  const size_t row_bytes = width * 3;
  std::vector<uint8_t> pixels;
  // A known size vouched for the data: all of it at once. Otherwise the
  // picture grows as its rows arrive.
  if (reader->SizeKnown()) pixels.reserve(row_bytes * static_cast<size_t>(h.height));
  std::vector<uint16_t> samples(width * h.Channels());
  for (int64_t y = 0; y < h.height; ++y) {
    if (!reader->ReadRow(samples.data(), error)) return false;
    const size_t at = pixels.size();
    pixels.resize(at + row_bytes);
    uint8_t* out = pixels.data() + at;
    for (size_t x = 0; x < width; ++x, out += 3) {
      if (h.Bitmap()) {
        out[0] = out[1] = out[2] = samples[x] ? 0 : 255;  // a set bit is black
      } else if (h.Colour()) {
        out[0] = Scale(samples[3 * x], h.maxval);
        out[1] = Scale(samples[3 * x + 1], h.maxval);
        out[2] = Scale(samples[3 * x + 2], h.maxval);
      } else {
        out[0] = out[1] = out[2] = Scale(samples[x], h.maxval);
      }
    }
  }
  image->width = static_cast<int32_t>(h.width);
  image->height = static_cast<int32_t>(h.height);
  image->pixels = std::move(pixels);
  return true;
}

}  // namespace imaging
