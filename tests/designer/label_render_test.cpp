// Labels rendered onto the printer's dots, judged by where the ink lies:
// arc text reads left to right and upright at the top and at the bottom,
// at both resolutions; a long track list fits its safe area or is refused;
// right-to-left, accented, Greek and Cyrillic text render; photos fill, fit
// and turn; the ring of an 80 mm disc holds the ink.
#include <gtest/gtest.h>
#include <math.h>

#include <string>

#include "designer/render.h"
#include "imaging/disc_layout.h"
#include "imaging/png_writer.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/support.h"

namespace {

using designer::LabelTemplate;

constexpr double kDotMm = 25.4 / 300;

// Where the ink of a rendered label lies, in mm from the disc's centre;
// each pixel weighs as much as it is dark.
struct Ink {
  double mass = 0, x = 0, y = 0, radius = 0;
  double min_x = 1e9, max_x = -1e9, min_y = 1e9, max_y = -1e9, min_angle = 1e9, max_angle = -1e9;
  double min_radius = 1e9, max_radius = 0;
};

Ink Measure(const imaging::RgbImage& dots, int rows_per_inch) {
  Ink ink;
  const double row_mm = 25.4 / rows_per_inch;
  for (int32_t row = 0; row < dots.height; ++row) {
    for (int32_t col = 0; col < dots.width; ++col) {
      const uint8_t* p = dots.At(col, row);
      const double w = (765.0 - p[0] - p[1] - p[2]) / 765;
      if (w < 0.25) continue;
      const double x = (col + 0.5) * kDotMm - imaging::kSquareMm / 2, y = (row + 0.5) * row_mm - imaging::kSquareMm / 2;
      const double r = hypot(x, y), angle = atan2(x, -y);  // clockwise from the top
      ink.mass += w;
      ink.x += w * x;
      ink.y += w * y;
      ink.radius += w * r;
      ink.min_x = std::min(ink.min_x, x), ink.max_x = std::max(ink.max_x, x);
      ink.min_y = std::min(ink.min_y, y), ink.max_y = std::max(ink.max_y, y);
      ink.min_radius = std::min(ink.min_radius, r), ink.max_radius = std::max(ink.max_radius, r);
      ink.min_angle = std::min(ink.min_angle, angle), ink.max_angle = std::max(ink.max_angle, angle);
    }
  }
  if (ink.mass > 0) ink.x /= ink.mass, ink.y /= ink.mass, ink.radius /= ink.mass;
  return ink;
}

imaging::RgbImage Render(const LabelTemplate& label, int rows_per_inch, designer::Warnings* warnings = nullptr) {
  designer::Warnings ignored;
  imaging::RgbImage dots;
  std::string error;
  EXPECT_TRUE(designer::RenderLabel(label, rows_per_inch, &dots, warnings ? warnings : &ignored, &error)) << error;
  return dots;
}

LabelTemplate ArcLabel(const std::string& text, designer::ArcSide side, double size_pt) {
  LabelTemplate label;
  designer::ArcText arc;
  arc.text = text;
  arc.side = side;
  arc.radius_mm = 45;
  arc.font.size_pt = size_pt;
  label.arcs.push_back(arc);
  return label;
}

TEST(ArcText, ReadsLeftToRightAndUprightAtTopAndBottomOnBothGrids) {
  for (designer::ArcSide side : {designer::ArcSide::kTop, designer::ArcSide::kBottom}) {
    const bool top = side == designer::ArcSide::kTop;
    SCOPED_TRACE(top ? "top" : "bottom");
    Ink heavy_first[2], tees[2];
    for (int grid = 0; grid < 2; ++grid) {
      const int rpi = grid ? 600 : 300;
      // Heavy letters first, light dots after: a text read left to right
      // has its ink on the left.
      heavy_first[grid] = Measure(Render(ArcLabel("MMMMMM........", side, 18), rpi), rpi);
      EXPECT_LT(heavy_first[grid].x, -4) << rpi;
      EXPECT_EQ(heavy_first[grid].y < 0, top) << rpi;
      // A T's ink lies above the middle of its line: outward from the
      // circle at the top, inward at the bottom, when the letters stand up.
      tees[grid] = Measure(Render(ArcLabel("TTTTTTTT", side, 24), rpi), rpi);
      if (top) {
        EXPECT_GT(tees[grid].radius, 45.4) << rpi;
      } else {
        EXPECT_LT(tees[grid].radius, 44.6) << rpi;
      }
    }
    // The same label in mm whatever the rows per inch.
    EXPECT_NEAR(heavy_first[0].x, heavy_first[1].x, 0.1);
    EXPECT_NEAR(heavy_first[0].y, heavy_first[1].y, 0.1);
    EXPECT_NEAR(tees[0].radius, tees[1].radius, 0.1);
  }
}

TEST(ArcText, KeepsTheLineSpacingOfShaping) {
  // Along a wide circle the arc's ink spans what the same text spans set
  // straight: kerned pairs (AV) stay kerned, glyph by glyph.
  const std::string text = "AVAVAVAVAVAVAVAV";
  LabelTemplate arc = ArcLabel(text, designer::ArcSide::kTop, 12);
  arc.arcs[0].radius_mm = 55;
  const Ink on_arc = Measure(Render(arc, 300), 300);
  LabelTemplate straight;
  designer::TextLine line;
  line.text = text;
  line.font.size_pt = 12;
  straight.texts.push_back(line);
  const Ink set_straight = Measure(Render(straight, 300), 300);
  const double straight_width = set_straight.max_x - set_straight.min_x;
  const double arc_width = (on_arc.max_angle - on_arc.min_angle) * on_arc.radius;
  EXPECT_NEAR(arc_width, straight_width, straight_width * 0.03);
}

TEST(ArcText, RefusesATextLongerThanItsCircle) {
  LabelTemplate label = ArcLabel(std::string(200, 'W'), designer::ArcSide::kTop, 30);
  imaging::RgbImage dots;
  designer::Warnings warnings;
  std::string error;
  EXPECT_FALSE(designer::RenderLabel(label, 300, &dots, &warnings, &error));
  EXPECT_EQ(error.rfind("$.arc_texts[0]: the text is ", 0), 0u) << error;
}

LabelTemplate TrackLabel(int count, const std::string& name, int columns) {
  LabelTemplate label;
  for (int i = 1; i <= count; ++i) label.tracks.entries.push_back(std::to_string(i) + ". " + name);
  label.tracks.columns = columns;
  label.tracks.font.size_pt = 9;
  label.tracks.min_size_pt = 6;
  return label;
}

TEST(TrackList, ThirtyEntriesFitTheSafeAreaOrAreRefusedClearly) {
  // Too long for one column below the hub even at 6 pt.
  imaging::RgbImage dots;
  designer::Warnings warnings;
  std::string error;
  EXPECT_FALSE(designer::RenderLabel(TrackLabel(30, "A Song With A Title", 1), 300, &dots, &warnings, &error));
  const std::string start = "$.track_list: the track list's 30 entries do not fit below the hub in 1 column even "
                            "at 6 pt (they need ";
  EXPECT_EQ(error.compare(0, start.size(), start), 0) << error;
  EXPECT_NE(error.find("mm); use two columns, fewer or shorter entries, or a smaller min_size_pt"), std::string::npos)
      << error;

  // In two columns they fit, shrunk, inside the ring's safe area below the hub.
  for (int rpi : {300, 600}) {
    warnings.clear();
    const LabelTemplate label = TrackLabel(30, "Song", 2);
    const Ink ink = Measure(Render(label, rpi, &warnings), rpi);
    ASSERT_GT(ink.mass, 0);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("shrunk from 9 pt"), std::string::npos) << warnings[0];
    EXPECT_LE(ink.max_radius, 118 / 2.0 - 2);
    EXPECT_GE(ink.min_y, 22 / 2.0 + 3 - 0.2);  // below the hub and its margin
    EXPECT_LT(ink.min_x, -5);                  // both columns
    EXPECT_GT(ink.max_x, 5);
  }
}

