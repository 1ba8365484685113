// The documents the printer application's tests print: the example label as
// PNG and JPEG, pages on the printer's dots as PWG and Apple raster, and PDF
// made by Ghostscript.
#ifndef QUILLORY2_TESTS_PRINTERAPP_TEST_DOCUMENTS_H_
#define QUILLORY2_TESTS_PRINTERAPP_TEST_DOCUMENTS_H_

#include <string>

#include "imaging/rgb_image.h"
#include "tests/support/support.h"

namespace apptest {

using testsupport::ExampleLabel;

// The example label as a JPEG at path.
bool WriteLabelJpeg(const std::string& path);

// A picture on the printer's dots: 1416 dots by the square's rows at
// rows_per_inch, with coloured blocks, a grey ramp and fine lines.
imaging::RgbImage DotsPage(int rows_per_inch);

enum class RasterKind { kPwgSrgb, kPwgSgray, kAppleSrgb, kPwgBlack1, kPwgCmyk8 };
// The page as one raster page at 300 x rows-per-inch dpi (Apple raster only
// has square dots: 300 x 300). With cut_rows > 0 the file ends that many
// rows early.
bool WriteRaster(const std::string& path, const imaging::RgbImage& dots, int rows_per_inch,
                 RasterKind kind, int cut_rows = 0);

// A PDF of `pages` pages, each the 4.72 inch square with coloured blocks
// and the page number, made by Ghostscript; false when gs cannot.
bool WritePdf(const std::string& path, int pages);

}  // namespace apptest

#endif  // QUILLORY2_TESTS_PRINTERAPP_TEST_DOCUMENTS_H_
