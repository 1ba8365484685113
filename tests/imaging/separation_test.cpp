// The picture path's separation (linear light, tone, ink limit) and its
// vector error diffusion, judged on whole label pages: what share of the
// ring's dots carries each ink, and which inks share a dot.
#include <gtest/gtest.h>

#include <array>
#include <algorithm>
#include <cmath>

#include "imaging/label.h"
#include "imaging/separation.h"
#include "imaging/vector_diffusion.h"
#include "tests/support/printed_dots.h"

namespace imaging {
namespace {

// Share of the ring's dots with each ink, and with 0 to 3 inks at once.
struct Shares {
  std::array<double, 3> ink{};
  std::array<double, 4> stacked{};
};

Shares Measure(Rgb colour, const LabelLayout& layout, page::Resolution resolution = page::Resolution::k300) {
  page::JobOptions o;
  o.resolution = resolution;
  const page::InkPage page = MakeLabelPage(RgbImage(40, 40, colour), o, layout);
  const DiscMask mask(layout.ring, o.RowsPerInch());
  Shares s;
  long ring = 0;
  for (int32_t row = 0; row < page.rows; ++row) {
    for (int32_t x = 0; x < page.width_dots; ++x) {
      if (!mask.Printable(x, row)) continue;
      ++ring;
      int inks = 0;
      for (int p = 0; p < 3; ++p) inks += page.Dot(p, row, x), s.ink[p] += page.Dot(p, row, x);
      s.stacked[inks] += 1;
    }
  }
  for (double& v : s.ink) v /= ring;
  for (double& v : s.stacked) v /= ring;
  return s;
}

// Linear light of an sRGB code value, from the sRGB definition.
double Linear(int code) {
  const double v = code / 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

LabelLayout NoLimit() {
  LabelLayout layout;
  layout.separation.ink_limit = kNoInkLimit;
  return layout;
}

TEST(Separation, GreysPrintTheirLightnessAndStayNeutral) {
  // Under area coverage a grey needs 1 - its linear light of every ink: code
  // 128 is 78 % ink (L* 54), not the 50 % (L* 72) of 1 - code value.
  for (int code : {16, 48, 128, 188, 230, 250}) {
    const Shares s = Measure(Rgb{uint8_t(code), uint8_t(code), uint8_t(code)}, NoLimit());
    for (int p = 0; p < 3; ++p) EXPECT_NEAR(s.ink[p], 1 - Linear(code), 0.01) << "grey " << code << " ink " << p;
  }
  // Colours: each ink takes its own primary's linear light.
  const Shares orange = Measure(Rgb{230, 120, 40}, NoLimit());
  EXPECT_NEAR(orange.ink[page::kCyan], 1 - Linear(230), 0.01);
  EXPECT_NEAR(orange.ink[page::kMagenta], 1 - Linear(120), 0.01);
  EXPECT_NEAR(orange.ink[page::kYellow], 1 - Linear(40), 0.01);
}

TEST(Separation, LightNeutralsNeverStackAndDarkOnesLeaveNoWhite) {
  // A light grey is cyan, magenta and yellow dots side by side, never two
  // inks on one dot (a black dot on white); a dark grey has no white dot.
  const Shares light = Measure(Rgb{235, 235, 235}, NoLimit(), page::Resolution::k600);
  EXPECT_GT(light.stacked[1], 0.2);
  EXPECT_EQ(light.stacked[2] + light.stacked[3], 0);
  const Shares dark = Measure(Rgb{40, 40, 40}, NoLimit(), page::Resolution::k600);
  EXPECT_EQ(dark.stacked[0], 0);
  EXPECT_GT(dark.stacked[3], 0.8);
}

TEST(Separation, ToneLightensOrDarkensMidTonesOnly) {
  LabelLayout lighter = NoLimit(), darker = NoLimit();
  lighter.separation.tone = 20;
  darker.separation.tone = -20;
  // Reflectance 0.5 is 50 % ink; the tone moves it by its own amount.
  const Shares l = Measure(Rgb{188, 188, 188}, lighter), d = Measure(Rgb{188, 188, 188}, darker);
  for (int p = 0; p < 3; ++p) {
    EXPECT_NEAR(l.ink[p], 1 - Linear(188) - 0.20, 0.015);
    EXPECT_NEAR(d.ink[p], 1 - Linear(188) + 0.20, 0.015);
  }
  // Paper white and full ink stay.
  EXPECT_EQ(Measure(Rgb{255, 255, 255}, lighter).stacked[0], 1);
  EXPECT_EQ(Measure(Rgb{0, 0, 0}, lighter).stacked[3], 1);
}

TEST(Separation, InkLimitCapsDarkAreasPerMediaAndOffGivesFullBlack) {
  // Black: 300 % with the limit off; otherwise the media's limit (the
  // regular coating's below 300 %), shared evenly, so still neutral.
  EXPECT_LT(DefaultInkLimit(page::Media::kRegular), kNoInkLimit);
  EXPECT_EQ(Measure(Rgb{0, 0, 0}, NoLimit()).stacked[3], 1);
  for (page::Media media : {page::Media::kRegular, page::Media::kMatte}) {
    page::JobOptions o;
    o.resolution = page::Resolution::k300;
    o.media = media;
    const LabelLayout layout;
    const page::InkPage page = MakeLabelPage(RgbImage(40, 40, Rgb{0, 0, 0}), o, layout);
    const DiscMask mask(layout.ring, 300);
    long ring = 0, dots[3] = {};
    for (int32_t row = 0; row < page.rows; ++row)
      for (int32_t x = 0; x < page.width_dots; ++x)
        if (mask.Printable(x, row)) {
          ++ring;
          for (int p = 0; p < 3; ++p) dots[p] += page.Dot(p, row, x);
        }
    const double limit = DefaultInkLimit(media) / 100.0;
    for (int p = 0; p < 3; ++p) EXPECT_NEAR(static_cast<double>(dots[p]) / ring, limit / 3, 0.01);
  }
  LabelLayout custom;
  custom.separation.ink_limit = 200;
  const Shares s = Measure(Rgb{0, 0, 0}, custom);
  EXPECT_NEAR(s.ink[0] + s.ink[1] + s.ink[2], 2.0, 0.02);
  // Darker stays darker below the limit; a colour 40 % under it is
  // untouched.
  const Shares red = Measure(Rgb{255, 0, 0}, custom);
  EXPECT_EQ(red.ink[page::kCyan], 0);
  EXPECT_LT(red.ink[page::kMagenta] + red.ink[page::kYellow], 2.0 - 0.05);
  EXPECT_GT(red.ink[page::kMagenta] + red.ink[page::kYellow], 1.6);
  const Shares magenta = Measure(Rgb{255, 0, 255}, custom);
  EXPECT_NEAR(magenta.ink[page::kMagenta], 1, 1e-9);
}

TEST(Separation, RefusesSettingsOutOfRange) {
  std::string error;
  SeparationSettings s;
  EXPECT_TRUE(ValidateSeparation(s, &error));
  s.tone = kMaxTone + 1;
  EXPECT_FALSE(ValidateSeparation(s, &error));
  s.tone = 0;
  s.ink_limit = kMinInkLimit - 1;
  EXPECT_FALSE(ValidateSeparation(s, &error));
  s.ink_limit = kNoInkLimit + 1;
  EXPECT_FALSE(ValidateSeparation(s, &error));
  EXPECT_FALSE(error.empty());
}

TEST(InkCurves, WordsRoundTripAndFaultyCurvesAreRefused) {
  InkCurves curves;
  std::string error;
  ASSERT_TRUE(ParseInkCurves("M:0,15,29.34,42.4,54.8,65.9,75.8,84.5,91.7,97.1,100;K:0,20,35,48,60,70,79,87,93,98,100",
                             &curves, &error)) << error;
  EXPECT_TRUE(curves.Identity(0));
  EXPECT_EQ(curves.printed[1][2], 29.3);  // kept to 0.1 %, as written back
  EXPECT_EQ(InkCurvesText(curves),
            "M:0,15,29.3,42.4,54.8,65.9,75.8,84.5,91.7,97.1,100;K:0,20,35,48,60,70,79,87,93,98,100");
  InkCurves again;
  ASSERT_TRUE(ParseInkCurves(InkCurvesText(curves), &again, &error));
  EXPECT_EQ(again, curves);
  EXPECT_EQ(InkCurvesText(InkCurves()), "none");
  for (const char* bad : {"C:0,10,20", "C:0,10,20,30,40,50,60,70,80,90,100,100", "X:0,10,20,30,40,50,60,70,80,90,100",
                          "C:5,10,20,30,40,50,60,70,80,90,100", "C:0,10,20,30,40,50,60,70,80,90,99",
                          "C:0,30,20,40,50,60,70,80,90,95,100", "C:0,10,20,30,40,50,60,70,80,90,100;",
                          "C:0,10,20,30,40,50,60,70,80,90,100;C:0,10,20,30,40,50,60,70,80,90,100",
                          "C:0,10,20,30,40,nan,60,70,80,90,100", "C:0, 10,20,30,40,50,60,70,80,90,100"}) {
    EXPECT_FALSE(ParseInkCurves(bad, &curves, &error)) << bad;
  }
  EXPECT_FALSE(ParseInkCurves(std::string("\0:0,10,20,30,40,50,60,70,80,90,100", 34), &curves, &error));
  EXPECT_EQ(curves, again);  // a refusal leaves the curves as they were
}

TEST(InkCurves, SeparationAsksForWhatPrintsTheModelsCoverage) {
  // With a curve, each ink asks for the nominal coverage that the curve
  // prints as the coverage the identity asks for, and never more as the
  // colour darkens.
  std::string error;
  SeparationSettings plain, curved;
  plain.ink_limit = curved.ink_limit = kNoInkLimit;
  ASSERT_TRUE(ParseInkCurves("C:0,18.1,34.6,49.2,62.1,73.2,82.5,89.8,95.3,98.7,100;K:0,25,45,60,72,81,88,93,97,99,100",
                             &curved.curves, &error)) << error;
  const Separator model(plain, page::Media::kMatte, true), bent(curved, page::Media::kMatte, true);
  const Separator model_k(plain, page::Media::kMatte, false), bent_k(curved, page::Media::kMatte, false);
  float last = 0;
  for (int v = 0; v <= 255; v += 5) {
    const float rgb[3] = {v / 255.0f, v / 255.0f, v / 255.0f};
    float want[4], asked[4];
    model.Separate(rgb, want);
    bent.Separate(rgb, asked);
    EXPECT_NEAR(PrintedCoverage(curved.curves, 0, asked[0]), want[0], 2e-3) << v;
    EXPECT_LE(asked[0], want[0] + 1e-6) << v;  // dots that spread need fewer of them
    EXPECT_EQ(asked[1], want[1]) << v;         // the identity changes nothing
    if (v > 0) {
      EXPECT_LE(asked[0], last) << v;
    }
    last = asked[0];
    model_k.Separate(rgb, want);
    bent_k.Separate(rgb, asked);
    EXPECT_NEAR(PrintedCoverage(curved.curves, kCurveBlack, asked[0]), want[0], 2e-3) << v;
  }
}

TEST(VectorDiffusion, KeepsEachInksShareAndStopsAtUnprintableDots) {
  constexpr int32_t kWidth = 300, kRows = 300;
  for (int32_t rpi : {300, 600}) {
    VectorDiffuser d(kWidth, 3, rpi);
    const float want[3] = {0.07f, 0.55f, 0.93f};
    std::vector<float> density(kWidth * VectorDiffuser::kLanes);
    std::vector<uint8_t> printable(kWidth, 1);
    for (int32_t x = 0; x < kWidth; ++x)
      for (int p = 0; p < 3; ++p) density[x * VectorDiffuser::kLanes + p] = want[p];
    for (int32_t x = 100; x < 120; ++x) printable[x] = 0;
    long dots[3] = {}, blocked = 0;
    std::vector<std::vector<uint8_t>> rows(3, std::vector<uint8_t>((kWidth + 7) / 8));
    for (int32_t y = 0; y < kRows; ++y) {
      uint8_t* out[3];
      for (int p = 0; p < 3; ++p) std::fill(rows[p].begin(), rows[p].end(), 0), out[p] = rows[p].data();
      d.Rows(density.data(), printable.data(), out);
      for (int p = 0; p < 3; ++p)
        for (int32_t x = 0; x < kWidth; ++x) {
          const bool dot = (rows[p][x >> 3] >> (7 - (x & 7))) & 1;
          dots[p] += dot;
          if (!printable[x]) blocked += dot;
        }
    }
    EXPECT_EQ(blocked, 0);
    for (int p = 0; p < 3; ++p)
      EXPECT_NEAR(static_cast<double>(dots[p]) / ((kWidth - 20) * kRows), want[p], 0.005) << rpi << " ink " << p;
  }
}

}  // namespace
}  // namespace imaging

namespace imaging {
namespace {

TEST(OnePicturePath, APictureAndItsRasterOnTheDotsPrintAlike) {
  // The printer application prints a PNG through MakeLabelPage and a PWG
  // raster of the same picture (rendered at 300 x 600 dpi, each row twice)
  // through MakeLabelPageOnDots: both go through the same separation and
  // halftone, so every 32 x 64-dot block carries the same share of each ink.
  RgbImage picture(kSquareDots, kSquareDots), raster(kSquareDots, 2 * kSquareDots);
  for (int32_t y = 0; y < kSquareDots; ++y) {
    for (int32_t x = 0; x < kSquareDots; ++x) {
      const Rgb c{static_cast<uint8_t>(x * 255 / kSquareDots), static_cast<uint8_t>(y * 255 / kSquareDots),
                  static_cast<uint8_t>(128 + 100 * std::sin((x + y) * 0.004))};
      picture.Set(x, y, c);
      raster.Set(x, 2 * y, c);
      raster.Set(x, 2 * y + 1, c);
    }
  }
  page::JobOptions o;
  const LabelLayout layout;
  const page::InkPage a = MakeLabelPage(picture, o, layout), b = MakeLabelPageOnDots(raster, o, layout);
  const testsupport::BlockInkDifference d = testsupport::CompareBlockInk(a, b, layout.ring);
  ASSERT_GT(d.blocks, 1000);
  EXPECT_LT(d.mean, 0.01);
  EXPECT_LT(d.worst, 0.05);
}

}  // namespace
}  // namespace imaging