TEST(Text, RightToLeftAccentedGreekAndCyrillicRender) {
  auto line_ink = [](const std::string& text, designer::Warnings* warnings) {
    LabelTemplate label;
    designer::TextLine line;
    line.text = text;
    line.font.size_pt = 20;
    label.texts.push_back(line);
    return Measure(Render(label, 600, warnings), 600);
  };
  designer::Warnings warnings;
  // Hebrew is set right to left: its first letters (heavy shin) on the
  // right, the full stops after them on the left; Latin the other way.
  EXPECT_GT(line_ink("\u05e9\u05e9\u05e9\u05e9.....", &warnings).x, 3.0);
  EXPECT_LT(line_ink("MMMM.....", &warnings).x, -3.0);
  // An accent adds ink above the capital.
  const Ink plain = line_ink("EEEE", &warnings), accented = line_ink("\u00c9\u00c9\u00c9\u00c9", &warnings);
  EXPECT_LT(accented.min_y, plain.min_y - 0.5);
  EXPECT_GT(accented.mass, plain.mass);
  EXPECT_GT(line_ink("\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u041a\u0438\u0440\u0438\u043b\u043b\u0438\u0446\u0430",
                     &warnings).mass, 0);
  EXPECT_TRUE(warnings.empty()) << warnings[0];
  // CJK renders where a font has it, and is reported where none does.
  warnings.clear();
  const Ink cjk = line_ink("\u65e5\u672c\u8a9e", &warnings);
  const bool cjk_font = !testsupport::RunShell("fc-list :lang=ja family").Out().empty();
  EXPECT_EQ(warnings.empty(), cjk_font) << (warnings.empty() ? "" : warnings[0]);
  if (cjk_font) {
    EXPECT_GT(cjk.mass, 0);
  }
}

TEST(Text, AMissingFontFallsBackWithAWarning) {
  LabelTemplate label = ArcLabel("Fallback", designer::ArcSide::kTop, 14);
  const imaging::RgbImage dejavu = Render(label, 300);
  label.arcs[0].font.family = "No Such Family";
  designer::Warnings warnings;
  const imaging::RgbImage fallen_back = Render(label, 300, &warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "font family 'No Such Family' is not installed; using 'DejaVu Sans'");
  EXPECT_TRUE(fallen_back.pixels == dejavu.pixels);
}

