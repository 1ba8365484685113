// Unidrv's helper interface IPrintOemDriverUni, as the stand-in offers it to
// the plug-in: driver settings (the feature "DISCTYPE") and the spool writes
// that make up the job.
#ifndef QUILLORY2_HOSTS_UNIDRV_HELPER_H_
#define QUILLORY2_HOSTS_UNIDRV_HELPER_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/printer_oem.h"

namespace hosts {

class UnidrvHelper {
 public:
  // Starts with one reference, the stand-in's own.
  explicit UnidrvHelper(std::string disc_type);
  UnidrvHelper(const UnidrvHelper&) = delete;
  UnidrvHelper& operator=(const UnidrvHelper&) = delete;

  // The IUnknown published to the plug-in; it is the helper object itself.
  plat::IUnknown* Unknown() { return reinterpret_cast<plat::IUnknown*>(&object_); }
  plat::IPrintOemDriverUni* Interface() { return &object_.iface; }
  LONG References() const;

  // Everything written through DrvWriteSpoolBuf, in call order; the size
  // of each write, and the device object each call named.
  std::vector<uint8_t> spool;
  std::vector<size_t> write_sizes;
  std::vector<const void*> devobjs;
  // Number of DrvWriteSpoolBuf and DrvGetDriverSetting calls.
  int writes = 0;
  int settings_read = 0;

 private:
  struct Object {
    plat::IPrintOemDriverUni iface;  // first: the plug-in calls through it
    UnidrvHelper* owner;
  };
  static UnidrvHelper* From(plat::IPrintOemDriverUni* self);

  static HRESULT Q2_STDCALL QueryInterface(plat::IPrintOemDriverUni* self, REFIID riid, void** ppv);
  static ULONG Q2_STDCALL AddRef(plat::IPrintOemDriverUni* self);
  static ULONG Q2_STDCALL Release(plat::IPrintOemDriverUni* self);
  static HRESULT Q2_STDCALL DrvGetDriverSetting(plat::IPrintOemDriverUni* self, PVOID pdriverobj,
                                                PCSTR feature, PVOID output, DWORD size,
                                                PDWORD needed, PDWORD options_returned);
  static HRESULT Q2_STDCALL DrvWriteSpoolBuf(plat::IPrintOemDriverUni* self,
                                             plat::PDEVOBJ pdevobj, PVOID buffer, DWORD size,
                                             DWORD* written);
  static const plat::IPrintOemDriverUniVtbl kVtbl;

  Object object_;
  volatile LONG references_ = 1;
  std::string disc_type_;
};

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_UNIDRV_HELPER_H_
