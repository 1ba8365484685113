// Text along a circle: laid out once as a line (so shaping, kerning,
// ligatures and right-to-left runs are Pango's), then each glyph placed at
// its advance along the arc and turned to the tangent there.
#include <math.h>
#include <stdio.h>

#include "designer/canvas.h"

namespace designer {

bool DrawArcText(Canvas* canvas, const ArcText& arc, Warnings* warnings, std::string* error) {
  if (arc.text.empty()) return true;
  cairo_t* cr = canvas->cr();
  PangoLayout* layout = canvas->Layout(arc.text, arc.font, warnings);
  if (arc.letter_spacing_pt != 0) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_letter_spacing_new(
                                      static_cast<int>(PointsToMm(arc.letter_spacing_pt) * PANGO_SCALE)));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  const double width = double(logical.width) / PANGO_SCALE;
  const double height = double(logical.height) / PANGO_SCALE;
  const double baseline = double(pango_layout_get_baseline(layout)) / PANGO_SCALE;
  const double radius = arc.radius_mm;
  if (width > 2 * M_PI * radius * 0.95) {
    char text[200];
    snprintf(text, sizeof text, "the text is %.0f mm long; the circle at radius %.0f mm holds at most %.0f mm",
             width, radius, 2 * M_PI * radius * 0.95);
    *error = text;
    g_object_unref(layout);
    return false;
  }
  // The middle of the line's height lies on the circle. At the top the
  // letters' heads point outward, at the bottom inward, so that both read
  // left to right and upright.
  const bool top = arc.side == ArcSide::kTop;
  const double middle_below_baseline = height / 2 - baseline;
  const double baseline_radius = top ? radius + middle_below_baseline : radius - middle_below_baseline;
  const double centre_angle = arc.angle_deg * M_PI / 180;

  canvas->SetColour(arc.colour);
  PangoLayoutIter* iter = pango_layout_get_iter(layout);
  do {
    PangoLayoutRun* run = pango_layout_iter_get_run_readonly(iter);
    if (run == nullptr) continue;
    PangoRectangle run_rect;
    pango_layout_iter_get_run_extents(iter, nullptr, &run_rect);
    PangoGlyphString* glyphs = run->glyphs;
    int x = run_rect.x;  // glyphs are in visual order, left to right
    for (int i = 0; i < glyphs->num_glyphs; ++i) {
      PangoGlyphInfo glyph = glyphs->glyphs[i];
      const double advance = double(glyph.geometry.width) / PANGO_SCALE;
      const double along = double(x) / PANGO_SCALE + advance / 2 - width / 2;  // glyph centre from the text's
      x += glyph.geometry.width;
      if (glyph.glyph == PANGO_GLYPH_EMPTY) continue;
      // Turning clockwise moves along the top to the right; along the
      // bottom, to the left.
      const double angle = top ? centre_angle + along / radius : centre_angle - along / radius;
      cairo_save(cr);
      cairo_rotate(cr, angle);
      cairo_translate(cr, 0, top ? -baseline_radius : baseline_radius);
      cairo_move_to(cr, -advance / 2, 0);
      // One glyph, its own offsets kept (marks sit on their bases).
      PangoGlyphString one;
      int cluster = 0;
      one.num_glyphs = 1;
      one.glyphs = &glyph;
      one.log_clusters = &cluster;
      one.space = 1;
      pango_cairo_show_glyph_string(cr, run->item->analysis.font, &one);
      cairo_restore(cr);
    }
  } while (pango_layout_iter_next_run(iter));
  pango_layout_iter_free(iter);
  g_object_unref(layout);
  return true;
}

}  // namespace designer
