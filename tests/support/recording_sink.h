// A byte sink that keeps what the band encoder writes: all bytes in order
// and the size of every write. Tests, fuzz targets and benchmarks share it.
// Also the encoder's band view as Unidrv describes a band, and a one-call
// encode, for the encoder's own tests.
#ifndef QUILLORY2_TESTS_SUPPORT_RECORDING_SINK_H_
#define QUILLORY2_TESTS_SUPPORT_RECORDING_SINK_H_

#include <stdint.h>

#include <vector>

#include "geometry/printer_geometry.h"
#include "raster/band_encoder.h"

namespace testsupport {

struct RecordingSink : raster::ByteSink {
  std::vector<uint8_t> bytes;  // every write, one after another
  std::vector<size_t> sizes;   // the size of each write
  void Write(const uint8_t* data, int32_t count) override {
    bytes.insert(bytes.end(), data, data + count);
    sizes.push_back(static_cast<size_t>(count));
  }
  // Each write on its own.
  std::vector<std::vector<uint8_t>> Writes() const {
    std::vector<std::vector<uint8_t>> writes;
    size_t at = 0;
    for (size_t n : sizes) {
      writes.emplace_back(bytes.begin() + at, bytes.begin() + at + n);
      at += n;
    }
    return writes;
  }
};

// A band of `bits` laid out as Unidrv lays it out: size_image bytes over
// height scan lines give the stride.
inline raster::BandView View(const uint8_t* bits, int32_t width, int32_t height, uint16_t bits_per_pixel,
                             uint32_t size_image, bool landscape = false) {
  raster::BandView band;
  band.bits = bits;
  band.width = width;
  band.height = height;
  band.stride = height > 0 ? static_cast<uint16_t>(size_image / static_cast<uint32_t>(height)) : 0;
  band.bits_per_pixel = bits_per_pixel;
  band.landscape = landscape;
  return band;
}
inline raster::BandView View(const std::vector<uint8_t>& bits, int32_t width, int32_t height,
                             uint16_t bits_per_pixel, uint32_t size_image, bool landscape = false) {
  return View(bits.data(), width, height, bits_per_pixel, size_image, landscape);
}

// Encodes the band at rows_per_inch, with or without the centre band.
inline RecordingSink Encode(const raster::BandView& band, int rows_per_inch = 600, bool skip_centre = false) {
  raster::BandSettings settings;
  settings.row_step = geometry::RowStep(rows_per_inch);
  settings.skip_centre = skip_centre;
  RecordingSink sink;
  raster::EncodeBand(band, settings, &sink);
  return sink;
}

}  // namespace testsupport

#endif  // QUILLORY2_TESTS_SUPPORT_RECORDING_SINK_H_
