// The PPD and the whole CUPS chain: cupstestppd on the compiled PPD, and
// cupsfilter turning PDF and PNG labels into the printer's stream through the
// PPD's own filter, compared dot by dot with the raster CUPS rendered put
// through the label path; and one picture as PNG, PDF and PWG raster printing
// the same ink.
//
// cupsfilter finds filters in <ServerBin>/filter. The test gives it a
// cups-files.conf of its own (cupsfilter -c) whose ServerBin is a temporary
// folder holding links to every system filter plus the freshly built
// rastertoquillory2, so nothing is installed into /usr.
#include <gtest/gtest.h>
#include <dirent.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <math.h>

#include <algorithm>

#include "imaging/label.h"
#include "imaging/png_writer.h"
#include "imaging/raster_rows.h"
#include "page/print_position.h"
#include "tests/cups/cups_test_support.h"
#include "tests/support/printed_dots.h"

namespace {

using cupstest::RunResult;

std::string FindProgram(const std::string& name) {
  for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin", "/usr/local/bin", "/usr/local/sbin"}) {
    const std::string path = std::string(dir) + "/" + name;
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return "";
}

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string SystemServerBin() {
  const std::string config = FindProgram("cups-config");
  if (!config.empty()) {
    const RunResult run = cupstest::RunProgram({config, "--serverbin"}, "");
    std::string dir = Text(run.out);
    while (!dir.empty() && (dir.back() == '\n' || dir.back() == ' ')) dir.pop_back();
    if (run.exit_code == 0 && !dir.empty()) return dir;
  }
  return "/usr/lib/cups";
}

TEST(PrinterPpd, PassesCupstestppd) {
  const std::string tester = FindProgram("cupstestppd");
  if (tester.empty()) GTEST_SKIP() << "cupstestppd is not installed (Debian: cups-client)";
  // cupstestppd looks for the PPD's filter under <root><serverbin>/filter.
  cupstest::TempDir root;
  std::string dir = root.path();
  for (const std::string& part : {SystemServerBin(), std::string("/filter")}) {
    size_t from = 0;
    while (from < part.size()) {
      size_t to = part.find('/', from + 1);
      if (to == std::string::npos) to = part.size();
      dir += part.substr(from, to - from);
      mkdir(dir.c_str(), 0755);
      from = to;
    }
  }
  ASSERT_EQ(symlink(cupstest::FilterPath().c_str(), (dir + "/rastertoquillory2").c_str()), 0);
  const RunResult run = cupstest::RunProgram({tester, "-R", root.path(), cupstest::PpdPath()}, "");
  EXPECT_EQ(run.exit_code, 0) << Text(run.out) << run.err;
  EXPECT_NE(Text(run.out).find(": PASS"), std::string::npos) << Text(run.out);
}

TEST(PrinterPpd, OffersThePrintersChoices) {
  const std::string ppd = Text(cupstest::ReadFile(cupstest::PpdPath()));
  ASSERT_FALSE(ppd.empty()) << cupstest::PpdPath();
  const char* expected[] = {
      "*cupsFilter: \"application/vnd.cups-raster 0 rastertoquillory2\"",
      // 4.72 inch: 1416 dots across at 300 dpi, 2832 rows at 600.
      "*PageSize CD/CD: \"<</PageSize[339.85 339.85]/ImagingBBox null>>setpagedevice\"",
      "*DefaultResolution: 300x600dpi",
      "*Resolution 300x300dpi/300 x 300 DPI : \"<</HWResolution[300 300]",
      "*Resolution 300x600dpi/600 x 300 DPI : \"<</HWResolution[300 600]",
      // Contone pages: 8-bit RGB and grey, which the filter halftones.
      "*Resolution 300x600dpi/600 x 300 DPI : \"<</HWResolution[300 600]/cupsBitsPerColor 8",
      "*ColorModel RGB/Colour: \"<</cupsColorSpace 1/cupsColorOrder 0/cupsBitsPerColor 8",
      "*ColorModel Gray/Monochrome: \"<</cupsColorSpace 0/cupsColorOrder 0/cupsBitsPerColor 8",
      "*DefaultTone: 0",
      "*Tone -40/-40 %: \"<</cupsInteger7 60>>setpagedevice\"",
      "*Tone 25/+25 %: \"<</cupsInteger7 125>>setpagedevice\"",
      "*DefaultInkLimit: media",
      "*InkLimit media/Media default: \"<</cupsInteger8 1>>setpagedevice\"",
      "*InkLimit 200/200 %: \"<</cupsInteger8 200>>setpagedevice\"",
      "*InkLimit off/Off (300 %): \"<</cupsInteger8 300>>setpagedevice\"",
      "*DefaultMediaType: Regular",
      "*MediaType Matte/Matte: \"<</MediaType(Matte)/cupsMediaType 2>>setpagedevice\"",
      "*DefaultTextQuality: OFF",
      "*TextQuality ON/ON: \"<</cupsInteger1 2>>setpagedevice\"",
      "*DefaultImageControl: AUTO",
      "*ImageControl AUTO/AUTO: \"<</cupsInteger0 1>>setpagedevice\"",
      "*ImageControl 1/1: \"<</cupsInteger0 2>>setpagedevice\"",
      "*ImageControl 100/100: \"<</cupsInteger0 101>>setpagedevice\"",
      "*DefaultDiscType: DISC_S",
      "*DiscType DISC_D/",
      // The 80 mm disc's page, 945 dots; the offsets in the words calibrate prints.
      "*PageSize CD80/CD 80 mm: \"<</PageSize[226.81 226.81]/ImagingBBox null>>setpagedevice\"",
      "*DefaultOffsetX: 0.0",
      "*OffsetX -3.0/-3.0 mm: \"<</cupsInteger5 70>>setpagedevice\"",
      "*OffsetY 0.3/+0.3 mm: \"<</cupsInteger6 103>>setpagedevice\"",
      "*OuterDiameter 70/70 mm:",
  };
  for (const char* line : expected) EXPECT_NE(ppd.find(line), std::string::npos) << line;
  size_t choices = 0;
  for (size_t at = ppd.find("\n*ImageControl "); at != std::string::npos;
       at = ppd.find("\n*ImageControl ", at + 1)) {
    ++choices;
  }
  EXPECT_EQ(choices, 101u);
}

// Runs cupsfilter with the test's own ServerBin.
class CupsChain : public ::testing::Test {
 protected:
  void SetUp() override {
    cupsfilter_ = FindProgram("cupsfilter");
    gs_ = FindProgram("gs");
    if (cupsfilter_.empty()) GTEST_SKIP() << "cupsfilter is not installed (Debian: cups)";
    if (gs_.empty()) GTEST_SKIP() << "Ghostscript is not installed (Debian: ghostscript)";

    const std::string filters = dir_.File("serverbin/filter");
    mkdir(dir_.File("serverbin").c_str(), 0755);
    mkdir(filters.c_str(), 0755);
    const std::string system_filters = SystemServerBin() + "/filter";
    if (DIR* d = opendir(system_filters.c_str())) {
      while (dirent* entry = readdir(d)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name == "rastertoquillory2") continue;
        symlink((system_filters + "/" + name).c_str(), (filters + "/" + name).c_str());
      }
      closedir(d);
    }
    ASSERT_EQ(symlink(cupstest::FilterPath().c_str(), (filters + "/rastertoquillory2").c_str()), 0);
    ASSERT_TRUE(cupstest::WriteFile(dir_.File("cups-files.conf"), "ServerBin " + dir_.File("serverbin") + "\n"));

