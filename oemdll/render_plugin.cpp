#include "oemdll/render_plugin.h"

#include <string.h>

#include <new>

#include "oemdll/ddi_hooks.h"
#include "oemdll/image_processing.h"
#include "oemdll/module.h"
#include "oemdll/private_devmode.h"
#include "platform/last_error.h"

namespace oemdll {

using namespace plat;

struct RenderPluginMethods {
  static RenderPlugin* From(IPrintOemUni* self) { return reinterpret_cast<RenderPlugin*>(self); }

  static HRESULT InvalidParameter() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }

  static void DropHelper(RenderPlugin* plugin) {
    if (plugin->helper_ != nullptr) {
      plugin->helper_->lpVtbl->Release(plugin->helper_);
      plugin->helper_ = nullptr;
    }
  }

  static HRESULT Q2_STDCALL QueryInterface(IPrintOemUni* self, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (SameGuid(riid, kIidIUnknown) || SameGuid(riid, kIidIPrintOemUni)) {
      *ppv = self;
      self->lpVtbl->AddRef(self);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }

  static ULONG Q2_STDCALL AddRef(IPrintOemUni* self) {
    return CountedAddRef(&From(self)->ref_count_);
  }

  static ULONG Q2_STDCALL Release(IPrintOemUni* self) {
    RenderPlugin* plugin = From(self);
    const LONG count = AtomicDecrement(&plugin->ref_count_);
    if (count != 0) return static_cast<ULONG>(count);
    DropHelper(plugin);
    ObjectDestroyed();
    delete plugin;
    return 0;
  }

  static HRESULT Q2_STDCALL GetInfo(IPrintOemUni* self, DWORD mode, PVOID buffer, DWORD size,
                                    PDWORD needed) {
    if (needed == nullptr) return InvalidParameter();
    if (mode != OEMGI_GETSIGNATURE && mode != OEMGI_GETVERSION && mode != OEMGI_GETPUBLISHERINFO) {
      return InvalidParameter();
    }
    // The plug-in has no publisher record to give; Unidrv learns only its size.
    if (mode == OEMGI_GETPUBLISHERINFO) {
      *needed = 8;
      return E_FAIL;
    }
    *needed = sizeof(DWORD);
    if (size < sizeof(DWORD) || buffer == nullptr) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return E_FAIL;
    }
    const DWORD value = mode == OEMGI_GETSIGNATURE ? kPluginSignature : kPluginVersion;
    memcpy(buffer, &value, sizeof value);
    return S_OK;
  }

  static HRESULT Q2_STDCALL DevMode(IPrintOemUni* self, DWORD mode, POEMDMPARAM param) {
    return PrivateDevMode(mode, param);
  }

  static HRESULT Q2_STDCALL EnableDriver(IPrintOemUni* self, DWORD driver_version, DWORD size,
                                         DRVENABLEDATA* pded) {
    if (pded == nullptr) return InvalidParameter();
    pded->iDriverVersion = PRINTER_OEMINTF_VERSION;
    pded->c = kHookCount;
    pded->pdrvfn = const_cast<DRVFN*>(HookTable());
    return S_OK;
  }

  static HRESULT Q2_STDCALL DisableDriver(IPrintOemUni* self) {
    DropHelper(From(self));
    return S_OK;
  }

  static HRESULT Q2_STDCALL EnablePDEV(IPrintOemUni* self, PDEVOBJ pdevobj, PWSTR printer_name,
                                       ULONG patterns, HSURF* pattern_surfaces,
                                       ULONG gdi_info_size, GDIINFO* gdi_info,
                                       ULONG dev_info_size, DEVINFO* dev_info,
                                       DRVENABLEDATA* pded, PVOID* dev_oem) {
    // Without a place for the record it would only leak.
    if (dev_oem == nullptr) return InvalidParameter();
    PluginPdev* pdev = NewPluginPdev(pded);
    *dev_oem = pdev;
    return pdev != nullptr ? S_OK : E_FAIL;
  }

  static HRESULT Q2_STDCALL DisablePDEV(IPrintOemUni* self, PDEVOBJ pdevobj) {
    if (pdevobj == nullptr) return InvalidParameter();
    DeletePluginPdev(static_cast<PluginPdev*>(pdevobj->pdevOEM));
    return S_OK;
  }

