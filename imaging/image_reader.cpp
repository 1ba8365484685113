#include "imaging/image_reader.h"

#include <png.h>
#include <string.h>

#include <memory>

namespace imaging {

bool CheckImageSize(int64_t width, int64_t height, const ImageLimits& limits, std::string* error) {
  if (width <= 0 || height <= 0) {
    *error = "image is empty (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)";
    return false;
  }
  if (width > limits.max_side || height > limits.max_side || width * height > limits.max_pixels) {
    *error = "image is too large (" + std::to_string(width) + " x " + std::to_string(height) +
             " pixels; at most " + std::to_string(limits.max_side) + " pixels a side and " +
             std::to_string(limits.max_pixels / 1000000) + " megapixels)";
    return false;
  }
  return true;
}

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool DecodePng(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
               const ImageLimits& limits) {
  // The first chunk must be IHDR; its size is checked here so that libpng
  // never sets out to allocate for a size we would refuse anyway.
  if (size < 33 || memcmp(data + 12, "IHDR", 4) != 0) {
    *error = "truncated or damaged PNG file (no image header)";
    return false;
  }
  if (!CheckImageSize(BigEndian32(data + 16), BigEndian32(data + 20), limits, error)) return false;

  png_image png;
  memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, data, size)) {
    *error = std::string("cannot read PNG file: ") + png.message;
    return false;
  }
  png.format = PNG_FORMAT_RGB;
  image->Reset(static_cast<int32_t>(png.width), static_cast<int32_t>(png.height));
  png_color white = {255, 255, 255};
  if (!png_image_finish_read(&png, &white, image->pixels.data(), 0, nullptr)) {
    *error = std::string("cannot read PNG file: ") + png.message;
    png_image_free(&png);
    *image = RgbImage();
    return false;
  }
  png_image_free(&png);
  return true;
}

// Cursor over a PNM header: numbers separated by white space and comments.
class PnmCursor {
 public:
  PnmCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Position() const { return pos_; }

  void SkipSpaceAndComments() {
    while (pos_ < size_) {
      uint8_t c = data_[pos_];
      if (c == '#') {
        while (pos_ < size_ && data_[pos_] != '\n' && data_[pos_] != '\r') ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
        ++pos_;
      } else {
        return;
      }
    }
  }

  // Reads an unsigned decimal number; false if there is none or it exceeds max.
  bool Number(int64_t max, int64_t* value) {
    SkipSpaceAndComments();
    if (pos_ >= size_ || data_[pos_] < '0' || data_[pos_] > '9') return false;
    int64_t v = 0;
    while (pos_ < size_ && data_[pos_] >= '0' && data_[pos_] <= '9') {
      v = v * 10 + (data_[pos_] - '0');
      if (v > max) return false;
      ++pos_;
    }
    *value = v;
    return true;
  }

  // One bit of a P1 picture: the digits may stand without separators.
  bool Bit(int* bit) {
    SkipSpaceAndComments();
    if (pos_ >= size_ || (data_[pos_] != '0' && data_[pos_] != '1')) return false;
    *bit = data_[pos_++] - '0';
    return true;
  }