    // A label: cyan, magenta and yellow blocks, their overlaps, black text
    // and a ring, on the 4.72 inch square.
    ASSERT_TRUE(cupstest::WriteFile(
        dir_.File("label.ps"),
        std::string("%!PS\n<< /PageSize [339.84 339.84] >> setpagedevice\n"
                    "0 1 1 setrgbcolor 30 40 120 120 rectfill\n"
                    "1 0 1 setrgbcolor 100 100 120 120 rectfill\n"
                    "1 1 0 setrgbcolor 170 160 120 120 rectfill\n"
                    "0.2 0.5 0.9 setrgbcolor 170 170 60 0 360 arc fill\n"
                    "0 setgray 4 setlinewidth 170 170 165 0 360 arc stroke\n"
                    "/Helvetica findfont 28 scalefont setfont 60 290 moveto (DISC LABEL) show\n"
                    "showpage\n")));
    const RunResult pdf = cupstest::RunProgram(
        {gs_, "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
         "-sOutputFile=" + dir_.File("label.pdf"), dir_.File("label.ps")},
        "");
    // A photo printed full-bleed: the whole square in one dark colour.
    ASSERT_TRUE(cupstest::WriteFile(
        dir_.File("square.ps"),
        std::string("%!PS\n<< /PageSize [339.84 339.84] >> setpagedevice\n"
                    "0.1 0.3 0.5 setrgbcolor 0 0 339.84 339.84 rectfill showpage\n")));
    const RunResult square = cupstest::RunProgram(
        {gs_, "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=png16m", "-r100",
         "-sOutputFile=" + dir_.File("square.png"), dir_.File("square.ps")},
        "");
    const RunResult png = cupstest::RunProgram(
        {gs_, "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=png16m", "-r150",
         "-sOutputFile=" + dir_.File("label.png"), dir_.File("label.ps")},
        "");
    if (pdf.exit_code != 0 || png.exit_code != 0 || square.exit_code != 0) {
      GTEST_SKIP() << "Ghostscript cannot make the test labels here: " << pdf.err << png.err
                   << square.err;
    }
  }