  static HRESULT Q2_STDCALL ResetPDEV(IPrintOemUni* self, PDEVOBJ old_pdevobj,
                                      PDEVOBJ new_pdevobj) {
    return S_OK;
  }

  static HRESULT Q2_STDCALL PublishDriverInterface(IPrintOemUni* self, IUnknown* unknown) {
    RenderPlugin* plugin = From(self);
    if (plugin->helper_ != nullptr) return S_OK;
    if (unknown == nullptr) return InvalidParameter();
    void* helper = nullptr;
    const HRESULT hr = unknown->lpVtbl->QueryInterface(unknown, kIidIPrintOemDriverUni, &helper);
    // A success without an interface would leave the bands nothing to write through.
    if (FAILED(hr) || helper == nullptr) {
      plugin->helper_ = nullptr;
      return E_FAIL;
    }
    plugin->helper_ = static_cast<IPrintOemDriverUni*>(helper);
    return S_OK;
  }

  // Unidrv asks by name before it calls an optional method. The list names
  // ImageProcessing and the methods with a body, but also eleven whose body
  // only returns E_NOTIMPL (DriverDMS, Compression, HalftonePattern,
  // MemoryUsage, TTYGetInfo and the six font methods): the plug-in answers
  // S_OK for them all the same. That is harmless for this printer: Unidrv
  // calls the font methods only for device fonts, Compression and
  // HalftonePattern only for an OEM compression or halftone, and TTYGetInfo
  // only for a text-only printer, none of which the printer's Unidrv
  // description names; MemoryUsage and DriverDMS only offer Unidrv changes
  // to its own figures, which a failed call leaves as they are.
  static HRESULT Q2_STDCALL GetImplementedMethod(IPrintOemUni* self, PSTR method_name) {
    if (method_name == nullptr) return S_FALSE;
    static const char* const kC[] = {"CommandCallback", "Compression", nullptr};
    static const char* const kD[] = {"DisableDriver",      "DisablePDEV",       "DriverDMS",
                                     "DevMode",            "DownloadFontHeader", "DownloadCharGlyph",
                                     nullptr};
    static const char* const kE[] = {"EnableDriver", "EnablePDEV", nullptr};
    static const char* const kF[] = {"FilterGraphics", nullptr};
    static const char* const kG[] = {"GetInfo", nullptr};
    static const char* const kH[] = {"HalftonePattern", nullptr};
    static const char* const kI[] = {"ImageProcessing", nullptr};
    static const char* const kM[] = {"MemoryUsage", nullptr};
    static const char* const kO[] = {"OutputCharStr", nullptr};
    static const char* const kR[] = {"ResetPDEV", nullptr};
    static const char* const kS[] = {"SendFontCmd", nullptr};
    static const char* const kT[] = {"TextOutAsBitmap", "TTDownloadMethod", "TTYGetInfo", nullptr};
    const char* const* names = nullptr;
    switch (method_name[0]) {
      case 'C': names = kC; break;
      case 'D': names = kD; break;
      case 'E': names = kE; break;
      case 'F': names = kF; break;
      case 'G': names = kG; break;
      case 'H': names = kH; break;
      case 'I': names = kI; break;
      case 'M': names = kM; break;
      case 'O': names = kO; break;
      case 'R': names = kR; break;
      case 'S': names = kS; break;
      case 'T': names = kT; break;
      default: return S_FALSE;
    }
    for (; *names != nullptr; ++names) {
      if (strcmp(method_name, *names) == 0) return S_OK;
    }
    return S_FALSE;
  }

  static HRESULT Q2_STDCALL DriverDMS(IPrintOemUni* self, PVOID devobj, PVOID buffer, DWORD size,
                                      PDWORD needed) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL CommandCallback(IPrintOemUni* self, PDEVOBJ pdevobj,
                                            DWORD callback_id, DWORD count, PDWORD params,
                                            INT* result) {
    if (result != nullptr) *result = 0;
    return S_OK;
  }

