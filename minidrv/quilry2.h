// The minidriver's contract with the NT 4.0 universal printer driver (the
// host driver): its three exports, the init record the host passes to
// bSetFuncAddr and the spool-write callback the record carries.
//
// Calling convention: every export and the spool-write callback use
// Q2_STDCALL, which is __stdcall on 32-bit Windows (where the convention
// matters) and the platform's default elsewhere. A host must declare its
// callback with the same convention.
//
// The module keeps all of its state in static storage for as long as it stays
// loaded: the first scanline fixes colour or monochrome and the resolution,
// and one load prints at most one colour page. A host that prints several
// colour jobs loads a fresh copy of the module for each.
#ifndef QUILLORY2_MINIDRV_QUILRY2_H_
#define QUILLORY2_MINIDRV_QUILRY2_H_

#include <stddef.h>
#include <stdint.h>

#include "platform/windows_types.h"

#if defined(_WIN32)
#define Q2_MINIDRV_EXPORT  // exported through quilry2.def
#else
#define Q2_MINIDRV_EXPORT __attribute__((visibility("default")))
#endif

// Writes count bytes for the device; the module never reads the result.
typedef int32_t(Q2_STDCALL* Q2SpoolWriteProc)(void* device, const void* bytes, int32_t count);

// The init record as the native build lays it out: two 16-bit words, then the
// callback at its natural alignment (8 bytes in all on 32-bit builds, 16 on
// 64-bit ones). bSetFuncAddr refuses a record whose size field is below
// sizeof(Q2MinidriverInit) and copies exactly that many bytes.
struct Q2MinidriverInit {
  uint16_t wSize;
  uint16_t wVersion;
  Q2SpoolWriteProc pfnWriteSpoolBuf;
};
static_assert(offsetof(Q2MinidriverInit, pfnWriteSpoolBuf) == sizeof(void*),
              "the callback sits at its natural alignment");
static_assert(sizeof(Q2MinidriverInit) == 2 * sizeof(void*), "8 bytes on 32-bit, 16 on 64-bit");

// Export signatures, for hosts that resolve the exports by name.
typedef BOOL(Q2_STDCALL* Q2InitProc)(DWORD, DWORD, DWORD);
typedef BOOL(Q2_STDCALL* Q2SetFuncAddrProc)(const Q2MinidriverInit* record);
typedef int32_t(Q2_STDCALL* Q2FilterGraphicsProc)(void* device, const uint8_t* scanline,
                                                  int32_t length);

extern "C" {

// Ignores its arguments and returns TRUE.
Q2_MINIDRV_EXPORT BOOL Q2_STDCALL bInitProc(DWORD, DWORD, DWORD);

// Binds the spool-write callback. Returns FALSE, keeping any earlier binding,
// for a null record, a size field below sizeof(Q2MinidriverInit) or a
// version of 0; otherwise copies the record and returns TRUE.
Q2_MINIDRV_EXPORT BOOL Q2_STDCALL bSetFuncAddr(const Q2MinidriverInit* record);

// Takes one rendered scanline: monochrome scanlines (the first scanline was
// shorter than 185 bytes) are encoded and sent at once, colour scanlines
// (cyan, magenta, yellow rows in turn) are stored until the page's line limit,
// where all three planes go out. Always returns 0.
Q2_MINIDRV_EXPORT int32_t Q2_STDCALL CBFilterGraphics(void* device, const uint8_t* scanline,
                                                       int32_t length);
}

#endif  // QUILLORY2_MINIDRV_QUILRY2_H_
