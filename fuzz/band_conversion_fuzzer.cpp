// Fuzzes the plug-in's band conversion with arbitrary band headers, band
// bytes, page settings and disc type keywords.
//
// The band lives in a heap buffer of exactly biSizeImage bytes, while width
// and height may claim far more pixels than that, so any read past the band
// is seen by AddressSanitizer. Where every dot fits the printer line, the
// output must decode without a problem into exactly the band's ink.
#include <string.h>

#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/printer_oem.h"
#include "raster/band_conversion.h"
#include "stream/decoder.h"

namespace {

// Unidrv's helper interface as the band conversion sees it: hands out the
// disc type keyword and records every spool write.
struct Recorder {
  plat::IPrintOemDriverUni iface;
  uint8_t keyword[200];
  size_t keyword_size;
  HRESULT setting_result;
  int setting_calls;
  std::vector<uint8_t> output;
};

Recorder* Self(plat::IPrintOemDriverUni* iface) { return reinterpret_cast<Recorder*>(iface); }

HRESULT Q2_STDCALL GetDriverSetting(plat::IPrintOemDriverUni* self, PVOID, PCSTR feature,
                                    PVOID output, DWORD size, PDWORD, PDWORD) {
  Recorder* r = Self(self);
  ++r->setting_calls;
  FUZZ_CHECK(strcmp(feature, "DISCTYPE") == 0);
  // The keyword may fill the whole buffer without a NUL: the conversion must
  // not read past the size it gave.
  memset(output, 0, size);
  memcpy(output, r->keyword, r->keyword_size < size ? r->keyword_size : size);
  return r->setting_result;
}

HRESULT Q2_STDCALL WriteSpoolBuf(plat::IPrintOemDriverUni* self, plat::PDEVOBJ, PVOID buffer,
                                 DWORD size, DWORD* written) {
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  Self(self)->output.insert(Self(self)->output.end(), bytes, bytes + size);
  *written = size;
  return S_OK;
}

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

constexpr int kMarginDots = 7 * 8;
constexpr int kLineBufferDots = 200 * 8;
constexpr uint32_t kMaxBandBytes = 1 << 15;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzInput in(data, size);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  // Mostly bands of a sensible size, sometimes any value at all.
  const uint8_t shape = in.Byte();
  header.biWidth = (shape & 1) ? in.I32() : static_cast<int32_t>(in.U16() % 2000);
  header.biHeight = (shape & 2) ? in.I32() : static_cast<int32_t>(in.U16() % 2000);
  header.biBitCount = (shape & 4) ? in.U16() : ((shape & 8) ? 1 : 4);
  header.biPlanes = 1;
  header.biSizeImage = in.U32() % (kMaxBandBytes + 1);
  const uint8_t resolution = in.Byte();
  DEVMODEW devmode{};
  // Any value but DMORIENT_LANDSCAPE reads as portrait.
  devmode.dmOrientation = (shape & 16) ? DMORIENT_LANDSCAPE : static_cast<SHORT>(in.Byte() % 4);
  const bool landscape = devmode.dmOrientation == DMORIENT_LANDSCAPE;
  devmode.dmYResolution = resolution < 128 ? 600 : (resolution < 250 ? 300 : resolution);
  plat::DEVOBJ devobj{};
  devobj.dwSize = sizeof devobj;
  devobj.pPublicDM = &devmode;

  static const plat::IPrintOemDriverUniVtbl vtbl = [] {
    plat::IPrintOemDriverUniVtbl v{};
    v.DrvGetDriverSetting = GetDriverSetting;
    v.DrvWriteSpoolBuf = WriteSpoolBuf;
    return v;
  }();
  Recorder recorder{};
  recorder.iface.lpVtbl = &vtbl;
  const uint8_t disc = in.Byte();
  recorder.setting_result = (disc & 0x80) ? E_FAIL : S_OK;
  if (disc & 0x40) {
    const std::vector<uint8_t> keyword = in.Bytes(in.Length(sizeof recorder.keyword));
    recorder.keyword_size = keyword.size();
    if (!keyword.empty()) memcpy(recorder.keyword, keyword.data(), keyword.size());
  } else {
    memcpy(recorder.keyword, (disc & 1) ? "DISC_D" : "DISC_S", 6);
    recorder.keyword_size = 6;
  }

  // The band: exactly biSizeImage bytes on the heap, filled from the input.
  const std::vector<uint8_t> rest = in.Rest();
  std::vector<uint8_t> band(header.biSizeImage);
  for (size_t i = 0; i < band.size(); ++i) band[i] = rest.empty() ? 0xFF : rest[i % rest.size()];
  const std::vector<uint8_t> original = band;

  PBYTE result = nullptr;
  PBYTE bits = band.empty() ? nullptr : band.data();
  const HRESULT hr = raster::ConvertBand(&recorder.iface, &devobj, bits, &header, &result);
  FUZZ_CHECK(hr == S_OK);
  FUZZ_CHECK(result == bits);
  FUZZ_CHECK(band == original);
  FUZZ_CHECK(recorder.setting_calls == 1);

  // Read the output back as the printer would.
  const int step = devmode.dmYResolution == 600 ? 1 : 2;
  stream::DecodeOptions options;
  options.row_step = step;
  const stream::DecodedStream decoded =
      stream::Decode(recorder.output.data(), recorder.output.size(), options);
  const int passes = header.biBitCount == 1 ? 1 : 3;
  FUZZ_CHECK(decoded.planes.size() == static_cast<size_t>(passes));

  const int32_t width = header.biWidth, height = header.biHeight;
  if (bits == nullptr || width <= 0 || height <= 0) {
    FUZZ_CHECK(decoded.Clean());
    for (const auto& plane : decoded.planes) FUZZ_CHECK(plane.rows.empty());
    return 0;
  }
  const Band b{bits, width, height, static_cast<uint16_t>(header.biSizeImage / static_cast<DWORD>(height)),
               static_cast<uint16_t>(header.biBitCount == 1 ? 1 : 4)};
  const bool skip = recorder.setting_result == S_OK && recorder.keyword_size >= 6 &&
                    memchr(recorder.keyword, 0, 6) == nullptr && recorder.keyword[5] == 'D';
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