  RunResult Filter(const std::string& input, const std::string& to,
                   const std::vector<std::string>& options, bool run_ppd_filters,
                   const std::string& ppd = cupstest::PpdPath()) {
    std::vector<std::string> args = {cupsfilter_, "-c", dir_.File("cups-files.conf"), "-p", ppd, "-m", to};
    if (run_ppd_filters) args.push_back("-e");
    for (const std::string& o : options) {
      args.push_back("-o");
      args.push_back(o);
    }
    args.push_back(input);
    return cupstest::RunProgram(args, "");
  }

  // Renders the label to CUPS raster, then to the printer's stream, and
  // compares the two: the stream holds the contone raster CUPS rendered
  // through the label path, dot for dot.
  void CheckLabel(const std::string& input, const std::vector<std::string>& options,
                  const page::JobOptions& choices, bool colour) {
    const RunResult raster = Filter(input, "application/vnd.cups-raster", options, false);
    if (raster.exit_code != 0 || raster.out.empty()) {
      GTEST_SKIP() << "cupsfilter cannot render raster here: " << raster.err;
    }
    ASSERT_TRUE(cupstest::WriteFile(dir_.File("label.ras"), raster.out));
    std::vector<imaging::RgbImage> pages;
    std::vector<cups_page_header2_t> headers;
    ASSERT_TRUE(ReadContone(dir_.File("label.ras"), &pages, &headers));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(headers[0].cupsBitsPerColor, 8u);
    EXPECT_EQ(headers[0].cupsColorSpace, colour ? CUPS_CSPACE_RGB : CUPS_CSPACE_W);
    EXPECT_EQ(headers[0].cupsWidth, 1416u);
    EXPECT_EQ(headers[0].cupsHeight, choices.resolution == page::Resolution::k600 ? 2832u : 1416u);
    page::JobOptions page_choices = choices;
    page_choices.colour = colour ? page::ColourMode::kColour : page::ColourMode::kMonochrome;
    const page::InkPage expected = imaging::MakeLabelPageOnDots(pages[0], page_choices, imaging::LabelLayout{});
    for (int p = 0; p < expected.PlaneCount(); ++p) {
      EXPECT_TRUE(std::any_of(expected.planes[p].begin(), expected.planes[p].end(),
                              [](uint8_t b) { return b != 0; }))
          << "plane " << p << " of the rendered label is blank";
    }

    const RunResult job = Filter(input, "printer/foo", options, true);
    ASSERT_EQ(job.exit_code, 0) << job.err;
    EXPECT_NE(job.err.find("PAGE: 1 1"), std::string::npos) << job.err;
    EXPECT_TRUE(cupstest::StartsWith(job.out, cupstest::ExpectedJobPreamble(choices)));
    EXPECT_TRUE(cupstest::EndsWith(job.out, cupstest::ExpectedJobEnd()));
    const stream::DecodedStream decoded = stream::Decode(job.out.data(), job.out.size(), stream::WholeJob());
    ASSERT_TRUE(decoded.Clean()) << decoded.problems.front().message;
    ASSERT_EQ(decoded.planes.size(), static_cast<size_t>(expected.PlaneCount()));
    EXPECT_TRUE(cupstest::PlanesMatch(decoded, 0, expected, choices.SkipsCentre()));
  }

