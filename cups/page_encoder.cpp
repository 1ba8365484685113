#include "cups/page_encoder.h"

#include <string.h>

#include "hosts/unidrv_band.h"
#include "raster/band_conversion.h"

namespace cupsdrv {
namespace {

FilterSpool* Self(plat::IPrintOemDriverUni* iface) { return reinterpret_cast<FilterSpool*>(iface); }

HRESULT Q2_STDCALL QueryInterface(plat::IPrintOemDriverUni* self, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (plat::SameGuid(riid, plat::kIidIUnknown) || plat::SameGuid(riid, plat::kIidIPrintOemDriverUni)) {
    *ppv = self;
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG Q2_STDCALL AddRef(plat::IPrintOemDriverUni*) { return 1; }
ULONG Q2_STDCALL Release(plat::IPrintOemDriverUni*) { return 1; }

// Answers only the disc type: the keyword with its NUL, when it fits.
HRESULT Q2_STDCALL DrvGetDriverSetting(plat::IPrintOemDriverUni* self, PVOID, PCSTR feature,
                                       PVOID output, DWORD size, PDWORD needed,
                                       PDWORD options_returned) {
  const FilterSpool* spool = Self(self);
  if (feature == nullptr || strcmp(feature, "DISCTYPE") != 0 || spool->disc_type == nullptr) {
    return E_FAIL;
  }
  const DWORD length = static_cast<DWORD>(strlen(spool->disc_type)) + 1;
  if (needed != nullptr) *needed = length;
  if (output == nullptr || size < length) return E_FAIL;
  memcpy(output, spool->disc_type, length);
  if (options_returned != nullptr) *options_returned = 1;
  return S_OK;
}

HRESULT Q2_STDCALL DrvWriteSpoolBuf(plat::IPrintOemDriverUni* self, plat::PDEVOBJ, PVOID buffer,
                                    DWORD size, DWORD* written) {
  FilterSpool* spool = Self(self);
  if (written != nullptr) *written = 0;
  if (buffer == nullptr && size != 0) return E_POINTER;
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  spool->out->insert(spool->out->end(), bytes, bytes + size);
  if (written != nullptr) *written = size;
  return S_OK;
}

HRESULT Q2_STDCALL DrvXMoveTo(plat::IPrintOemDriverUni*, plat::PDEVOBJ, INT, DWORD, INT*) {
  return E_NOTIMPL;
}
HRESULT Q2_STDCALL DrvYMoveTo(plat::IPrintOemDriverUni*, plat::PDEVOBJ, INT, DWORD, INT*) {
  return E_NOTIMPL;
}
HRESULT Q2_STDCALL DrvGetStandardVariable(plat::IPrintOemDriverUni*, plat::PDEVOBJ, DWORD, PVOID,
                                          DWORD, PDWORD) {
  return E_NOTIMPL;
}
HRESULT Q2_STDCALL DrvGetGPDData(plat::IPrintOemDriverUni*, plat::PDEVOBJ, DWORD, PVOID, PVOID,
                                 DWORD, PDWORD) {
  return E_NOTIMPL;
}
HRESULT Q2_STDCALL DrvUniTextOut(plat::IPrintOemDriverUni*, plat::SURFOBJ*, plat::STROBJ*,
                                 plat::FONTOBJ*, plat::CLIPOBJ*,
                                 RECTL*, RECTL*, plat::BRUSHOBJ*, plat::BRUSHOBJ*, POINTL*,
                                 plat::MIX) {
  return E_NOTIMPL;
}
HRESULT Q2_STDCALL DrvWriteAbortBuf(plat::IPrintOemDriverUni*, plat::PDEVOBJ, PVOID, DWORD, DWORD) {
  return E_NOTIMPL;
}

const plat::IPrintOemDriverUniVtbl kFilterSpoolVtbl = {
    QueryInterface,  AddRef,        Release,
    DrvGetDriverSetting, DrvWriteSpoolBuf, DrvXMoveTo, DrvYMoveTo, DrvGetStandardVariable,
    DrvGetGPDData,  DrvUniTextOut, DrvWriteAbortBuf,
};

// Longest command text the band conversion writes: three prefix bytes, ten
// digits and the closing letter.
constexpr size_t kCommandBytes = 14;
constexpr size_t kModeBytes = 5;

}  // namespace

FilterSpool::FilterSpool(std::vector<uint8_t>* output, const char* disc_type_keyword)
    : iface{&kFilterSpoolVtbl}, out(output), disc_type(disc_type_keyword) {}

namespace {

size_t StreamBound(int plane_count, int32_t rows) {
  // A plain line costs a row position, a mode switch, a column position, a
  // transfer header and at most a whole band line of data.
  const size_t line = 3 * kCommandBytes + kModeBytes + 200;
  return static_cast<size_t>(plane_count) * (2 * kModeBytes + static_cast<size_t>(rows) * line);
}

void Convert(const BITMAPINFOHEADER& band_header, const uint8_t* bits, int32_t rows_per_inch,
             const char* disc_type, std::vector<uint8_t>* out) {
  BITMAPINFOHEADER header = band_header;
  DEVMODEW devmode;
  memset(&devmode, 0, sizeof devmode);
  devmode.dmOrientation = DMORIENT_PORTRAIT;
  devmode.dmYResolution = static_cast<short>(rows_per_inch);
  devmode.dmPrintQuality = 300;

  plat::DEVOBJ devobj;
  memset(&devobj, 0, sizeof devobj);
  devobj.dwSize = sizeof devobj;
  devobj.pPublicDM = &devmode;

  FilterSpool spool(out, disc_type);
  PBYTE result = nullptr;
  // The band conversion only reads the band.
  raster::ConvertBand(&spool.iface, &devobj, const_cast<uint8_t*>(bits), &header, &result);
}

}  // namespace

size_t PageStreamBound(const hosts::InkPage& page) {
  return StreamBound(page.PlaneCount(), page.rows);
}

size_t PageStreamBound(const PageBand& band) {
  return StreamBound(band.header.biBitCount == 1 ? 1 : 3, band.header.biHeight);
}

bool PageEncoder::Encode(const hosts::InkPage& page, const char* disc_type,
                         std::vector<uint8_t>* out, std::string* error) {
  BITMAPINFOHEADER header;
  memset(&header, 0, sizeof header);
  if (!hosts::MakeBand(page, /*landscape=*/false, &band_, &header, error)) return false;
  Convert(header, band_.data(), page.rows_per_inch, disc_type, out);
  return true;
}

void PageEncoder::EncodeBand(const PageBand& band, const char* disc_type,
                             std::vector<uint8_t>* out) {
  Convert(band.header, band.bits.get(), band.rows_per_inch, disc_type, out);
}

}  // namespace cupsdrv
