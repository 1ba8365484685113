// The filter program on hand-made raster: framing, pages, options, bad
// input and cancellation, run the way CUPS runs it.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "imaging/label.h"
#include "tests/cups/cups_test_support.h"

namespace {

using cupsdrv::PixelLayout;
using cupstest::RasterPage;
using cupstest::RunResult;

RasterPage Page(int32_t width, int32_t rows, int rpi, PixelLayout layout, uint32_t seed) {
  RasterPage page;
  page.ink = cupstest::RandomInkPage(width, rows, rpi, layout != PixelLayout::kBlack, seed);
  page.layout = layout;
  return page;
}

RunResult RunFilter(const std::vector<RasterPage>& pages, const std::string& options = "",
                    bool from_stdin = false) {
  cupstest::TempDir dir;
  const std::string path = dir.File("job.ras");
  EXPECT_TRUE(cupstest::WriteRaster(path, pages));
  return from_stdin ? cupstest::RunProgram(cupstest::FilterArgs(options), path)
                    : cupstest::RunProgram(cupstest::FilterArgs(options, path), "");
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Checks a whole job: setup for choices, each page's planes, then the end.
void ExpectJob(const RunResult& run, const std::vector<RasterPage>& pages,
               const page::JobOptions& choices, bool skip_centre) {
  const std::vector<uint8_t> setup = cupstest::ExpectedJobPreamble(choices);
  const std::vector<uint8_t> end = cupstest::ExpectedJobEnd();
  ASSERT_FALSE(setup.empty());
  EXPECT_TRUE(cupstest::StartsWith(run.out, setup));
  EXPECT_TRUE(cupstest::EndsWith(run.out, end));
  const stream::DecodedStream decoded = stream::Decode(run.out.data(), run.out.size(), stream::WholeJob());
  ASSERT_TRUE(decoded.Clean()) << decoded.problems.front().message;
  size_t plane = 0;
  for (const RasterPage& page : pages) {
    EXPECT_TRUE(cupstest::PlanesMatch(decoded, plane, cupstest::OnRing(page.ink), skip_centre));
    plane += static_cast<size_t>(page.ink.PlaneCount());
  }
  EXPECT_EQ(decoded.planes.size(), plane);
}

TEST(FilterJob, ColourAndBlackPagesAtBothResolutions) {
  for (int rpi : {300, 600}) {
    const int32_t rows = rpi == 600 ? 2832 : 1416;
    const std::vector<RasterPage> pages = {Page(1416, rows, rpi, PixelLayout::kCmyBanded, 1),
                                           Page(1416, rows, rpi, PixelLayout::kBlack, 2),
                                           Page(1416, rows, rpi, PixelLayout::kCmyChunked, 3),
                                           Page(1416, rows, rpi, PixelLayout::kCmyPlanar, 4)};
    const RunResult run = RunFilter(pages);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    page::JobOptions choices;
    choices.resolution = rpi == 600 ? page::Resolution::k600 : page::Resolution::k300;
    ExpectJob(run, pages, choices, false);
    for (int n = 1; n <= 4; ++n) {
      EXPECT_EQ(Count(run.err, "PAGE: " + std::to_string(n) + " 1\n"), 1u) << run.err;
    }
    EXPECT_EQ(Count(run.err, "ERROR:"), 0u) << run.err;
  }
}

TEST(FilterJob, ReadsStandardInputWhenNoFileIsGiven) {
  const std::vector<RasterPage> pages = {Page(600, 300, 600, PixelLayout::kCmyBanded, 9)};
  const RunResult run = RunFilter(pages, "", /*from_stdin=*/true);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  ExpectJob(run, pages, page::JobOptions{}, false);
}

TEST(FilterJob, OptionsArgumentChoosesMediaOptionsAndDiscType) {
  const std::vector<RasterPage> pages = {Page(1416, 2832, 600, PixelLayout::kCmyBanded, 5)};
  const RunResult run = RunFilter(pages, "MediaType=Matte TextQuality=ON ImageControl=24 DiscType=DISC_D");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  page::JobOptions choices;
  choices.media = page::Media::kMatte;
  choices.on_option = page::OnOff::kOn;
  choices.image_control = 24;
  choices.disc_type = page::DiscType::kCentreBand;
  ExpectJob(run, pages, choices, true);
  const stream::DecodedStream decoded = stream::Decode(run.out.data(), run.out.size(), stream::WholeJob());
  EXPECT_EQ(decoded.image_control, "24");
  EXPECT_EQ(decoded.media, "Matte");
}

TEST(FilterJob, HeaderCarriesThePpdChoicesPerPage) {
  std::vector<RasterPage> pages = {Page(1416, 2832, 600, PixelLayout::kCmyBanded, 6),
                                   Page(1416, 2832, 600, PixelLayout::kCmyBanded, 7)};
  for (RasterPage& p : pages) {
    p.media_type = 2;
    p.integers[0] = 1;
  }
  pages[0].integers[2] = 2;  // first disc with the centre band left out
  pages[1].integers[2] = 1;
  const RunResult run = RunFilter(pages, "DiscType=DISC_S MediaType=Regular");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const stream::DecodedStream decoded = stream::Decode(run.out.data(), run.out.size(), stream::WholeJob());
  ASSERT_TRUE(decoded.Clean());
  EXPECT_EQ(decoded.media, "Matte");
  EXPECT_EQ(decoded.image_control, "AUTO");
  EXPECT_TRUE(cupstest::PlanesMatch(decoded, 0, cupstest::OnRing(pages[0].ink), true));
  EXPECT_TRUE(cupstest::PlanesMatch(decoded, 3, cupstest::OnRing(pages[1].ink), false));
}

TEST(FilterJob, RingFromTheHeaderElseTheOptionsElseTheDefaults) {
  std::vector<RasterPage> pages = {Page(1416, 1416, 300, PixelLayout::kCmyBanded, 8),
                                   Page(1416, 1416, 300, PixelLayout::kBlack, 9),
                                   Page(1416, 1416, 300, PixelLayout::kBlack, 10)};
  pages[0].integers[3] = 100;  // the PPD's choices, page by page
  pages[0].integers[4] = 40;
  pages[1].integers[3] = 116;
  const RunResult run = RunFilter(pages, "OuterDiameter=80.5 HubDiameter=15");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const stream::DecodedStream decoded = stream::Decode(run.out.data(), run.out.size());
  ASSERT_TRUE(decoded.Clean());
  EXPECT_TRUE(cupstest::PlanesMatch(decoded, 0, cupstest::OnRing(pages[0].ink, {100, 40}), false));
  EXPECT_TRUE(cupstest::PlanesMatch(decoded, 3, cupstest::OnRing(pages[1].ink, {116, 15}), false));
  EXPECT_TRUE(cupstest::PlanesMatch(decoded, 4, cupstest::OnRing(pages[2].ink, {80.5, 15}), false));
  // Without options or header fields: the tool's 118 and 22 mm.
  const RunResult plain = RunFilter({pages[2]});
  const stream::DecodedStream defaults = stream::Decode(plain.out.data(), plain.out.size());
  EXPECT_TRUE(cupstest::PlanesMatch(defaults, 0, cupstest::OnRing(pages[2].ink, {118, 22}), false));
}

TEST(FilterBadInput, TruncatedRasterKeepsCompletePagesAndEndsTheJob) {
  cupstest::TempDir dir;
  const std::vector<RasterPage> pages = {Page(800, 500, 600, PixelLayout::kCmyBanded, 1),
                                         Page(800, 500, 600, PixelLayout::kCmyBanded, 2)};
  ASSERT_TRUE(cupstest::WriteRaster(dir.File("job.ras"), pages));
  const std::vector<uint8_t> whole = cupstest::ReadFile(dir.File("job.ras"));
  // Cut inside the second page's rows, then inside the first page's rows.
  for (size_t keep : {whole.size() - 3000, size_t{4 + 1796 + 1000}}) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(keep));
    ASSERT_TRUE(cupstest::WriteFile(dir.File("cut.ras"), cut));
    const RunResult run = cupstest::RunProgram(cupstest::FilterArgs("", dir.File("cut.ras")), "");
    EXPECT_EQ(run.signal, 0);
    EXPECT_NE(run.exit_code, 0);
    EXPECT_NE(run.err.find("ERROR: Page"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("ended early"), std::string::npos) << run.err;
    if (keep > whole.size() / 2) {
      ExpectJob(run, {pages[0]}, page::JobOptions{}, false);
      EXPECT_EQ(Count(run.err, "PAGE:"), 1u);
    } else {
      EXPECT_TRUE(run.out.empty()) << "nothing of a job without a complete page";
      EXPECT_EQ(Count(run.err, "PAGE:"), 0u);
    }
  }
}

// Contone pages print what the label path makes of them, dot for dot, with
// the tone and ink limit from the header (the PPD's) or else the options,
// the ink curves from the options,
// in colour from RGB and in black from grey (W, 255 white) and K (0 white).
TEST(FilterContone, PagesGoThroughTheLabelPathWithTheirToneAndInkLimit) {
  imaging::RgbImage picture(1416, 2832);
  for (int32_t y = 0; y < picture.height; ++y) {
    for (int32_t x = 0; x < picture.width; ++x) {
      const uint8_t v = static_cast<uint8_t>(x * 255 / picture.width);
      picture.Set(x, y, imaging::Rgb{v, static_cast<uint8_t>(y * 255 / picture.height), 60});
    }
  }
  imaging::RgbImage grey = picture;  // as the test raster writes grey: the mean
  for (size_t i = 0; i < grey.pixels.size(); i += 3) {
    grey.pixels[i] = grey.pixels[i + 1] = grey.pixels[i + 2] =
        static_cast<uint8_t>((grey.pixels[i] + grey.pixels[i + 1] + grey.pixels[i + 2]) / 3);
  }
  struct Case {
    PixelLayout layout;
    unsigned tone_code, limit_code;
    const char* options;
    int tone, ink_limit;
    const char* curves = "none";
  };
  for (const Case& c : {Case{PixelLayout::kRgb8, 0, 0, "", 0, imaging::kMediaInkLimit},
                        Case{PixelLayout::kRgb8, 80, 200, "Tone=30 InkLimit=off", -20, 200},
                        Case{PixelLayout::kRgb8, 0, 0, "Tone=30 InkLimit=off", 30, imaging::kNoInkLimit},
                        Case{PixelLayout::kGrey8, 115, 1, "", 15, imaging::kMediaInkLimit},
                        Case{PixelLayout::kBlack8, 0, 0, "Tone=-10", -10, imaging::kMediaInkLimit},
                        Case{PixelLayout::kRgb8, 0, 0, "InkCurves=C:0,16,31,45,58,69,79,87,93,98,100", 0,
                             imaging::kMediaInkLimit, "C:0,16,31,45,58,69,79,87,93,98,100"}}) {
    const bool colour = c.layout == PixelLayout::kRgb8;
    RasterPage page;
    page.layout = c.layout;
    page.picture = picture;
    page.ink = page::InkPage::Blank(1416, 2832, 600, colour);
    page.integers[7] = c.tone_code;
    page.integers[8] = c.limit_code;
    page::JobOptions choices;
    choices.colour = colour ? page::ColourMode::kColour : page::ColourMode::kMonochrome;
    imaging::LabelLayout layout;
    layout.separation.tone = c.tone;
    layout.separation.ink_limit = c.ink_limit;
    std::string why;
    ASSERT_TRUE(imaging::ParseInkCurves(c.curves, &layout.separation.curves, &why)) << why;
    const RunResult run = RunFilter({page}, c.options);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    page.ink = imaging::MakeLabelPageOnDots(colour ? picture : grey, choices, layout);
    SCOPED_TRACE(c.options);
    ExpectJob(run, {page}, choices, false);
  }
  // A tone or ink limit the filter cannot take stops the job before it starts.
  RasterPage page;
  page.layout = PixelLayout::kRgb8;
  page.ink = page::InkPage::Blank(64, 64, 600, true);
  for (const char* options :
       {"Tone=41", "InkLimit=100", "InkLimit=dark", "InkCurves=C:0,50,40,60,70,80,85,90,95,98,100"}) {
    const RunResult run = RunFilter({page}, options);
    EXPECT_EQ(run.exit_code, 1) << options;
    EXPECT_TRUE(run.out.empty()) << options;
    EXPECT_NE(run.err.find("ERROR: Page 1: Unknown"), std::string::npos) << run.err;
  }
}

TEST(FilterBadInput, UnsupportedPagesAreRefusedWithAClearError) {
  struct Case {
    const char* what;
    unsigned colour_space;
    unsigned bits;
    unsigned x_resolution;
    const char* message;
  };
  const Case cases[] = {
      {"1-bit RGB", CUPS_CSPACE_RGB, 0, 0, "colour space RGB"},
      {"2-bit black", 0, 2, 0, "bit depth 2"},
      {"600 dpi across", 0, 0, 600, "resolution 600x600"},
  };
  for (const Case& c : cases) {
    RasterPage bad = Page(400, 200, 600, PixelLayout::kBlack, 1);
    bad.colour_space = c.colour_space;
    bad.bits_per_colour = c.bits;
    bad.x_resolution = c.x_resolution;
    const RunResult alone = RunFilter({bad});
    EXPECT_EQ(alone.signal, 0) << c.what;
    EXPECT_EQ(alone.exit_code, 1) << c.what;
    EXPECT_NE(alone.err.find("ERROR: Page 1: "), std::string::npos) << alone.err;
    EXPECT_NE(alone.err.find(c.message), std::string::npos) << alone.err;
    EXPECT_TRUE(alone.out.empty()) << c.what;

    // After a good page the job still ends properly.
    const RasterPage good = Page(400, 200, 600, PixelLayout::kBlack, 2);
    const RunResult after = RunFilter({good, bad});
    EXPECT_EQ(after.exit_code, 1) << c.what;
    EXPECT_NE(after.err.find("ERROR: Page 2: "), std::string::npos) << after.err;
    ExpectJob(after, {good}, page::JobOptions{}, false);
  }
}

TEST(FilterBadInput, ResolutionChangeWithinAJobIsRefused) {
  const RasterPage first = Page(400, 200, 600, PixelLayout::kBlack, 1);
  const RasterPage second = Page(400, 200, 300, PixelLayout::kBlack, 2);
  const RunResult run = RunFilter({first, second});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("resolution changes"), std::string::npos) << run.err;
  ExpectJob(run, {first}, page::JobOptions{}, false);
}

