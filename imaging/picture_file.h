// Reading a picture file (or standard input) as the command-line tool
// takes it. Its kind is told from its first bytes, so that anything else
// (a text, /dev/zero) is refused at once; a netpbm picture is read a row at a
// time, the others whole and then decoded from memory.
#ifndef QUILLORY2_IMAGING_PICTURE_FILE_H_
#define QUILLORY2_IMAGING_PICTURE_FILE_H_

#include <string>

#include "imaging/image_limits.h"
#include "imaging/rgb_image.h"

namespace imaging {

// Reads the picture at path ("-": standard input). False with a one-line
// reason that names the file in *error, and *image empty.
bool ReadPictureFile(const std::string& path, RgbImage* image, std::string* error,
                     const ImageLimits& limits = ImageLimits{});

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_PICTURE_FILE_H_
