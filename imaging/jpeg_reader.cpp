// JPEG pictures through libjpeg. The size in the frame header is checked
// against the limits before a single row is allocated, and a file that ends
// early is refused instead of being printed with its missing part grey.
#include <jerror.h>
#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include <jpeglib.h>

#include "imaging/image_reader.h"

namespace imaging {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the reader with the library's message. Only plain data
// lives between the jump and its target.
struct JpegErrors {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool ended_early;
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
  JpegErrors* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  longjmp(errors->jump, 1);
}

// Warnings are not printed; a file that stops before its last row is noted,
// since libjpeg would otherwise fill the rest with grey and carry on.
extern "C" void OnJpegMessage(j_common_ptr cinfo, int level) {
  JpegErrors* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) errors->ended_early = true;
}

uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, RgbImage* image, std::string* error,
                const ImageLimits& limits) {
  jpeg_decompress_struct cinfo;
  JpegErrors errors;
  memset(&errors, 0, sizeof errors);
  cinfo.err = jpeg_std_error(&errors.mgr);
  errors.mgr.error_exit = OnJpegError;
  errors.mgr.emit_message = OnJpegMessage;
  // Kept outside the jump's reach: filled only after setjmp returned 0.
  std::vector<uint8_t> row;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    *error = std::string("truncated or damaged JPEG file (") + errors.message + ")";
    *image = RgbImage();
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (!CheckImageSize(cinfo.image_width, cinfo.image_height, limits, error)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  // Four-component files (CMYK, and YCCK which libjpeg turns into CMYK)
  // come out as CMYK; everything else as RGB, grey included.
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const int32_t width = static_cast<int32_t>(cinfo.output_width);
  image->Reset(width, static_cast<int32_t>(cinfo.output_height));
  row.resize(static_cast<size_t>(width) * cinfo.output_components);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int32_t y = static_cast<int32_t>(cinfo.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;
    uint8_t* out = image->At(0, y);
    if (!cmyk) {
      memcpy(out, row.data(), static_cast<size_t>(width) * 3);
      continue;
    }
    // Photoshop writes CMYK JPEGs inverted (Adobe marker), so a stored
    // value is the amount of paper left; multiply it out with black.
    const bool inverted = cinfo.saw_Adobe_marker;
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = row.data() + static_cast<size_t>(x) * 4;
      int c = p[0], m = p[1], ye = p[2], k = p[3];
      if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        ye = 255 - ye;
        k = 255 - k;
      }
      out[3 * x] = Clamp(c * k / 255);
      out[3 * x + 1] = Clamp(m * k / 255);
      out[3 * x + 2] = Clamp(ye * k / 255);
    }
  }
  if (!errors.ended_early) jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (errors.ended_early) {
    *error = "truncated JPEG file (the picture data ends before its last row)";
    *image = RgbImage();
    return false;
  }
  return true;
}

}  // namespace imaging
