#include "bench/bench_pages.h"

#include <string.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace bench {

const char* PageName(PageKind kind) {
  switch (kind) {
    case PageKind::kLabel: return "label";
    case PageKind::kWhite: return "white";
    case PageKind::kNoise: return "noise";
  }
  return "?";
}

namespace {

// A 4x4 ordered dither: dot on where the tone (0..16) exceeds the threshold.
bool Dither(int32_t x, int32_t y, int tone) {
  static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  return tone > kBayer[y & 3][x & 3];
}

void MakeLabel(page::InkPage* page) {
  const int32_t rows_per_600 = page->rows_per_inch == 600 ? 1 : 2;
  const double cx = kPageDots / 2.0, cy = kPageRows / 2.0;  // in dots and 1/600 inch
  std::mt19937 rng(7);
  for (int32_t r = 0; r < page->rows; ++r) {
    const int32_t y600 = r * rows_per_600;
    for (int32_t x = 0; x < page->width_dots; ++x) {
      // Dots across are 1/300 inch, rows 1/600: the disc is round on paper.
      const double dx = x - cx, dy = (y600 - cy) / 2.0;
      const double radius = std::sqrt(dx * dx + dy * dy);
      if (radius > 700 || radius < 180) continue;  // outside the disc, the hub
      if (y600 < 1100) {
        // Photo: smooth tones per ink with a little grain.
        const int grain = static_cast<int>(rng() % 3);
        const int tones[3] = {(x * 16 / kPageDots + grain) % 17, (y600 * 16 / 1100 + grain) % 17,
                              ((x + y600) * 8 / kPageDots + grain) % 17};
        for (int p = 0; p < page->PlaneCount(); ++p) {
          if (Dither(x, r, tones[p])) page->SetDot(p, r, x);
        }
      } else if (y600 > 1900 && y600 < 2500) {
        // Text: lines of glyphs 24 dots wide, 3-dot strokes, black.
        const int32_t gx = x % 28, gy = (y600 - 1900) % 80;
        const bool stroke = gy < 48 && gx < 24 &&
                            (gx < 3 || gy < 6 || (gy > 21 && gy < 27 && (x / 28) % 3 != 0) ||
                             (gx > 20 && (x / 28) % 2 == 0));
        if (stroke) {
          for (int p = 0; p < page->PlaneCount(); ++p) page->SetDot(p, r, x);
        }
      }
    }
  }
}

}  // namespace

page::InkPage MakePage(PageKind kind, bool colour, int32_t rows_per_inch) {
  page::InkPage page = page::InkPage::Blank(
      kPageDots, geometry::DiscAreaRows(rows_per_inch), rows_per_inch, colour);
  if (kind == PageKind::kLabel) {
    MakeLabel(&page);
  } else if (kind == PageKind::kNoise) {
    std::mt19937 rng(11);
    for (int p = 0; p < page.PlaneCount(); ++p) {
      for (uint8_t& b : page.planes[p]) b = static_cast<uint8_t>(rng());
      // Keep the padding bits of each row white, as a renderer would.
      if (page.width_dots % 8 != 0) {
        const uint8_t keep = static_cast<uint8_t>(0xFF << (8 - page.width_dots % 8));
        for (int32_t r = 0; r < page.rows; ++r) page.Row(p, r)[page.BytesPerRow() - 1] &= keep;
      }
    }
  }
  return page;
}

double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double MemcpySeconds(size_t bytes) {
  std::vector<uint8_t> from(bytes, 0x5A), to(bytes, 0);
  std::vector<double> times;
  for (int i = 0; i < 51; ++i) {
    const double start = ThreadSeconds();
    memcpy(to.data(), from.data(), bytes);
    // Keep the copy from being optimised away.
    asm volatile("" : : "r"(to.data()) : "memory");
    times.push_back(ThreadSeconds() - start);
  }
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return times[times.size() / 2];
}

}  // namespace bench
