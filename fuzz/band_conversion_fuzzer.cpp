// Fuzzes the band encoder with arbitrary band shapes, band bytes, page
// settings and disc type keywords (read with the plug-in's keyword rule).
//
// The band lives in a heap buffer of exactly the bytes its stride and height
// give, while width and height may claim far more pixels than that, so any
// read past the band is seen by AddressSanitizer. Where every dot fits the
// printer line, the output must decode without a problem into exactly the
// band's ink. Every instruction set this processor runs must give the same
// lines and the same stream as the scalar code, and its row packer the same
// packed rows as ComputeRLE, on rows cut from the input and on halftone-like rows
// made from it.
#include <stdint.h>
#include <string.h>

#include <vector>

#include "fuzz/fuzz_input.h"
#include "oemdll/image_processing.h"
#include "raster/band_encoder.h"
#include "raster/command_stream.h"
#include "raster/cpu_features.h"
#include "raster/plane_extraction.h"
#include "raster/row_packer.h"
#include "stream/decoder.h"
#include "tests/support/recording_sink.h"

namespace {

struct Band {
  const uint8_t* bits;
  int32_t width, height;
  uint16_t stride, bit_count;

  // Ink of pixel (x, y) on the plane of pixel bit `bit`; pixels beyond the
  // stride are not in the band and count as white.
  bool Ink(int32_t x, int32_t y, int bit) const {
    const uint8_t* scan = bits + static_cast<size_t>(y) * stride;
    if (bit_count == 1) {
      if (x / 8 >= stride) return false;
      return !((scan[x / 8] >> (7 - x % 8)) & 1);
    }
    if (x / 2 >= stride) return false;
    const int nibble = (x & 1) ? (scan[x / 2] & 0x0F) : (scan[x / 2] >> 4);
    return !((nibble >> bit) & 1);
  }
};

// Every line and block of lines, and the whole stream, through every
// supported instruction set, against the scalar code.
void CompareExtractionPaths(const raster::BandView& view, const raster::BandSettings& settings,
                            const std::vector<uint8_t>& scalar_stream) {
  using raster::Isa;
  const int passes = view.bits_per_pixel == 1 ? 1 : 3;
  const int32_t lines = view.landscape ? view.width : view.height;
  for (int i = 1; i < raster::kIsaCount; ++i) {
    const Isa isa = static_cast<Isa>(i);
    if (!raster::IsaSupported(isa)) break;
    testsupport::RecordingSink recorder;
    raster::EncodeBand(view, settings, &recorder, isa);
    FUZZ_CHECK(recorder.bytes == scalar_stream);
    if (view.bits == nullptr || lines <= 0) continue;
    // A bounded number of lines keeps huge claimed bands quick.
    const int32_t checked = lines < 256 ? lines : 256;
    for (int plane = 0; plane < passes; ++plane) {
      for (int32_t j = 0; j < checked; ++j) {
        uint8_t expected[raster::kLineBufferBytes], got[raster::kLineBufferBytes];
        if (!view.landscape) {
          const int32_t n = raster::ExtractPlaneLine(j, view.bits, plane, 0, view.width, view.height,
                                                     view.stride, view.bits_per_pixel, expected);
          FUZZ_CHECK(raster::ExtractPlaneLine(j, view.bits, plane, 0, view.width, view.height,
                                              view.stride, view.bits_per_pixel, got, isa) == n);
          FUZZ_CHECK(memcmp(expected, got, static_cast<size_t>(n)) == 0);
          FUZZ_CHECK(raster::PortraitLineBlank(j, view.bits, plane, view.width, view.height, view.stride,
                                               view.bits_per_pixel) ==
                     raster::PortraitLineBlank(j, view.bits, plane, view.width, view.height, view.stride,
                                               view.bits_per_pixel, isa));
        } else if (j % raster::kLandscapeBlockLines == 0) {
          uint8_t want[raster::kLandscapeBlockLines][raster::kLineBufferBytes];
          uint8_t have[raster::kLandscapeBlockLines][raster::kLineBufferBytes];
          const int32_t count = lines - j < raster::kLandscapeBlockLines ? lines - j : raster::kLandscapeBlockLines;
          const int32_t n = raster::ExtractLandscapeLines(j, count, view.bits, plane, view.width, view.height,
                                                          view.stride, view.bits_per_pixel, want);
          FUZZ_CHECK(raster::ExtractLandscapeLines(j, count, view.bits, plane, view.width, view.height,
                                                   view.stride, view.bits_per_pixel, have, isa) == n);
          for (int32_t c = 0; c < count; ++c) FUZZ_CHECK(memcmp(want[c], have[c], static_cast<size_t>(n)) == 0);
        }
      }
    }
  }
}

// One row through ComputeRLE and every supported vector packer, each into a
// buffer of exactly the bound (ASan sees a write past it), the row itself in
// a buffer of exactly n bytes.
void ComparePackers(const std::vector<uint8_t>& row, int32_t lead, int32_t limit) {
  const int32_t n = static_cast<int32_t>(row.size());
  std::vector<uint8_t> want(static_cast<size_t>(raster::RleBound(lead, n)));
  const int want_size = raster::ComputeRLE(row.data(), lead, n, want.data(), limit);
  for (int i = 1; i < raster::kIsaCount; ++i) {
    const raster::Isa isa = static_cast<raster::Isa>(i);
    if (!raster::IsaSupported(isa)) break;
    std::vector<uint8_t> got(want.size());
    const int got_size = raster::ComputeRLE(row.data(), lead, n, got.data(), limit, isa);
    FUZZ_CHECK((got_size > limit) == (want_size > limit));
    if (want_size > limit) continue;
    FUZZ_CHECK(got_size == want_size);
    FUZZ_CHECK(memcmp(got.data(), want.data(), static_cast<size_t>(want_size)) == 0);
  }
}

// Rows from the input bytes: as they are, and as runs of one to four bytes
// of a few values, the way a halftone's rows look; leads and limits around
// the band encoder's.
void ComparePackersOn(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 3) return;
  size_t at = 0;
  auto next = [&] { return bytes[at++ % bytes.size()]; };
  for (int round = 0; round < 6; ++round) {
    const uint8_t pick = next();
    const int32_t lead = (pick & 0x80) ? next() : 7 + next() % 200;
    const int32_t n = 1 + static_cast<int32_t>(next() % 255);
    std::vector<uint8_t> row(static_cast<size_t>(n));
    if (pick & 1) {
      for (auto& b : row) b = next();
    } else {
      static const uint8_t kValues[4] = {0x00, 0xFF, 0x55, 0x88};
      for (int32_t i = 0; i < n;) {
        const uint8_t b = next();
        const uint8_t value = (b & 0x30) == 0x30 ? next() : kValues[(b >> 4) & 3];
        for (int k = 0; k <= (b & 3) && i < n; ++k) row[static_cast<size_t>(i++)] = value;
      }
    }
    const int32_t limit = (pick & 2) ? n : (pick & 4) ? INT32_MAX : next() % (2 * n + 8);
    ComparePackers(row, lead, limit);
  }
}

