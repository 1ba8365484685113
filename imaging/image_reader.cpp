#include "imaging/image_reader.h"

#include <png.h>
#include <string.h>

#include <memory>

#include "imaging/netpbm_reader.h"

namespace imaging {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Deflate packs at most 1032 bytes into one: two one-bit codes for a match
// of 258 bytes. So image data that cannot hold the picture the header
// claims is found before anything is allocated for its pixels.
constexpr uint64_t kDeflateBestRatio = 1032;

// Bytes of one PNG row before compression: a filter byte and the samples.
uint64_t PngRowBytes(uint64_t width, uint8_t bit_depth, uint8_t colour_type) {
  const int channels[7] = {1, 0, 3, 1, 2, 0, 4};
  const int n = colour_type < 7 ? channels[colour_type] : 1;
  return 1 + (width * n * bit_depth + 7) / 8;
}

// The bytes of image data (IDAT) that the chunks after the header hold;
// false when a chunk claims to run past the end of the file.
bool ImageDataBytes(const uint8_t* data, size_t size, uint64_t* idat) {
  *idat = 0;
  size_t pos = 8;
  while (size - pos >= 12) {
    const uint32_t length = BigEndian32(data + pos);
    if (length > size - pos - 12) return false;
    if (memcmp(data + pos + 4, "IDAT", 4) == 0) *idat += length;
    if (memcmp(data + pos + 4, "IEND", 4) == 0) return true;
    pos += 12 + length;
  }
  return false;
}

// A palette picture is read as its colour indices and the palette, so that
// an index beyond the palette is refused instead of printing as black; the
// indices are then turned into colours in place, from the end.
bool FinishPalettePng(png_image* png, RgbImage* image, std::string* error) {
  uint8_t colours[256 * 3];
  png->format = PNG_FORMAT_RGB_COLORMAP;
  png_color white = {255, 255, 255};
  if (!png_image_finish_read(png, &white, image->pixels.data(), 0, colours)) {
    *error = std::string("cannot read PNG file: ") + png->message;
    return false;
  }
  const size_t count = static_cast<size_t>(image->width) * image->height;
  uint8_t* p = image->pixels.data();
  for (size_t i = 0; i < count; ++i) {
    if (p[i] >= png->colormap_entries) {
      *error = "damaged PNG file (the pixel at " + std::to_string(i % image->width) + ", " +
               std::to_string(i / image->width) + " is colour " + std::to_string(p[i]) +
               " of a palette of " + std::to_string(png->colormap_entries) + ")";
      return false;
    }
  }
  for (size_t i = count; i-- > 0;) memmove(p + 3 * i, colours + 3 * p[i], 3);
  return true;
}

}  // namespace

bool CheckPngHeader(const uint8_t* data, size_t size, const ImageLimits& limits, uint64_t* file_bound,
                    std::string* error) {
  // The first chunk must be the 13-byte image header; the size it claims is
  // checked here so that libpng never sets out to allocate for a size we
  // would refuse anyway.
  if (size < 33 || memcmp(data, kPngSignature, 8) != 0 || memcmp(data + 12, "IHDR", 4) != 0) {
    *error = "truncated or damaged PNG file (no image header)";
    return false;
  }
  if (BigEndian32(data + 8) != 13) {
    *error = "damaged PNG file (its image header is " + std::to_string(BigEndian32(data + 8)) +
             " bytes long instead of 13)";
    return false;
  }
  const uint32_t width = BigEndian32(data + 16), height = BigEndian32(data + 20);
  if (!CheckImageSize(width, height, limits, error)) return false;
  // Stored deflate blocks and small chunks add far less than the data itself.
  *file_bound = 2 * PngRowBytes(width, data[24], data[25]) * height + (uint64_t{64} << 20);
  return true;
}

namespace {

bool DecodePng(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
               const ImageLimits& limits) {
  uint64_t bound = 0;
  if (!CheckPngHeader(data, size, limits, &bound, error)) return false;
  const uint32_t width = BigEndian32(data + 16), height = BigEndian32(data + 20);
  uint64_t idat = 0;
  const uint64_t raw = PngRowBytes(width, data[24], data[25]) * height;
  if (!ImageDataBytes(data, size, &idat) || idat < raw / kDeflateBestRatio) {
    *error = "truncated or damaged PNG file (" + std::to_string(idat) + " bytes of image data for " +
             std::to_string(width) + " x " + std::to_string(height) + " pixels" +
             (idat < raw / kDeflateBestRatio ? ", too few to hold them)" : ", and no image end)");
    return false;
  }

  png_image png;
  memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, data, size)) {
    *error = std::string("cannot read PNG file: ") + png.message;
    return false;
  }
  image->Reset(static_cast<int32_t>(png.width), static_cast<int32_t>(png.height));
  bool ok;
  if ((png.format & PNG_FORMAT_FLAG_COLORMAP) != 0) {
    ok = FinishPalettePng(&png, image, error);
  } else {
    png.format = PNG_FORMAT_RGB;
    png_color white = {255, 255, 255};
    ok = png_image_finish_read(&png, &white, image->pixels.data(), 0, nullptr) != 0;
    if (!ok) *error = std::string("cannot read PNG file: ") + png.message;
  }
  png_image_free(&png);
  if (!ok) *image = RgbImage();
  return ok;
}

}  // namespace

bool DecodePnm(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
               const ImageLimits& limits) {
  NetpbmReader reader(data, size);
  return ReadNetpbmImage(&reader, limits, image, error);
}

bool IsJpeg(const uint8_t* data, size_t size) {
  return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool IsPictureStart(const uint8_t* data, size_t size) {
  return (size >= 8 && memcmp(data, kPngSignature, 8) == 0) || IsJpeg(data, size) ||
         IsNetpbm(data, size);
}

bool DecodeImage(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
                 const ImageLimits& limits) {
  if (size == 0) {
    *error = "file is empty";
    return false;
  }
  // A PNG signature cut short is a truncated PNG, not some other file.
  if (size < 8 && memcmp(data, kPngSignature, size) == 0) {
    *error = "truncated PNG file (" + std::to_string(size) + " bytes)";
    return false;
  }
  if (size >= 8 && memcmp(data, kPngSignature, 8) == 0) return DecodePng(data, size, image, error, limits);
  if (IsJpeg(data, size)) return DecodeJpeg(data, size, image, error, limits);
  if (IsNetpbm(data, size)) return DecodePnm(data, size, image, error, limits);
  *error = "not a PNG, JPEG or PNM image";
  return false;
}

}  // namespace imaging
