#include "hosts/unidrv_helper.h"

#include <string.h>

#include "platform/interlocked.h"

namespace hosts {

namespace {

// The methods the plug-in has no business calling.
template <typename... Args>
HRESULT Q2_STDCALL NotOffered(plat::IPrintOemDriverUni*, Args...) {
  return E_NOTIMPL;
}

}  // namespace

const plat::IPrintOemDriverUniVtbl UnidrvHelper::kVtbl = {
    &UnidrvHelper::QueryInterface,
    &UnidrvHelper::AddRef,
    &UnidrvHelper::Release,
    &UnidrvHelper::DrvGetDriverSetting,
    &UnidrvHelper::DrvWriteSpoolBuf,
    &NotOffered<plat::PDEVOBJ, INT, DWORD, INT*>,
    &NotOffered<plat::PDEVOBJ, INT, DWORD, INT*>,
    &NotOffered<plat::PDEVOBJ, DWORD, PVOID, DWORD, PDWORD>,
    &NotOffered<plat::PDEVOBJ, DWORD, PVOID, PVOID, DWORD, PDWORD>,
    &NotOffered<plat::SURFOBJ*, plat::STROBJ*, plat::FONTOBJ*, plat::CLIPOBJ*, RECTL*, RECTL*,
                plat::BRUSHOBJ*, plat::BRUSHOBJ*, POINTL*, plat::MIX>,
    &NotOffered<plat::PDEVOBJ, PVOID, DWORD, DWORD>,
};

UnidrvHelper::UnidrvHelper(std::string disc_type) : disc_type_(std::move(disc_type)) {
  object_.iface.lpVtbl = &kVtbl;
  object_.owner = this;
}

LONG UnidrvHelper::References() const { return plat::AtomicRead(&references_); }

UnidrvHelper* UnidrvHelper::From(plat::IPrintOemDriverUni* self) {
  return reinterpret_cast<Object*>(self)->owner;
}

HRESULT Q2_STDCALL UnidrvHelper::QueryInterface(plat::IPrintOemDriverUni* self, REFIID riid,
                                                void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (plat::SameGuid(riid, plat::kIidIUnknown) ||
      plat::SameGuid(riid, plat::kIidIPrintOemDriverUni)) {
    *ppv = self;
    AddRef(self);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG Q2_STDCALL UnidrvHelper::AddRef(plat::IPrintOemDriverUni* self) {
  return static_cast<ULONG>(plat::AtomicIncrement(&From(self)->references_));
}

// The stand-in owns the object; the count only tells whether the plug-in
// gave back every reference it took.
ULONG Q2_STDCALL UnidrvHelper::Release(plat::IPrintOemDriverUni* self) {
  return static_cast<ULONG>(plat::AtomicDecrement(&From(self)->references_));
}

HRESULT Q2_STDCALL UnidrvHelper::DrvGetDriverSetting(plat::IPrintOemDriverUni* self,
                                                     PVOID pdriverobj, PCSTR feature,
                                                     PVOID output, DWORD size, PDWORD needed,
                                                     PDWORD options_returned) {
  UnidrvHelper* helper = From(self);
  ++helper->settings_read;
  helper->devobjs.push_back(pdriverobj);
  // Unidrv also accepts small integers naming predefined features; this
  // stand-in knows none of them.
  if (reinterpret_cast<uintptr_t>(feature) < 0x10000 || strcmp(feature, "DISCTYPE") != 0) {
    return E_FAIL;
  }
  const DWORD bytes = static_cast<DWORD>(helper->disc_type_.size() + 1);
  if (needed != nullptr) *needed = bytes;
  if (output == nullptr || size < bytes) return E_FAIL;
  memcpy(output, helper->disc_type_.c_str(), bytes);
  if (options_returned != nullptr) *options_returned = 1;
  return S_OK;
}

HRESULT Q2_STDCALL UnidrvHelper::DrvWriteSpoolBuf(plat::IPrintOemDriverUni* self,
                                                  plat::PDEVOBJ pdevobj, PVOID buffer, DWORD size,
                                                  DWORD* written) {
  UnidrvHelper* helper = From(self);
  ++helper->writes;
  helper->devobjs.push_back(pdevobj);
  if (buffer == nullptr && size != 0) return E_FAIL;
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  helper->spool.insert(helper->spool.end(), bytes, bytes + size);
  helper->write_sizes.push_back(size);
  if (written != nullptr) *written = size;
  return S_OK;
}

}  // namespace hosts
