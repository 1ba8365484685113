// JPEG pictures through libjpeg. The size in the frame header is checked
// against the limits, and against what the file can hold, before the
// decoder allocates anything for the pixels (a progressive file's whole-image
// coefficients included); a file that ends early or whose data stops short
// is refused instead of being printed with its missing part grey. The EXIF
// orientation (read with libexif) turns the picture upright, as a camera or
// phone that wrote it meant.
#include <jerror.h>
#include <libexif/exif-data.h>
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
  char damage[JMSG_LENGTH_MAX];  // the first warning about missing or broken data
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
  JpegErrors* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  longjmp(errors->jump, 1);
}

// Warnings are not printed; a file that stops before its last row, or whose
// data stops short of its next marker ("premature end of data segment", as
// in a file cut and closed with an end marker), is noted, since libjpeg
// would otherwise fill the rest with grey and carry on.
extern "C" void OnJpegMessage(j_common_ptr cinfo, int level) {
  JpegErrors* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  if (level >= 0) return;
  const int code = cinfo->err->msg_code;
  if (code == JWRN_JPEG_EOF) errors->ended_early = true;
  if ((code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC || code == JWRN_HUFF_BAD_CODE) &&
      errors->damage[0] == '\0') {
    (*cinfo->err->format_message)(cinfo, errors->damage);
  }
}

// Every 8 x 8 block of every scan costs at least one bit of a Huffman-coded
// file, so a file of n bytes holds at most 512 n pixels. (An arithmetic-coded
// one could claim more; a real picture does not come near.)
constexpr uint64_t kMaxPixelsPerByte = 512;

// The EXIF orientation (1 to 8) in the file's APP1 marker, 1 when none.
int ExifOrientation(const jpeg_decompress_struct& cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker != JPEG_APP0 + 1 || m->data_length < 6 || memcmp(m->data, "Exif\0\0", 6) != 0) continue;
    ExifData* exif = exif_data_new_from_data(m->data, m->data_length);
    if (exif == nullptr) return 1;
    int orientation = 1;
    if (ExifEntry* entry = exif_data_get_entry(exif, EXIF_TAG_ORIENTATION)) {
      if (entry->format == EXIF_FORMAT_SHORT && entry->components == 1) {
        orientation = exif_get_short(entry->data, exif_data_get_byte_order(exif));
      }
    }
    exif_data_unref(exif);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
  }
  return 1;
}

// Turns the picture as its EXIF orientation says: 2 mirrored, 3 upside
// down, 4 mirrored upside down, 5 to 8 the same on their side (6: turn a
// quarter clockwise, 8: a quarter anticlockwise).
void Orient(int orientation, RgbImage* image) {
  if (orientation <= 1) return;
  const int32_t w = image->width, h = image->height;
  const bool sideways = orientation >= 5;
  RgbImage out(sideways ? h : w, sideways ? w : h);
  for (int32_t y = 0; y < out.height; ++y) {
    for (int32_t x = 0; x < out.width; ++x) {
      int32_t sx = x, sy = y;
      switch (orientation) {
        case 2: sx = w - 1 - x; break;
        case 3: sx = w - 1 - x; sy = h - 1 - y; break;
        case 4: sy = h - 1 - y; break;
        case 5: sx = y; sy = x; break;
        case 6: sx = y; sy = h - 1 - x; break;
        case 7: sx = w - 1 - y; sy = h - 1 - x; break;
        case 8: sx = w - 1 - y; sy = x; break;
      }
      memcpy(out.At(x, y), image->At(sx, sy), 3);
    }
  }
  *image = std::move(out);
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
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xffff);
  jpeg_read_header(&cinfo, TRUE);
  if (!CheckImageSize(cinfo.image_width, cinfo.image_height, limits, error)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (uint64_t{cinfo.image_width} * cinfo.image_height > kMaxPixelsPerByte * size) {
    *error = "damaged JPEG file (its header claims " + std::to_string(cinfo.image_width) + " x " +
             std::to_string(cinfo.image_height) + " pixels, more than " + std::to_string(size) +
             " bytes can hold)";
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const int orientation = ExifOrientation(cinfo);
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
  if (errors.damage[0] != '\0') {
    *error = std::string("truncated or damaged JPEG file (") + errors.damage + ")";
    *image = RgbImage();
    return false;
  }
  Orient(orientation, image);
  return true;
}

}  // namespace imaging
