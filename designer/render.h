// From a label template to pictures: the contone label on the printer's dot
// grid, the ink page the printer prints, and the preview a person looks at.
//
// The label is drawn with Cairo and Pango (fonts through fontconfig)
// straight onto the dot grid of the job: 300 dots per inch across and 600 or
// 300 rows per inch down, so text is set at the printer's own resolution.
// The contone picture then goes through the one picture path of imaging/
// (ring mask, separation, halftone), as any picture does.
#ifndef QUILLORY2_DESIGNER_RENDER_H_
#define QUILLORY2_DESIGNER_RENDER_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "designer/label_template.h"
#include "imaging/label.h"
#include "imaging/rgb_image.h"
#include "page/ink_page.h"
#include "page/job_options.h"

namespace designer {

// What rendering says besides the picture: fonts that fell back, and the
// size a track list was shrunk to.
using Warnings = std::vector<std::string>;

// The label on the printable square at rows_per_inch (300 or 600): 1416
// dots across, 1416 or 2832 rows down, the disc's centre at its middle.
// False with a one-line reason (a picture that cannot be read, a track list
// that does not fit even at its minimum size, a text too long for its arc).
bool RenderLabel(const LabelTemplate& label, int32_t rows_per_inch, imaging::RgbImage* dots,
                 Warnings* warnings, std::string* error);

// The picture path's layout for the template: the template's disc and ring,
// and the job's separation and rendering from base.
imaging::LabelLayout LayoutFor(const LabelTemplate& label, const imaging::LabelLayout& base = {});

// The ink page of the label for a job: rendered at the job's resolution,
// then masked, separated and halftoned by imaging::MakeLabelPageOnDots
// with LayoutFor(label, base).
bool DesignPage(const LabelTemplate& label, const page::JobOptions& options, const imaging::LabelLayout& base,
                page::InkPage* page, Warnings* warnings, std::string* error);

// What a person looks at before printing: the label at 300 x 300 dots per
// inch (1416 pixels square), the tray shown grey beyond the printable ring
// and in the hub, with the disc's edge and hub drawn. The tool's --preview
// and the printer application's page show this same picture.
bool RenderPreview(const LabelTemplate& label, imaging::RgbImage* preview, Warnings* warnings,
                   std::string* error);

}  // namespace designer

#endif  // QUILLORY2_DESIGNER_RENDER_H_
