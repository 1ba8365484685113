// The print-quality benchmark's view of the picture path: a picture turned
// into its ink page exactly as `quillory2 encode` turns it (imaging's one
// entry, MakeLabelPage), written as plain netpbm files for the benchmark's
// printer model (bench/print_quality.py), together with the picture as it
// was placed on the same dots, so that both are compared cell by cell.
//
//   print_planes PICTURE PREFIX [--resolution 600|300] [--media Regular|Matte]
//                [--tone N] [--ink-limit N|off] [--ink-curves WORDS] [--classic] [--mono]
//
// writes PREFIX-dots.pgm (the planes one below the other, 255 = a dot of
// ink), PREFIX-ref.ppm (the placed picture on the printable ring, sRGB,
// white elsewhere) and PREFIX-mask.pgm (1 = printable ring, 2 = the picture, 3 =
// both).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "imaging/disc_layout.h"
#include "imaging/halftone.h"
#include "imaging/label.h"
#include "imaging/picture_file.h"
#include "page/job_options.h"

namespace {

bool WritePnm(const std::string& path, const char* magic, int32_t width, int32_t height,
              const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  fprintf(f, "%s\n%d %d\n255\n", magic, width, height);
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

int Usage() {
  fprintf(stderr, "usage: print_planes PICTURE PREFIX [--resolution 600|300] [--media Regular|Matte] "
                  "[--tone N] [--ink-limit N|off] [--ink-curves WORDS] [--classic] [--mono]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string picture_path = argv[1], prefix = argv[2];
  page::JobOptions options;
  imaging::LabelLayout layout;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    if (arg == "--resolution" && page::ParseResolution(value, &options.resolution)) {
      ++i;
    } else if (arg == "--media" && page::ParseMedia(value, &options.media)) {
      ++i;
    } else if (arg == "--tone" && i + 1 < argc) {
      layout.separation.tone = atoi(argv[++i]);
    } else if (arg == "--ink-limit" && i + 1 < argc) {
      ++i;
      layout.separation.ink_limit = strcmp(argv[i], "off") == 0 ? imaging::kNoInkLimit : atoi(argv[i]);
    } else if (arg == "--ink-curves" && i + 1 < argc) {
      std::string why;
      if (!imaging::ParseInkCurves(argv[++i], &layout.separation.curves, &why)) {
        fprintf(stderr, "print_planes: --ink-curves: %s\n", why.c_str());
        return 2;
      }
    } else if (arg == "--classic") {
      layout.rendering = imaging::Rendering::kClassic;
    } else if (arg == "--mono") {
      options.colour = page::ColourMode::kMonochrome;
    } else {
      return Usage();
    }
  }
  std::string error;
  if (!imaging::ValidateLayout(layout, &error)) {
    fprintf(stderr, "print_planes: %s\n", error.c_str());
    return 2;
  }
  imaging::RgbImage picture;
  if (!imaging::ReadPictureFile(picture_path, &picture, &error)) {
    fprintf(stderr, "print_planes: %s\n", error.c_str());
    return 1;
  }
  const page::InkPage ink = imaging::MakeLabelPage(picture, options, layout);

  // The dots, one byte each.
  const int32_t width = ink.width_dots, rows = ink.rows;
  std::vector<uint8_t> dots(static_cast<size_t>(width) * rows * ink.PlaneCount());
  for (int p = 0; p < ink.PlaneCount(); ++p)
    for (int32_t y = 0; y < rows; ++y)
      for (int32_t x = 0; x < width; ++x)
        dots[(static_cast<size_t>(p) * rows + y) * width + x] = ink.Dot(p, y, x) ? 255 : 0;

  // The picture on the same dots, placed as the page places it.
  const imaging::Placement place = imaging::PlaceImage(picture.width, picture.height, options.RowsPerInch());
  const std::vector<float> placed = imaging::Resample(picture, place.width, place.height);
  std::vector<uint8_t> ref(static_cast<size_t>(width) * rows * 3, 255);
  std::vector<uint8_t> mask(static_cast<size_t>(width) * rows, 0);
  const page::DiscMask ring(layout.ring, options.RowsPerInch());
  for (int32_t y = 0; y < rows; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y) * width + x;
      const int32_t ix = x - place.left, iy = y - place.top;
      const bool inside = ix >= 0 && iy >= 0 && ix < place.width && iy < place.height;
      // The ideal print: the picture where ink may land, paper white elsewhere.
      if (inside && ring.Printable(x, y)) {
        const float* p = &placed[(static_cast<size_t>(iy) * place.width + ix) * 3];
        for (int c = 0; c < 3; ++c) ref[at * 3 + c] = static_cast<uint8_t>(p[c] * 255 + 0.5f);
      }
      mask[at] = static_cast<uint8_t>((ring.Printable(x, y) ? 1 : 0) | (inside ? 2 : 0));
    }
  }
  if (!WritePnm(prefix + "-dots.pgm", "P5", width, rows * ink.PlaneCount(), dots) ||
      !WritePnm(prefix + "-ref.ppm", "P6", width, rows, ref) ||
      !WritePnm(prefix + "-mask.pgm", "P5", width, rows, mask)) {
    fprintf(stderr, "print_planes: cannot write %s-*\n", prefix.c_str());
    return 1;
  }
  return 0;
}
