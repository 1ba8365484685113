// Netpbm pictures (PBM, PGM and PPM, P1 to P6) read as a stream, a row at a
// time: the one netpbm reader of the command-line tool and both host
// programs, so that all three take the same files with the same words.
//
// What a file can make the reader do is bounded before anything is
// allocated for its pixels:
// - the kind is told from the first two bytes;
// - a number has at most 18 digits, and the blanks and comments between two
//   numbers fill at most 64 KiB, so a header that never ends is refused
//   after reading that much;
// - the size must pass ImageLimits, the maximum sample value is 1 to 65535;
// - where the input's size is known (memory, a regular file), it must hold
//   the pixel data the header promises; a pipe is read as the data comes.
#ifndef QUILLORY2_IMAGING_NETPBM_READER_H_
#define QUILLORY2_IMAGING_NETPBM_READER_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "imaging/image_limits.h"
#include "imaging/rgb_image.h"

namespace imaging {

struct NetpbmHeader {
  int kind = 0;  // the digit of the magic number, 1 to 6
  int64_t width = 0;
  int64_t height = 0;
  int32_t maxval = 1;  // 1 for a bitmap

  bool Plain() const { return kind <= 3; }
  bool Bitmap() const { return kind == 1 || kind == 4; }
  bool Colour() const { return kind == 3 || kind == 6; }
  int Channels() const { return Colour() ? 3 : 1; }
};

// Whether bytes (at least two of them) begin a netpbm picture.
bool IsNetpbm(const uint8_t* data, size_t size);

class NetpbmReader {
 public:
  // Reads the picture held in memory (not copied; it must outlive the reader).
  NetpbmReader(const uint8_t* data, size_t size);
  // Reads from an open file, not closed by the reader. `prefix` holds the
  // bytes already taken from it (to tell its kind), which come first.
  explicit NetpbmReader(FILE* file, const uint8_t* prefix = nullptr, size_t prefix_size = 0);

  // Reads and checks the header. False with a one-line reason (without a
  // program prefix or the file's name).
  bool ReadHeader(const ImageLimits& limits, NetpbmHeader* header, std::string* error);

  // Reads the next row into samples: width * Channels() values from 0 to
  // maxval; in a bitmap 1 is black. False with a one-line reason.
  bool ReadRow(uint16_t* samples, std::string* error);

  // Whether the input has no more bytes. A stream may hold one picture
  // after another (Ghostscript writes its pages so): each is read with
  // ReadHeader and its rows in turn.
  bool AtEnd() { return Peek() == EOF; }

  // Whether the input's size was known, so its pixel data was found complete
  // before the first row.
  bool SizeKnown() const { return known_size_ >= 0; }

 private:
  enum class Token { kNumber, kEnd, kNotNumber, kTooLong, kGapTooLong, kReadError };

  int Peek();
  int Get();
  bool Fill();
  uint64_t Position() const { return window_offset_ + static_cast<uint64_t>(cur_ - begin_); }
  Token SkipGap();
  Token ReadNumber(int64_t* value, int* digits);
  bool TakeBytes(uint8_t* out, size_t size);
  std::string ReadFailure() const;
  bool CheckKnownSize(std::string* error);

  FILE* file_ = nullptr;
  std::vector<uint8_t> buffer_;
  const uint8_t* begin_ = nullptr;  // the bytes at hand: [begin_, end_)
  const uint8_t* cur_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t window_offset_ = 0;  // where begin_ lies in the input
  int64_t known_size_ = -1;     // the input's size, when known
  int read_errno_ = 0;
  NetpbmHeader header_;
  int64_t row_ = 0;
  std::vector<uint8_t> raw_row_;
};

// Reads a whole netpbm picture into *image (bitmaps black and white, grey
// as grey, samples scaled to 8 bits). The pixels are allocated at once only
// when the input's size showed them complete; otherwise they grow as rows
// arrive. False with a one-line reason and *image empty.
bool ReadNetpbmImage(NetpbmReader* reader, const ImageLimits& limits, RgbImage* image,
                     std::string* error);

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_NETPBM_READER_H_
