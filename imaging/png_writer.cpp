#include "imaging/png_writer.h"

#include <png.h>
#include <string.h>

namespace imaging {

bool EncodePng(const RgbImage& image, std::vector<uint8_t>* bytes, std::string* error) {
  if (image.Empty()) {
    *error = "cannot write an empty picture";
    return false;
  }
  png_image png;
  memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  // First call sizes the output, the second fills it.
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, image.pixels.data(), 0, nullptr)) {
    *error = std::string("cannot encode PNG: ") + png.message;
    return false;
  }
  bytes->resize(size);
  if (!png_image_write_to_memory(&png, bytes->data(), &size, 0, image.pixels.data(), 0, nullptr)) {
    *error = std::string("cannot encode PNG: ") + png.message;
    bytes->clear();
    return false;
  }
  bytes->resize(size);
  return true;
}

}  // namespace imaging
