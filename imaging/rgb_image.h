// An 8-bit RGB picture, the form every picture takes on its way to the disc:
// pictures read from PNG or PNM files, the example label, the print preview.
#ifndef QUILLORY2_IMAGING_RGB_IMAGE_H_
#define QUILLORY2_IMAGING_RGB_IMAGE_H_

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace imaging {

struct Rgb {
  uint8_t r = 255, g = 255, b = 255;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

struct RgbImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes, rows top to bottom

  RgbImage() = default;
  RgbImage(int32_t w, int32_t h, Rgb fill = Rgb{}) { Reset(w, h, fill); }

  void Reset(int32_t w, int32_t h, Rgb fill = Rgb{}) {
    width = w;
    height = h;
    pixels.resize(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < pixels.size(); i += 3) {
      pixels[i] = fill.r;
      pixels[i + 1] = fill.g;
      pixels[i + 2] = fill.b;
    }
  }
  bool Empty() const { return width <= 0 || height <= 0; }
  bool Contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  uint8_t* At(int32_t x, int32_t y) { return pixels.data() + (static_cast<size_t>(y) * width + x) * 3; }
  const uint8_t* At(int32_t x, int32_t y) const {
    return pixels.data() + (static_cast<size_t>(y) * width + x) * 3;
  }
  Rgb Get(int32_t x, int32_t y) const {
    const uint8_t* p = At(x, y);
    return Rgb{p[0], p[1], p[2]};
  }
  // Writes c at (x, y); points outside the picture are ignored.
  void Set(int32_t x, int32_t y, Rgb c) {
    if (!Contains(x, y)) return;
    uint8_t* p = At(x, y);
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  }
  void FillRect(int32_t x, int32_t y, int32_t w, int32_t h, Rgb c) {
    for (int32_t yy = y; yy < y + h; ++yy)
      for (int32_t xx = x; xx < x + w; ++xx) Set(xx, yy, c);
  }
};

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_RGB_IMAGE_H_
