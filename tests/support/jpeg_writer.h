// JPEG files for the tests of the picture readers and of the front ends that
// take JPEG: written through libjpeg from plain 8-bit pixels.
#ifndef QUILLORY2_TESTS_SUPPORT_JPEG_WRITER_H_
#define QUILLORY2_TESTS_SUPPORT_JPEG_WRITER_H_

#include <stdint.h>

#include <vector>

namespace testsupport {

enum class JpegKind { kGrey, kRgb, kAdobeCmyk };

// A JPEG of width x height pixels. pixels holds 1 (grey), 3 (RGB) or 4
// (CMYK, stored inverted as Adobe's programs do) bytes per pixel, rows top
// to bottom.
std::vector<uint8_t> EncodeJpeg(const uint8_t* pixels, int width, int height, JpegKind kind,
                                int quality = 95);

}  // namespace testsupport

#endif  // QUILLORY2_TESTS_SUPPORT_JPEG_WRITER_H_
