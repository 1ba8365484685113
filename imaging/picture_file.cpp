#include "imaging/picture_file.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "files/read_file.h"
#include "imaging/image_reader.h"
#include "imaging/label.h"
#include "imaging/netpbm_reader.h"

namespace imaging {

namespace {

// Enough of the start of a file to tell every kind the readers take, and
// to hold a PNG's image header.
constexpr size_t kHeadBytes = 33;

std::string Named(const std::string& path, const std::string& why) {
  return files::InputName(path) + ": " + why;
}

bool ReadOpenPicture(FILE* file, const std::string& path, RgbImage* image, std::string* error,
                     const ImageLimits& limits) {
  uint8_t head[kHeadBytes];
  const size_t n = fread(head, 1, sizeof head, file);
  if (n < sizeof head && ferror(file)) {
    *error = Named(path, std::string("cannot read it: ") + strerror(errno));
    return false;
  }
  std::string why;
  bool ok;
  if (IsNetpbm(head, n)) {
    NetpbmReader reader(file, head, n);
    ok = ReadNetpbmImage(&reader, limits, image, &why);
  } else if (!IsPictureStart(head, n)) {
    ok = DecodeImage(head, n, image, &why, limits);  // says what the file is not
  } else {
    // A PNG is read whole, but only after its header, and no further than
    // the picture it claims can need: an endless stream ends early. A
    // JPEG's size lies after markers of any length, so it is read up to the
    // whole-file cap and its size checked before any row is allocated.
    uint64_t bound = files::kDefaultMaxBytes;
    if (!IsJpeg(head, n) && !CheckPngHeader(head, n, limits, &bound, error)) {
      *error = Named(path, *error);
      return false;
    }
    const size_t max_bytes = bound < files::kDefaultMaxBytes ? static_cast<size_t>(bound) : files::kDefaultMaxBytes;
    std::vector<uint8_t> bytes(head, head + n);
    if (!files::AppendRest(file, path, &bytes, error, max_bytes)) return false;
    ok = DecodeImage(bytes.data(), bytes.size(), image, &why, limits);
  }
  if (!ok) *error = Named(path, why);
  return ok;
}

}  // namespace

bool ReadPictureFile(const std::string& path, RgbImage* image, std::string* error,
                     const ImageLimits& limits) {
  *image = RgbImage();
  FILE* file = files::OpenInput(path, error);
  if (file == nullptr) return false;
  const bool ok = ReadOpenPicture(file, path, image, error, limits);
  files::CloseInput(file);
  if (!ok) *image = RgbImage();
  return ok;
}

// Beside the picture readers, so that the label path itself (label.cpp)
// needs no picture library: the CUPS filter links it alone.
bool MakeLabelPages(const uint8_t* data, size_t size, const page::JobOptions& options,
                    const LabelLayout& layout, std::vector<page::InkPage>* pages,
                    std::string* error, const ImageLimits& limits) {
  RgbImage picture;
  if (!DecodeImage(data, size, &picture, error, limits)) return false;
  pages->clear();
  pages->push_back(MakeLabelPage(picture, options, layout));
  return true;
}

}  // namespace imaging
