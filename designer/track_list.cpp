// The track list: its entries in one or two columns in a box of the ring's
// safe area (beside or above or below the hub, inside the printable edge),
// shrunk to fit down to its minimum size, or refused.
#include <math.h>
#include <stdio.h>

#include <algorithm>

#include "designer/canvas.h"
#include "designer/cue_sheet.h"

namespace designer {
namespace {

constexpr double kEdgeMarginMm = 2.0;  // kept clear inside the printable edge
constexpr double kHubMarginMm = 3.0;   // and around the hub
constexpr double kGutterMm = 3.0;      // between columns
constexpr double kStepPt = 0.25;       // the shrinking step

const char* RegionName(TrackRegion r) {
  static const char* kNames[] = {"below the hub", "above the hub", "left of the hub", "right of the hub"};
  return kNames[int(r)];
}

// The box's size for a block of text of the given height: the width the
// safe area leaves at that height, or -1 when the height does not fit.
double WidthAvailable(TrackRegion region, double block_height, double inner, double outer) {
  if (region == TrackRegion::kBottom || region == TrackRegion::kTop) {
    const double far = inner + block_height;  // the box's far edge from the centre
    if (far > outer) return -1;
    return 2 * sqrt(outer * outer - far * far);
  }
  const double half = block_height / 2;
  if (half >= outer) return -1;
  return sqrt(outer * outer - half * half) - inner;
}

}  // namespace

bool DrawTrackList(Canvas* canvas, const LabelTemplate& label, Warnings* warnings, std::string* error) {
  const TrackList& tracks = label.tracks;
  if (tracks.Empty()) return true;
  std::vector<std::string> entries = tracks.entries;
  if (!tracks.cue.empty()) {
    CueSheet sheet;
    if (!ReadCueSheet(tracks.cue, &sheet, error)) return false;
    entries = TrackEntries(sheet);
  }
  const double outer = label.disc.outer_mm / 2 - kEdgeMarginMm;
  const double inner = label.disc.hub_mm / 2 + kHubMarginMm;
  const int columns = tracks.columns;
  const size_t rows = (entries.size() + columns - 1) / columns;

  // Measured once at the full size: unhinted text scales in proportion.
  std::vector<PangoLayout*> layouts;
  double widest = 0, line_height = 0;
  for (const std::string& entry : entries) {
    PangoLayout* layout = canvas->Layout(entry, tracks.font, warnings);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    widest = std::max(widest, double(logical.width) / PANGO_SCALE);
    line_height = std::max(line_height, double(logical.height) / PANGO_SCALE);
    layouts.push_back(layout);
  }
  for (PangoLayout* layout : layouts) g_object_unref(layout);

  auto needs = [&](double scale, double* width, double* height) {
    *height = rows * line_height * scale;
    *width = columns * widest * scale + (columns - 1) * kGutterMm;
  };
  double size = tracks.font.size_pt;
  double width = 0, height = 0;
  for (;; size -= kStepPt) {
    if (size < tracks.min_size_pt) size = tracks.min_size_pt;
    needs(size / tracks.font.size_pt, &width, &height);
    const double available = WidthAvailable(tracks.region, height, inner, outer);
    if (available >= width) break;
    if (size <= tracks.min_size_pt) {
      char text[400];
      snprintf(text, sizeof text,
               "the track list's %zu entries do not fit %s in %d column%s even at %g pt (they need %.0f x %.0f mm); "
               "use %sfewer or shorter entries, or a smaller min_size_pt",
               entries.size(), RegionName(tracks.region), columns, columns == 1 ? "" : "s", tracks.min_size_pt,
               width, height, columns == 1 ? "two columns, " : "");
      *error = text;
      return false;
    }
  }
  if (size < tracks.font.size_pt) {
    char text[120];
    snprintf(text, sizeof text, "the track list is set at %g pt (shrunk from %g pt to fit)", size, tracks.font.size_pt);
    warnings->push_back(text);
  }

  // The block's top-left corner in user space.
  double left = -width / 2, top = inner;
  switch (tracks.region) {
    case TrackRegion::kBottom: break;
    case TrackRegion::kTop: top = -inner - height; break;
    case TrackRegion::kRight: left = inner; top = -height / 2; break;
    case TrackRegion::kLeft: left = -inner - width; top = -height / 2; break;
  }
  Font font = tracks.font;
  font.size_pt = size;
  const double scale = size / tracks.font.size_pt;
  cairo_t* cr = canvas->cr();
  canvas->SetColour(tracks.colour);
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t column = i / rows, row = i % rows;
    PangoLayout* layout = canvas->Layout(entries[i], font, warnings);
    // A right-to-left entry keeps to its column's right edge.
    double indent = 0;
    if (pango_layout_get_direction(layout, 0) == PANGO_DIRECTION_RTL) {
      PangoRectangle logical;
      pango_layout_get_extents(layout, nullptr, &logical);
      indent = std::max(0.0, widest * scale - double(logical.width) / PANGO_SCALE);
    }
    cairo_move_to(cr, left + column * (widest * scale + kGutterMm) + indent, top + row * line_height * scale);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
  }
  return true;
}

}  // namespace designer
