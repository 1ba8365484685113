#include <gtest/gtest.h>

#include <map>
#include <string>

#include "printerapp/job_settings.h"
#include "printerapp/server_paths.h"

namespace printerapp {
namespace {

VendorLookup From(const std::map<std::string, std::string>& values) {
  return [values](const char* name) -> const char* {
    auto it = values.find(name);
    return it == values.end() ? nullptr : it->second.c_str();
  };
}

TEST(JobSettings, IppValuesBecomeThePrintersOptions) {
  JobSettings s;
  std::string error;
  ASSERT_TRUE(ResolveSettings(300, 300, PAPPL_COLOR_MODE_MONOCHROME, "disc-matte",
                              From({{"quillory2-image-control", "40"},
                                    {"quillory2-text-quality", "on"},
                                    {"quillory2-disc-type", "centre-band"},
                                    {"quillory2-outer-diameter", "100"},
                                    {"quillory2-hub-diameter", "40"},
                                    {"quillory2-ink-curves", "K:0,20,35,48,60,70,79,87,93,98,100"}}),
                              &s, &error))
      << error;
  EXPECT_EQ(s.options.resolution, page::Resolution::k300);
  EXPECT_EQ(s.options.colour, page::ColourMode::kMonochrome);
  EXPECT_EQ(s.options.media, page::Media::kMatte);
  EXPECT_EQ(s.options.image_control, 40);
  EXPECT_EQ(s.options.on_option, page::OnOff::kOn);
  EXPECT_EQ(s.options.disc_type, page::DiscType::kCentreBand);
  EXPECT_EQ(s.layout.ring.outer_mm, 100);
  EXPECT_EQ(s.layout.ring.inner_mm, 40);
  EXPECT_EQ(s.layout.separation.curves.printed[imaging::kCurveBlack][1], 20);
  // Nothing given: the printer's own defaults.
  ASSERT_TRUE(ResolveSettings(300, 600, PAPPL_COLOR_MODE_COLOR, "", From({}), &s, &error));
  EXPECT_TRUE(s.options == page::JobOptions{});
  EXPECT_EQ(s.layout.ring.outer_mm, 118);
  EXPECT_EQ(s.layout.ring.inner_mm, 22);
  EXPECT_EQ(s.layout.disc, page::DiscSize::k120);
  EXPECT_TRUE(s.layout.separation.curves.AllIdentity());
  // The 80 mm disc: its ring, the printer's 120 mm diameters giving way.
  ASSERT_TRUE(ResolveSettings(300, 600, PAPPL_COLOR_MODE_COLOR, "", From({{"quillory2-outer-diameter", "118"}}),
                              &s, &error, "om_cd-80_80x80mm"));
  EXPECT_EQ(s.layout.disc, page::DiscSize::k80);
  EXPECT_EQ(s.layout.ring.outer_mm, 78);
  ASSERT_TRUE(ResolveSettings(300, 600, PAPPL_COLOR_MODE_COLOR, "", From({{"quillory2-outer-diameter", "70"}}),
                              &s, &error, "om_cd-80_80x80mm"));
  EXPECT_EQ(s.layout.ring.outer_mm, 70);
}

TEST(JobSettings, RefusesWhatThePrinterDoesNotOffer) {
  const struct {
    int x, y;
    const char* media;
    std::map<std::string, std::string> vendor;
  } bad[] = {
      {600, 600, "disc", {}},
      {300, 600, "photographic-glossy", {}},
      {300, 600, "disc", {{"quillory2-image-control", "101"}}},
      {300, 600, "disc", {{"quillory2-disc-type", "square"}}},
      {300, 600, "disc", {{"quillory2-ink-curves", "C:0,50,40,60,70,80,85,90,95,98,100"}}},
      {300, 600, "disc", {{"quillory2-outer-diameter", "50"}, {"quillory2-hub-diameter", "60"}}},
  };
  for (const auto& b : bad) {
    JobSettings s;
    std::string error;
    EXPECT_FALSE(ResolveSettings(b.x, b.y, PAPPL_COLOR_MODE_COLOR, b.media, From(b.vendor), &s, &error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(ServerPaths, SystemServiceAndUserFolders) {
  const std::map<std::string, std::string> env = {{"HOME", "/home/ann"}, {"XDG_CACHE_HOME", "relative"}};
  const auto getenv = [&](const char* name) -> const char* {
    auto it = env.find(name);
    return it == env.end() ? nullptr : it->second.c_str();
  };
  const ServerPaths root = DefaultServerPaths(0, getenv);
  EXPECT_EQ(root.state_file, "/var/lib/quillory2-printer-app/quillory2-printer-app.state");
  EXPECT_EQ(root.spool_dir, "/var/spool/quillory2-printer-app");
  // A relative XDG folder is ignored, as the XDG base directory rules say.
  const ServerPaths user = DefaultServerPaths(1000, getenv);
  EXPECT_EQ(user.state_file, "/home/ann/.config/quillory2-printer-app.state");
  EXPECT_EQ(user.spool_dir, "/home/ann/.cache/quillory2-printer-app");
}

}  // namespace
}  // namespace printerapp
