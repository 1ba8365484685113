// The row encoders: one row of a captured colour plane, or one monochrome
// scanline, becomes row position, packing-mode, column position and raster
// transfer commands. Every command is assembled in the fixed buffers; a row
// whose bytes would reach past the printer line is cut at its edge, so that
// the buffers always suffice.
#include "minidrv/module_state.h"

namespace minidrv {

namespace {

using raster::Command;
using raster::FirstNonZero;
using raster::LastNonZero;
using raster::ZeroText;

// Sends the packed row in RleBuf as one write. A transfer that reaches the
// refusal threshold (or would not fit outbuf) is not sent.
void SendPacked(void* device, int itoa_size) {
  int head = raster::FormatCommand(outbuf, Command::kRasterTransfer, RleSize, itoa_size,
                                   ZeroText::kEmpty);
  if (head == 0) return;
  int32_t total = head + RleSize;
  if (total >= kRefusedTransfer || total > kOutBufBytes) return;
  raster::CopyBytes(outbuf + head, RleBuf, RleSize);
  Spool(device, outbuf, total);
}

}  // namespace

void OutColorBuf(void* device, uint8_t* row, int32_t length, int32_t y) {
  // Every plane starts in plain mode with nothing positioned; the printer is
  // told so even when the first row turns out blank.
  if (y == 0) {
    LastX = -1;
    LastY = -99;
    bRleMode = 0;
    Spool(device, raster::kPackingPlain, raster::kFixedCommandBytes);
  }
  if (length <= 0) return;

  // The leftmost dot is never printed, and on the first row of a plane bit 6
  // of byte 0 is the host's resolution mark, not a dot.
  row[0] &= static_cast<uint8_t>(~kLeftmostDot);
  if (y == 0) row[0] &= static_cast<uint8_t>(~kResolutionMark);

  if (length > kColourRowMax) length = kColourRowMax;
  int32_t first = FirstNonZero(row, length);
  if (first < 0) return;
  int32_t last = LastNonZero(row, length);
  int32_t count = last - first + 1;

  // The printer moves down one row by itself after each transfer.
  if (y != LastY + nStep) {
    int n = raster::FormatCommand(outbuf, Command::kRowPosition, y, kColourItoaSize, ZeroText::kEmpty);
    Spool(device, outbuf, n);
  }
  LastY = y;

  // Packing stops as soon as the packed row would be longer than the plain one.
  RleSize = raster::ComputeRLE(row + first, first + kColourMargin, count, RleBuf, count);
  if (!raster::ShouldPack(RleSize, count)) {
    if (bRleMode) {
      Spool(device, raster::kPackingPlain, raster::kFixedCommandBytes);
      bRleMode = 0;
    }
    int n = 0;
    int32_t x = 8 * (first + kColourMargin);
    if (x != LastX) {
      n = raster::FormatCommand(outbuf, Command::kColumnPosition, x, kColourItoaSize, ZeroText::kEmpty);
      LastX = x;
    }
    n += raster::FormatCommand(outbuf + n, Command::kRasterTransfer, count, kColourItoaSize,
                               ZeroText::kEmpty);
    Spool(device, outbuf, n);
    // Plain data goes straight from the plane store.
    Spool(device, row + first, count);
    return;
  }

  if (!bRleMode) {
    Spool(device, raster::kPackingRle, raster::kFixedCommandBytes);
    LastX = -1;  // packed rows leave the printer's column undefined
    bRleMode = 1;
  }
  SendPacked(device, kColourPackedItoaSize);
}

void OutMonoBuf(void* device, const uint8_t* scanline, int32_t length) {
  // The scanline's last byte lands on printer byte 188; bytes that would land
  // left of the printer line are cut.
  if (length > kMonoRowMax) {
    scanline += length - kMonoRowMax;
    length = kMonoRowMax;
  }
  int32_t lead = kMonoEnd - length;
  int32_t x = 8 * lead;

  int32_t last = LastNonZero(scanline, length);
  if (last < 0) return;
  int32_t count = last + 1;  // plain data includes the leading zero bytes

  char digits[kMonoItoaSize];
  int digit_count = raster::my_itoa(digits, count, kMonoItoaSize, ZeroText::kEmpty);
  if (digit_count == 0 || raster::kCommandOverhead + digit_count + count >= kRefusedTransfer) return;

  RleSize = raster::ComputeRLE(scanline, lead, count, RleBuf, count);
  if (!raster::ShouldPack(RleSize, count)) {
    if (bRleMode) {
      Spool(device, raster::kPackingPlain, raster::kFixedCommandBytes);
      bRleMode = 0;
    }
    if (x != MonoLastX) {
      MonoLastX = x;
      int n = raster::FormatCommand(outbuf, Command::kColumnPosition, x, kMonoColumnItoaSize,
                                    ZeroText::kEmpty);
      Spool(device, outbuf, n);
    }
    int head = raster::FormatCommand(outbuf, Command::kRasterTransfer, count, kMonoItoaSize,
                                     ZeroText::kEmpty);
    raster::CopyBytes(outbuf + head, scanline, count);
    Spool(device, outbuf, head + count);
    return;
  }

  if (!bRleMode) {
    Spool(device, raster::kPackingRle, raster::kFixedCommandBytes);
    MonoLastX = -1;
    bRleMode = 1;
  }
  SendPacked(device, kMonoItoaSize);
}

}  // namespace minidrv