TEST(FilterBadInput, UnknownOptionValueStopsBeforeAnythingIsPrinted) {
  const RunResult run = RunFilter({Page(400, 200, 600, PixelLayout::kBlack, 1)}, "DiscType=round");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("ERROR: Page 1: Unknown DiscType \"round\""), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty());
}

TEST(FilterBadInput, ImpossibleRingStopsBeforeAnythingIsPrinted) {
  for (const char* options : {"HubDiameter=60 OuterDiameter=50", "OuterDiameter=wide",
                              "OuterDiameter=121"}) {
    const RunResult run = RunFilter({Page(400, 200, 600, PixelLayout::kBlack, 1)}, options);
    EXPECT_EQ(run.exit_code, 1) << options;
    EXPECT_NE(run.err.find("ERROR: Page 1: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("iameter"), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << options;
  }
}

TEST(FilterBadInput, NotRasterAtAll) {
  cupstest::TempDir dir;
  ASSERT_TRUE(cupstest::WriteFile(dir.File("job.pdf"), std::string("%PDF-1.4")));
  for (const std::string& file : {dir.File("job.pdf"), dir.File("missing.ras")}) {
    const RunResult run = cupstest::RunProgram(cupstest::FilterArgs("", file), "");
    EXPECT_EQ(run.exit_code, 1) << file;
    EXPECT_NE(run.err.find("ERROR: "), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  const RunResult empty = RunFilter({});
  EXPECT_EQ(empty.exit_code, 1);
  EXPECT_NE(empty.err.find("ERROR: No pages found"), std::string::npos) << empty.err;
  EXPECT_TRUE(empty.out.empty());
  // An empty input is named as such, from a file or standard input, and no
  // stale reason of libcups's is passed on.
  ASSERT_TRUE(cupstest::WriteFile(dir.File("empty.ras"), std::string()));
  for (const RunResult& run : {cupstest::RunProgram(cupstest::FilterArgs("", dir.File("empty.ras")), ""),
                               cupstest::RunProgram(cupstest::FilterArgs(""), dir.File("empty.ras"))}) {
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.err, "ERROR: The raster input is empty\n");
  }
}

// A page header libcups will not read, after a good page and alone: the job
// keeps what came before and the filter says what stopped it.
TEST(FilterBadInput, APageHeaderLibcupsRefusesIsAnError) {
  cupstest::TempDir dir;
  const RasterPage good = Page(400, 200, 600, PixelLayout::kBlack, 1);
  ASSERT_TRUE(cupstest::WriteRaster(dir.File("job.ras"), {good}));
  std::vector<uint8_t> bytes = cupstest::ReadFile(dir.File("job.ras"));
  const std::vector<uint8_t> alone(bytes.begin(), bytes.begin() + 4);
  for (const std::vector<uint8_t>& before : {bytes, alone}) {
    std::vector<uint8_t> damaged = before;
    damaged.insert(damaged.end(), 1796 + 100, 0xFF);
    ASSERT_TRUE(cupstest::WriteFile(dir.File("damaged.ras"), damaged));
    const RunResult run = cupstest::RunProgram(cupstest::FilterArgs("", dir.File("damaged.ras")), "");
    const bool after_good = before.size() > 4;
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(after_good ? "ERROR: Page 2: libcups cannot read the page header"
                                      : "ERROR: Page 1: libcups cannot read the page header"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("No pages found"), std::string::npos) << run.err;
    if (after_good) ExpectJob(run, {good}, page::JobOptions{}, false);
  }
}

TEST(FilterArguments, WrongCountPrintsUsageAndHelpExplains) {
  const RunResult few = cupstest::RunProgram({cupstest::FilterPath(), "1", "user"}, "");
  EXPECT_EQ(few.exit_code, 1);
  EXPECT_NE(few.err.find("Usage: rastertoquillory2 job-id user title copies options [file]"),
            std::string::npos);
  const RunResult help = cupstest::RunProgram({cupstest::FilterPath(), "--help"}, "");
  EXPECT_EQ(help.exit_code, 0);
  const std::string text(help.out.begin(), help.out.end());
  EXPECT_NE(text.find("DiscType=DISC_S|DISC_D"), std::string::npos);
}

TEST(FilterCancellation, SigtermStopsAtAPageBoundaryAndEndsTheJob) {
  cupstest::TempDir dir;
  const std::vector<RasterPage> pages = {Page(1416, 2832, 600, PixelLayout::kCmyBanded, 1),
                                         Page(1416, 2832, 600, PixelLayout::kCmyBanded, 2),
                                         Page(1416, 2832, 600, PixelLayout::kCmyBanded, 3)};
  ASSERT_TRUE(cupstest::WriteRaster(dir.File("job.ras"), pages));
  const std::vector<uint8_t> whole = cupstest::ReadFile(dir.File("job.ras"));
  const size_t page_bytes = (whole.size() - 4) / 3;

  cupstest::Spawned filter(cupstest::FilterArgs(""), dir);
  // The first page and half of the second; the filter then waits for more.
  ASSERT_TRUE(filter.Feed(whole.data(), 4 + page_bytes + page_bytes / 2));
  ASSERT_TRUE(filter.WaitForError("PAGE: 1 1", 20000));
  filter.Signal(SIGTERM);
  usleep(100000);
  // The rest arrives after the cancel; none of it may be printed.
  filter.Feed(whole.data() + 4 + page_bytes + page_bytes / 2,
              whole.size() - (4 + page_bytes + page_bytes / 2));
  const RunResult run = filter.Wait();
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("INFO: Job cancelled after 1 page"), std::string::npos) << run.err;
  ExpectJob(run, {pages[0]}, page::JobOptions{}, false);
}

}  // namespace