  // The contone pages of a CUPS or PWG raster file, converted as the
  // printer application converts its raster rows.
  static bool ReadContone(const std::string& path, std::vector<imaging::RgbImage>* pages,
                          std::vector<cups_page_header2_t>* headers) {
    const bool ok = cupstest::ForEachRasterPage(path, [&](cups_raster_t* raster, const cups_page_header2_t& h) {
      bool read = h.cupsBitsPerColor == 8 && h.cupsColorOrder == CUPS_ORDER_CHUNKED;
      const imaging::RasterPixels pixels = h.cupsBitsPerPixel == 24 ? imaging::RasterPixels::kRgb8
                                                                    : imaging::RasterPixels::kGrey8;
      imaging::RgbImage page(static_cast<int32_t>(h.cupsWidth), static_cast<int32_t>(h.cupsHeight));
      std::vector<uint8_t> row(h.cupsBytesPerLine);
      for (int32_t y = 0; read && y < page.height; ++y) {
        read = cupsRasterReadPixels(raster, row.data(), h.cupsBytesPerLine) == h.cupsBytesPerLine;
        imaging::RasterRowToRgb(pixels, row.data(), page.width, page.At(0, y));
      }
      pages->push_back(std::move(page));
      headers->push_back(h);
      return read;
    });
    return ok && !pages->empty();
  }

  cupstest::TempDir dir_;
  std::string cupsfilter_;
  std::string gs_;
};

TEST_F(CupsChain, PdfLabelWithPrinterDefaults) {
  CheckLabel(dir_.File("label.pdf"), {}, page::JobOptions{}, true);
}

TEST_F(CupsChain, PngLabelInMonochromeAt300WithCentreBandLeftOut) {
  page::JobOptions choices;
  choices.resolution = page::Resolution::k300;
  choices.media = page::Media::kMatte;
  choices.on_option = page::OnOff::kOn;
  choices.image_control = 50;
  choices.disc_type = page::DiscType::kCentreBand;
  CheckLabel(dir_.File("label.png"),
             {"ColorModel=Gray", "Resolution=300x300dpi", "MediaType=Matte", "TextQuality=ON",
              "ImageControl=50", "DiscType=DISC_D"},
             choices, false);
}

TEST_F(CupsChain, PngLabelInColour) {
  page::JobOptions choices;
  choices.image_control = 1;
  CheckLabel(dir_.File("label.png"), {"ImageControl=1"}, choices, true);
}

