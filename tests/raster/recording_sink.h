// Runs the band encoder on a band given as Unidrv would describe it, and
// keeps every piece it writes, one entry per write.
#ifndef QUILLORY2_TESTS_RASTER_RECORDING_SINK_H_
#define QUILLORY2_TESTS_RASTER_RECORDING_SINK_H_

#include <stdint.h>

#include <vector>

#include "raster/band_encoder.h"

namespace testing_support {

struct RecordingSink : raster::ByteSink {
  std::vector<std::vector<uint8_t>> writes;
  void Write(const uint8_t* bytes, int32_t count) override {
    writes.emplace_back(bytes, bytes + count);
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> all;
    for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
    return all;
  }
};

// A band of `bits` laid out as Unidrv lays it out: size_image bytes over
// height scan lines give the stride.
inline raster::BandView View(const uint8_t* bits, int32_t width, int32_t height,
                             uint16_t bits_per_pixel, uint32_t size_image, bool landscape = false) {
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
inline RecordingSink Encode(const raster::BandView& band, int rows_per_inch = 600,
                            bool skip_centre = false) {
  raster::BandSettings settings;
  settings.row_step = rows_per_inch == 600 ? 1 : 2;
  settings.skip_centre = skip_centre;
  RecordingSink sink;
  raster::EncodeBand(band, settings, &sink);
  return sink;
}

}  // namespace testing_support

#endif  // QUILLORY2_TESTS_RASTER_RECORDING_SINK_H_
