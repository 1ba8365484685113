// The module state and the two binding exports.
#include "minidrv/module_state.h"

namespace minidrv {

// The load image: these values hold until the module is loaded afresh.
Q2MinidriverInit ntmdInit = {0, 0, nullptr};
int32_t nColorMode = 0;
int32_t nDPI = 0;
int32_t nStep = 0;
int32_t nPlane = 0;
int32_t nLinesWritten = 0;
int32_t bStop = 0;
uint8_t plane0[kPlaneBytes];
uint8_t plane1[kPlaneBytes];
uint8_t plane2[kPlaneBytes];
int32_t iP0 = 0;
int32_t iP1 = 0;
int32_t iP2 = 0;
int32_t bFirstPagePrinted = 0;
int32_t bRleMode = 0;
int32_t LastX = -1;
int32_t LastY = -99;
int32_t MonoLastX = -1;
uint8_t RleBuf[kRleBufBytes];
int32_t RleSize = 0;
uint8_t outbuf[kOutBufBytes];

void Spool(void* device, const uint8_t* bytes, int32_t count) {
  Q2SpoolWriteProc write = ntmdInit.pfnWriteSpoolBuf;
  if (write == nullptr || count <= 0) return;
  write(device, bytes, count);
}

}  // namespace minidrv

using namespace minidrv;

extern "C" {

BOOL Q2_STDCALL bInitProc(DWORD, DWORD, DWORD) { return TRUE; }

BOOL Q2_STDCALL bSetFuncAddr(const Q2MinidriverInit* record) {
  if (record == nullptr) return FALSE;
  if (record->wSize < sizeof(Q2MinidriverInit) || record->wVersion == 0) return FALSE;
  // A longer record (a newer host) is welcome, but only the part this build
  // knows is taken.
  raster::CopyBytes(reinterpret_cast<uint8_t*>(&ntmdInit),
                    reinterpret_cast<const uint8_t*>(record),
                    static_cast<int>(sizeof(Q2MinidriverInit)));
  return TRUE;
}

}  // extern "C"