// A square photo printed through the CUPS queue: ink only on the disc's
// printable ring, none on the tray around it or in the hole, with the PPD's
// default diameters and with others chosen.
TEST_F(CupsChain, FullBleedSquareLeavesNoInkOffTheRing) {
  struct Case {
    std::vector<std::string> options;
    page::DiscRing ring;
  };
  for (const Case& c : {Case{{}, page::DiscRing{118, 22}},
                        Case{{"OuterDiameter=100", "HubDiameter=40"}, page::DiscRing{100, 40}}}) {
    const RunResult job = Filter(dir_.File("square.png"), "printer/foo", c.options, true);
    ASSERT_EQ(job.exit_code, 0) << job.err;
    const stream::DecodedStream decoded = stream::Decode(job.out.data(), job.out.size());
    ASSERT_TRUE(decoded.Clean());
    ASSERT_EQ(decoded.planes.size(), 3u);
    const page::DiscMask mask(c.ring, 600);
    size_t on_ring = 0, off_ring = 0;
    for (const stream::Plane& plane : decoded.planes) {
      for (const auto& [row_address, line] : plane.rows) {
        for (size_t byte = 0; byte < line.size(); ++byte) {
          for (int bit = 0; bit < 8; ++bit) {
            if (!(line[byte] & (0x80 >> bit))) continue;
            // The page starts 7 bytes into the printer line, at row address 0.
            const int32_t x = static_cast<int32_t>(byte * 8 + bit) - 56;
            ++(mask.Printable(x, row_address) ? on_ring : off_ring);
          }
        }
      }
    }
    EXPECT_EQ(off_ring, 0u) << c.ring.outer_mm << " / " << c.ring.inner_mm << " mm";
    // A dark colour covers most of the ring in all three inks.
    EXPECT_GT(on_ring, 1000000u);
  }
}

// Through the real chain: the PPD's offsets move every dot of the square
// photo by exactly their dots, and the 80 mm page size prints nothing beyond
// its 78 mm ring.
TEST_F(CupsChain, PpdOffsetsAndTheEightyMillimetrePage) {
  const RunResult base = Filter(dir_.File("square.png"), "printer/foo", {}, true);
  const RunResult moved = Filter(dir_.File("square.png"), "printer/foo", {"OffsetX=-1.5", "OffsetY=0.5"}, true);
  ASSERT_EQ(moved.exit_code, 0) << moved.err;
  const testsupport::PrintedDots base_dots = testsupport::DecodeDots(base.out);
  const testsupport::PrintedDots moved_dots = testsupport::DecodeDots(moved.out);
  ASSERT_TRUE(moved_dots.clean);
  EXPECT_GT(base_dots.Count(), 1000000u);
  EXPECT_TRUE(testsupport::IsMovedBy(base_dots, moved_dots, page::OffsetDots(-15), page::OffsetRows(5, 600)));

  // A queue's defaults as lpadmin -o OffsetX-default=-1.5 -o OffsetY-default=0.5
  // writes them into its copy of the PPD.
  std::string ppd = Text(cupstest::ReadFile(cupstest::PpdPath()));
  for (const auto& [from, to] : {std::pair{"*DefaultOffsetX: 0.0", "*DefaultOffsetX: -1.5"},
                                 std::pair{"*DefaultOffsetY: 0.0", "*DefaultOffsetY: 0.5"}}) {
    ASSERT_NE(ppd.find(from), std::string::npos);
    ppd.replace(ppd.find(from), strlen(from), to);
  }
  ASSERT_TRUE(cupstest::WriteFile(dir_.File("queue.ppd"), ppd));
  const RunResult queue = Filter(dir_.File("square.png"), "printer/foo", {}, true, dir_.File("queue.ppd"));
  ASSERT_EQ(queue.exit_code, 0) << queue.err;
  EXPECT_TRUE(testsupport::IsMovedBy(base_dots, testsupport::DecodeDots(queue.out), page::OffsetDots(-15),
                                     page::OffsetRows(5, 600)));

  const RunResult mini = Filter(dir_.File("square.png"), "printer/foo", {"PageSize=CD80"}, true);
  ASSERT_EQ(mini.exit_code, 0) << mini.err;
  const testsupport::PrintedDots mini_dots = testsupport::DecodeDots(mini.out);
  ASSERT_TRUE(mini_dots.clean);
  EXPECT_LE(testsupport::FarthestDotMm(mini_dots), 39.05);
  EXPECT_GT(testsupport::FarthestDotMm(mini_dots), 38.8);
}

