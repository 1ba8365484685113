// From a picture to the pages the printer prints: the one imaging path of
// the command-line tool and the printer application.
//
// The picture (PNG, JPEG or PNM) is scaled to fit the printable square of the
// paper size "CD", centred keeping its aspect, masked to the printable ring,
// separated into cyan, magenta and yellow (or taken as black) and halftoned
// by error diffusion, at the resolution and in the colour mode of the job.
#ifndef QUILLORY2_IMAGING_LABEL_H_
#define QUILLORY2_IMAGING_LABEL_H_

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "imaging/disc_layout.h"
#include "imaging/image_reader.h"
#include "imaging/rgb_image.h"
#include "imaging/separation.h"
#include "page/ink_page.h"
#include "page/job_options.h"

namespace imaging {

// How a picture is turned into dots.
enum class Rendering {
  kPhoto,    // separation in linear light (separation.h), vector error diffusion (vector_diffusion.h)
  kClassic,  // ink = 1 - code value, Floyd-Steinberg per plane: the baseline the benchmarks compare with
};

// How a picture is laid on the disc, beyond the job options.
struct LabelLayout {
  page::DiscSize disc = page::DiscSize::k120;  // the picture fills this disc's page
  DiscRing ring;                               // where ink may land
  SeparationSettings separation;               // tone and ink limit
  Rendering rendering = Rendering::kPhoto;
};

// Checks a layout given by the user (the ring must fit the disc); false with a
// reason in *error.
bool ValidateLayout(const LabelLayout& layout, std::string* error);

// The page of a decoded picture: 1416 dots by the square's rows.
page::InkPage MakeLabelPage(const RgbImage& picture, const page::JobOptions& options,
                            const LabelLayout& layout);

// The page of a picture that is already on the printer's dots at the job's
// resolution (a raster page, whose pixels are 1/300 inch across and
// 1/rows-per-inch down), masked, separated and halftoned as MakeLabelPage
// does, without scaling. It is centred on the printable square; what lies
// beyond the square is left out.
page::InkPage MakeLabelPageOnDots(const RgbImage& dots, const page::JobOptions& options,
                                  const LabelLayout& layout);

// The pages of a picture file held in memory, one page per picture. False,
// with a one-line reason, for a picture that cannot be read.
bool MakeLabelPages(const uint8_t* data, size_t size, const page::JobOptions& options,
                    const LabelLayout& layout, std::vector<page::InkPage>* pages,
                    std::string* error, const ImageLimits& limits = ImageLimits{});

// A chart of ink coverages that needs no separation (the test disc's
// ramps): halftoned by the picture path's vector error diffusion, so that it
// prints with the dots pictures print with. at(dot, row, coverage) tells
// whether ink may land on the dot and, where it may, writes its coverage 0..1
// of each ink (cyan, magenta, yellow, or black). The error stops where ink
// may not land.
using CoverageAt = std::function<bool(int32_t dot, int32_t row, float* coverage)>;
page::InkPage HalftoneCoverage(int32_t width_dots, int32_t rows, int32_t rows_per_inch, bool colour,
                               const CoverageAt& at);

}  // namespace imaging

#endif  // QUILLORY2_IMAGING_LABEL_H_
