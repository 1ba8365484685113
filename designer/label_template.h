// A disc label as a template: a small, versioned JSON document (its schema
// is docs/label-template.schema.json) that the command-line tool, the
// printer application's web page and an IPP client all print the same way.
//
// A template may come from anyone, so it is read as strictly as a hostile
// job: every size is bounded, fonts are named by family only, it holds no
// file paths (pictures are embedded as base64), and an unknown key or a
// value of the wrong type is refused with the JSON path of the fault.
// This part knows nothing of fonts or pictures beyond their names and first
// bytes, so it builds without Cairo and Pango (the fuzz target reads with it).
#ifndef QUILLORY2_DESIGNER_LABEL_TEMPLATE_H_
#define QUILLORY2_DESIGNER_LABEL_TEMPLATE_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace designer {

constexpr int kTemplateVersion = 1;
constexpr const char* kTemplateFormat = "quillory2-label";
constexpr const char* kTemplateMimeType = "application/vnd.quillory2-label+json";

// The bounds of a template.
constexpr size_t kMaxTemplateBytes = 24u << 20;   // the whole document, photos included
constexpr size_t kMaxPhotoBytes = 16u << 20;      // one decoded background photo
constexpr size_t kMaxLogoBytes = 2u << 20;        // one decoded small image
constexpr int64_t kMaxPhotoPixels = 40000000;     // width * height of any picture in a template
constexpr size_t kMaxTextBytes = 400;             // one text, in UTF-8 bytes
constexpr size_t kMaxFamilyBytes = 64;
constexpr size_t kMaxArcTexts = 8;
constexpr size_t kMaxTextLines = 16;
constexpr size_t kMaxLogos = 8;
constexpr size_t kMaxTracks = 99;                 // as many as an audio CD holds
constexpr size_t kMaxCueBytes = 64u << 10;
constexpr int kMaxNesting = 12;                   // arrays and objects inside one another

struct Colour {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Colour& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct Font {
  std::string family = "DejaVu Sans";  // a family name, never a file
  double size_pt = 12;
  int weight = 400;                    // 100 (thin) to 1000; 400 normal, 700 bold
  bool italic = false;
};

// A picture embedded in the template: its file bytes (PNG or JPEG).
struct Picture {
  std::vector<uint8_t> bytes;
  bool Empty() const { return bytes.empty(); }
};

enum class PhotoFit { kFill, kFit };  // cover the whole disc, or show the whole photo

struct Photo {
  Picture picture;
  PhotoFit fit = PhotoFit::kFill;
  double zoom = 1.0;        // on top of the fit
  double pan_x_mm = 0;      // moves the photo's centre right of the disc's centre
  double pan_y_mm = 0;      // and down
  double rotate_deg = 0;    // clockwise
};

struct Background {
  Colour colour{255, 255, 255};
  Photo photo;              // none when its picture is empty
};

enum class ArcSide { kTop, kBottom };

// Text set along a circle, reading left to right at the top and at the
// bottom (the bottom's letters stand with their feet outward).
struct ArcText {
  std::string text;
  ArcSide side = ArcSide::kTop;
  double radius_mm = 50;      // from the disc's centre to the middle of the text's line
  double angle_deg = 0;       // where the text is centred: 0 at the top (or bottom), clockwise
  Font font;
  Colour colour;
  double letter_spacing_pt = 0;
};

enum class Align { kLeft, kCentre, kRight };

// A straight line of text, its anchor at x/y mm from the disc's centre
// (right and down).
struct TextLine {
  std::string text;
  double x_mm = 0, y_mm = 0;
  Align align = Align::kCentre;
  Font font;
  Colour colour;
};

enum class TrackRegion { kBottom, kTop, kLeft, kRight };

struct TrackList {
  std::vector<std::string> entries;  // plain lines, or those of the CUE sheet
  std::string cue;                   // a CUE sheet's text, read into entries when rendered
  int columns = 1;                   // 1 or 2
  TrackRegion region = TrackRegion::kBottom;
  Font font{ "DejaVu Sans", 9, 400, false };
  double min_size_pt = 6;            // shrunk to fit down to this, else refused
  Colour colour;
  bool Empty() const { return entries.empty() && cue.empty(); }
};

// A small picture (a logo), its centre placed by angle and radius or by x/y.
struct Logo {
  Picture picture;
  double width_mm = 15;
  bool polar = true;
  double angle_deg = 0, radius_mm = 40;  // polar: 0 at the top, clockwise
  double x_mm = 0, y_mm = 0;             // otherwise: right and down of the centre
  double rotate_deg = 0;
};

struct Disc {
  int size_mm = 120;                     // 120 or 80
  double outer_mm = 118;                 // printable diameter
  double hub_mm = 22;                    // the blank hub area
};

struct LabelTemplate {
  Disc disc;
  Background background;
  std::vector<ArcText> arcs;
  std::vector<TextLine> texts;
  TrackList tracks;
  std::vector<Logo> logos;
};

// Reads a template; false with "$.path: reason" in *error. Warnings (none
// from the reader today) are for later stages.
bool ReadTemplate(const uint8_t* data, size_t size, LabelTemplate* out, std::string* error);
bool ReadTemplate(const std::string& text, LabelTemplate* out, std::string* error);

// The template as JSON, which ReadTemplate reads back to the same template.
std::string WriteTemplate(const LabelTemplate& label);

// A starting point: a title on the top arc, a subtitle on the bottom arc and
// a line of text, on a white disc.
LabelTemplate StartingTemplate();

// The printable and hub diameters of a disc size (120 or 80 mm).
bool DefaultDiameters(int size_mm, double* outer_mm, double* hub_mm);

}  // namespace designer

#endif  // QUILLORY2_DESIGNER_LABEL_TEMPLATE_H_
