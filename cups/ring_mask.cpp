#include "cups/ring_mask.h"

#include <string.h>

#include <algorithm>

namespace cupsdrv {
namespace {

// Clears dots [from, to) of a plane row: the edge bytes by mask, the whole
// bytes between at once.
void ClearDots(uint8_t* row, int32_t from, int32_t to) {
  if (from >= to) return;
  const int32_t first_byte = from / 8;
  const int32_t last_byte = (to - 1) / 8;
  const uint8_t head = static_cast<uint8_t>(0xFF >> (from % 8));         // dots from `from` on
  const uint8_t tail = static_cast<uint8_t>(0xFF << (7 - (to - 1) % 8));  // dots up to to - 1
  if (first_byte == last_byte) {
    row[first_byte] &= static_cast<uint8_t>(~(head & tail));
    return;
  }
  row[first_byte] &= static_cast<uint8_t>(~head);
  row[last_byte] &= static_cast<uint8_t>(~tail);
  if (last_byte > first_byte + 1) memset(row + first_byte + 1, 0, static_cast<size_t>(last_byte - first_byte - 1));
}

}  // namespace

void ClearOffRing(const page::DiscMask& mask, PagePlanes* planes) {
  const int32_t width = planes->width;
  for (int32_t y = 0; y < planes->rows; ++y) {
    const page::RingRow ring = mask.Row(y);
    const int32_t first = std::clamp(ring.first, 0, width);
    const int32_t end = std::clamp(ring.last + 1, first, width);
    for (int p = 0; p < planes->plane_count; ++p) {
      uint8_t* row = planes->Row(p, y);
      ClearDots(row, 0, first);
      ClearDots(row, end, width);
      if (ring.hub_first <= ring.hub_last) {
        ClearDots(row, std::clamp(ring.hub_first, 0, width), std::clamp(ring.hub_last + 1, 0, width));
      }
    }
  }
}

}  // namespace cupsdrv
