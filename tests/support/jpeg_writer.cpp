#include "tests/support/jpeg_writer.h"

#include <stdio.h>
#include <stdlib.h>

#include <jpeglib.h>

namespace testsupport {

std::vector<uint8_t> EncodeJpeg(const uint8_t* pixels, int width, int height, JpegKind kind,
                                int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  jpeg_mem_dest(&cinfo, &out, &out_size);
  const int components = kind == JpegKind::kGrey ? 1 : kind == JpegKind::kRgb ? 3 : 4;
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  // CMYK goes out as plain CMYK with the Adobe marker that says "inverted".
  if (components == 4) {
    jpeg_set_colorspace(&cinfo, JCS_CMYK);
    cinfo.write_Adobe_marker = TRUE;
  }
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + static_cast<size_t>(cinfo.next_scanline) * width *
                                                     components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> bytes(out, out + out_size);
  jpeg_destroy_compress(&cinfo);
  free(out);
  return bytes;
}

}  // namespace testsupport
