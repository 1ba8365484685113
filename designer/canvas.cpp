#include "designer/canvas.h"

#include <ctype.h>

#include "imaging/disc_layout.h"
#include "imaging/image_reader.h"

namespace designer {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

Canvas::Canvas(int32_t rows_per_inch) : rows_(imaging::SquareRows(rows_per_inch)) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, imaging::kSquareDots, rows_);
  cr_ = cairo_create(surface_);
  // User space in mm from the disc's centre: 300 dots per inch across, the
  // job's rows per inch down. Glyphs and pictures are rasterised through
  // this matrix, so they land sharp on the dots whatever its aspect.
  cairo_translate(cr_, imaging::kSquareDots / 2.0, rows_ / 2.0);
  cairo_scale(cr_, imaging::kDotsPerInch / 25.4, (rows_per_inch == 600 ? 600 : 300) / 25.4);

  font_map_ = pango_cairo_font_map_new();
  context_ = pango_font_map_create_context(font_map_);
  // Unhinted metrics: text measures the same at every resolution, and the
  // track list's fit is decided in mm, not by how glyphs snap to pixels.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context_, options);
  cairo_font_options_destroy(options);
  // Text is laid out as on an isotropic 300 dots per inch device, whatever
  // the rows per inch: the layout (and so a track list's fit) is the same
  // at both resolutions, and the glyphs are then drawn through the real,
  // anisotropic matrix.
  PangoMatrix device = PANGO_MATRIX_INIT;
  pango_matrix_scale(&device, imaging::kDotsPerInch / 25.4, imaging::kDotsPerInch / 25.4);
  pango_context_set_matrix(context_, &device);
  // Pango would round glyph positions to whole units of user space, which
  // are millimetres here.
  pango_context_set_round_glyph_positions(context_, FALSE);

  PangoFontFamily** families = nullptr;
  int count = 0;
  pango_font_map_list_families(font_map_, &families, &count);
  for (int i = 0; i < count; ++i) families_.insert(Lower(pango_font_family_get_name(families[i])));
  g_free(families);
  for (const char* generic : {"sans-serif", "sans", "serif", "monospace"}) families_.insert(generic);
}

Canvas::~Canvas() {
  g_object_unref(context_);
  g_object_unref(font_map_);
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

std::string Canvas::Family(const std::string& wanted, Warnings* warnings) {
  if (families_.count(Lower(wanted))) return wanted;
  if (warned_.insert(wanted).second) {
    warnings->push_back("font family '" + wanted + "' is not installed; using '" + kFallbackFamily + "'");
  }
  return kFallbackFamily;
}

PangoLayout* Canvas::Layout(const std::string& text, const Font& font, Warnings* warnings) {
  PangoLayout* layout = pango_layout_new(context_);
  PangoFontDescription* desc = pango_font_description_new();
  // The family by name only (never parsed as a description with sizes or a
  // file), the size in mm of user space.
  pango_font_description_set_family(desc, Family(font.family, warnings).c_str());
  pango_font_description_set_absolute_size(desc, PointsToMm(font.size_pt) * PANGO_SCALE);
  pango_font_description_set_weight(desc, static_cast<PangoWeight>(font.weight));
  pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  // Characters no installed font has would print as empty boxes: say so.
  const int unknown = pango_layout_get_unknown_glyphs_count(layout);
  if (unknown > 0) {
    const std::string warning = std::to_string(unknown) + " character(s) of \"" + text +
                                "\" have no glyph in any installed font (for Chinese, Japanese or Korean "
                                "install a font such as fonts-noto-cjk)";
    if (warned_.insert(warning).second) warnings->push_back(warning);
  }
  return layout;
}

imaging::RgbImage Canvas::Pixels() {
  cairo_surface_flush(surface_);
  const int32_t width = cairo_image_surface_get_width(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  const uint8_t* data = cairo_image_surface_get_data(surface_);
  imaging::RgbImage image(width, rows_);
  for (int32_t y = 0; y < rows_; ++y) {
    const uint32_t* in = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    uint8_t* out = image.At(0, y);
    for (int32_t x = 0; x < width; ++x, out += 3) {
      out[0] = static_cast<uint8_t>(in[x] >> 16);
      out[1] = static_cast<uint8_t>(in[x] >> 8);
      out[2] = static_cast<uint8_t>(in[x]);
    }
  }
  return image;
}

cairo_surface_t* PictureSurface(const Picture& picture, std::string* error) {
  imaging::RgbImage image;
  const imaging::ImageLimits limits{20000, kMaxPhotoPixels};
  if (!imaging::DecodeImage(picture.bytes.data(), picture.bytes.size(), &image, error, limits)) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    *error = "the picture is too large to draw";
    return nullptr;
  }
  uint8_t* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int32_t y = 0; y < image.height; ++y) {
    uint32_t* out = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    const uint8_t* in = image.At(0, y);
    for (int32_t x = 0; x < image.width; ++x, in += 3) out[x] = uint32_t{in[0]} << 16 | uint32_t{in[1]} << 8 | in[2];
  }
  cairo_surface_mark_dirty(surface);
  return surface;
}

}  // namespace designer
