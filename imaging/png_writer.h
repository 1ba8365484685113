// PNG output of the preview and of the example label.
#ifndef QUILLORY2_IMAGING_PNG_WRITER_H_
#define QUILLORY2_IMAGING_PNG_WRITER_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "imaging/rgb_image.h"

namespace imaging {

// Encodes image as an 8-bit RGB PNG into *bytes. False with a reason in
// *error if libpng refuses (an empty image, or no memory).
bool EncodePng(const RgbImage& image, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_PNG_WRITER_H_
