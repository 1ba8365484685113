#include "raster/band_encoder.h"

#include <string.h>

#include "geometry/printer_geometry.h"
#include "raster/command_stream.h"
#include "raster/plane_extraction.h"
#include "raster/plane_kernels.h"
#include "raster/row_packer.h"

namespace raster {
namespace {

// Every parameter is formatted with room for ten digits.
constexpr int kItoaSize = 11;
constexpr int32_t kMarginBytes = geometry::kPluginMarginBytes;
constexpr int kPackedBufferBytes = RleBound(kMarginBytes, kLineBufferBytes);
static_assert(kPackedBufferBytes == 2 * kLineBufferBytes + 4, "one pair per byte, lead and trail");
static_assert(kMarginBytes + kLineBufferBytes < 256, "the lead always fits one pair");

// Three passes send the planes of pixel bits 2, 1 and 0 in that order.
constexpr int32_t kPassPlane[3] = {kPlaneBit2, kPlaneBit1, kPlaneBit0};

// The sink with the command texts assembled in front of it.
class CommandWriter {
 public:
  explicit CommandWriter(ByteSink* sink) : sink_(sink) {}

  void Write(const uint8_t* bytes, int count) { sink_->Write(bytes, count); }

  void Command(raster::Command command, int32_t value) {
    uint8_t text[16];
    static_assert(sizeof text >= MaxCommandBytes(kItoaSize), "command text buffer");
    const int size = FormatCommand(text, command, value, kItoaSize, ZeroText::kDigit);
    if (size > 0) Write(text, size);
  }

 private:
  ByteSink* sink_;
};

// One pass of lines into the commands: row positions, packing modes,
// column positions and transfers. -1 and -99 stand for "none".
class PassEncoder {
 public:
  PassEncoder(CommandWriter* spool, Isa isa, int32_t margin_bytes)
      : spool_(spool), isa_(isa), margin_(margin_bytes < 0 ? 0 : margin_bytes > kMarginBytes ? kMarginBytes : margin_bytes) {}

  // Sends line j (row address y) of the pass, length bytes at line; a blank
  // line sends nothing.
  void Line(const uint8_t* line, int32_t length, int32_t j, int32_t y) {
    int32_t first, last;
    if (!LineExtent(line, length, isa_, &first, &last)) return;
    const int32_t plain = last - first + 1;

    if (previous_line_ != j - 1) spool_->Command(Command::kRowPosition, y);
    previous_line_ = j;

    // One pass packs the row, and stops as soon as it is longer than the
    // plain data: noisy lines, which go plain, cost only that far.
    const int packed_size =
        ComputeRLE(line + first, margin_ + first, plain, packed_, plain, isa_);
    if (ShouldPack(packed_size, plain)) {
      if (!run_length_) {
        spool_->Write(kPackingRle, kFixedCommandBytes);
        run_length_ = true;
        last_first_ = -1;
      }
      spool_->Command(Command::kRasterTransfer, packed_size);
      spool_->Write(packed_, packed_size);
      return;
    }
    if (run_length_) {
      spool_->Write(kPackingPlain, kFixedCommandBytes);
      run_length_ = false;
    }
    if (first != last_first_) {
      spool_->Command(Command::kColumnPosition, 8 * (first + margin_));
      last_first_ = first;
    }
    spool_->Command(Command::kRasterTransfer, plain);
    spool_->Write(line + first, plain);
  }

 private:
  // The first and last non-zero byte of a line; false for a blank line.
  static bool LineExtent(const uint8_t* line, int32_t length, Isa isa, int32_t* first,
                         int32_t* last) {
#if QUILLORY2_X86_KERNELS
#if defined(__x86_64__)
    if (isa == Isa::kAvx2) return kernels::LineExtentAvx2(line, length, first, last);
#endif
    if (isa != Isa::kScalar) return kernels::LineExtentSse2(line, length, first, last);
#endif
    *first = FirstNonZero(line, length);
    if (*first < 0) return false;
    *last = LastNonZero(line, length);
    return true;
  }

