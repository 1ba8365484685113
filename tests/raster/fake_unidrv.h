// A stand-in for Unidrv's helper interface that records every spool write,
// for tests that call the band conversion directly.
#ifndef QUILLORY2_TESTS_RASTER_FAKE_UNIDRV_H_
#define QUILLORY2_TESTS_RASTER_FAKE_UNIDRV_H_

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/printer_oem.h"
#include "raster/band_conversion.h"

namespace testing_support {

struct FakeUnidrv;
// The interface object handed to the conversion, with a way back to its owner.
struct FakeUnidrvIface {
  plat::IPrintOemDriverUni base;
  FakeUnidrv* owner;
};

struct FakeUnidrv {
  FakeUnidrvIface iface;
  std::string disc_type = "DISC_S";
  HRESULT setting_result = S_OK;
  int setting_calls = 0;
  std::vector<std::vector<uint8_t>> writes;
  DEVMODEW devmode{};
  plat::DEVOBJ devobj{};

  FakeUnidrv();
  FakeUnidrv(const FakeUnidrv&) = delete;
  FakeUnidrv& operator=(const FakeUnidrv&) = delete;
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> all;
    for (const auto& w : writes) all.insert(all.end(), w.begin(), w.end());
    return all;
  }
  void SetPage(bool landscape, int rows_per_inch) {
    devmode.dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    devmode.dmYResolution = static_cast<SHORT>(rows_per_inch);
  }
  // Runs the conversion on one band and returns the bytes written.
  std::vector<uint8_t> Convert(std::vector<uint8_t>& bits, BITMAPINFOHEADER header) {
    writes.clear();
    PBYTE result = nullptr;
    HRESULT hr = raster::ConvertBand(&iface.base, &devobj, bits.data(), &header, &result);
    last_result = hr;
    last_band = result;
    return Bytes();
  }
  HRESULT last_result = E_FAIL;
  PBYTE last_band = nullptr;
};

inline FakeUnidrv* Self(plat::IPrintOemDriverUni* iface) {
  return reinterpret_cast<FakeUnidrvIface*>(iface)->owner;
}

inline HRESULT Q2_STDCALL FakeGetDriverSetting(plat::IPrintOemDriverUni* self, PVOID, PCSTR feature,
                                               PVOID output, DWORD size, PDWORD, PDWORD) {
  FakeUnidrv* fake = Self(self);
  ++fake->setting_calls;
  if (std::strcmp(feature, "DISCTYPE") != 0) return E_FAIL;
  std::memset(output, 0, size);
  std::memcpy(output, fake->disc_type.data(), std::min<size_t>(fake->disc_type.size(), size - 1));
  return fake->setting_result;
}

inline HRESULT Q2_STDCALL FakeWriteSpoolBuf(plat::IPrintOemDriverUni* self, plat::PDEVOBJ,
                                            PVOID buffer, DWORD size, DWORD* written) {
  const uint8_t* b = static_cast<const uint8_t*>(buffer);
  Self(self)->writes.emplace_back(b, b + size);
  *written = size;
  return S_OK;
}

inline const plat::IPrintOemDriverUniVtbl* FakeVtbl() {
  static plat::IPrintOemDriverUniVtbl vtbl = [] {
    plat::IPrintOemDriverUniVtbl v{};
    v.DrvGetDriverSetting = FakeGetDriverSetting;
    v.DrvWriteSpoolBuf = FakeWriteSpoolBuf;
    return v;
  }();
  return &vtbl;
}

inline FakeUnidrv::FakeUnidrv() {
  iface.base.lpVtbl = FakeVtbl();
  iface.owner = this;
  devobj.dwSize = sizeof devobj;
  devobj.pPublicDM = &devmode;
  SetPage(false, 600);
}

}  // namespace testing_support

#endif  // QUILLORY2_TESTS_RASTER_FAKE_UNIDRV_H_
