#include "imaging/image_limits.h"

namespace imaging {

std::string TooLargeMessage(const std::string& size_text, const ImageLimits& limits) {
  return "image is too large (" + size_text + "; at most " + std::to_string(limits.max_side) +
         " pixels a side and " + std::to_string(limits.max_pixels / 1000000) + " megapixels)";
}

bool CheckImageSize(int64_t width, int64_t height, const ImageLimits& limits, std::string* error) {
  if (width <= 0 || height <= 0) {
    *error = "image is empty (" + std::to_string(width) + " x " + std::to_string(height) + " pixels)";
    return false;
  }
  // Each side is checked before the product, which cannot overflow then.
  if (width > limits.max_side || height > limits.max_side || width * height > limits.max_pixels) {
    *error = TooLargeMessage(std::to_string(width) + " x " + std::to_string(height) + " pixels", limits);
    return false;
  }
  return true;
}

}  // namespace imaging