// One picture three ways: as a PNG through the tool, as a PDF of the same
// pixels through the CUPS chain, and as PWG raster of the same pixels (as a
// phone sends it) through the printer application's conversion. All go
// through the one separation and halftone, so every 32 x 64-dot block on the
// ring carries nearly the same share of each ink.
TEST_F(CupsChain, OnePictureAsPngPdfAndPwgRasterPrintsTheSameInk) {
  constexpr int32_t kSize = 472;  // 100 pixels per inch over the 4.72 inch square
  imaging::RgbImage picture(kSize, kSize);
  for (int32_t y = 0; y < kSize; ++y) {
    for (int32_t x = 0; x < kSize; ++x) {
      // Smooth colour ramps, a grey ramp across the bottom and dark shadows.
      const double u = static_cast<double>(x) / kSize, v = static_cast<double>(y) / kSize;
      const imaging::Rgb c = y > kSize * 3 / 4
          ? imaging::Rgb{static_cast<uint8_t>(255 * u), static_cast<uint8_t>(255 * u), static_cast<uint8_t>(255 * u)}
          : imaging::Rgb{static_cast<uint8_t>(255 * u), static_cast<uint8_t>(255 * v),
                         static_cast<uint8_t>(128 + 100 * sin(6 * (u + v)))};
      picture.Set(x, y, c);
    }
  }
  std::vector<uint8_t> png;
  std::string error;
  ASSERT_TRUE(imaging::EncodePng(picture, &png, &error)) << error;
  ASSERT_TRUE(cupstest::WriteFile(dir_.File("picture.png"), png));

  // The PDF: the same pixels as one image over the page, kept lossless.
  std::string ps = "%!PS\n<< /PageSize [339.84 339.84] >> setpagedevice\n339.84 339.84 scale\n/line " +
                   std::to_string(kSize * 3) + " string def\n" + std::to_string(kSize) + " " + std::to_string(kSize) +
                   " 8 [" + std::to_string(kSize) + " 0 0 -" + std::to_string(kSize) + " 0 " + std::to_string(kSize) +
                   "] {currentfile line readhexstring pop} false 3 colorimage\n";
  static const char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < picture.pixels.size(); ++i) {
    ps += kHex[picture.pixels[i] >> 4];
    ps += kHex[picture.pixels[i] & 15];
    if (i % 36 == 35) ps += '\n';
  }
  ps += "\nshowpage\n";
  ASSERT_TRUE(cupstest::WriteFile(dir_.File("picture.ps"), ps));
  const RunResult pdf = cupstest::RunProgram(
      {gs_, "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-dAutoFilterColorImages=false",
       "-sColorImageFilter=FlateEncode", "-dDownsampleColorImages=false",
       "-sOutputFile=" + dir_.File("picture.pdf"), dir_.File("picture.ps")},
      "");
  ASSERT_EQ(pdf.exit_code, 0) << pdf.err;

  // The PWG raster: the pixels on the printer's dots (3 across, 6 down).
  {
    const int fd = open(dir_.File("picture.pwg").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    cups_raster_t* out = cupsRasterOpen(fd, CUPS_RASTER_WRITE_PWG);
    cups_page_header2_t h;
    memset(&h, 0, sizeof h);
    strcpy(h.MediaClass, "PwgRaster");
    h.HWResolution[0] = 300, h.HWResolution[1] = 600;
    h.PageSize[0] = h.PageSize[1] = 340;
    h.cupsWidth = 3 * kSize, h.cupsHeight = 6 * kSize;
    h.cupsBitsPerColor = 8, h.cupsBitsPerPixel = 24, h.cupsBytesPerLine = 3 * h.cupsWidth;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED, h.cupsColorSpace = CUPS_CSPACE_SRGB, h.cupsNumColors = 3;
    ASSERT_TRUE(cupsRasterWriteHeader2(out, &h));
    std::vector<uint8_t> row(h.cupsBytesPerLine);
    for (uint32_t y = 0; y < h.cupsHeight; ++y) {
      for (uint32_t x = 0; x < h.cupsWidth; ++x) memcpy(&row[3 * x], picture.At(x / 3, y / 6), 3);
      ASSERT_EQ(cupsRasterWritePixels(out, row.data(), h.cupsBytesPerLine), h.cupsBytesPerLine);
    }
    cupsRasterClose(out);
    close(fd);
  }

  const page::JobOptions options;
  const page::DiscRing ring;
  const RunResult tool = cupstest::RunProgram(
      {cupstest::BuildDir() + "/bin/quillory2", "encode", dir_.File("picture.png"), "-o", dir_.File("tool.prn")}, "");
  ASSERT_EQ(tool.exit_code, 0) << tool.err;
  const page::InkPage from_png =
      testsupport::InkOfJob(testsupport::DecodeDots(cupstest::ReadFile(dir_.File("tool.prn"))), 600);
  const RunResult job = Filter(dir_.File("picture.pdf"), "printer/foo", {}, true);
  ASSERT_EQ(job.exit_code, 0) << job.err;
  // Kept to look at: the picture, and what the tool and CUPS print of it.
  const std::string artifacts = cupstest::BuildDir() + "/test-artifacts";
  mkdir(artifacts.c_str(), 0755);
  mkdir((artifacts + "/cups").c_str(), 0755);
  ASSERT_TRUE(cupstest::WriteFile(artifacts + "/cups/one-picture.png", png));
  ASSERT_TRUE(cupstest::WriteFile(artifacts + "/cups/one-picture-cups.prn", job.out));
  for (const auto& [prn, out] : {std::pair<std::string, std::string>{dir_.File("tool.prn"), "one-picture-tool-preview.png"},
                                 {artifacts + "/cups/one-picture-cups.prn", "one-picture-cups-preview.png"}}) {
    const RunResult preview = cupstest::RunProgram(
        {cupstest::BuildDir() + "/bin/quillory2", "preview", prn, "-o", artifacts + "/cups/" + out}, "");
    EXPECT_EQ(preview.exit_code, 0) << preview.err;
  }
  const testsupport::PrintedDots cups_dots = testsupport::DecodeDots(job.out);
  ASSERT_TRUE(cups_dots.clean);
  const page::InkPage from_pdf = testsupport::InkOfJob(cups_dots, 600);
  std::vector<imaging::RgbImage> pwg_pages;
  std::vector<cups_page_header2_t> pwg_headers;
  ASSERT_TRUE(ReadContone(dir_.File("picture.pwg"), &pwg_pages, &pwg_headers));
  const page::InkPage from_pwg = imaging::MakeLabelPageOnDots(pwg_pages[0], options, imaging::LabelLayout{});

  const struct {
    const char* what;
    const page::InkPage& a;
    const page::InkPage& b;
  } pairs[] = {{"PNG and PDF", from_png, from_pdf}, {"PNG and PWG raster", from_png, from_pwg},
               {"PDF and PWG raster", from_pdf, from_pwg}};
  for (const auto& pair : pairs) {
    const testsupport::BlockInkDifference d = testsupport::CompareBlockInk(pair.a, pair.b, ring);
    printf("%s: %d blocks, mean difference %.2f %%, worst %.2f %%\n", pair.what, d.blocks, 100 * d.mean,
           100 * d.worst);
    EXPECT_GT(d.blocks, 3000) << pair.what;
    // CUPS's own dither, or a separation of code values, differs by tens of %.
    EXPECT_LT(d.mean, 0.01) << pair.what;
    EXPECT_LT(d.worst, 0.05) << pair.what;
  }
}

}  // namespace
