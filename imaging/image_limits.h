// The largest picture the programs take: every reader checks the size a
// file claims against these before it allocates anything for the pixels.
#ifndef QUILLORY2_IMAGING_IMAGE_LIMITS_H_
#define QUILLORY2_IMAGING_IMAGE_LIMITS_H_

#include <stdint.h>

#include <string>

namespace imaging {

struct ImageLimits {
  int64_t max_side = 20000;          // pixels, either direction
  int64_t max_pixels = 200000000;    // width * height
};

// Checks a claimed size against the limits; on refusal returns false and
// puts the reason (without a program prefix) into *error.
bool CheckImageSize(int64_t width, int64_t height, const ImageLimits& limits, std::string* error);

// The words of a refusal for a size too large to be stated as a number:
// "image is too large (a width of 26 digits; at most ...)".
std::string TooLargeMessage(const std::string& size_text, const ImageLimits& limits);

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_IMAGE_LIMITS_H_
