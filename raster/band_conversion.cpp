#include "raster/band_conversion.h"

#include <string.h>

#include "raster/command_stream.h"
#include "raster/plane_extraction.h"

namespace raster {
namespace {

// The plug-in formats every parameter with room for ten digits.
constexpr int kItoaSize = 11;
constexpr int kPackedBufferBytes = RleBound(kPluginMarginBytes, kLineBufferBytes);
static_assert(kPackedBufferBytes == 2 * kLineBufferBytes + 4, "one pair per byte, lead and trail");
static_assert(kPluginMarginBytes + kLineBufferBytes < 256, "the lead always fits one pair");

// Three passes send the planes of pixel bits 2, 1 and 0 in that order.
constexpr int32_t kPassPlane[3] = {kPlaneBit2, kPlaneBit1, kPlaneBit0};

class SpoolWriter {
 public:
  SpoolWriter(plat::IPrintOemDriverUni* helper, plat::PDEVOBJ pdevobj)
      : helper_(helper), pdevobj_(pdevobj) {}

  // The spooler's answer is not read: a failed write changes nothing here
  // and the next command follows as if it had gone out.
  void Write(const uint8_t* bytes, int count) {
    DWORD written = 0;
    helper_->lpVtbl->DrvWriteSpoolBuf(helper_, pdevobj_, const_cast<uint8_t*>(bytes),
                                      static_cast<DWORD>(count), &written);
  }

  void Command(raster::Command command, int32_t value) {
    uint8_t text[16];
    static_assert(sizeof text >= MaxCommandBytes(kItoaSize), "command text buffer");
    const int size = FormatCommand(text, command, value, kItoaSize, ZeroText::kDigit);
    if (size > 0) Write(text, size);
  }

