// The words of the job options, as every front end reads and prints them.
#include "page/job_options.h"

#include <gtest/gtest.h>

namespace page {
namespace {

TEST(JobOptionWords, AcceptThePrintersSpellingsAndShortForms) {
  Resolution r = Resolution::k300;
  for (const char* s : {"600 x 300 DPI ", "600x300", "600", "300x600", "300x600dpi", "600 DPI"}) {
    r = Resolution::k300;
    EXPECT_TRUE(ParseResolution(s, &r)) << s;
    EXPECT_EQ(r, Resolution::k600) << s;
  }
  for (const char* s : {"300 x 300 DPI ", "300 x 300", "300", "300x300dpi"}) {
    r = Resolution::k600;
    EXPECT_TRUE(ParseResolution(s, &r)) << s;
    EXPECT_EQ(r, Resolution::k300) << s;
  }
  EXPECT_FALSE(ParseResolution("1200", &r));
  EXPECT_FALSE(ParseResolution("", &r));
  EXPECT_EQ(r, Resolution::k300) << "a refused word leaves the value alone";

  Media m = Media::kRegular;
  EXPECT_TRUE(ParseMedia("matte", &m));
  EXPECT_EQ(m, Media::kMatte);
  EXPECT_FALSE(ParseMedia("Glossy", &m));
  OnOff o = OnOff::kOff;
  EXPECT_TRUE(ParseOnOff("ON", &o));
  EXPECT_EQ(o, OnOff::kOn);
  EXPECT_FALSE(ParseOnOff("MAYBE", &o));

  DiscType d = DiscType::kStandard;
  for (const char* s : {"centre-band", "Center-Band", "DISC_D", "d"}) {
    d = DiscType::kStandard;
    EXPECT_TRUE(ParseDiscType(s, &d)) << s;
    EXPECT_EQ(d, DiscType::kCentreBand) << s;
  }
  EXPECT_TRUE(ParseDiscType("DISC_S", &d));
  EXPECT_EQ(d, DiscType::kStandard);
  EXPECT_FALSE(ParseDiscType("DISC_X", &d));

  ColourMode c = ColourMode::kColour;
  EXPECT_TRUE(ParseColourMode("Gray", &c));
  EXPECT_EQ(c, ColourMode::kMonochrome);
  EXPECT_FALSE(ParseColourMode("RGB", &c));
}

TEST(JobOptionWords, ImageControlIsAutoOrALevelWithoutLeadingZeros) {
  int v = 50;
  EXPECT_TRUE(ParseImageControl("AUTO", &v));
  EXPECT_EQ(v, kImageControlAuto);
  EXPECT_TRUE(ParseImageControl("100", &v));
  EXPECT_EQ(v, 100);
  EXPECT_TRUE(ParseImageControl("1", &v));
  EXPECT_EQ(v, 1);
  for (const char* bad : {"0", "101", "007", "050", "-1", "1000", "x", ""}) {
    EXPECT_FALSE(ParseImageControl(bad, &v)) << bad;
  }
  EXPECT_EQ(v, 1);
}

TEST(JobOptionWords, EveryNameReadsBackAsItsValue) {
  for (Resolution r : {Resolution::k600, Resolution::k300}) {
    Resolution back = r == Resolution::k600 ? Resolution::k300 : Resolution::k600;
    EXPECT_TRUE(ParseResolution(ResolutionName(r), &back));
    EXPECT_EQ(back, r);
  }
  for (Media m : {Media::kRegular, Media::kMatte}) {
    Media back = m == Media::kRegular ? Media::kMatte : Media::kRegular;
    EXPECT_TRUE(ParseMedia(MediaName(m), &back));
    EXPECT_EQ(back, m);
  }
  for (DiscType d : {DiscType::kStandard, DiscType::kCentreBand}) {
    DiscType back = d == DiscType::kStandard ? DiscType::kCentreBand : DiscType::kStandard;
    EXPECT_TRUE(ParseDiscType(DiscTypeKeyword(d), &back));
    EXPECT_EQ(back, d);
  }
  for (int level : {kImageControlAuto, 1, 42, kImageControlLevels}) {
    int back = -1;
    EXPECT_TRUE(ParseImageControl(ImageControlName(level), &back));
    EXPECT_EQ(back, level);
  }
  EXPECT_STREQ(DiscTypeKeyword(DiscType::kCentreBand), "DISC_D");
  EXPECT_EQ(ResolutionName(Resolution::k600), "600 x 300 DPI");
}

TEST(JobResolution, OnlyThreeHundredAcrossBySixHundredOrThreeHundredDown) {
  Resolution r = Resolution::k300;
  EXPECT_TRUE(ResolutionOfDots(300, 600, &r));
  EXPECT_EQ(r, Resolution::k600);
  EXPECT_TRUE(ResolutionOfDots(300, 300, &r));
  EXPECT_EQ(r, Resolution::k300);
  for (const auto& [x, y] : {std::pair{600, 600}, {600, 300}, {300, 1200}, {0, 0}, {-300, 600}}) {
    EXPECT_FALSE(ResolutionOfDots(x, y, &r)) << x << "x" << y;
  }
  EXPECT_EQ(r, Resolution::k300);
}

}  // namespace
}  // namespace page
