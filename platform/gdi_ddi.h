// The GDI printer DDI records and function indices that the plug-in hooks.
// Objects the plug-in only passes along (brushes, paths, fonts ...) stay
// opaque: the plug-in never looks into them.
#ifndef QUILLORY2_PLATFORM_GDI_DDI_H_
#define QUILLORY2_PLATFORM_GDI_DDI_H_

#include "platform/windows_types.h"

namespace plat {

struct BRUSHOBJ;
struct CLIPOBJ;
struct XLATEOBJ;
struct PATHOBJ;
struct XFORMOBJ;
struct STROBJ;
struct FONTOBJ;
struct LINEATTRS;
struct COLORADJUSTMENT;
struct BLENDOBJ;
struct TRIVERTEX;
struct GLYPHDATA;
struct IFIMETRICS;
struct POINTFIX;
struct GDIINFO;
struct DEVINFO;

typedef void* DHPDEV;
typedef void* DHSURF;
typedef void* HSURF;
typedef void* HDEV;
typedef ULONG MIX;
typedef ULONG ROP4;
typedef ULONG HGLYPH;
typedef ULONG_PTR PFN_ADDR;
typedef void (*PFN)();

// The published SURFOBJ.
struct SURFOBJ {
  DHSURF dhsurf;
  HSURF hsurf;
  DHPDEV dhpdev;
  HDEV hdev;
  SIZEL sizlBitmap;
  ULONG cjBits;
  PVOID pvBits;
  PVOID pvScan0;
  LONG lDelta;
  ULONG iUniq;
  ULONG iBitmapFormat;
  USHORT iType;
  USHORT fjBitmap;
};

constexpr USHORT STYPE_BITMAP = 0;
constexpr USHORT STYPE_DEVICE = 1;
constexpr USHORT STYPE_DEVBITMAP = 3;

struct DRVFN {
  ULONG iFunc;
  PFN pfn;
};

struct DRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;
  DRVFN* pdrvfn;
};

// The published INDEX_Drv... numbers of the hooked functions.
enum DdiIndex : ULONG {
  INDEX_DrvRealizeBrush = 12,
  INDEX_DrvDitherColor = 13,
  INDEX_DrvStrokePath = 14,
  INDEX_DrvFillPath = 15,
  INDEX_DrvStrokeAndFillPath = 16,
  INDEX_DrvPaint = 17,
  INDEX_DrvBitBlt = 18,
  INDEX_DrvCopyBits = 19,
  INDEX_DrvStretchBlt = 20,
  INDEX_DrvTextOut = 23,
  INDEX_DrvEscape = 24,
  INDEX_DrvQueryFont = 26,
  INDEX_DrvQueryFontTree = 27,
  INDEX_DrvQueryFontData = 28,
  INDEX_DrvLineTo = 31,
  INDEX_DrvSendPage = 32,
  INDEX_DrvStartPage = 33,
  INDEX_DrvEndDoc = 34,
  INDEX_DrvStartDoc = 35,
  INDEX_DrvGetGlyphMode = 37,
  INDEX_DrvFontManagement = 47,
  INDEX_DrvQueryAdvanceWidths = 53,
  INDEX_DrvStartBanding = 57,
  INDEX_DrvNextBand = 58,
  INDEX_DrvGradientFill = 68,
  INDEX_DrvStretchBltROP = 69,
  INDEX_DrvPlgBlt = 70,
  INDEX_DrvAlphaBlend = 71,
  INDEX_DrvTransparentBlt = 74,
};

// The published signatures of the hooked DDI functions.
typedef BOOL(Q2_STDCALL* PFN_DrvRealizeBrush)(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*,
                                              ULONG);
typedef ULONG(Q2_STDCALL* PFN_DrvDitherColor)(DHPDEV, ULONG, ULONG, ULONG*);
typedef BOOL(Q2_STDCALL* PFN_DrvCopyBits)(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*);
typedef BOOL(Q2_STDCALL* PFN_DrvBitBlt)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*,
                                        POINTL*, POINTL*, BRUSHOBJ*, POINTL*, ROP4);
