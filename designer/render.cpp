#include "designer/render.h"

#include <math.h>

#include <mutex>

#include "designer/canvas.h"
#include "imaging/disc_layout.h"

namespace designer {
namespace {

// Fontconfig and Pango's font caches are shared by the process; the printer
// application renders from its web and job threads, one label at a time.
std::mutex g_render_mutex;

double Radians(double degrees) { return degrees * M_PI / 180; }

// A picture of w x h pixels drawn with its centre at the current origin,
// scale mm per pixel, turned clockwise by rotate_deg.
void DrawPicture(cairo_t* cr, cairo_surface_t* surface, double scale, double rotate_deg) {
  const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
  cairo_rotate(cr, Radians(rotate_deg));
  cairo_scale(cr, scale, scale);
  cairo_translate(cr, -w / 2.0, -h / 2.0);
  cairo_set_source_surface(cr, surface, 0, 0);
  // GOOD filters a picture shrunk to the dots by averaging, not sampling.
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_fill(cr);
}

bool DrawBackground(Canvas* canvas, const LabelTemplate& label, std::string* error) {
  cairo_t* cr = canvas->cr();
  canvas->SetColour(label.background.colour);
  cairo_paint(cr);
  const Photo& photo = label.background.photo;
  if (photo.picture.Empty()) return true;
  cairo_surface_t* surface = PictureSurface(photo.picture, error);
  if (surface == nullptr) {
    *error = "$.background.photo: " + *error;
    return false;
  }
  const double w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
  const double d = label.disc.outer_mm;
  // Fill: the photo covers the printable disc. Fit: the whole photo lies on it.
  const double base = photo.fit == PhotoFit::kFill ? d / std::min(w, h) : d / sqrt(w * w + h * h);
  cairo_save(cr);
  cairo_translate(cr, photo.pan_x_mm, photo.pan_y_mm);
  DrawPicture(cr, surface, base * photo.zoom, photo.rotate_deg);
  cairo_restore(cr);
  cairo_surface_destroy(surface);
  return true;
}

bool DrawLogos(Canvas* canvas, const LabelTemplate& label, std::string* error) {
  cairo_t* cr = canvas->cr();
  for (size_t i = 0; i < label.logos.size(); ++i) {
    const Logo& logo = label.logos[i];
    cairo_surface_t* surface = PictureSurface(logo.picture, error);
    if (surface == nullptr) {
      *error = "$.logos[" + std::to_string(i) + "]: " + *error;
      return false;
    }
    const double x = logo.polar ? logo.radius_mm * sin(Radians(logo.angle_deg)) : logo.x_mm;
    const double y = logo.polar ? -logo.radius_mm * cos(Radians(logo.angle_deg)) : logo.y_mm;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    DrawPicture(cr, surface, logo.width_mm / cairo_image_surface_get_width(surface), logo.rotate_deg);
    cairo_restore(cr);
    cairo_surface_destroy(surface);
  }
  return true;
}

void DrawTextLine(Canvas* canvas, const TextLine& line, Warnings* warnings) {
  if (line.text.empty()) return;
  PangoLayout* layout = canvas->Layout(line.text, line.font, warnings);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  const double width = double(logical.width) / PANGO_SCALE, height = double(logical.height) / PANGO_SCALE;
  const double shift = line.align == Align::kLeft ? 0 : line.align == Align::kCentre ? width / 2 : width;
  canvas->SetColour(line.colour);
  cairo_move_to(canvas->cr(), line.x_mm - shift, line.y_mm - height / 2);
  pango_cairo_show_layout(canvas->cr(), layout);
  g_object_unref(layout);
}

}  // namespace

bool RenderLabel(const LabelTemplate& label, int32_t rows_per_inch, imaging::RgbImage* dots, Warnings* warnings,
                 std::string* error) {
  std::lock_guard<std::mutex> lock(g_render_mutex);
  Canvas canvas(rows_per_inch);
  if (!DrawBackground(&canvas, label, error) || !DrawLogos(&canvas, label, error)) return false;
  for (size_t i = 0; i < label.arcs.size(); ++i) {
    if (!DrawArcText(&canvas, label.arcs[i], warnings, error)) {
      *error = "$.arc_texts[" + std::to_string(i) + "]: " + *error;
      return false;
    }
  }
  for (const TextLine& line : label.texts) DrawTextLine(&canvas, line, warnings);
  if (!DrawTrackList(&canvas, label, warnings, error)) {
    *error = "$.track_list: " + *error;
    return false;
  }
  *dots = canvas.Pixels();
  return true;
}

imaging::LabelLayout LayoutFor(const LabelTemplate& label, const imaging::LabelLayout& base) {
  imaging::LabelLayout layout = base;
  layout.disc = label.disc.size_mm == 80 ? page::DiscSize::k80 : page::DiscSize::k120;
  layout.ring.outer_mm = label.disc.outer_mm;
  layout.ring.inner_mm = label.disc.hub_mm;
  return layout;
}

bool DesignPage(const LabelTemplate& label, const page::JobOptions& options, const imaging::LabelLayout& base,
                page::InkPage* page, Warnings* warnings, std::string* error) {
  imaging::RgbImage dots;
  if (!RenderLabel(label, options.RowsPerInch(), &dots, warnings, error)) return false;
  const imaging::LabelLayout layout = LayoutFor(label, base);
  if (!imaging::ValidateLayout(layout, error)) return false;
  *page = imaging::MakeLabelPageOnDots(dots, options, layout);
  return true;
}

bool RenderPreview(const LabelTemplate& label, imaging::RgbImage* preview, Warnings* warnings, std::string* error) {
  if (!RenderLabel(label, 300, preview, warnings, error)) return false;
  // The tray beyond the ring in grey, the disc's edge and hub outlined: the
  // same ring the picture path masks with.
  const page::DiscMask mask(LayoutFor(label).ring, 300);
  const double disc_edge = label.disc.size_mm / 2.0, hub = label.disc.hub_mm / 2;
  const double dot_mm = 25.4 / 300;
  for (int32_t y = 0; y < preview->height; ++y) {
    for (int32_t x = 0; x < preview->width; ++x) {
      const double r = mask.DistanceMm(x, y);
      if (fabs(r - disc_edge) < dot_mm * 1.5 || fabs(r - hub) < dot_mm) {
        preview->Set(x, y, imaging::Rgb{90, 90, 90});
      } else if (!mask.Printable(x, y)) {
        const bool on_disc = r <= disc_edge && r >= hub;
        preview->Set(x, y, on_disc ? imaging::Rgb{244, 244, 244} : imaging::Rgb{205, 205, 205});
      }
    }
  }
  return true;
}

}  // namespace designer
