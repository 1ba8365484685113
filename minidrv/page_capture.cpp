// Page capture: the host driver hands over colour pages one scanline of each
// plane in turn (cyan, magenta, yellow), while the printer takes one whole
// plane after another. Colour scanlines are therefore kept in the plane store
// until the page is complete and then sent yellow, magenta, cyan; monochrome
// scanlines go out as they arrive.
#include "minidrv/module_state.h"

namespace minidrv {

namespace {

// Appends a scanline to a plane. A scanline that would not fit the rest of
// the plane is dropped whole: a cut row would shift every later row of the
// plane when the store is cut into rows at the send.
void StoreRow(uint8_t* plane, int32_t* stored, const uint8_t* scanline, int32_t length) {
  if (length > kPlaneBytes - *stored) return;
  raster::CopyBytes(plane + *stored, scanline, length);
  *stored += length;
}

}  // namespace

void DumpPlane(void* device, uint8_t* plane, int32_t stored, int32_t row_length) {
  // Rows carry no length of their own; the store is cut by the length of the
  // scanline that completed the page. A remainder is not a row, and a length
  // of 0 gives no rows at all.
  int32_t rows = row_length > 0 ? stored / row_length : 0;
  // The host's begin-page command started the first plane; the module starts
  // every later one itself.
  if (bFirstPagePrinted) Spool(device, raster::kPlaneStart, raster::kFixedCommandBytes);
  for (int32_t r = 0; r < rows; ++r) OutColorBuf(device, plane + r * row_length, row_length, r * nStep);
  bFirstPagePrinted = 1;
}

}  // namespace minidrv

using namespace minidrv;

extern "C" int32_t Q2_STDCALL CBFilterGraphics(void* device, const uint8_t* scanline,
                                                int32_t length) {
  if (scanline == nullptr || length < 0) return 0;
  // With no callback bound nothing could leave the module: the scanline is
  // ignored as if it never came, so that a later binding finds the module as
  // loaded rather than halfway through a page it never saw.
  if (ntmdInit.pfnWriteSpoolBuf == nullptr) return 0;
  if (bStop) return 0;

  if (nColorMode == 0) {
    if (length < kColourScanlineMin) {
      nColorMode = 1;
    } else {
      nColorMode = 2;
      if (nDPI == 0) {
        nDPI = 300;
        nStep = 2;
        if (scanline[0] & kResolutionMark) {
          nDPI = 600;
          nStep = 1;
        }
      }
    }
  }

  if (nColorMode == 1) {
    OutMonoBuf(device, scanline, length);
    return 0;
  }

  switch (nPlane) {
    case 0: {
      ++nLinesWritten;
      int32_t limit = nDPI == 600 ? kLineLimit600 : kLineLimit300;
      if (nLinesWritten < limit) {
        StoreRow(plane0, &iP0, scanline, length);
        break;
      }
      // The page is complete: the scanline that reached the limit is not
      // stored, and every later one is dropped until the module is reloaded.
      bStop = 1;
      DumpPlane(device, plane2, iP2, length);
      DumpPlane(device, plane1, iP1, length);
      DumpPlane(device, plane0, iP0, length);
      return 0;
    }
    case 1:
      StoreRow(plane1, &iP1, scanline, length);
      break;
    default:
      StoreRow(plane2, &iP2, scanline, length);
      break;
  }
  nPlane = (nPlane + 1) % 3;
  return 0;
}