designer::Picture PngPicture(const imaging::RgbImage& image) {
  designer::Picture picture;
  std::string error;
  EXPECT_TRUE(imaging::EncodePng(image, &picture.bytes, &error)) << error;
  return picture;
}

imaging::Rgb At(const imaging::RgbImage& dots, double x_mm, double y_mm) {
  return dots.Get(static_cast<int32_t>((x_mm + imaging::kSquareMm / 2) / kDotMm),
                  static_cast<int32_t>((y_mm + imaging::kSquareMm / 2) / kDotMm));
}

TEST(Photo, FillsFitsAndTurns) {
  // Left half red, right half blue, twice as wide as high.
  imaging::RgbImage photo(200, 100, imaging::Rgb{255, 0, 0});
  photo.FillRect(100, 0, 100, 100, imaging::Rgb{0, 0, 255});
  LabelTemplate label;
  label.background.photo.picture = PngPicture(photo);
  const imaging::Rgb red{255, 0, 0}, blue{0, 0, 255}, white{255, 255, 255};

  imaging::RgbImage dots = Render(label, 300);  // fill: covers the disc
  EXPECT_EQ(At(dots, -30, 0), red);
  EXPECT_EQ(At(dots, 30, 0), blue);
  EXPECT_NE(At(dots, -5, -55), white);

  label.background.photo.fit = designer::PhotoFit::kFit;  // the whole photo on the disc
  dots = Render(label, 300);
  EXPECT_EQ(At(dots, -30, 0), red);
  EXPECT_EQ(At(dots, 0, -40), white);

  label.background.photo.rotate_deg = 90;  // clockwise: the left half goes to the top
  dots = Render(label, 300);
  EXPECT_EQ(At(dots, 0, -30), red);
  EXPECT_EQ(At(dots, 0, 30), blue);

  label.background.photo.rotate_deg = 0;
  label.background.photo.pan_x_mm = 30;  // moved right: red now under the centre's right
  dots = Render(label, 300);
  EXPECT_EQ(At(dots, 20, 0), red);
}

// A JPEG as a camera writes it: an EXIF block (APP1) after the start marker,
// here holding only the orientation tag.
std::vector<uint8_t> WithOrientation(const std::vector<uint8_t>& jpeg, uint8_t orientation) {
  const uint8_t exif[] = {0xff, 0xe1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,
                          0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, orientation, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> out;
  for (size_t i = 0; i < jpeg.size(); ++i) {
    if (i == 2) {
      for (uint8_t b : exif) out.push_back(b);
    }
    out.push_back(jpeg[i]);
  }
  return out;
}

TEST(Photo, HonoursTheExifOrientation) {
  // Left half red, right half blue, stored as the camera saw it; orientation
  // 6 says: turn clockwise to show it upright, so red goes to the top.
  std::vector<uint8_t> pixels(96 * 48 * 3);
  for (size_t i = 0; i < pixels.size(); i += 3) {
    const bool left = (i / 3) % 96 < 48;
    pixels[i] = left ? 255 : 0, pixels[i + 1] = 0, pixels[i + 2] = left ? 0 : 255;
  }
  LabelTemplate label;
  label.background.photo.picture.bytes =
      WithOrientation(testsupport::EncodeJpeg(pixels.data(), 96, 48, testsupport::JpegKind::kRgb), 6);
  const imaging::RgbImage dots = Render(label, 300);
  const imaging::Rgb top = At(dots, 0, -30), bottom = At(dots, 0, 30);
  EXPECT_GT(top.r, 200);
  EXPECT_LT(top.b, 60);
  EXPECT_GT(bottom.b, 200);
  EXPECT_LT(bottom.r, 60);
}

TEST(DiscSize, AnEightyMillimetreDiscTakesInkOnlyOnItsRing) {
  LabelTemplate label;
  label.disc = designer::Disc{80, 78, 22};
  label.background.colour = designer::Colour{0, 0, 0};
  page::JobOptions options;
  options.colour = page::ColourMode::kMonochrome;
  page::InkPage page;
  designer::Warnings warnings;
  std::string error;
  ASSERT_TRUE(designer::DesignPage(label, options, {}, &page, &warnings, &error)) << error;
  double max_r = 0, min_r = 1e9;
  for (int32_t row = 0; row < page.rows; ++row) {
    for (int32_t x = 0; x < page.width_dots; ++x) {
      if (!page.Dot(0, row, x)) continue;
      const double r = hypot((x + 0.5) * kDotMm - imaging::kSquareMm / 2, (row + 0.5) * 25.4 / 600 - imaging::kSquareMm / 2);
      max_r = std::max(max_r, r), min_r = std::min(min_r, r);
    }
  }
  EXPECT_NEAR(max_r, 39, 0.1);
  EXPECT_NEAR(min_r, 11, 0.1);
}

}  // namespace