typedef BOOL(Q2_STDCALL* PFN_DrvStretchBlt)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*,
                                            COLORADJUSTMENT*, POINTL*, RECTL*, RECTL*, POINTL*,
                                            ULONG);
typedef BOOL(Q2_STDCALL* PFN_DrvStretchBltROP)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*,
                                               COLORADJUSTMENT*, POINTL*, RECTL*, RECTL*, POINTL*,
                                               ULONG, BRUSHOBJ*, DWORD);
typedef BOOL(Q2_STDCALL* PFN_DrvPlgBlt)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*,
                                        COLORADJUSTMENT*, POINTL*, POINTFIX*, RECTL*, POINTL*,
                                        ULONG);
typedef BOOL(Q2_STDCALL* PFN_DrvTransparentBlt)(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*,
                                                RECTL*, ULONG, ULONG);
typedef BOOL(Q2_STDCALL* PFN_DrvAlphaBlend)(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*,
                                            RECTL*, BLENDOBJ*);
typedef BOOL(Q2_STDCALL* PFN_DrvGradientFill)(SURFOBJ*, CLIPOBJ*, XLATEOBJ*, TRIVERTEX*, ULONG,
                                              PVOID, ULONG, RECTL*, POINTL*, ULONG);
typedef BOOL(Q2_STDCALL* PFN_DrvTextOut)(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,
                                         BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX);
typedef BOOL(Q2_STDCALL* PFN_DrvStrokePath)(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*,
                                            POINTL*, LINEATTRS*, MIX);
typedef BOOL(Q2_STDCALL* PFN_DrvFillPath)(SURFOBJ*, PATHOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX,
                                          FLONG);
typedef BOOL(Q2_STDCALL* PFN_DrvStrokeAndFillPath)(SURFOBJ*, PATHOBJ*, CLIPOBJ*, XFORMOBJ*,
                                                   BRUSHOBJ*, LINEATTRS*, BRUSHOBJ*, POINTL*, MIX,
                                                   FLONG);
typedef BOOL(Q2_STDCALL* PFN_DrvPaint)(SURFOBJ*, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX);
typedef BOOL(Q2_STDCALL* PFN_DrvLineTo)(SURFOBJ*, CLIPOBJ*, BRUSHOBJ*, LONG, LONG, LONG, LONG,
                                        RECTL*, MIX);
typedef BOOL(Q2_STDCALL* PFN_DrvStartPage)(SURFOBJ*);
typedef BOOL(Q2_STDCALL* PFN_DrvSendPage)(SURFOBJ*);
typedef ULONG(Q2_STDCALL* PFN_DrvEscape)(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID);
typedef BOOL(Q2_STDCALL* PFN_DrvStartDoc)(SURFOBJ*, LPWSTR, DWORD);
typedef BOOL(Q2_STDCALL* PFN_DrvEndDoc)(SURFOBJ*, FLONG);
typedef BOOL(Q2_STDCALL* PFN_DrvNextBand)(SURFOBJ*, POINTL*);
typedef BOOL(Q2_STDCALL* PFN_DrvStartBanding)(SURFOBJ*, POINTL*);
typedef IFIMETRICS*(Q2_STDCALL* PFN_DrvQueryFont)(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*);
typedef PVOID(Q2_STDCALL* PFN_DrvQueryFontTree)(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*);
typedef LONG(Q2_STDCALL* PFN_DrvQueryFontData)(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID,
                                               ULONG);
typedef BOOL(Q2_STDCALL* PFN_DrvQueryAdvanceWidths)(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG);
typedef ULONG(Q2_STDCALL* PFN_DrvFontManagement)(SURFOBJ*, FONTOBJ*, ULONG, ULONG, PVOID, ULONG,
                                                 PVOID);
typedef ULONG(Q2_STDCALL* PFN_DrvGetGlyphMode)(DHPDEV, FONTOBJ*);

}  // namespace plat

#endif  // QUILLORY2_PLATFORM_GDI_DDI_H_
