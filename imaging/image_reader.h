// Reading the pictures a user hands over: PNG (through libpng), JPEG
// (through libjpeg) and the PNM family P1 to P6. Every reader checks the size the file claims before it
// allocates anything, so a damaged or hostile header costs nothing.
#ifndef QUILLORY2_IMAGING_IMAGE_READER_H_
#define QUILLORY2_IMAGING_IMAGE_READER_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "imaging/rgb_image.h"

namespace imaging {

struct ImageLimits {
  int64_t max_side = 20000;          // pixels, either direction
  int64_t max_pixels = 200000000;    // width * height
};

// Checks a claimed size against the limits; on refusal returns false and
// puts the reason (without a "quillory2:" prefix) into *error.
bool CheckImageSize(int64_t width, int64_t height, const ImageLimits& limits, std::string* error);

// Decodes a PNG, JPEG or PNM picture held in memory, told apart by its
// first bytes. Transparent pixels are laid
// over white, the colour of an unprinted disc; grey images become RGB.
// Returns false with a one-line reason in *error on anything it cannot read.
bool DecodeImage(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
                 const ImageLimits& limits = ImageLimits{});

// The JPEG part on its own: baseline and progressive, grey, colour and CMYK
// (Adobe's inverted CMYK included). A file that ends early is refused.
bool DecodeJpeg(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
                const ImageLimits& limits = ImageLimits{});

// The PNM part on its own (P1 to P6, comments, maxval up to 65535).
bool DecodePnm(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
               const ImageLimits& limits = ImageLimits{});

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_IMAGE_READER_H_
