#include "cups/ring_mask.h"

#include <string.h>

#include <algorithm>

namespace cupsdrv {
namespace {

// Makes dots [from, to) of a band scan line white: a set bit is white, and a
// colour pixel is a nibble whose bits 0 to 2 (and 3) are all set.
void Whiten(uint8_t* line, int bits_per_pixel, int32_t from, int32_t to) {
  if (from >= to) return;
  const int32_t per_byte = 8 / bits_per_pixel;
  // The edges bit by bit (or nibble by nibble), the whole bytes between at once.
  while (from < to && from % per_byte != 0) {
    if (bits_per_pixel == 1) {
      line[from / 8] |= static_cast<uint8_t>(0x80 >> (from % 8));
    } else {
      line[from / 2] |= (from & 1) ? 0x0F : 0xF0;
    }
    ++from;
  }
  while (to > from && to % per_byte != 0) {
    --to;
    if (bits_per_pixel == 1) {
      line[to / 8] |= static_cast<uint8_t>(0x80 >> (to % 8));
    } else {
      line[to / 2] |= (to & 1) ? 0x0F : 0xF0;
    }
  }
  if (from < to) memset(line + from / per_byte, 0xFF, static_cast<size_t>((to - from) / per_byte));
}

}  // namespace

void ClearOffRing(const page::DiscMask& mask, PageBand* band) {
  const int32_t width = band->width;
  for (int32_t y = 0; y < band->height; ++y) {
    uint8_t* line = band->bits.get() + static_cast<size_t>(y) * band->stride;
    const page::RingRow ring = mask.Row(y);
    const int32_t first = std::clamp(ring.first, 0, width);
    const int32_t end = std::clamp(ring.last + 1, first, width);
    Whiten(line, band->bits_per_pixel, 0, first);
    Whiten(line, band->bits_per_pixel, end, width);
    if (ring.hub_first <= ring.hub_last) {
      Whiten(line, band->bits_per_pixel, std::clamp(ring.hub_first, 0, width),
             std::clamp(ring.hub_last + 1, 0, width));
    }
  }
}

}  // namespace cupsdrv
