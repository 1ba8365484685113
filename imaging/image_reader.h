// Reading the pictures a user hands over: PNG (through libpng), JPEG
// (through libjpeg) and the PNM family P1 to P6. Every reader checks the size the file claims before it
// allocates anything, so a damaged or hostile header costs nothing.
#ifndef QUILLORY2_IMAGING_IMAGE_READER_H_
#define QUILLORY2_IMAGING_IMAGE_READER_H_

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "imaging/image_limits.h"
#include "imaging/rgb_image.h"

namespace imaging {

// Whether the first bytes of a file begin a picture of a kind DecodeImage
// reads (PNG: its 8-byte signature; PNM: "P1" to "P6").
bool IsPictureStart(const uint8_t* data, size_t size);
// True when the bytes start as a JPEG file does (start-of-image, a marker).
bool IsJpeg(const uint8_t* data, size_t size);

// Checks the start of a PNG file (its first 33 bytes hold the image
// header) and the size it claims. On success *file_bound is the most bytes
// the file can take to hold that picture: image data barely compressed,
// and 64 MiB of other chunks. False with a one-line reason.
bool CheckPngHeader(const uint8_t* data, size_t size, const ImageLimits& limits, uint64_t* file_bound,
                    std::string* error);

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
