#include "hosts/unidrv_device.h"

#include <type_traits>

namespace hosts {

namespace {

using namespace plat;

template <typename R>
R FromWord(uintptr_t word) {
  if constexpr (std::is_pointer_v<R>) {
    return reinterpret_cast<R>(word);
  } else {
    return static_cast<R>(word);
  }
}

UnidrvDevice* DeviceOf(SURFOBJ* pso) {
  return pso != nullptr ? UnidrvDevice::From(static_cast<DEVOBJ*>(pso->dhpdev)) : nullptr;
}

// Unidrv's function for one index: records the call on the device found
// through its first argument and answers the result set for that index.
template <ULONG Index, typename Fn>
struct Recorder;

template <ULONG Index, typename R, typename... Args>
struct Recorder<Index, R(Q2_STDCALL*)(SURFOBJ*, Args...)> {
  static R Q2_STDCALL Call(SURFOBJ* pso, Args... args) {
    UnidrvDevice* device = DeviceOf(pso);
    if (device == nullptr) return R();
    device->calls.push_back({Index, {ArgWord(pso), ArgWord(args)...}});
    if (Index == INDEX_DrvSendPage && device->on_send_page) device->on_send_page(pso);
    return FromWord<R>(device->ResultFor(Index));
  }
};

template <ULONG Index, typename R, typename... Args>
struct Recorder<Index, R(Q2_STDCALL*)(DHPDEV, Args...)> {
  static R Q2_STDCALL Call(DHPDEV dhpdev, Args... args) {
    UnidrvDevice* device = UnidrvDevice::From(static_cast<DEVOBJ*>(dhpdev));
    if (device == nullptr) return R();
    device->calls.push_back({Index, {ArgWord(dhpdev), ArgWord(args)...}});
    return FromWord<R>(device->ResultFor(Index));
  }
};

// DrvRealizeBrush finds its PDEV through the target surface, its second argument.
BOOL Q2_STDCALL RealizeBrush(BRUSHOBJ* brush, SURFOBJ* target, SURFOBJ* pattern, SURFOBJ* mask,
                             XLATEOBJ* xlate, ULONG hatch) {
  UnidrvDevice* device = DeviceOf(target);
  if (device == nullptr) return FALSE;
  device->calls.push_back({INDEX_DrvRealizeBrush,
                           {ArgWord(brush), ArgWord(target), ArgWord(pattern), ArgWord(mask),
                            ArgWord(xlate), ArgWord(hatch)}});
  return FromWord<BOOL>(device->ResultFor(INDEX_DrvRealizeBrush));
}

INT Q2_STDCALL XMoveTo(PDEVOBJ pdevobj, INT x, DWORD flags) {
  UnidrvDevice* device = UnidrvDevice::From(pdevobj);
  if (device == nullptr) return 0;
  device->cursor.push_back({'X', x, flags});
  return device->cursor_result;
}

INT Q2_STDCALL YMoveTo(PDEVOBJ pdevobj, INT y, DWORD flags) {
  UnidrvDevice* device = UnidrvDevice::From(pdevobj);
  if (device == nullptr) return 0;
  device->cursor.push_back({'Y', y, flags});
  return device->cursor_result;
}

template <ULONG Index, typename Fn>
DRVFN Entry() {
  return {Index, reinterpret_cast<PFN>(&Recorder<Index, Fn>::Call)};
}

std::vector<DRVFN> AllFunctions() {
  return {
      {INDEX_DrvRealizeBrush, reinterpret_cast<PFN>(&RealizeBrush)},
      Entry<INDEX_DrvDitherColor, PFN_DrvDitherColor>(),
      Entry<INDEX_DrvCopyBits, PFN_DrvCopyBits>(),
      Entry<INDEX_DrvBitBlt, PFN_DrvBitBlt>(),
      Entry<INDEX_DrvStretchBlt, PFN_DrvStretchBlt>(),
      Entry<INDEX_DrvStretchBltROP, PFN_DrvStretchBltROP>(),
      Entry<INDEX_DrvPlgBlt, PFN_DrvPlgBlt>(),
      Entry<INDEX_DrvTransparentBlt, PFN_DrvTransparentBlt>(),
      Entry<INDEX_DrvAlphaBlend, PFN_DrvAlphaBlend>(),
      Entry<INDEX_DrvGradientFill, PFN_DrvGradientFill>(),
      Entry<INDEX_DrvTextOut, PFN_DrvTextOut>(),
      Entry<INDEX_DrvStrokePath, PFN_DrvStrokePath>(),
      Entry<INDEX_DrvFillPath, PFN_DrvFillPath>(),
      Entry<INDEX_DrvStrokeAndFillPath, PFN_DrvStrokeAndFillPath>(),
      Entry<INDEX_DrvPaint, PFN_DrvPaint>(),
      Entry<INDEX_DrvLineTo, PFN_DrvLineTo>(),
      Entry<INDEX_DrvStartPage, PFN_DrvStartPage>(),
      Entry<INDEX_DrvSendPage, PFN_DrvSendPage>(),
      Entry<INDEX_DrvEscape, PFN_DrvEscape>(),
      Entry<INDEX_DrvStartDoc, PFN_DrvStartDoc>(),
      Entry<INDEX_DrvEndDoc, PFN_DrvEndDoc>(),
      Entry<INDEX_DrvNextBand, PFN_DrvNextBand>(),
      Entry<INDEX_DrvStartBanding, PFN_DrvStartBanding>(),
      Entry<INDEX_DrvQueryFont, PFN_DrvQueryFont>(),
      Entry<INDEX_DrvQueryFontTree, PFN_DrvQueryFontTree>(),
      Entry<INDEX_DrvQueryFontData, PFN_DrvQueryFontData>(),
      Entry<INDEX_DrvQueryAdvanceWidths, PFN_DrvQueryAdvanceWidths>(),
      Entry<INDEX_DrvFontManagement, PFN_DrvFontManagement>(),
      Entry<INDEX_DrvGetGlyphMode, PFN_DrvGetGlyphMode>(),
  };
}

}  // namespace

std::vector<ULONG> UnidrvHookableIndices() {
  std::vector<ULONG> indices;
  for (const DRVFN& fn : AllFunctions()) indices.push_back(fn.iFunc);
  return indices;
}

UnidrvDevice::UnidrvDevice() : functions(AllFunctions()) {
  devobj.dwSize = sizeof devobj;
  // Unidrv keeps its own state behind the DEVOBJ; the stand-in keeps itself.
  devobj.hEngine = this;
  devobj.pPublicDM = &public_dm;
  devobj.pDrvProcs = &procs;
  public_dm.dmSize = sizeof public_dm;
  public_dm.dmOrientation = DMORIENT_PORTRAIT;
  public_dm.dmYResolution = 600;
  procs.DrvXMoveTo = &XMoveTo;
  procs.DrvYMoveTo = &YMoveTo;
}

DRVENABLEDATA UnidrvDevice::EnableData() {
  DRVENABLEDATA data{};
  data.iDriverVersion = PRINTER_OEMINTF_VERSION;
  data.c = static_cast<ULONG>(functions.size());
  data.pdrvfn = functions.empty() ? nullptr : functions.data();
  return data;
}

PFN UnidrvDevice::Function(ULONG index) const {
  for (const DRVFN& fn : functions) {
    if (fn.iFunc == index) return fn.pfn;
  }
  return nullptr;
}

UnidrvDevice* UnidrvDevice::From(DEVOBJ* devobj) {
  return devobj != nullptr ? static_cast<UnidrvDevice*>(devobj->hEngine) : nullptr;
}

uintptr_t UnidrvDevice::ResultFor(ULONG index) const {
  auto it = results.find(index);
  return it != results.end() ? it->second : 1;
}

}  // namespace hosts