  // Binary rasters start after exactly one white-space byte.
  bool EndOfHeader() {
    if (pos_ >= size_) return false;
    uint8_t c = data_[pos_];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') return false;
    ++pos_;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

uint8_t Scale(int64_t sample, int64_t maxval) {
  return static_cast<uint8_t>((sample * 255 + maxval / 2) / maxval);
}

bool Truncated(RgbImage* image, std::string* error) {
  *error = "truncated or damaged PNM file (pixel data ends early or holds a non-number)";
  *image = RgbImage();
  return false;
}

}  // namespace

bool DecodePnm(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
               const ImageLimits& limits) {
  if (size < 2 || data[0] != 'P' || data[1] < '1' || data[1] > '6') {
    *error = "not a PNM file";
    return false;
  }
  const int kind = data[1] - '0';
  const bool bitmap = kind == 1 || kind == 4;
  const bool colour = kind == 3 || kind == 6;
  const bool ascii = kind <= 3;
  PnmCursor cur(data + 2, size - 2);
  int64_t width = 0, height = 0, maxval = 1;
  // Width and height are read up to a bound above every limit so that an
  // absurd number is reported as too large rather than as unreadable.
  constexpr int64_t kHeaderMax = int64_t{1} << 40;
  if (!cur.Number(kHeaderMax, &width) || !cur.Number(kHeaderMax, &height)) {
    *error = "damaged PNM header (width and height missing)";
    return false;
  }
  if (!CheckImageSize(width, height, limits, error)) return false;
  if (!bitmap) {
    if (!cur.Number(65535, &maxval) || maxval == 0) {
      *error = "damaged PNM header (maximum sample value missing or not 1 to 65535)";
      return false;
    }
  }
  if (!ascii && !cur.EndOfHeader()) {
    *error = "damaged PNM header (no separator before the pixel data)";
    return false;
  }

  const int channels = colour ? 3 : 1;
  const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
  const uint8_t* raster = data + 2 + cur.Position();
  const size_t available = size - 2 - cur.Position();
  size_t needed = 0;
  if (!ascii) {
    const size_t sample_bytes = maxval > 255 ? 2 : 1;
    needed = kind == 4 ? (w + 7) / 8 * h : w * h * channels * sample_bytes;
    if (available < needed) {
      *error = "truncated PNM file (" + std::to_string(needed) + " bytes of pixel data expected, " +
               std::to_string(available) + " found)";
      return false;
    }
  }

  image->Reset(static_cast<int32_t>(width), static_cast<int32_t>(height));
  uint8_t* out = image->pixels.data();
  for (size_t y = 0; y < h; ++y) {
    for (size_t x = 0; x < w; ++x) {
      int64_t s[3] = {0, 0, 0};
      for (int c = 0; c < channels; ++c) {
        if (kind == 1) {
          int bit = 0;
          if (!cur.Bit(&bit)) return Truncated(image, error);
          s[c] = bit;
        } else if (ascii) {
          if (!cur.Number(65535, &s[c])) return Truncated(image, error);
        } else if (kind == 4) {
          s[c] = (raster[y * ((w + 7) / 8) + x / 8] >> (7 - x % 8)) & 1;
        } else if (maxval > 255) {
          const uint8_t* p = raster + ((y * w + x) * channels + c) * 2;
          s[c] = (p[0] << 8) | p[1];
        } else {
          s[c] = raster[(y * w + x) * channels + c];
        }
        if (!bitmap && s[c] > maxval) {
          *error = "damaged PNM file (sample value " + std::to_string(s[c]) + " above the maximum " +
                   std::to_string(maxval) + ")";
          *image = RgbImage();
          return false;
        }
      }
      uint8_t* p = out + (y * w + x) * 3;
      if (bitmap) {
        // In PBM a set bit is black.
        p[0] = p[1] = p[2] = s[0] ? 0 : 255;
      } else if (colour) {
        p[0] = Scale(s[0], maxval);
        p[1] = Scale(s[1], maxval);
        p[2] = Scale(s[2], maxval);
      } else {
        p[0] = p[1] = p[2] = Scale(s[0], maxval);
      }
    }
  }
  return true;
}

bool DecodeImage(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
                 const ImageLimits& limits) {
  if (size == 0) {
    *error = "file is empty";
    return false;
  }
  if (size >= 8 && memcmp(data, kPngSignature, 8) == 0) return DecodePng(data, size, image, error, limits);
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
    return DecodeJpeg(data, size, image, error, limits);
  }
  if (size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '6') {
    return DecodePnm(data, size, image, error, limits);
  }
  *error = "not a PNG, JPEG or PNM image";
  return false;
}

}  // namespace imaging
