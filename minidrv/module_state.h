// Internal to the minidriver: its module state and the routines the exports
// share. Nothing here is part of the module's interface.
//
// The module has no heap and no start-up code, so its whole state is static
// storage with fixed initial values, listed here in one place under the names
// it is known by. Only a fresh load restores these values.
#ifndef QUILLORY2_MINIDRV_MODULE_STATE_H_
#define QUILLORY2_MINIDRV_MODULE_STATE_H_

#include <stdint.h>

#include "minidrv/quilry2.h"
#include "geometry/printer_geometry.h"
#include "raster/command_stream.h"

namespace minidrv {

// One plane of a whole colour page: 2829 rows of 186 bytes at 600 rows per
// inch, 1414 rows of 372 bytes at 300.
constexpr int32_t kPlaneBytes = 526568;

// The first scanline decides the mode: colour scanlines are at least this long.
constexpr int32_t kColourScanlineMin = 185;

// Plane-0 scanlines that trigger the send of a colour page.
constexpr int32_t kLineLimit600 = 2830;
constexpr int32_t kLineLimit300 = 1415;

// The resolution mark: bit 6 of the first byte of the first colour scanline
// is set at 600 rows per inch.
constexpr uint8_t kResolutionMark = 0x40;
// The leftmost dot of every colour row is never printed.
constexpr uint8_t kLeftmostDot = 0x80;

// Colour row byte k lands on printer byte k + 3; a monochrome scanline ends
// on printer byte 188. Bytes that would land outside the printer line are cut.
constexpr int32_t kColourMargin = geometry::kMinidriverMarginBytes;
constexpr int32_t kColourRowMax = geometry::kPrinterLineBytes - kColourMargin;  // 189
constexpr int32_t kMonoEnd = geometry::kMinidriverMonoEndBytes;                 // one past byte 188
constexpr int32_t kMonoRowMax = kMonoEnd;

// Capacities (NUL included) of the decimal parameters the minidriver writes.
constexpr int kColourItoaSize = 10;
constexpr int kColourPackedItoaSize = 9;
constexpr int kMonoItoaSize = 11;
constexpr int kMonoColumnItoaSize = 6;

// A transfer of this many bytes (command and data) or more is not sent.
constexpr int32_t kRefusedTransfer = 210;

constexpr int32_t kRleBufBytes = 400;
constexpr int32_t kOutBufBytes = 204;

// With rows cut at the printer line's edge the fixed buffers always suffice:
// the packer covers at most 189 bytes behind a lead of at most 189, and a
// transfer carries at most 189 data bytes (a packed row goes out only when it
// is no longer than the plain data).
static_assert(raster::RleBound(kColourMargin + kColourRowMax - 1, kColourRowMax) <= kRleBufBytes,
              "RleBuf holds any packed colour row");
static_assert(raster::RleBound(kMonoEnd - 1, kMonoRowMax) <= kRleBufBytes,
              "RleBuf holds any packed monochrome row");
static_assert(raster::MaxCommandBytes(kMonoItoaSize) + kMonoRowMax <= kOutBufBytes,
              "outbuf holds any monochrome transfer");
static_assert(raster::MaxCommandBytes(kColourPackedItoaSize) + kColourRowMax <= kOutBufBytes,
              "outbuf holds any packed colour transfer");
static_assert(2 * raster::MaxCommandBytes(kColourItoaSize) <= kOutBufBytes,
              "outbuf holds a column command and a transfer header");

// Module state. All integers are signed 32-bit.
extern Q2MinidriverInit ntmdInit;  // the bound spool-write callback, all zero until bound
extern int32_t nColorMode;         // 0 undecided, 1 monochrome, 2 colour
extern int32_t nDPI;               // 0 undecided, 300 or 600 rows per inch
extern int32_t nStep;              // row address step per row: 1 at 600, 2 at 300
extern int32_t nPlane;             // plane of the next colour scanline: 0, 1, 2
extern int32_t nLinesWritten;      // plane-0 scanlines counted against the line limit
extern int32_t bStop;              // 1 once the captured page was sent
extern uint8_t plane0[kPlaneBytes];  // cyan
extern uint8_t plane1[kPlaneBytes];  // magenta
extern uint8_t plane2[kPlaneBytes];  // yellow
extern int32_t iP0;                // bytes stored in plane0
extern int32_t iP1;
extern int32_t iP2;
extern int32_t bFirstPagePrinted;  // 1 once a plane was sent: later planes need a plane start
extern int32_t bRleMode;           // packing mode last selected, shared by colour and monochrome
extern int32_t LastX;              // dot column of the last colour column command, -1 none
extern int32_t LastY;              // row address of the last non-blank colour row, -99 none
extern int32_t MonoLastX;          // dot column of the last monochrome column command, -1 none
extern uint8_t RleBuf[kRleBufBytes];
extern int32_t RleSize;
extern uint8_t outbuf[kOutBufBytes];

// Hands count bytes to the bound callback; with no callback bound, nothing.
void Spool(void* device, const uint8_t* bytes, int32_t count);

// Encodes one row of a colour plane at row address y and sends it. Clears the
// leftmost dot of the row in place (and the resolution mark at y = 0).
void OutColorBuf(void* device, uint8_t* row, int32_t length, int32_t y);

// Encodes one monochrome scanline and sends it.
void OutMonoBuf(void* device, const uint8_t* scanline, int32_t length);

// Sends one stored plane, cut into rows of row_length bytes.
void DumpPlane(void* device, uint8_t* plane, int32_t stored, int32_t row_length);

}  // namespace minidrv

#endif  // QUILLORY2_MINIDRV_MODULE_STATE_H_