  CommandWriter* spool_;
  Isa isa_;
  int32_t margin_;  // the plug-in's 7 bytes at most, so the packed lead always fits
  bool run_length_ = false;
  int32_t last_first_ = -1;     // first byte index of the last column position command
  int32_t previous_line_ = -99; // line index of the last line that produced output
  uint8_t packed_[kPackedBufferBytes];
};

// Starts a pass: the plane start, and plain packing at row address 0.
void StartPass(CommandWriter* spool) {
  spool->Write(kPlaneStart, kFixedCommandBytes);
  spool->Write(kPackingPlain, kFixedCommandBytes);
}

// The row address of line j, or -1 past any row the printer can address.
int32_t RowAddress(int32_t j, int32_t row_step) {
  const int64_t row_address = static_cast<int64_t>(j) * row_step;
  return row_address > INT32_MAX ? -1 : static_cast<int32_t>(row_address);
}

int32_t LineCount(const BandView& band) {
  if (band.bits == nullptr || band.width <= 0 || band.height <= 0 || band.stride == 0) return 0;
  if (!band.landscape) return band.height;
  // Lines that lie wholly outside the band's bytes would all be blank; they
  // are not visited, so a band with a bogus size costs nothing.
  const int64_t columns_in_stride =
      static_cast<int64_t>(band.stride) * (band.bits_per_pixel == 1 ? 8 : 2);
  return band.width < columns_in_stride ? band.width : static_cast<int32_t>(columns_in_stride);
}

int PassCount(const BandView& band) { return band.bits_per_pixel == 1 ? 1 : 3; }

}  // namespace

void EncodeBand(const BandView& band, const BandSettings& settings, ByteSink* sink) {
  EncodeBand(band, settings, sink, BestIsa());
}

void EncodeBand(const BandView& band, const BandSettings& settings, ByteSink* sink, Isa isa) {
  if (!IsaSupported(isa)) isa = Isa::kScalar;
  const int32_t width = band.width;
  const int32_t height = band.height;
  const uint16_t bit_count = band.bits_per_pixel;
  const uint16_t stride = band.stride;
  const int32_t landscape = band.landscape ? 1 : 0;
  const uint8_t* const bits = band.bits;
  const int passes = PassCount(band);
  const int32_t lines = LineCount(band);
  const int32_t row_step = settings.row_step == 1 ? 1 : 2;

  CommandWriter spool(sink);
  // Landscape lines are extracted sixteen at a time into this block; portrait
  // lines one at a time into its first row.
  uint8_t block[kLandscapeBlockLines][kLineBufferBytes];

  for (int pass = 0; pass < passes; ++pass) {
    const int32_t plane = passes == 3 ? kPassPlane[pass] : 0;
    StartPass(&spool);
    PassEncoder encoder(&spool, isa, settings.margin_bytes);
    int32_t block_first = -1;  // first line held in the block, -1 none

    for (int32_t j = 0; j < lines; ++j) {
      const int32_t y = RowAddress(j, row_step);
      if (y < 0) break;
      if (settings.skip_centre && geometry::InCentreBand(y)) continue;

      if (landscape) {
        const int32_t wanted = j - j % kLandscapeBlockLines;
        if (block_first != wanted) {
          const int32_t count =
              lines - wanted < kLandscapeBlockLines ? lines - wanted : kLandscapeBlockLines;
          ExtractLandscapeLines(wanted, count, bits, plane, width, height, stride, bit_count,
                                block, isa);
          block_first = wanted;
        }
        int32_t length = PlaneLineLength(landscape, width, height, stride, bit_count);
        if (length > kLineBufferBytes) length = kLineBufferBytes;
        encoder.Line(block[j - wanted], length, j, y);
      } else {
        // Most scan lines of a label leave most planes blank; they are known
        // as blank without extracting them.
        if (PortraitLineBlank(j, bits, plane, width, height, stride, bit_count, isa)) continue;
        const int32_t length = ExtractPlaneLine(j, bits, plane, landscape, width, height, stride,
                                                bit_count, block[0], isa);
        encoder.Line(block[0], length, j, y);
      }
    }
  }
}

void EncodePlanes(const PlanesView& planes, const BandSettings& settings, ByteSink* sink) {
  EncodePlanes(planes, settings, sink, BestIsa());
}

void EncodePlanes(const PlanesView& planes, const BandSettings& settings, ByteSink* sink,
                  Isa isa) {
  if (!IsaSupported(isa)) isa = Isa::kScalar;
  const int passes = planes.plane_count == 3 ? 3 : 1;
  const int32_t row_step = settings.row_step == 1 ? 1 : 2;
  int32_t length = planes.row_bytes < kLineBufferBytes ? planes.row_bytes : kLineBufferBytes;
  int32_t rows = planes.rows;
  if (length <= 0 || planes.stride < static_cast<size_t>(planes.row_bytes)) rows = 0;
  // The vector line search reads a whole line buffer from the line's start:
  // lines too near their plane's end for that are copied into one first.
  const size_t tail = isa == Isa::kScalar ? static_cast<size_t>(length) : kLineBufferBytes;
  uint8_t copy[kLineBufferBytes] = {};

  CommandWriter spool(sink);
  for (int pass = 0; pass < passes; ++pass) {
    // Yellow, magenta, cyan: the band's pixel bits 2, 1 and 0.
    const uint8_t* const plane = planes.planes[passes == 3 ? 2 - pass : 0];
    StartPass(&spool);
    if (plane == nullptr) continue;
    const size_t plane_bytes = static_cast<size_t>(rows) * planes.stride;
    PassEncoder encoder(&spool, isa, settings.margin_bytes);
    for (int32_t j = 0; j < rows; ++j) {
      const int32_t y = RowAddress(j, row_step);
      if (y < 0) break;
      if (settings.skip_centre && geometry::InCentreBand(y)) continue;
      const size_t offset = static_cast<size_t>(j) * planes.stride;
      const uint8_t* line = plane + offset;
      if (plane_bytes - offset < tail) {
        memcpy(copy, line, static_cast<size_t>(length));
        line = copy;
      }
      encoder.Line(line, length, j, y);
    }
  }
}

size_t EncodedPlanesBound(const PlanesView& planes) {
  BandView band;
  band.height = planes.rows;
  band.bits_per_pixel = planes.plane_count == 3 ? 4 : 1;
  return EncodedBandBound(band);
}

size_t EncodedBandBound(const BandView& band) {
  // A plain line costs a row position, a mode switch, a column position, a
  // transfer header and at most a whole line buffer of data.
  constexpr size_t kLine =
      3 * static_cast<size_t>(MaxCommandBytes(kItoaSize)) + kFixedCommandBytes + kLineBufferBytes;
  const size_t lines = band.landscape ? static_cast<size_t>(band.width > 0 ? band.width : 0)
                                      : static_cast<size_t>(band.height > 0 ? band.height : 0);
  return static_cast<size_t>(PassCount(band)) * (2 * kFixedCommandBytes + lines * kLine);
}

}  // namespace raster
