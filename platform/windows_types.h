// Base Windows types with their Windows sizes.
//
// On a mingw-w64 build <windows.h> supplies them. On Linux nothing of Windows
// exists, so they are defined here with the LLP64 sizes that every Windows
// build uses: DWORD, LONG, ULONG and HRESULT are 32-bit everywhere, pointers
// follow the machine.
#ifndef QUILLORY2_PLATFORM_WINDOWS_TYPES_H_
#define QUILLORY2_PLATFORM_WINDOWS_TYPES_H_

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#define Q2_STDCALL __stdcall
// A WCHAR string literal: WCHAR is wchar_t on Windows, char16_t elsewhere.
#define Q2_WIDE(text) L"" text
#else
#define Q2_STDCALL
#define Q2_WIDE(text) u"" text

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int32_t BOOL;
typedef int32_t HRESULT;
typedef char16_t WCHAR;
typedef char CHAR;
typedef void* PVOID;
typedef void* HANDLE;
typedef void* HMODULE;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef ULONG FLONG;
typedef BYTE* PBYTE;
typedef DWORD* PDWORD;
typedef char* PSTR;
typedef const char* PCSTR;
typedef WCHAR* PWSTR;
typedef WCHAR* LPWSTR;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFIID;
typedef const GUID& REFCLSID;

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L

struct POINTL {
  LONG x;
  LONG y;
};
struct RECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
typedef POINTL SIZEL;

// The published BITMAPINFOHEADER, 40 bytes.
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
typedef BITMAPINFOHEADER* PBITMAPINFOHEADER;

// The published DEVMODEW in its field order: dmOrientation lies at offset 76
// and dmYResolution at offset 96, as Unidrv stores them.
struct DEVMODEW {
  WCHAR dmDeviceName[32];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  SHORT dmOrientation;
  SHORT dmPaperSize;
  SHORT dmPaperLength;
  SHORT dmPaperWidth;
  SHORT dmScale;
  SHORT dmCopies;
  SHORT dmDefaultSource;
  SHORT dmPrintQuality;
  SHORT dmColor;
  SHORT dmDuplex;
  SHORT dmYResolution;
  SHORT dmTTOption;
  SHORT dmCollate;
  WCHAR dmFormName[32];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmNup;
  DWORD dmDisplayFrequency;
  DWORD dmICMMethod;
  DWORD dmICMIntent;
  DWORD dmMediaType;
  DWORD dmDitherType;
  DWORD dmReserved1;
  DWORD dmReserved2;
  DWORD dmPanningWidth;
  DWORD dmPanningHeight;
};
typedef DEVMODEW* PDEVMODEW;

#define DMORIENT_PORTRAIT 1
#define DMORIENT_LANDSCAPE 2

#endif  // _WIN32

static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(ULONG) == 4, "LLP64 sizes");
static_assert(sizeof(HRESULT) == 4 && sizeof(WORD) == 2, "LLP64 sizes");
static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "published BITMAPINFOHEADER");
static_assert(offsetof(DEVMODEW, dmOrientation) == 76, "published DEVMODEW");
static_assert(offsetof(DEVMODEW, dmYResolution) == 96, "published DEVMODEW");
static_assert(sizeof(DEVMODEW) == 220, "published DEVMODEW");

#endif  // QUILLORY2_PLATFORM_WINDOWS_TYPES_H_