constexpr int kMarginDots = 7 * 8;
constexpr int kLineBufferDots = 200 * 8;
constexpr uint32_t kMaxBandBytes = 1 << 15;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  // Mostly bands of a sensible size, sometimes any value at all; the size of
  // the band's bytes stands for Unidrv's biSizeImage.
  const uint8_t shape = in.Byte();
  const int32_t width = (shape & 1) ? in.I32() : static_cast<int32_t>(in.U16() % 2000);
  const int32_t height = (shape & 2) ? in.I32() : static_cast<int32_t>(in.U16() % 2000);
  const uint16_t bit_count = (shape & 4) ? in.U16() : ((shape & 8) ? 1 : 4);
  const uint32_t size_image = in.U32() % (kMaxBandBytes + 1);
  const uint8_t resolution = in.Byte();
  // Any orientation but landscape reads as portrait.
  const bool landscape = (shape & 16) || in.Byte() % 4 == 2;
  const int rows_per_inch = resolution < 128 ? 600 : (resolution < 250 ? 300 : resolution);

  // The disc type keyword as Unidrv would answer it, and whether it did.
  const uint8_t disc = in.Byte();
  const bool setting_ok = !(disc & 0x80);
  std::vector<char> keyword(200, '\0');
  if (disc & 0x40) {
    const std::vector<uint8_t> bytes = in.Bytes(in.Length(keyword.size()));
    for (size_t i = 0; i < bytes.size(); ++i) keyword[i] = static_cast<char>(bytes[i]);
  } else {
    memcpy(keyword.data(), (disc & 1) ? "DISC_D" : "DISC_S", 6);
  }
  const bool skip = setting_ok && oemdll::DiscTypeSkipsCentre(keyword.data(), 200);

  // The band: exactly size_image bytes on the heap, filled from the input.
  const std::vector<uint8_t> rest = in.Rest();
  std::vector<uint8_t> band(size_image);
  for (size_t i = 0; i < band.size(); ++i) band[i] = rest.empty() ? 0xFF : rest[i % rest.size()];

  raster::BandView view;
  view.bits = band.empty() ? nullptr : band.data();
  view.width = width;
  view.height = height;
  view.stride = height > 0 ? static_cast<uint16_t>(size_image / static_cast<uint32_t>(height)) : 0;
  view.bits_per_pixel = bit_count;
  view.landscape = landscape;
  raster::BandSettings settings;
  settings.row_step = rows_per_inch == 600 ? 1 : 2;
  settings.skip_centre = skip;
  testsupport::RecordingSink recorder;
  raster::EncodeBand(view, settings, &recorder, raster::Isa::kScalar);
  FUZZ_CHECK(recorder.bytes.size() <= raster::EncodedBandBound(view));
  CompareExtractionPaths(view, settings, recorder.bytes);
  ComparePackersOn(rest);
  const uint8_t* bits = view.bits;

  // Read the output back as the printer would.
  const int step = settings.row_step;
  stream::DecodeOptions options;
  options.row_step = step;
  const stream::DecodedStream decoded =
      stream::Decode(recorder.bytes.data(), recorder.bytes.size(), options);
  const int passes = bit_count == 1 ? 1 : 3;
  FUZZ_CHECK(decoded.planes.size() == static_cast<size_t>(passes));

  if (bits == nullptr || width <= 0 || height <= 0) {
    FUZZ_CHECK(decoded.Clean());
    for (const auto& plane : decoded.planes) FUZZ_CHECK(plane.rows.empty());
    return 0;
  }
  const Band b{bits, width, height, view.stride, static_cast<uint16_t>(bit_count == 1 ? 1 : 4)};
  // In landscape the columns beyond the stride are not in the band.
  const int64_t columns_in_stride = static_cast<int64_t>(b.stride) * (b.bit_count == 1 ? 8 : 2);
  const int32_t lines = b.stride == 0 ? 0
                        : !landscape ? height
                        : (width < columns_in_stride ? width : static_cast<int32_t>(columns_in_stride));
  const int32_t dots = landscape ? (height < kLineBufferDots ? height : kLineBufferDots)
                       : b.bit_count == 1 ? (b.stride < 200 ? b.stride * 8 : kLineBufferDots)
                                          : (width < kLineBufferDots ? width : kLineBufferDots);
  static const int kPassBit[3] = {2, 1, 0};

  // Dots beyond these lie outside the band's bytes and must stay white.
  const int32_t band_dots =
      landscape ? dots : (b.bit_count == 1 ? b.stride * 8 : b.stride * 2);
  const int32_t inked_dots = dots < band_dots ? dots : band_dots;

  // The printer row each line should become; where a dot lies beyond the
  // printer line the stream may (and should) carry problems instead.
  std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(passes) * lines);
  bool fits = true;
  for (int p = 0; p < passes; ++p) {
    for (int32_t j = 0; j < lines; ++j) {
      std::vector<uint8_t> row(stream::kLineBytes, 0);
      bool any = false;
      for (int32_t k = 0; k < inked_dots; ++k) {
        const bool ink = landscape ? b.Ink(j, height - 1 - k, kPassBit[p]) : b.Ink(k, j, kPassBit[p]);
        if (!ink) continue;
        any = true;
        const int32_t dot = kMarginDots + k;
        if (dot >= stream::kLineDots) {
          fits = false;
          break;
        }
        row[static_cast<size_t>(dot / 8)] |= static_cast<uint8_t>(0x80 >> (dot % 8));
      }
      if (any) rows[static_cast<size_t>(p) * lines + j] = std::move(row);
    }
  }
  if (!fits) return 0;

  // A band taller than the page sends rows the printer refuses: they are
  // reported and not placed.
  bool below_page = false;
  for (int p = 0; p < passes; ++p) {
    const stream::Plane& plane = decoded.planes[static_cast<size_t>(p)];
    size_t rows_expected = 0;
    for (int32_t j = 0; j < lines; ++j) {
      const int64_t y = static_cast<int64_t>(j) * step;
      const auto row = y <= stream::LastPageRow(step) ? plane.rows.find(static_cast<int32_t>(y)) : plane.rows.end();
      const std::vector<uint8_t>& expected = rows[static_cast<size_t>(p) * lines + j];
      // Skipped rows and blank lines send nothing, not even a position.
      if ((skip && y >= 896 && y <= 1936) || expected.empty()) {
        FUZZ_CHECK(row == plane.rows.end());
        continue;
      }
      if (y > stream::LastPageRow(step)) {
        below_page = true;
        continue;
      }
      FUZZ_CHECK(row != plane.rows.end());
      FUZZ_CHECK(row->second == expected);
      ++rows_expected;
    }
    FUZZ_CHECK(plane.rows.size() == rows_expected);
  }
  FUZZ_CHECK(decoded.Clean() == !below_page);
  return 0;
}
