// The Unidrv plug-in interface: the records Unidrv shares with a rendering
// plug-in, Unidrv's helper interface IPrintOemDriverUni, and the plug-in's
// own interface IPrintOemUni, each as a plain interface table in its
// published slot order.
#ifndef QUILLORY2_PLATFORM_PRINTER_OEM_H_
#define QUILLORY2_PLATFORM_PRINTER_OEM_H_

#include "platform/com.h"
#include "platform/gdi_ddi.h"
#include "platform/windows_types.h"

namespace plat {

struct DEVOBJ;
typedef DEVOBJ* PDEVOBJ;

// Unidrv's callback table in every DEVOBJ. The plug-in calls only the second
// and third entries, to put Unidrv's cursor back at the page origin.
typedef DWORD(Q2_STDCALL* PFN_DrvWriteSpoolBuf)(PDEVOBJ, PVOID, DWORD);
typedef INT(Q2_STDCALL* PFN_DrvXMoveTo)(PDEVOBJ, INT, DWORD);
typedef INT(Q2_STDCALL* PFN_DrvYMoveTo)(PDEVOBJ, INT, DWORD);
typedef BOOL(Q2_STDCALL* PFN_DrvGetDriverSetting)(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD);
struct DRVPROCS {
  PFN_DrvWriteSpoolBuf DrvWriteSpoolBuf;
  PFN_DrvXMoveTo DrvXMoveTo;
  PFN_DrvYMoveTo DrvYMoveTo;
  PFN_DrvGetDriverSetting DrvGetDriverSetting;
  PVOID DrvGetStandardVariable;
  PVOID DrvUnidriverTextOut;
  PVOID DrvWriteAbortBuf;
};

// The published DEVOBJ: Unidrv's device object, the dhpdev of every hooked call.
struct DEVOBJ {
  DWORD dwSize;
  PVOID pdevOEM;
  HANDLE hEngine;
  HANDLE hPrinter;
  HANDLE hOEM;
  DEVMODEW* pPublicDM;
  PVOID pOEMDM;
  DRVPROCS* pDrvProcs;
};

struct OEMDMPARAM {
  DWORD cbSize;
  PVOID pdriverobj;
  HANDLE hPrinter;
  HANDLE hModule;
  DEVMODEW* pPublicDMIn;
  DEVMODEW* pPublicDMOut;
  PVOID pOEMDMIn;
  PVOID pOEMDMOut;
  DWORD cbBufSize;
};
typedef OEMDMPARAM* POEMDMPARAM;

struct OEM_DMEXTRAHEADER {
  DWORD dwSize;
  DWORD dwSignature;
  DWORD dwVersion;
};

// Opaque records that the plug-in receives but never reads.
struct IPPARAMS;
struct OEMMEMORYUSAGE;
struct UNIFONTOBJ;
struct FINVOCATION;

constexpr DWORD OEMGI_GETSIGNATURE = 1;
constexpr DWORD OEMGI_GETINTERFACEVERSION = 2;
constexpr DWORD OEMGI_GETVERSION = 3;
constexpr DWORD OEMGI_GETPUBLISHERINFO = 4;

constexpr DWORD OEMDM_SIZE = 1;
constexpr DWORD OEMDM_DEFAULT = 2;
constexpr DWORD OEMDM_CONVERT = 3;
constexpr DWORD OEMDM_MERGE = 4;

constexpr ULONG PRINTER_OEMINTF_VERSION = 0x00010000;

// CLSID_OEMRENDER {6D6ABF26-9F38-11D1-882A-00C04FB961EC}.
constexpr GUID kClsidOemRender = {
    0x6D6ABF26, 0x9F38, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
// IID_IPrintOemUni {D67EBBF0-78BF-11D1-9480-00A0C90640B8}.
constexpr GUID kIidIPrintOemUni = {
    0xD67EBBF0, 0x78BF, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
// IID_IPrintOemDriverUni {D67EBBF1-78BF-11D1-9480-00A0C90640B8}.
constexpr GUID kIidIPrintOemDriverUni = {
    0xD67EBBF1, 0x78BF, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};

// Unidrv's helper interface, handed to the plug-in by PublishDriverInterface.
struct IPrintOemDriverUni;
struct IPrintOemDriverUniVtbl {
  HRESULT(Q2_STDCALL* QueryInterface)(IPrintOemDriverUni* self, REFIID riid, void** ppv);
  ULONG(Q2_STDCALL* AddRef)(IPrintOemDriverUni* self);
  ULONG(Q2_STDCALL* Release)(IPrintOemDriverUni* self);
  HRESULT(Q2_STDCALL* DrvGetDriverSetting)(IPrintOemDriverUni* self, PVOID pdriverobj,
                                           PCSTR feature, PVOID output, DWORD size,
                                           PDWORD needed, PDWORD options_returned);
  HRESULT(Q2_STDCALL* DrvWriteSpoolBuf)(IPrintOemDriverUni* self, PDEVOBJ pdevobj, PVOID buffer,
                                        DWORD size, DWORD* written);
  HRESULT(Q2_STDCALL* DrvXMoveTo)(IPrintOemDriverUni* self, PDEVOBJ pdevobj, INT x, DWORD flags,
                                  INT* result);
  HRESULT(Q2_STDCALL* DrvYMoveTo)(IPrintOemDriverUni* self, PDEVOBJ pdevobj, INT y, DWORD flags,
                                  INT* result);
  HRESULT(Q2_STDCALL* DrvGetStandardVariable)(IPrintOemDriverUni* self, PDEVOBJ pdevobj,
                                              DWORD index, PVOID buffer, DWORD size,
                                              PDWORD needed);
  HRESULT(Q2_STDCALL* DrvGetGPDData)(IPrintOemDriverUni* self, PDEVOBJ pdevobj, DWORD type,
                                     PVOID input, PVOID buffer, DWORD size, PDWORD needed);
  HRESULT(Q2_STDCALL* DrvUniTextOut)(IPrintOemDriverUni* self, SURFOBJ*, STROBJ*, FONTOBJ*,
                                     CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*,
                                     MIX);
  HRESULT(Q2_STDCALL* DrvWriteAbortBuf)(IPrintOemDriverUni* self, PDEVOBJ pdevobj, PVOID buffer,
                                        DWORD size, DWORD wait);
};
struct IPrintOemDriverUni {
  const IPrintOemDriverUniVtbl* lpVtbl;
};

// The plug-in's interface: IUnknown, IPrintOemCommon, IPrintOemEngine and
// IPrintOemUni methods in that order, 26 slots.
struct IPrintOemUni;
struct IPrintOemUniVtbl {
  HRESULT(Q2_STDCALL* QueryInterface)(IPrintOemUni* self, REFIID riid, void** ppv);
  ULONG(Q2_STDCALL* AddRef)(IPrintOemUni* self);
  ULONG(Q2_STDCALL* Release)(IPrintOemUni* self);
  HRESULT(Q2_STDCALL* GetInfo)(IPrintOemUni* self, DWORD mode, PVOID buffer, DWORD size,
                               PDWORD needed);
  HRESULT(Q2_STDCALL* DevMode)(IPrintOemUni* self, DWORD mode, POEMDMPARAM param);
  HRESULT(Q2_STDCALL* EnableDriver)(IPrintOemUni* self, DWORD driver_version, DWORD size,
                                    DRVENABLEDATA* pded);
  HRESULT(Q2_STDCALL* DisableDriver)(IPrintOemUni* self);
  HRESULT(Q2_STDCALL* EnablePDEV)(IPrintOemUni* self, PDEVOBJ pdevobj, PWSTR printer_name,
                                  ULONG patterns, HSURF* pattern_surfaces, ULONG gdi_info_size,
                                  GDIINFO* gdi_info, ULONG dev_info_size, DEVINFO* dev_info,
                                  DRVENABLEDATA* pded, PVOID* dev_oem);
  HRESULT(Q2_STDCALL* DisablePDEV)(IPrintOemUni* self, PDEVOBJ pdevobj);
  HRESULT(Q2_STDCALL* ResetPDEV)(IPrintOemUni* self, PDEVOBJ old_pdevobj, PDEVOBJ new_pdevobj);
  HRESULT(Q2_STDCALL* PublishDriverInterface)(IPrintOemUni* self, IUnknown* unknown);
  HRESULT(Q2_STDCALL* GetImplementedMethod)(IPrintOemUni* self, PSTR method_name);
  HRESULT(Q2_STDCALL* DriverDMS)(IPrintOemUni* self, PVOID devobj, PVOID buffer, DWORD size,
                                 PDWORD needed);
  HRESULT(Q2_STDCALL* CommandCallback)(IPrintOemUni* self, PDEVOBJ pdevobj, DWORD callback_id,
                                       DWORD count, PDWORD params, INT* result);
  HRESULT(Q2_STDCALL* ImageProcessing)(IPrintOemUni* self, PDEVOBJ pdevobj, PBYTE src_bitmap,
                                       PBITMAPINFOHEADER header, PBYTE color_table,
                                       DWORD callback_id, IPPARAMS* ip_params, PBYTE* result);
  HRESULT(Q2_STDCALL* FilterGraphics)(IPrintOemUni* self, PDEVOBJ pdevobj, PBYTE buf, DWORD len);
  HRESULT(Q2_STDCALL* Compression)(IPrintOemUni* self, PDEVOBJ pdevobj, PBYTE in_buf,
                                   PBYTE out_buf, DWORD in_len, DWORD out_len, INT* result);
  HRESULT(Q2_STDCALL* HalftonePattern)(IPrintOemUni* self, PDEVOBJ pdevobj, PBYTE pattern,
                                       DWORD pattern_x, DWORD pattern_y, DWORD patterns,
                                       DWORD callback_id, PBYTE resource, DWORD resource_size);
  HRESULT(Q2_STDCALL* MemoryUsage)(IPrintOemUni* self, PDEVOBJ pdevobj, OEMMEMORYUSAGE* usage);
  HRESULT(Q2_STDCALL* TTYGetInfo)(IPrintOemUni* self, PDEVOBJ pdevobj, DWORD info_index,
                                  PVOID output, DWORD size, DWORD* needed);
  HRESULT(Q2_STDCALL* DownloadFontHeader)(IPrintOemUni* self, PDEVOBJ pdevobj, UNIFONTOBJ* font,
                                          DWORD* result);
  HRESULT(Q2_STDCALL* DownloadCharGlyph)(IPrintOemUni* self, PDEVOBJ pdevobj, UNIFONTOBJ* font,
                                         HGLYPH glyph, PDWORD width, DWORD* result);
  HRESULT(Q2_STDCALL* TTDownloadMethod)(IPrintOemUni* self, PDEVOBJ pdevobj, UNIFONTOBJ* font,
                                        DWORD* result);
  HRESULT(Q2_STDCALL* OutputCharStr)(IPrintOemUni* self, PDEVOBJ pdevobj, UNIFONTOBJ* font,
                                     DWORD type, DWORD count, PVOID glyphs);
  HRESULT(Q2_STDCALL* SendFontCmd)(IPrintOemUni* self, PDEVOBJ pdevobj, UNIFONTOBJ* font,
                                   FINVOCATION* invocation);
  HRESULT(Q2_STDCALL* TextOutAsBitmap)(IPrintOemUni* self, SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*,
                                       RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX);
};
struct IPrintOemUni {
  const IPrintOemUniVtbl* lpVtbl;
};

static_assert(sizeof(IPrintOemUniVtbl) == 26 * sizeof(void*), "26 slots of IPrintOemUni");
static_assert(sizeof(IPrintOemDriverUniVtbl) == 11 * sizeof(void*), "IPrintOemDriverUni slots");
static_assert(sizeof(IClassFactoryVtbl) == 5 * sizeof(void*), "5 slots of IClassFactory");

}  // namespace plat

#endif  // QUILLORY2_PLATFORM_PRINTER_OEM_H_