  // A band that cannot be written through Unidrv's helper is reported as a
  // failure instead of being dropped in silence.
  static HRESULT Q2_STDCALL ImageProcessing(IPrintOemUni* self, PDEVOBJ pdevobj,
                                            PBYTE src_bitmap, PBITMAPINFOHEADER header,
                                            PBYTE color_table, DWORD callback_id,
                                            IPPARAMS* ip_params, PBYTE* result) {
    IPrintOemDriverUni* helper = From(self)->helper_;
    if (helper == nullptr || pdevobj == nullptr || pdevobj->pPublicDM == nullptr ||
        src_bitmap == nullptr || header == nullptr || result == nullptr) {
      return InvalidParameter();
    }
    return ProcessBand(helper, pdevobj, src_bitmap, header, result);
  }

  static HRESULT Q2_STDCALL FilterGraphics(IPrintOemUni* self, PDEVOBJ pdevobj, PBYTE buf,
                                           DWORD len) {
    return S_OK;
  }

  static HRESULT Q2_STDCALL Compression(IPrintOemUni* self, PDEVOBJ pdevobj, PBYTE in_buf,
                                        PBYTE out_buf, DWORD in_len, DWORD out_len, INT* result) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL HalftonePattern(IPrintOemUni* self, PDEVOBJ pdevobj, PBYTE pattern,
                                            DWORD pattern_x, DWORD pattern_y, DWORD patterns,
                                            DWORD callback_id, PBYTE resource,
                                            DWORD resource_size) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL MemoryUsage(IPrintOemUni* self, PDEVOBJ pdevobj,
                                        OEMMEMORYUSAGE* usage) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL TTYGetInfo(IPrintOemUni* self, PDEVOBJ pdevobj, DWORD info_index,
                                       PVOID output, DWORD size, DWORD* needed) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL DownloadFontHeader(IPrintOemUni* self, PDEVOBJ pdevobj,
                                               UNIFONTOBJ* font, DWORD* result) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL DownloadCharGlyph(IPrintOemUni* self, PDEVOBJ pdevobj,
                                              UNIFONTOBJ* font, HGLYPH glyph, PDWORD width,
                                              DWORD* result) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL TTDownloadMethod(IPrintOemUni* self, PDEVOBJ pdevobj,
                                             UNIFONTOBJ* font, DWORD* result) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL OutputCharStr(IPrintOemUni* self, PDEVOBJ pdevobj, UNIFONTOBJ* font,
                                          DWORD type, DWORD count, PVOID glyphs) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL SendFontCmd(IPrintOemUni* self, PDEVOBJ pdevobj, UNIFONTOBJ* font,
                                        FINVOCATION* invocation) {
    return E_NOTIMPL;
  }

  static HRESULT Q2_STDCALL TextOutAsBitmap(IPrintOemUni* self, SURFOBJ*, STROBJ*, FONTOBJ*,
                                            CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*,
                                            POINTL*, MIX) {
    return E_NOTIMPL;
  }

  static const IPrintOemUniVtbl kVtbl;
};

// Slot order is the published IPrintOemUni order; Unidrv calls by slot.
const IPrintOemUniVtbl RenderPluginMethods::kVtbl = {
    &QueryInterface,     &AddRef,           &Release,         &GetInfo,
    &DevMode,            &EnableDriver,     &DisableDriver,   &EnablePDEV,
    &DisablePDEV,        &ResetPDEV,        &PublishDriverInterface,
    &GetImplementedMethod, &DriverDMS,      &CommandCallback, &ImageProcessing,
    &FilterGraphics,     &Compression,      &HalftonePattern, &MemoryUsage,
    &TTYGetInfo,         &DownloadFontHeader, &DownloadCharGlyph, &TTDownloadMethod,
    &OutputCharStr,      &SendFontCmd,      &TextOutAsBitmap,
};

RenderPlugin* RenderPlugin::Create() {
  RenderPlugin* plugin = new (std::nothrow) RenderPlugin;
  if (plugin == nullptr) return nullptr;
  plugin->iface_.lpVtbl = &RenderPluginMethods::kVtbl;
  plugin->ref_count_ = 1;
  plugin->helper_ = nullptr;
  ObjectCreated();
  return plugin;
}

}  // namespace oemdll
