// The label template reader: what it refuses, with the path of the fault,
// and what it reads back from its own writing. The CUE sheet reader too.
#include <gtest/gtest.h>

#include <string>

#include "designer/base64.h"
#include "designer/cue_sheet.h"
#include "designer/label_template.h"

namespace {

using designer::LabelTemplate;

std::string Wrap(const std::string& body) {
  return "{\"format\":\"quillory2-label\",\"version\":1" + (body.empty() ? "" : "," + body) + "}";
}

// The reader's reason for refusing the template, or "" when it reads.
std::string Refusal(const std::string& text) {
  LabelTemplate label;
  std::string error;
  return designer::ReadTemplate(text, &label, &error) ? "" : error;
}

TEST(TemplateReader, RefusesFaultsWithTheirJsonPath) {
  const struct {
    std::string body, reason;
  } kCases[] = {
      {"\"colour\":1", "$.colour: unknown key"},
      {"\"texts\":[{\"text\":\"a\",\"size\":3}]", "$.texts[0].size: unknown key"},
      {"\"arc_texts\":[{\"text\":\"a\"},{\"text\":\"b\",\"radius_mm\":\"40\"}]",
       "$.arc_texts[1].radius_mm: expected a number, found a string"},
      {"\"arc_texts\":[{\"text\":\"a\",\"radius_mm\":400}]", "$.arc_texts[0].radius_mm: 400 is out of range"},
      {"\"arc_texts\":[{\"text\":\"a\",\"side\":\"left\"}]", "$.arc_texts[0].side: \"left\" is not one of top, bottom"},
      {"\"arc_texts\":[{\"radius_mm\":4}]", "$.arc_texts[0]: missing \"text\""},
      {"\"texts\":[{\"text\":\"a\",\"colour\":\"red\"}]", "$.texts[0].colour: \"red\" is not a colour"},
      {"\"texts\":[{\"text\":\"a\",\"font\":{\"family\":\"/usr/share/fonts/evil.ttf\"}}]",
       "$.texts[0].font.family: \"/usr/share/fonts/evil.ttf\" is not a font family name"},
      {"\"texts\":[{\"text\":\"a\",\"font\":{\"weight\":\"fat\"}}]", "$.texts[0].font.weight:"},
      {"\"texts\":[{\"text\":\"a\\u0007\"}]", "$.texts[0].text: holds a control character"},
      {"\"texts\":[{\"text\":\"" + std::string(401, 'x') + "\"}]", "$.texts[0].text: too long: 401 bytes"},
      {"\"texts\":" + [] { std::string s = "["; for (int i = 0; i < 17; ++i) s += "{\"text\":\"a\"},"; s.back() = ']'; return s; }(),
       "$.texts: 17 items (at most 16)"},
      {"\"background\":{\"photo\":{\"data\":\"/home/me/photo.jpg\"}}",
       "$.background.photo.data: pictures are embedded as data:image/png;base64"},
      {"\"background\":{\"photo\":{\"data\":\"data:image/png;base64,/9j/4AAQ\"}}",
       "$.background.photo.data: the picture is not a PNG file"},
      {"\"background\":{\"photo\":{\"data\":\"data:image/png;base64,iVBO*\"}}", "$.background.photo.data: the picture's base64 is damaged"},
      {"\"logos\":[{\"data\":\"data:image/jpeg;base64,/9j/4AAQ\",\"x_mm\":1,\"angle_deg\":3}]",
       "$.logos[0]: place a logo by angle_deg/radius_mm or by x_mm/y_mm, not both"},
      {"\"track_list\":{\"entries\":[\"a\"],\"cue\":\"TRACK 01 AUDIO\"}", "$.track_list: give either"},
      {"\"track_list\":{\"columns\":3}", "$.track_list.columns: 3 is out of range"},
      {"\"track_list\":{\"columns\":1.5}", "$.track_list.columns: expected a whole number"},
      {"\"disc\":{\"size_mm\":100}", "$.disc.size_mm: 100 is not a disc size (120 or 80)"},
      {"\"disc\":{\"size_mm\":80,\"outer_mm\":100}", "$.disc.outer_mm: 100 is out of range"},
  };
  for (const auto& c : kCases) {
    const std::string refusal = Refusal(Wrap(c.body));
    EXPECT_EQ(refusal.compare(0, c.reason.size(), c.reason), 0) << c.body << "\n  gave: " << refusal;
  }
  EXPECT_EQ(Refusal("{\"version\":1}").rfind("$.format:", 0), 0u);
  EXPECT_EQ(Refusal("{\"format\":\"quillory2-label\",\"version\":2}"),
            "$.version: version 2 is newer than this program reads (1)");
  EXPECT_EQ(Refusal("[1,2]"), "$: expected an object, found an array");
  EXPECT_EQ(Refusal("{\"format\":").rfind("not JSON: parse error at line 1", 0), 0u);
  EXPECT_EQ(Refusal(std::string(100, '[')), "the template nests more than 12 levels deep");
  EXPECT_EQ(Refusal(Wrap("\"texts\":[{\"text\":\"\xff\"}]")).rfind("not JSON", 0), 0u);  // not UTF-8
}

TEST(TemplateReader, WritesWhatItReadsBack) {
  LabelTemplate label = designer::StartingTemplate();
  label.disc = designer::Disc{80, 76, 24};
  label.tracks.cue = "TRACK 01 AUDIO\n  TITLE \"Intro\"\n";
  label.tracks.columns = 2;
  label.tracks.region = designer::TrackRegion::kRight;
  static const uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 1};
  label.background.photo.picture.bytes.assign(kPng, kPng + sizeof kPng);
  label.background.photo.fit = designer::PhotoFit::kFit;
  label.background.photo.rotate_deg = -12.5;
  designer::Logo logo;
  logo.picture.bytes = {0xff, 0xd8, 0xff, 0xe0};
  logo.polar = false;
  logo.x_mm = -3;
  label.logos.push_back(logo);
  label.arcs[0].text = "Ελληνικά · Кириллица · עברית · Åcçént";
  const std::string written = designer::WriteTemplate(label);
  LabelTemplate read;
  std::string error;
  ASSERT_TRUE(designer::ReadTemplate(written, &read, &error)) << error;
  EXPECT_EQ(designer::WriteTemplate(read), written);
  EXPECT_EQ(read.arcs[0].text, label.arcs[0].text);
  EXPECT_EQ(read.background.photo.picture.bytes, label.background.photo.picture.bytes);
  EXPECT_EQ(read.logos[0].picture.bytes, logo.picture.bytes);
  EXPECT_FALSE(read.logos[0].polar);
  EXPECT_EQ(read.disc.outer_mm, 76);
  // A disc size alone brings its diameters.
  ASSERT_TRUE(designer::ReadTemplate(Wrap("\"disc\":{\"size_mm\":80}"), &read, &error)) << error;
  EXPECT_EQ(read.disc.outer_mm, 78);
}