 private:
  plat::IPrintOemDriverUni* helper_;
  plat::PDEVOBJ pdevobj_;
};

// Encoder state of one pass; -1 and -99 stand for "none".
struct PassState {
  bool run_length = false;
  int32_t last_first = -1;     // first byte index of the last column position command
  int32_t previous_line = -99; // line index of the last line that produced output
};

// Whether the packed row of line[first..last] could be no longer than the
// plain data, counting its pairs without writing them. Within the line buffer
// the lead (margin plus leading zeros) and every run fit one pair each, so the
// packed row is the lead pair, one pair per run of equal bytes, and a trail
// pair unless the row reaches the printer line's end. Stops as soon as the
// count alone passes the plain length; true means "pack and compare".
bool PackedFits(const uint8_t* line, int32_t first, int32_t last, int32_t plain) {
  static_assert(kPluginMarginBytes + kLineBufferBytes <= 256, "lead and runs fit one pair each");
  int32_t size = 2 + 2;  // lead pair and the first run
  if (size > plain) return false;
  // A new run starts wherever a byte differs from the one before it; eight
  // neighbours are compared per step, and each differing byte is counted.
  int32_t i = first + 1;
  for (; i + 8 <= last + 1; i += 8) {
    uint64_t here, before;
    memcpy(&here, line + i, sizeof here);
    memcpy(&before, line + i - 1, sizeof before);
    uint64_t differs = here ^ before;
    differs |= differs >> 4;
    differs |= differs >> 2;
    differs |= differs >> 1;
    differs &= 0x0101010101010101ULL;
    size += 2 * static_cast<int32_t>((differs * 0x0101010101010101ULL) >> 56);
    if (size > plain) return false;
  }
  for (; i <= last; ++i) {
    if (line[i] != line[i - 1]) size += 2;
  }
  return size <= plain;
}

void SendPlain(SpoolWriter* spool, PassState* state, const uint8_t* line, int32_t first, int32_t plain) {
  if (state->run_length) {
    spool->Write(kPackingPlain, kFixedCommandBytes);
    state->run_length = false;
  }
  if (first != state->last_first) {
    spool->Command(Command::kColumnPosition, 8 * (first + kPluginMarginBytes));
    state->last_first = first;
  }
  spool->Command(Command::kRasterTransfer, plain);
  spool->Write(line + first, plain);
}

bool ReadSkipCentre(plat::IPrintOemDriverUni* helper, plat::PDEVOBJ pdevobj) {
  char keyword[kLineBufferBytes];
  for (char& c : keyword) c = 0;
  DWORD needed = 0;
  DWORD returned = 1;
  const HRESULT hr = helper->lpVtbl->DrvGetDriverSetting(
      helper, pdevobj, kDiscTypeFeature, keyword, sizeof keyword, &needed, &returned);
  return hr == S_OK && DiscTypeSkipsCentre(keyword, sizeof keyword);
}

}  // namespace

bool DiscTypeSkipsCentre(const char* keyword, int capacity) {
  if (keyword == nullptr || capacity < 6) return false;
  for (int i = 0; i < 6; ++i) {
    if (keyword[i] == '\0') return false;
  }
  return keyword[5] == 'D';
}

HRESULT ConvertBand(plat::IPrintOemDriverUni* helper, plat::PDEVOBJ pdevobj, PBYTE pSrcBitmap,
                    PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE* ppbResult) {
  if (ppbResult != nullptr) *ppbResult = pSrcBitmap;
  if (helper == nullptr || pdevobj == nullptr || pBitmapInfoHeader == nullptr) return S_OK;

  const int32_t width = pBitmapInfoHeader->biWidth;
  const int32_t height = pBitmapInfoHeader->biHeight;
  const uint16_t bit_count = pBitmapInfoHeader->biBitCount;
  // A band without scan lines has no stride; it is sent as an empty image.
  const uint16_t stride =
      height > 0 ? static_cast<uint16_t>(pBitmapInfoHeader->biSizeImage / static_cast<DWORD>(height))
                 : 0;
  const DEVMODEW* dm = pdevobj->pPublicDM;
  const int32_t landscape = (dm != nullptr && dm->dmOrientation == DMORIENT_LANDSCAPE) ? 1 : 0;
  const bool skip_centre = ReadSkipCentre(helper, pdevobj);
  const int32_t row_step = (dm != nullptr && dm->dmYResolution == 600) ? 1 : 2;
  const int passes = bit_count == 1 ? 1 : 3;

  // Lines that lie wholly outside the band's bytes would all be blank; they
  // are not visited, so a band with a bogus size costs nothing.
  int32_t lines = 0;
  if (pSrcBitmap != nullptr && width > 0 && height > 0 && stride > 0) {
    if (landscape) {
      const int64_t columns_in_stride = static_cast<int64_t>(stride) * (bit_count == 1 ? 8 : 2);
      lines = width < columns_in_stride ? width : static_cast<int32_t>(columns_in_stride);
    } else {
      lines = height;
    }
  }

  SpoolWriter spool(helper, pdevobj);
  // Landscape lines are extracted sixteen at a time into this block; portrait
  // lines one at a time into its first row.
  uint8_t block[kLandscapeBlockLines][kLineBufferBytes];
  uint8_t packed[kPackedBufferBytes];

  for (int pass = 0; pass < passes; ++pass) {
    const int32_t plane = passes == 3 ? kPassPlane[pass] : 0;
    spool.Write(kPlaneStart, kFixedCommandBytes);
    spool.Write(kPackingPlain, kFixedCommandBytes);
    PassState state;
    int32_t block_first = -1;  // first line held in the block, -1 none

    for (int32_t j = 0; j < lines; ++j) {
      const int64_t row_address = static_cast<int64_t>(j) * row_step;
      if (row_address > INT32_MAX) break;  // beyond any row the printer can address
      const int32_t y = static_cast<int32_t>(row_address);
      if (skip_centre && y >= kCentreBandFirstRow && y <= kCentreBandLastRow) continue;

      const uint8_t* line;
      int32_t length;
      if (landscape) {
        const int32_t wanted = j - j % kLandscapeBlockLines;
        if (block_first != wanted) {
          const int32_t count = lines - wanted < kLandscapeBlockLines ? lines - wanted : kLandscapeBlockLines;
          ExtractLandscapeLines(wanted, count, pSrcBitmap, plane, width, height, stride, bit_count, block);
          block_first = wanted;
        }
        line = block[j - wanted];
        length = PlaneLineLength(landscape, width, height, stride, bit_count);
        if (length > kLineBufferBytes) length = kLineBufferBytes;
      } else {
        // Most scan lines of a label leave most planes blank; they are known
        // as blank without extracting them.
        if (PortraitLineBlank(j, pSrcBitmap, plane, width, height, stride, bit_count)) continue;
        length = ExtractPlaneLine(j, pSrcBitmap, plane, landscape, width, height, stride,
                                  bit_count, block[0]);
        line = block[0];
      }
      const int32_t first = FirstNonZero(line, length);
      if (first < 0) continue;
      const int32_t last = LastNonZero(line, length);
      const int32_t plain = last - first + 1;

      if (state.previous_line != j - 1) spool.Command(Command::kRowPosition, y);
      state.previous_line = j;

      // Most lines that go plain are noisy: their packed length passes the
      // plain length within the first half of the line, so packing them in
      // full is skipped.
      if (!PackedFits(line, first, last, plain)) {
        SendPlain(&spool, &state, line, first, plain);
        continue;
      }
      const int packed_size = ComputeRLE(line, kPluginMarginBytes, last + 1, packed);
      if (ShouldPack(packed_size, plain)) {
        if (!state.run_length) {
          spool.Write(kPackingRle, kFixedCommandBytes);
          state.run_length = true;
          state.last_first = -1;
        }
        spool.Command(Command::kRasterTransfer, packed_size);
        spool.Write(packed, packed_size);
      } else {
        SendPlain(&spool, &state, line, first, plain);
      }
    }
  }
  return S_OK;
}

}  // namespace raster
