// A tiny 5 x 7 bitmap font: enough to letter the example label and the
// panels of the preview without a font library.
#ifndef QUILLORY2_IMAGING_BITMAP_FONT_H_
#define QUILLORY2_IMAGING_BITMAP_FONT_H_

#include <stdint.h>

#include <string>

#include "imaging/rgb_image.h"

namespace imaging {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one blank column between letters

// The glyph's rows, top first, bit 4 the leftmost column; lower case is drawn
// as upper case and characters without a glyph as a hollow box.
const uint8_t* Glyph(char c);

// Width in pixels of text drawn at scale (each font pixel scale x scale).
int32_t TextWidth(const std::string& text, int32_t scale);

// Draws text with its top-left corner at (x, y); pixels off the image are
// skipped. Returns the width drawn.
int32_t DrawText(RgbImage* image, int32_t x, int32_t y, const std::string& text, int32_t scale, Rgb colour);

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_BITMAP_FONT_H_