TEST(Base64, DecodesWhatItEncodesAndRefusesDamage) {
  std::vector<uint8_t> out;
  for (size_t n = 0; n < 7; ++n) {
    const std::vector<uint8_t> bytes(n, static_cast<uint8_t>(0xa5 + n));
    ASSERT_TRUE(designer::DecodeBase64(designer::EncodeBase64(bytes.data(), n), 100, &out));
    EXPECT_EQ(out, bytes);
  }
  EXPECT_EQ(designer::EncodeBase64(reinterpret_cast<const uint8_t*>("Man"), 3), "TWFu");
  EXPECT_FALSE(designer::DecodeBase64("TWF", 100, &out));
  EXPECT_FALSE(designer::DecodeBase64("TW=u", 100, &out));
  EXPECT_FALSE(designer::DecodeBase64("====", 100, &out));
  EXPECT_FALSE(designer::DecodeBase64("TWFuTWFu", 5, &out));  // more than allowed, before decoding
}

TEST(CueSheet, ReadsTitlesPerformersAndTracks) {
  designer::CueSheet sheet;
  std::string error;
  ASSERT_TRUE(designer::ReadCueSheet("REM GENRE Jazz\r\nPERFORMER \"The Band\"\r\nTITLE \"Live\"\r\n"
                                     "FILE \"live.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"Opening\"\r\n"
                                     "    INDEX 01 00:00:00\r\n  TRACK 02 AUDIO\r\n    TITLE Encore\r\n"
                                     "    PERFORMER \"Guest\"\r\n  track 03 audio\r\n",
                                     &sheet, &error))
      << error;
  EXPECT_EQ(sheet.title, "Live");
  EXPECT_EQ(sheet.performer, "The Band");
  const std::vector<std::string> entries = designer::TrackEntries(sheet);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], "1. Opening");
  EXPECT_EQ(entries[1], "2. Encore \u2013 Guest");
  EXPECT_EQ(entries[2], "3. Track 3");

  EXPECT_FALSE(designer::ReadCueSheet("TITLE \"x\"\n", &sheet, &error));
  EXPECT_EQ(error, "the CUE sheet has no TRACK entries");
  EXPECT_FALSE(designer::ReadCueSheet("TRACK 02 AUDIO\nTRACK 01 AUDIO\n", &sheet, &error));
  EXPECT_EQ(error, "CUE sheet line 2: track numbers must rise");
  EXPECT_FALSE(designer::ReadCueSheet("TRACK 100 AUDIO\n", &sheet, &error));
  EXPECT_FALSE(designer::ReadCueSheet("TRACK 01 AUDIO\nTITLE \"open\n", &sheet, &error));
  EXPECT_EQ(error, "CUE sheet line 2: a quote is left open");
}

}  // namespace
