#include "designer/label_template.h"

#include <math.h>
#include <stdio.h>

#include <nlohmann/json.hpp>

#include "designer/base64.h"
#include "page/disc_ring.h"

namespace designer {
namespace {

using json = nlohmann::json;
using ordered = nlohmann::ordered_json;

// A fault, with the JSON path where it lies.
struct Fault {
  std::string message;
};

[[noreturn]] void Refuse(const std::string& path, const std::string& why) { throw Fault{path + ": " + why}; }

const char* KindOf(const json& v) {
  switch (v.type()) {
    case json::value_t::object: return "an object";
    case json::value_t::array: return "an array";
    case json::value_t::string: return "a string";
    case json::value_t::boolean: return "true or false";
    case json::value_t::null: return "null";
    default: return "a number";
  }
}

// Nesting is refused before parsing, so that a hostile document cannot
// make the parser or the value's destructor go deep.
bool NestingWithin(const uint8_t* data, size_t size, int limit) {
  int depth = 0;
  bool in_string = false;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t c = data[i];
    if (in_string) {
      if (c == '\\') ++i;
      else if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

// The keys of one JSON object, taken one by one; Finish() refuses the rest.
class Object {
 public:
  Object(const json& value, std::string path) : value_(value), path_(std::move(path)) {
    if (!value_.is_object()) Refuse(path_, std::string("expected an object, found ") + KindOf(value_));
  }

  const json* Find(const char* key) {
    auto it = value_.find(key);
    if (it == value_.end()) return nullptr;
    ++taken_;
    return &*it;
  }
  const json& Require(const char* key) {
    const json* v = Find(key);
    if (v == nullptr) Refuse(path_, std::string("missing \"") + key + "\"");
    return *v;
  }
  std::string Path(const char* key) const { return path_ + "." + key; }

  bool Number(const char* key, double* out, double min, double max) {
    const json* v = Find(key);
    if (v == nullptr) return false;
    if (!v->is_number()) Refuse(Path(key), std::string("expected a number, found ") + KindOf(*v));
    const double d = v->get<double>();
    if (!(d >= min && d <= max)) {
      char text[160];
      snprintf(text, sizeof text, "%g is out of range (%g to %g)", d, min, max);
      Refuse(Path(key), text);
    }
    *out = d;
    return true;
  }
  bool Integer(const char* key, int* out, int min, int max) {
    double d = 0;
    if (!Number(key, &d, min, max)) return false;
    if (d != floor(d)) Refuse(Path(key), "expected a whole number");
    *out = static_cast<int>(d);
    return true;
  }
  bool Bool(const char* key, bool* out) {
    const json* v = Find(key);
    if (v == nullptr) return false;
    if (!v->is_boolean()) Refuse(Path(key), std::string("expected true or false, found ") + KindOf(*v));
    *out = v->get<bool>();
    return true;
  }
  bool String(const char* key, std::string* out, size_t max_bytes, bool allow_newlines = false) {
    const json* v = Find(key);
    if (v == nullptr) return false;
    *out = CheckString(*v, Path(key), max_bytes, allow_newlines);
    return true;
  }
  // One of the given words; its index in *out.
  template <typename Enum>
  bool Word(const char* key, Enum* out, std::initializer_list<const char*> words) {
    std::string text;
    if (!String(key, &text, 32)) return false;
    int i = 0;
    std::string list;
    for (const char* w : words) {
      if (text == w) {
        *out = static_cast<Enum>(i);
        return true;
      }
      list += (i ? ", " : "") + std::string(w);
      ++i;
    }
    Refuse(Path(key), "\"" + text + "\" is not one of " + list);
  }

  static std::string CheckString(const json& v, const std::string& path, size_t max_bytes, bool allow_newlines) {
    if (!v.is_string()) Refuse(path, std::string("expected a string, found ") + KindOf(v));
    const std::string& s = v.get_ref<const std::string&>();
    if (s.size() > max_bytes) {
      Refuse(path, "too long: " + std::to_string(s.size()) + " bytes (at most " + std::to_string(max_bytes) + ")");
    }
    for (unsigned char c : s) {
      if (c < 0x20 && !(allow_newlines && (c == '\n' || c == '\r' || c == '\t'))) {
        Refuse(path, "holds a control character");
      }
    }
    return s;
  }

  // Refuses keys not taken; called once every known key has been looked at.
  void Finish(std::initializer_list<const char*> known) {
    if (taken_ == value_.size()) return;
    for (auto it = value_.begin(); it != value_.end(); ++it) {
      bool ok = false;
      for (const char* k : known) ok = ok || it.key() == k;
      if (!ok) {
        std::string list;
        for (const char* k : known) list += (list.empty() ? "" : ", ") + std::string(k);
        Refuse(Path(it.key().c_str()), "unknown key (known here: " + list + ")");
      }
    }
  }

 private:
  const json& value_;
  std::string path_;
  size_t taken_ = 0;
};

const json& Array(const json& v, const std::string& path, size_t max_items) {
  if (!v.is_array()) Refuse(path, std::string("expected an array, found ") + KindOf(v));
  if (v.size() > max_items) {
    Refuse(path, std::to_string(v.size()) + " items (at most " + std::to_string(max_items) + ")");
  }
  return v;
}

std::string Index(const std::string& path, size_t i) { return path + "[" + std::to_string(i) + "]"; }

Colour ReadColour(const std::string& text, const std::string& path) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  bool ok = text.size() == 7 && text[0] == '#';
  int v[6] = {};
  for (int i = 0; ok && i < 6; ++i) ok = (v[i] = hex(text[i + 1])) >= 0;
  if (!ok) Refuse(path, "\"" + text + "\" is not a colour (#rrggbb)");
  return Colour{uint8_t(v[0] * 16 + v[1]), uint8_t(v[2] * 16 + v[3]), uint8_t(v[4] * 16 + v[5])};
}

void ColourKey(Object* o, const char* key, Colour* out) {
  std::string text;
  if (o->String(key, &text, 16)) *out = ReadColour(text, o->Path(key));
}

// A family name only: no path, no Pango style words after a comma.
void CheckFamily(const std::string& family, const std::string& path) {
  if (family.empty()) Refuse(path, "empty font family");
  for (char c : family) {
    if (c == '/' || c == '\\' || c == ',' || c == ';' || c == ':' || c == '=' || c == '~') {
      Refuse(path, "\"" + family + "\" is not a font family name (fonts are named by family, such as "
                   "\"DejaVu Sans\", never by file)");
    }
  }
}

Font ReadFont(const json& v, const std::string& path, Font font) {
  Object o(v, path);
  if (o.String("family", &font.family, kMaxFamilyBytes)) CheckFamily(font.family, o.Path("family"));
  o.Number("size_pt", &font.size_pt, 2, 144);
  if (const json* w = o.Find("weight")) {
    if (w->is_string()) {
      const std::string& s = w->get_ref<const std::string&>();
      if (s == "normal") font.weight = 400;
      else if (s == "bold") font.weight = 700;
      else if (s == "light") font.weight = 300;
      else Refuse(o.Path("weight"), "\"" + s + "\" is not a weight (normal, bold, light, or 100 to 1000)");
    } else if (w->is_number() && w->get<double>() >= 100 && w->get<double>() <= 1000 &&
               w->get<double>() == floor(w->get<double>())) {
      font.weight = static_cast<int>(w->get<double>());
    } else {
      Refuse(o.Path("weight"), "expected normal, bold, light, or a number from 100 to 1000");
    }
  }
  o.Bool("italic", &font.italic);
  o.Finish({"family", "size_pt", "weight", "italic"});
  return font;
}

// A picture as a data URL of a PNG or JPEG, checked by its first bytes.
Picture ReadPicture(const json& v, const std::string& path, size_t max_bytes) {
  const std::string text = Object::CheckString(v, path, max_bytes / 3 * 4 + 64, false);
  static const std::string kPng = "data:image/png;base64,", kJpeg = "data:image/jpeg;base64,";
  const bool png = text.compare(0, kPng.size(), kPng) == 0;
  const bool jpeg = text.compare(0, kJpeg.size(), kJpeg) == 0;
  if (!png && !jpeg) {
    Refuse(path, "pictures are embedded as data:image/png;base64,... or data:image/jpeg;base64,...; a "
                 "template holds no file names");
  }
  Picture picture;
  if (!DecodeBase64(text.substr(png ? kPng.size() : kJpeg.size()), max_bytes, &picture.bytes)) {
    Refuse(path, "the picture's base64 is damaged");
  }
  const std::vector<uint8_t>& b = picture.bytes;
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  const bool is_png = b.size() >= 8 && std::equal(kPngSignature, kPngSignature + 8, b.begin());
  const bool is_jpeg = b.size() >= 3 && b[0] == 0xff && b[1] == 0xd8 && b[2] == 0xff;
  if (png ? !is_png : !is_jpeg) Refuse(path, std::string("the picture is not a ") + (png ? "PNG" : "JPEG") + " file");
  return picture;
}

void ReadDisc(const json& v, const std::string& path, Disc* disc) {
  Object o(v, path);
  if (o.Integer("size_mm", &disc->size_mm, 0, 1000)) {
    if (!DefaultDiameters(disc->size_mm, &disc->outer_mm, &disc->hub_mm)) {
      Refuse(o.Path("size_mm"), std::to_string(disc->size_mm) + " is not a disc size (120 or 80)");
    }
  }
  o.Number("outer_mm", &disc->outer_mm, 30, disc->size_mm);
  o.Number("hub_mm", &disc->hub_mm, 15, disc->outer_mm - 10);
  o.Finish({"size_mm", "outer_mm", "hub_mm"});
}

void ReadBackground(const json& v, const std::string& path, Background* bg) {
  Object o(v, path);
  ColourKey(&o, "colour", &bg->colour);
  if (const json* p = o.Find("photo")) {
    Object photo(*p, o.Path("photo"));
    bg->photo.picture = ReadPicture(photo.Require("data"), photo.Path("data"), kMaxPhotoBytes);
    photo.Word("fit", &bg->photo.fit, {"fill", "fit"});
    photo.Number("zoom", &bg->photo.zoom, 0.1, 20);
    photo.Number("pan_x_mm", &bg->photo.pan_x_mm, -120, 120);
    photo.Number("pan_y_mm", &bg->photo.pan_y_mm, -120, 120);
    photo.Number("rotate_deg", &bg->photo.rotate_deg, -360, 360);
    photo.Finish({"data", "fit", "zoom", "pan_x_mm", "pan_y_mm", "rotate_deg"});
  }
  o.Finish({"colour", "photo"});
}

void ReadArcs(const json& v, const std::string& path, std::vector<ArcText>* arcs) {
  const json& items = Array(v, path, kMaxArcTexts);
  for (size_t i = 0; i < items.size(); ++i) {
    Object o(items[i], Index(path, i));
    ArcText arc;
    arc.text = Object::CheckString(o.Require("text"), o.Path("text"), kMaxTextBytes, false);
    o.Word("side", &arc.side, {"top", "bottom"});
    o.Number("radius_mm", &arc.radius_mm, 5, 60);
    o.Number("angle_deg", &arc.angle_deg, -360, 360);
    if (const json* f = o.Find("font")) arc.font = ReadFont(*f, o.Path("font"), arc.font);
    ColourKey(&o, "colour", &arc.colour);
    o.Number("letter_spacing_pt", &arc.letter_spacing_pt, -10, 50);
    o.Finish({"text", "side", "radius_mm", "angle_deg", "font", "colour", "letter_spacing_pt"});
    arcs->push_back(std::move(arc));
  }
}

void ReadTexts(const json& v, const std::string& path, std::vector<TextLine>* texts) {
  const json& items = Array(v, path, kMaxTextLines);
  for (size_t i = 0; i < items.size(); ++i) {
    Object o(items[i], Index(path, i));
    TextLine line;
    line.text = Object::CheckString(o.Require("text"), o.Path("text"), kMaxTextBytes, false);
    o.Number("x_mm", &line.x_mm, -60, 60);
    o.Number("y_mm", &line.y_mm, -60, 60);
    o.Word("align", &line.align, {"left", "centre", "right"});
    if (const json* f = o.Find("font")) line.font = ReadFont(*f, o.Path("font"), line.font);
    ColourKey(&o, "colour", &line.colour);
    o.Finish({"text", "x_mm", "y_mm", "align", "font", "colour"});
    texts->push_back(std::move(line));
  }
}

void ReadTracks(const json& v, const std::string& path, TrackList* tracks) {
  Object o(v, path);
  if (const json* e = o.Find("entries")) {
    const json& items = Array(*e, o.Path("entries"), kMaxTracks);
    for (size_t i = 0; i < items.size(); ++i) {
      tracks->entries.push_back(Object::CheckString(items[i], Index(o.Path("entries"), i), kMaxTextBytes, false));
    }
  }
  o.String("cue", &tracks->cue, kMaxCueBytes, true);
  if (!tracks->entries.empty() && !tracks->cue.empty()) {
    Refuse(path, "give either \"entries\" or \"cue\", not both");
  }
  o.Integer("columns", &tracks->columns, 1, 2);
  o.Word("region", &tracks->region, {"bottom", "top", "left", "right"});
  if (const json* f = o.Find("font")) tracks->font = ReadFont(*f, o.Path("font"), tracks->font);
  o.Number("min_size_pt", &tracks->min_size_pt, 4, 72);
  if (tracks->min_size_pt > tracks->font.size_pt) {
    Refuse(o.Path("min_size_pt"), "is larger than the font's size_pt");
  }
  ColourKey(&o, "colour", &tracks->colour);
  o.Finish({"entries", "cue", "columns", "region", "font", "min_size_pt", "colour"});
}

void ReadLogos(const json& v, const std::string& path, std::vector<Logo>* logos) {
  const json& items = Array(v, path, kMaxLogos);
  for (size_t i = 0; i < items.size(); ++i) {
    Object o(items[i], Index(path, i));
    Logo logo;
    logo.picture = ReadPicture(o.Require("data"), o.Path("data"), kMaxLogoBytes);
    o.Number("width_mm", &logo.width_mm, 1, 60);
    const bool polar = o.Number("angle_deg", &logo.angle_deg, -360, 360) |
                       o.Number("radius_mm", &logo.radius_mm, 0, 60);
    const bool xy = o.Number("x_mm", &logo.x_mm, -60, 60) | o.Number("y_mm", &logo.y_mm, -60, 60);
    if (polar && xy) Refuse(Index(path, i), "place a logo by angle_deg/radius_mm or by x_mm/y_mm, not both");
    logo.polar = !xy;
    o.Number("rotate_deg", &logo.rotate_deg, -360, 360);
    o.Finish({"data", "width_mm", "angle_deg", "radius_mm", "x_mm", "y_mm", "rotate_deg"});
    logos->push_back(std::move(logo));
  }
}

void ReadDocument(const json& doc, LabelTemplate* label) {
  Object o(doc, "$");
  std::string format;
  if (!o.String("format", &format, 64) || format != kTemplateFormat) {
    Refuse("$.format", std::string("expected \"") + kTemplateFormat + "\" (is this a label template?)");
  }
  int version = 0;
  if (!o.Integer("version", &version, 1, 1000000)) Refuse("$", "missing \"version\"");
  if (version > kTemplateVersion) {
    Refuse("$.version", "version " + std::to_string(version) + " is newer than this program reads (" +
                            std::to_string(kTemplateVersion) + ")");
  }
  if (const json* v = o.Find("disc")) ReadDisc(*v, "$.disc", &label->disc);
  if (const json* v = o.Find("background")) ReadBackground(*v, "$.background", &label->background);
  if (const json* v = o.Find("arc_texts")) ReadArcs(*v, "$.arc_texts", &label->arcs);
  if (const json* v = o.Find("texts")) ReadTexts(*v, "$.texts", &label->texts);
  if (const json* v = o.Find("track_list")) ReadTracks(*v, "$.track_list", &label->tracks);
  if (const json* v = o.Find("logos")) ReadLogos(*v, "$.logos", &label->logos);
  o.Finish({"format", "version", "disc", "background", "arc_texts", "texts", "track_list", "logos"});
}

std::string ColourText(const Colour& c) {
  char text[8];
  snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return text;
}

ordered FontJson(const Font& f) {
  ordered o;
  o["family"] = f.family;
  o["size_pt"] = f.size_pt;
  o["weight"] = f.weight;
  if (f.italic) o["italic"] = true;
  return o;
}

std::string PictureText(const Picture& p) {
  const bool png = p.bytes.size() >= 1 && p.bytes[0] == 0x89;
  return std::string(png ? "data:image/png;base64," : "data:image/jpeg;base64,") +
         EncodeBase64(p.bytes.data(), p.bytes.size());
}

}  // namespace

bool DefaultDiameters(int size_mm, double* outer_mm, double* hub_mm) {
  if (size_mm != 120 && size_mm != 80) return false;
  const page::DiscRing ring = page::DefaultRing(size_mm == 80 ? page::DiscSize::k80 : page::DiscSize::k120);
  *outer_mm = ring.outer_mm;
  *hub_mm = ring.inner_mm;
  return true;
}

bool ReadTemplate(const uint8_t* data, size_t size, LabelTemplate* out, std::string* error) {
  *out = LabelTemplate{};
  if (size > kMaxTemplateBytes) {
    *error = "the template is " + std::to_string(size) + " bytes (at most " + std::to_string(kMaxTemplateBytes) +
             ")";
    return false;
  }
  if (!NestingWithin(data, size, kMaxNesting)) {
    *error = "the template nests more than " + std::to_string(kMaxNesting) + " levels deep";
    return false;
  }
  try {
    const json doc = json::parse(data, data + size);
    ReadDocument(doc, out);
  } catch (const json::parse_error& e) {
    // "[json.exception.parse_error.101] parse error at line 1, column 2: ..."
    std::string what = e.what();
    const size_t cut = what.find("] ");
    *error = "not JSON: " + (cut == std::string::npos ? what : what.substr(cut + 2));
    *out = LabelTemplate{};
    return false;
  } catch (const Fault& f) {
    *error = f.message;
    *out = LabelTemplate{};
    return false;
  }
  return true;
}

bool ReadTemplate(const std::string& text, LabelTemplate* out, std::string* error) {
  return ReadTemplate(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out, error);
}

std::string WriteTemplate(const LabelTemplate& label) {
  static const char* kSides[] = {"top", "bottom"};
  static const char* kAligns[] = {"left", "centre", "right"};
  static const char* kRegions[] = {"bottom", "top", "left", "right"};
  ordered doc;
  doc["format"] = kTemplateFormat;
  doc["version"] = kTemplateVersion;
  doc["disc"] = {{"size_mm", label.disc.size_mm}, {"outer_mm", label.disc.outer_mm}, {"hub_mm", label.disc.hub_mm}};
  ordered bg;
  bg["colour"] = ColourText(label.background.colour);
  const Photo& photo = label.background.photo;
  if (!photo.picture.Empty()) {
    bg["photo"] = {{"data", PictureText(photo.picture)}, {"fit", photo.fit == PhotoFit::kFill ? "fill" : "fit"},
                   {"zoom", photo.zoom}, {"pan_x_mm", photo.pan_x_mm}, {"pan_y_mm", photo.pan_y_mm},
                   {"rotate_deg", photo.rotate_deg}};
  }
  doc["background"] = bg;
  ordered arcs = ordered::array();
  for (const ArcText& a : label.arcs) {
    arcs.push_back({{"text", a.text}, {"side", kSides[int(a.side)]}, {"radius_mm", a.radius_mm},
                    {"angle_deg", a.angle_deg}, {"font", FontJson(a.font)}, {"colour", ColourText(a.colour)},
                    {"letter_spacing_pt", a.letter_spacing_pt}});
  }
  doc["arc_texts"] = arcs;
  ordered texts = ordered::array();
  for (const TextLine& t : label.texts) {
    texts.push_back({{"text", t.text}, {"x_mm", t.x_mm}, {"y_mm", t.y_mm}, {"align", kAligns[int(t.align)]},
                     {"font", FontJson(t.font)}, {"colour", ColourText(t.colour)}});
  }
  doc["texts"] = texts;
  if (!label.tracks.Empty()) {
    const TrackList& t = label.tracks;
    ordered tracks;
    if (!t.cue.empty()) tracks["cue"] = t.cue;
    else tracks["entries"] = t.entries;
    tracks["columns"] = t.columns;
    tracks["region"] = kRegions[int(t.region)];
    tracks["font"] = FontJson(t.font);
    tracks["min_size_pt"] = t.min_size_pt;
    tracks["colour"] = ColourText(t.colour);
    doc["track_list"] = tracks;
  }
  if (!label.logos.empty()) {
    ordered logos = ordered::array();
    for (const Logo& l : label.logos) {
      ordered logo;
      logo["data"] = PictureText(l.picture);
      logo["width_mm"] = l.width_mm;
      if (l.polar) {
        logo["angle_deg"] = l.angle_deg;
        logo["radius_mm"] = l.radius_mm;
      } else {
        logo["x_mm"] = l.x_mm;
        logo["y_mm"] = l.y_mm;
      }
      logo["rotate_deg"] = l.rotate_deg;
      logos.push_back(logo);
    }
    doc["logos"] = logos;
  }
  return doc.dump(2) + "\n";
}

LabelTemplate StartingTemplate() {
  LabelTemplate label;
  ArcText title;
  title.text = "My Disc";
  title.side = ArcSide::kTop;
  title.radius_mm = 50;
  title.font = Font{"DejaVu Sans", 20, 700, false};
  title.colour = Colour{0x1a, 0x3c, 0x8c};
  label.arcs.push_back(title);
  ArcText subtitle;
  subtitle.text = "made with quillory2";
  subtitle.side = ArcSide::kBottom;
  subtitle.radius_mm = 50;
  subtitle.font = Font{"DejaVu Sans", 12, 400, true};
  subtitle.colour = Colour{0x50, 0x50, 0x50};
  label.arcs.push_back(subtitle);
  TextLine date;
  date.text = "2026";
  date.y_mm = 25;
  date.font = Font{"DejaVu Serif", 14, 400, false};
  label.texts.push_back(date);
  return label;
}

}  // namespace designer
