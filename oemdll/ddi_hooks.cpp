#include "oemdll/ddi_hooks.h"

#include <new>

namespace oemdll {
namespace {

using namespace plat;

constexpr ULONG kSendPagePosition = 17;
constexpr ULONG kQueryFontDataPosition = 25;

// What a hook answers when it cannot reach Unidrv's function: the failure
// value of that function. DrvQueryFontData reports failure as FD_ERROR;
// everything else as FALSE, 0 or null (for DrvEscape, 0 is "not supported").
// Keyed by position, because BOOL and LONG are the same type on some hosts.
template <ULONG Position, typename R>
struct Unreachable {
  static R Value() { return R(); }
};
template <typename R>
struct Unreachable<kQueryFontDataPosition, R> {
  static R Value() { return static_cast<R>(0xFFFFFFFF); }
};

PluginPdev* PdevOf(DEVOBJ* devobj) {
  return devobj != nullptr ? static_cast<PluginPdev*>(devobj->pdevOEM) : nullptr;
}

PFN SavedEntry(DEVOBJ* devobj, ULONG position) {
  PluginPdev* pdev = PdevOf(devobj);
  return pdev != nullptr ? pdev->unidrv[position] : nullptr;
}

DEVOBJ* DevobjOf(SURFOBJ* pso) {
  return pso != nullptr ? static_cast<DEVOBJ*>(pso->dhpdev) : nullptr;
}

// A hook hands its call to Unidrv's function saved at its own position,
// with the very arguments it received, and returns Unidrv's result. The
// PDEV comes from the first argument: a surface, or the DHPDEV itself.
template <ULONG Position, typename Fn>
struct Forward;

template <ULONG Position, typename R, typename... Args>
struct Forward<Position, R(Q2_STDCALL*)(SURFOBJ*, Args...)> {
  static R Q2_STDCALL Hook(SURFOBJ* pso, Args... args) {
    static_assert(Position < kHookCount, "hook position");
    PFN saved = SavedEntry(DevobjOf(pso), Position);
    if (saved == nullptr) return Unreachable<Position, R>::Value();
    return reinterpret_cast<R(Q2_STDCALL*)(SURFOBJ*, Args...)>(saved)(pso, args...);
  }
};

template <ULONG Position, typename R, typename... Args>
struct Forward<Position, R(Q2_STDCALL*)(DHPDEV, Args...)> {
  static R Q2_STDCALL Hook(DHPDEV dhpdev, Args... args) {
    static_assert(Position < kHookCount, "hook position");
    PFN saved = SavedEntry(static_cast<DEVOBJ*>(dhpdev), Position);
    if (saved == nullptr) return Unreachable<Position, R>::Value();
    return reinterpret_cast<R(Q2_STDCALL*)(DHPDEV, Args...)>(saved)(dhpdev, args...);
  }
};

// Unidrv realises brushes itself when it renders the band; the plug-in only
// has to say yes.
BOOL Q2_STDCALL RealizeBrushHook(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) {
  return TRUE;
}

// Every band goes out from row address 0, so Unidrv's cursor must be back at
// the origin before it dumps the page; otherwise it would move the printer
// head on its own. Only bitmap surfaces are rendered into bands.
BOOL Q2_STDCALL SendPageHook(SURFOBJ* pso) {
  DEVOBJ* devobj = DevobjOf(pso);
  PFN saved = SavedEntry(devobj, kSendPagePosition);
  if (saved == nullptr) return FALSE;
  if (pso->iType == STYPE_BITMAP && devobj->pDrvProcs != nullptr) {
    if (devobj->pDrvProcs->DrvXMoveTo != nullptr) devobj->pDrvProcs->DrvXMoveTo(devobj, 0, 0);
    if (devobj->pDrvProcs->DrvYMoveTo != nullptr) devobj->pDrvProcs->DrvYMoveTo(devobj, 0, 0);
  }
  return reinterpret_cast<PFN_DrvSendPage>(saved)(pso);
}

template <typename Fn>
PFN Entry(Fn fn) {
  return reinterpret_cast<PFN>(fn);
}

const DRVFN kHooks[kHookCount] = {
    {INDEX_DrvRealizeBrush, Entry(&RealizeBrushHook)},
    {INDEX_DrvDitherColor, Entry(&Forward<1, PFN_DrvDitherColor>::Hook)},
    {INDEX_DrvCopyBits, Entry(&Forward<2, PFN_DrvCopyBits>::Hook)},
    {INDEX_DrvBitBlt, Entry(&Forward<3, PFN_DrvBitBlt>::Hook)},
    {INDEX_DrvStretchBlt, Entry(&Forward<4, PFN_DrvStretchBlt>::Hook)},
    {INDEX_DrvStretchBltROP, Entry(&Forward<5, PFN_DrvStretchBltROP>::Hook)},
    {INDEX_DrvPlgBlt, Entry(&Forward<6, PFN_DrvPlgBlt>::Hook)},
    {INDEX_DrvTransparentBlt, Entry(&Forward<7, PFN_DrvTransparentBlt>::Hook)},
    {INDEX_DrvAlphaBlend, Entry(&Forward<8, PFN_DrvAlphaBlend>::Hook)},
    {INDEX_DrvGradientFill, Entry(&Forward<9, PFN_DrvGradientFill>::Hook)},
    {INDEX_DrvTextOut, Entry(&Forward<10, PFN_DrvTextOut>::Hook)},
    {INDEX_DrvStrokePath, Entry(&Forward<11, PFN_DrvStrokePath>::Hook)},
    {INDEX_DrvFillPath, Entry(&Forward<12, PFN_DrvFillPath>::Hook)},
    {INDEX_DrvStrokeAndFillPath, Entry(&Forward<13, PFN_DrvStrokeAndFillPath>::Hook)},
    {INDEX_DrvPaint, Entry(&Forward<14, PFN_DrvPaint>::Hook)},
    {INDEX_DrvLineTo, Entry(&Forward<15, PFN_DrvLineTo>::Hook)},
    {INDEX_DrvStartPage, Entry(&Forward<16, PFN_DrvStartPage>::Hook)},
    {INDEX_DrvSendPage, Entry(&SendPageHook)},  // kSendPagePosition
    {INDEX_DrvEscape, Entry(&Forward<18, PFN_DrvEscape>::Hook)},
    {INDEX_DrvStartDoc, Entry(&Forward<19, PFN_DrvStartDoc>::Hook)},
    {INDEX_DrvEndDoc, Entry(&Forward<20, PFN_DrvEndDoc>::Hook)},
    {INDEX_DrvNextBand, Entry(&Forward<21, PFN_DrvNextBand>::Hook)},
    {INDEX_DrvStartBanding, Entry(&Forward<22, PFN_DrvStartBanding>::Hook)},
    {INDEX_DrvQueryFont, Entry(&Forward<23, PFN_DrvQueryFont>::Hook)},
    {INDEX_DrvQueryFontTree, Entry(&Forward<24, PFN_DrvQueryFontTree>::Hook)},
    {INDEX_DrvQueryFontData, Entry(&Forward<kQueryFontDataPosition, PFN_DrvQueryFontData>::Hook)},
    {INDEX_DrvQueryAdvanceWidths, Entry(&Forward<26, PFN_DrvQueryAdvanceWidths>::Hook)},
    {INDEX_DrvFontManagement, Entry(&Forward<27, PFN_DrvFontManagement>::Hook)},
    {INDEX_DrvGetGlyphMode, Entry(&Forward<28, PFN_DrvGetGlyphMode>::Hook)},
};

}  // namespace

const DRVFN* HookTable() { return kHooks; }

PluginPdev* NewPluginPdev(const DRVENABLEDATA* unidrv) {
  PluginPdev* pdev = new (std::nothrow) PluginPdev;
  if (pdev == nullptr) return nullptr;
  const ULONG count = (unidrv != nullptr && unidrv->pdrvfn != nullptr) ? unidrv->c : 0;
  for (ULONG position = 0; position < kHookCount; ++position) {
    pdev->unidrv[position] = nullptr;
    for (ULONG i = 0; i < count; ++i) {
      if (unidrv->pdrvfn[i].iFunc == kHooks[position].iFunc) {
        pdev->unidrv[position] = unidrv->pdrvfn[i].pfn;
        break;
      }
    }
  }
  return pdev;
}

void DeletePluginPdev(PluginPdev* pdev) { delete pdev; }

}  // namespace oemdll
