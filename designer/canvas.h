// Internal to designer/: a Cairo surface on the printer's dot grid whose
// user space is millimetres from the disc's centre (x right, y down), the
// Pango context that lays text out on it, and the fonts a template names.
#ifndef QUILLORY2_DESIGNER_CANVAS_H_
#define QUILLORY2_DESIGNER_CANVAS_H_

#include <cairo.h>
#include <pango/pangocairo.h>
#include <stdint.h>

#include <set>
#include <string>

#include "designer/label_template.h"
#include "designer/render.h"
#include "imaging/rgb_image.h"

namespace designer {

constexpr const char* kFallbackFamily = "DejaVu Sans";

class Canvas {
 public:
  // rows_per_inch 300 or 600; the surface is the printable square.
  explicit Canvas(int32_t rows_per_inch);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  int32_t rows() const { return rows_; }

  // A layout of one paragraph of text in the font; a family that is not
  // installed is replaced by kFallbackFamily, with one warning per family.
  PangoLayout* Layout(const std::string& text, const Font& font, Warnings* warnings);
  void SetColour(const Colour& c) { cairo_set_source_rgb(cr_, c.r / 255.0, c.g / 255.0, c.b / 255.0); }

  // The surface's pixels as RGB.
  imaging::RgbImage Pixels();

 private:
  std::string Family(const std::string& wanted, Warnings* warnings);

  int32_t rows_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
  PangoFontMap* font_map_;
  PangoContext* context_;
  std::set<std::string> families_;  // installed, lower case
  std::set<std::string> warned_;
};

// Millimetres of a size given in points.
constexpr double PointsToMm(double pt) { return pt * 25.4 / 72.0; }

// A picture of the template decoded (within the template's pixel limit) as
// a Cairo surface; nullptr with a reason.
cairo_surface_t* PictureSurface(const Picture& picture, std::string* error);

// The parts of a label, each drawn in user space (mm from the centre).
bool DrawArcText(Canvas* canvas, const ArcText& arc, Warnings* warnings, std::string* error);
bool DrawTrackList(Canvas* canvas, const LabelTemplate& label, Warnings* warnings, std::string* error);

}  // namespace designer

#endif  // QUILLORY2_DESIGNER_CANVAS_H_
