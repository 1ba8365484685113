// The filter's pieces: header checks, page reading in every colour order,
// option resolution, and its job through the core's job writer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string.h>
#include <unistd.h>

#include "cups/job_choices.h"
#include "cups/raster_page.h"
#include "page/band.h"
#include "printjob/job_writer.h"
#include "stream/decoder.h"
#include "tests/cups/cups_test_support.h"

namespace {

using cupsdrv::PixelLayout;
using cupstest::RasterPage;

cups_page_header2_t Header(PixelLayout layout, int32_t width, int32_t rows, int rows_per_inch) {
  RasterPage page;
  page.ink.width_dots = width;
  page.ink.rows = rows;
  page.ink.rows_per_inch = rows_per_inch;
  page.layout = layout;
  return cupstest::HeaderFor(page);
}

TEST(RasterHeaderCheck, AcceptsBothColourSpacesInEveryOrderAtBothResolutions) {
  for (PixelLayout layout : {PixelLayout::kBlack, PixelLayout::kCmyChunked, PixelLayout::kCmyBanded,
                             PixelLayout::kCmyPlanar, PixelLayout::kRgb8, PixelLayout::kGrey8,
                             PixelLayout::kBlack8}) {
    for (int rpi : {300, 600}) {
      cupsdrv::PageGeometry g;
      std::string error;
      ASSERT_TRUE(cupsdrv::CheckPageHeader(Header(layout, 1416, 40, rpi), &g, &error)) << error;
      EXPECT_EQ(g.layout, layout);
      EXPECT_EQ(g.colour, layout != PixelLayout::kBlack && layout != PixelLayout::kGrey8 &&
                              layout != PixelLayout::kBlack8);
      EXPECT_EQ(g.Contone(), layout == PixelLayout::kRgb8 || layout == PixelLayout::kGrey8 ||
                                 layout == PixelLayout::kBlack8);
      EXPECT_EQ(g.rows_per_inch, rpi);
      EXPECT_EQ(g.width_dots, 1416);
      EXPECT_FALSE(g.Cropped());
    }
  }
}

TEST(RasterHeaderCheck, RefusesWhatThePrinterCannotPrint) {
  struct Case {
    const char* what;
    void (*spoil)(cups_page_header2_t*);
    const char* message;
  };
  const Case cases[] = {
      {"16-bit grey",
       [](cups_page_header2_t* h) {
         h->cupsColorSpace = CUPS_CSPACE_W;
         h->cupsBitsPerColor = 16;
         h->cupsBitsPerPixel = 16;
         h->cupsBytesPerLine = 2 * h->cupsWidth;
       },
       "bit depth 16"},
      {"1-bit RGB", [](cups_page_header2_t* h) { h->cupsColorSpace = CUPS_CSPACE_RGB; }, "colour space RGB"},
      {"8-bit CMYK",
       [](cups_page_header2_t* h) {
         h->cupsColorSpace = CUPS_CSPACE_CMYK;
         h->cupsBitsPerColor = 8;
         h->cupsBitsPerPixel = 32;
         h->cupsBytesPerLine = 4 * h->cupsWidth;
       },
       "colour space CMYK for 8 bits"},
      {"8-bit banded RGB",
       [](cups_page_header2_t* h) {
         h->cupsColorSpace = CUPS_CSPACE_RGB;
         h->cupsColorOrder = CUPS_ORDER_BANDED;
         h->cupsBitsPerColor = 8;
         h->cupsBitsPerPixel = 8;
         h->cupsBytesPerLine = 3 * h->cupsWidth;
       },
       "chunky pixels"},
      {"8-bit RGB with grey's lines",
       [](cups_page_header2_t* h) {
         h->cupsColorSpace = CUPS_CSPACE_RGB;
         h->cupsBitsPerColor = 8;
         h->cupsBitsPerPixel = 8;
         h->cupsBytesPerLine = h->cupsWidth;
       },
       "Inconsistent"},
      {"CMYK", [](cups_page_header2_t* h) { h->cupsColorSpace = CUPS_CSPACE_CMYK; }, "colour space CMYK"},
      {"600 across", [](cups_page_header2_t* h) { h->HWResolution[0] = 600; }, "resolution 600x600"},
      {"1200 down", [](cups_page_header2_t* h) { h->HWResolution[1] = 1200; }, "resolution 300x1200"},
      {"short lines", [](cups_page_header2_t* h) { h->cupsBytesPerLine -= 1; }, "Inconsistent"},
      {"no rows", [](cups_page_header2_t* h) { h->cupsHeight = 0; }, "no pixels"},
      // A raster stream can hold any word in the enum fields.
      {"colour space 170",
       [](cups_page_header2_t* h) {
         const unsigned raw = 170;
         memcpy(&h->cupsColorSpace, &raw, sizeof raw);
       },
       "colour space 170"},
      {"colour order 99",
       [](cups_page_header2_t* h) {
         h->cupsColorSpace = CUPS_CSPACE_CMY;
         const unsigned raw = 99;
         memcpy(&h->cupsColorOrder, &raw, sizeof raw);
       },
       "colour order 99"},
      {"absurd width",
       [](cups_page_header2_t* h) {
         h->cupsWidth = 4000000;
         h->cupsBytesPerLine = 500000;
       },
       "dots wide"},
  };
  for (const Case& c : cases) {
    cups_page_header2_t h = Header(PixelLayout::kBlack, 1416, 40, 600);
    c.spoil(&h);
    cupsdrv::PageGeometry g;
    std::string error;
    EXPECT_FALSE(cupsdrv::CheckPageHeader(h, &g, &error)) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
  }
  cups_page_header2_t chunky = Header(PixelLayout::kCmyChunked, 1416, 40, 600);
  chunky.cupsBitsPerPixel = 3;
  chunky.cupsBytesPerLine = (1416 * 3 + 7) / 8;
  cupsdrv::PageGeometry g;
  std::string error;
  EXPECT_FALSE(cupsdrv::CheckPageHeader(chunky, &g, &error));
}

TEST(RasterHeaderCheck, CropsToTheDiscArea) {
  cupsdrv::PageGeometry g;
  std::string error;
  ASSERT_TRUE(cupsdrv::CheckPageHeader(Header(PixelLayout::kCmyBanded, 2550, 3300, 600), &g, &error));
  EXPECT_EQ(g.width_dots, 1480);
  EXPECT_EQ(g.rows, 2832);
  EXPECT_TRUE(g.Cropped());
  ASSERT_TRUE(cupsdrv::CheckPageHeader(Header(PixelLayout::kBlack, 1417, 1417, 300), &g, &error));
  EXPECT_EQ(g.width_dots, 1417);
  EXPECT_EQ(g.rows, 1416);
  // A contone page is laid on the square: a dot wider is cut, and said so.
  ASSERT_TRUE(cupsdrv::CheckPageHeader(Header(PixelLayout::kRgb8, 1417, 2832, 600), &g, &error));
  EXPECT_EQ(g.width_dots, 1416);
  EXPECT_TRUE(g.Cropped());
}

// Reads every page of a raster file with the filter's reader into one set of
// planes, reused from page to page as the filter reuses it, and checks each
// against the page it should hold, and its job against the job of the band
// page::MakeBand makes of that page (the plug-in's way), in both disc types.
void ExpectPlanes(const std::string& path, const std::vector<page::InkPage>& expected) {
  const int fd = open(path.c_str(), O_RDONLY);
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  ASSERT_NE(raster, nullptr);
  std::vector<uint8_t> row;
  cupsdrv::PagePlanes planes;
  size_t pages = 0;
  cups_page_header2_t h;
  while (cupsRasterReadHeader2(raster, &h)) {
    ASSERT_LT(pages, expected.size());
    const page::InkPage& ink = expected[pages];
    cupsdrv::PageGeometry g;
    std::string error;
    ASSERT_TRUE(cupsdrv::CheckPageHeader(h, &g, &error)) << error;
    ASSERT_EQ(cupsdrv::ReadPagePlanes(raster, g, nullptr, &row, &planes), cupsdrv::ReadResult::kComplete);
    const std::string what = "page " + std::to_string(pages + 1) + " of " + path;
    ASSERT_EQ(planes.plane_count, ink.PlaneCount()) << what;
    EXPECT_EQ(planes.width, ink.width_dots) << what;
    ASSERT_EQ(planes.rows, ink.rows) << what;
    ASSERT_EQ(planes.row_bytes, ink.BytesPerRow()) << what;
    EXPECT_EQ(planes.rows_per_inch, ink.rows_per_inch) << what;
    for (int p = 0; p < ink.PlaneCount(); ++p) {
      EXPECT_EQ(std::vector<uint8_t>(planes.Row(p, 0), planes.Row(p, 0) + ink.planes[p].size()), ink.planes[p])
          << what << ", plane " << p;
    }
    page::Band made;
    ASSERT_TRUE(page::MakeBand(ink, false, &made, &error)) << error;
    page::JobOptions options;
    options.resolution = ink.rows_per_inch == 600 ? page::Resolution::k600 : page::Resolution::k300;
    for (page::DiscType disc : {page::DiscType::kStandard, page::DiscType::kCentreBand}) {
      options.disc_type = disc;
      std::vector<uint8_t> job, band_job;
      printjob::JobWriter::AppendPage(planes.View(), options, &job);
      printjob::JobWriter::AppendPage(made.View(), options, &band_job);
      EXPECT_EQ(job, band_job) << what;
    }
    ++pages;
  }
  EXPECT_EQ(pages, expected.size());
  cupsRasterClose(raster);
  close(fd);
}

// The page cut to the disc area: dots beyond the printer line and rows
// beyond the disc's length are not printed.
page::InkPage Cropped(const page::InkPage& ink) {
  const int32_t width = std::min(ink.width_dots, geometry::kPluginPrintableDots);
  const int32_t rows = std::min(ink.rows, geometry::DiscAreaRows(ink.rows_per_inch));
  page::InkPage out = page::InkPage::Blank(width, rows, ink.rows_per_inch, ink.colour);
  for (int p = 0; p < ink.PlaneCount(); ++p) {
    for (int32_t r = 0; r < rows; ++r) {
      for (int32_t x = 0; x < width; ++x) {
        if (ink.Dot(p, r, x)) out.SetDot(p, r, x);
      }
    }
  }
  return out;
}

TEST(RasterPagePlanes, AreThePageAndSendItsBandsJobInEveryOrderAndSize) {
  struct Size {
    int32_t width;
    int32_t rows;
    int rpi;
  };
  // Odd widths, a width of whole 32-dot groups, one dot, and pages cut to
  // the disc area across and down; a large page first, so that the reused
  // planes hold old bytes where the smaller pages that follow land.
  const Size sizes[] = {{1500, 1500, 300}, {203, 61, 600}, {13, 5, 600}, {1, 3, 300},
                        {1472, 40, 600},   {1480, 2900, 600}, {97, 33, 300}};
  uint32_t seed = 1;
  for (PixelLayout layout : {PixelLayout::kBlack, PixelLayout::kCmyChunked,
                             PixelLayout::kCmyBanded, PixelLayout::kCmyPlanar}) {
    std::vector<RasterPage> pages;
    std::vector<page::InkPage> expected;
    for (const Size& size : sizes) {
      RasterPage raster_page;
      raster_page.layout = layout;
      raster_page.ink = cupstest::RandomInkPage(size.width, size.rows, size.rpi,
                                              layout != PixelLayout::kBlack, seed++);
      expected.push_back(Cropped(raster_page.ink));
      // Rubbish in the padding bits of each row's last byte.
      if (size.width % 8 != 0) {
        for (int p = 0; p < raster_page.ink.PlaneCount(); ++p) {
          for (int32_t r = 0; r < raster_page.ink.rows; r += 2) raster_page.ink.SetDot(p, r, size.width);
        }
      }
      pages.push_back(raster_page);
    }
    for (cups_mode_t mode : {CUPS_RASTER_WRITE, CUPS_RASTER_WRITE_COMPRESSED}) {
      cupstest::TempDir dir;
      ASSERT_TRUE(cupstest::WriteRaster(dir.File("in.ras"), pages, mode));
      SCOPED_TRACE("layout " + std::to_string(static_cast<int>(layout)));
      ExpectPlanes(dir.File("in.ras"), expected);
    }
  }
}

// Reads a page cut 500 bytes before its end, and the whole page with the
// cancel flag already raised, through read(raster, geometry, flag, row).
template <class Read>
void ExpectTruncationAndCancellation(PixelLayout layout, Read read) {
  cupstest::TempDir dir;
  RasterPage page;
  page.ink = cupstest::RandomInkPage(300, 100, 600, true, 1);
  page.layout = layout;
  ASSERT_TRUE(cupstest::WriteRaster(dir.File("in.ras"), {page}));
  std::vector<uint8_t> bytes = cupstest::ReadFile(dir.File("in.ras"));
  bytes.resize(bytes.size() - 500);
  ASSERT_TRUE(cupstest::WriteFile(dir.File("cut.ras"), bytes));

  for (int cancelled : {0, 1}) {
    const int fd = open(dir.File(cancelled ? "in.ras" : "cut.ras").c_str(), O_RDONLY);
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
    ASSERT_NE(raster, nullptr);
    cups_page_header2_t h;
    ASSERT_TRUE(cupsRasterReadHeader2(raster, &h));
    cupsdrv::PageGeometry g;
    std::string error;
    ASSERT_TRUE(cupsdrv::CheckPageHeader(h, &g, &error));
    volatile sig_atomic_t flag = cancelled;
    std::vector<uint8_t> row;
    EXPECT_EQ(read(raster, g, &flag, &row),
              cancelled ? cupsdrv::ReadResult::kCancelled : cupsdrv::ReadResult::kTruncated);
    cupsRasterClose(raster);
    close(fd);
  }
}

TEST(RasterPagePlanes, ReportsTruncationAndCancellation) {
  // Planar, cut within the last (yellow) plane: the page is nearly complete.
  ExpectTruncationAndCancellation(
      PixelLayout::kCmyPlanar, [](cups_raster_t* raster, const cupsdrv::PageGeometry& g,
                                  volatile sig_atomic_t* flag, std::vector<uint8_t>* row) {
        cupsdrv::PagePlanes planes;
        return cupsdrv::ReadPagePlanes(raster, g, flag, row, &planes);
      });
}

cups_page_header2_t PlainHeader(int rows_per_inch = 600) {
  return Header(PixelLayout::kCmyBanded, 100, 10, rows_per_inch);
}

bool Resolve(const cups_page_header2_t& h, const char* options, page::JobOptions* c,
             std::string* error) {
  cups_option_t* parsed = nullptr;
  const int n = cupsParseOptions(options, 0, &parsed);
  const bool ok = cupsdrv::ResolveJobChoices(h, n, parsed, c, error);
  cupsFreeOptions(n, parsed);
  return ok;
}

TEST(JobChoiceResolution, DefaultsAreThePrintersDefaults) {
  page::JobOptions c;
  std::string error;
  ASSERT_TRUE(Resolve(PlainHeader(), "", &c, &error)) << error;
  EXPECT_EQ(c, page::JobOptions{});
  ASSERT_TRUE(Resolve(PlainHeader(300), "", &c, &error));
  EXPECT_EQ(c.resolution, page::Resolution::k300);
}

TEST(JobChoiceResolution, JobOptionsFillWhatTheHeaderLeavesOpen) {
  page::JobOptions c;
  std::string error;
  ASSERT_TRUE(Resolve(PlainHeader(),
                      "MediaType=matte TextQuality=ON ImageControl=100 DiscType=DISC_D", &c,
                      &error))
      << error;
  EXPECT_EQ(c.media, page::Media::kMatte);
  EXPECT_EQ(c.on_option, page::OnOff::kOn);
  EXPECT_EQ(c.image_control, 100);
  EXPECT_EQ(c.disc_type, page::DiscType::kCentreBand);
  ASSERT_TRUE(Resolve(PlainHeader(), "ImageControl=1", &c, &error));
  EXPECT_EQ(c.image_control, 1);
  ASSERT_TRUE(Resolve(PlainHeader(), "ImageControl=auto", &c, &error));
  EXPECT_EQ(c.image_control, page::kImageControlAuto);
}

TEST(JobChoiceResolution, HeaderFieldsWinOverJobOptions) {
  cups_page_header2_t h = PlainHeader();
  h.cupsMediaType = 1;
  h.cupsInteger[0] = 25;
  h.cupsInteger[1] = 1;
  h.cupsInteger[2] = 2;
  page::JobOptions c;
  std::string error;
  ASSERT_TRUE(Resolve(h, "MediaType=Matte TextQuality=ON ImageControl=3 DiscType=DISC_S", &c,
                      &error));
  EXPECT_EQ(c.media, page::Media::kRegular);
  EXPECT_EQ(c.on_option, page::OnOff::kOff);
  EXPECT_EQ(c.image_control, 24);
  EXPECT_EQ(c.disc_type, page::DiscType::kCentreBand);

  cups_page_header2_t named = PlainHeader();
  strcpy(named.MediaType, "Matte");
  ASSERT_TRUE(Resolve(named, "MediaType=Regular", &c, &error));
  EXPECT_EQ(c.media, page::Media::kMatte);
}

TEST(JobChoiceResolution, RefusesUnknownValues) {
  const char* bad_options[] = {"ImageControl=0",  "ImageControl=101", "ImageControl=5x",
                               "ImageControl=",   "ImageControl=0050", "DiscType=DISC_X",
                               "TextQuality=MAYBE", "MediaType=Glossy"};
  for (const char* options : bad_options) {
    page::JobOptions c;
    std::string error;
    EXPECT_FALSE(Resolve(PlainHeader(), options, &c, &error)) << options;
    EXPECT_NE(error.find("Unknown"), std::string::npos) << options << ": " << error;
  }
  for (int field = 0; field < 3; ++field) {
    cups_page_header2_t h = PlainHeader();
    h.cupsInteger[field] = field == 0 ? 102 : 3;
    page::JobOptions c;
    std::string error;
    EXPECT_FALSE(Resolve(h, "", &c, &error)) << "cupsInteger" << field;
  }
  cups_page_header2_t h = PlainHeader();
  h.cupsMediaType = 3;
  page::JobOptions c;
  std::string error;
  EXPECT_FALSE(Resolve(h, "", &c, &error));
}

// The filter's framing: the printer's own commands for the options, written
// out here from its command sequence, not read from the table.
TEST(FilterJobFraming, SetupAndEndAreThePrintersCommands) {
  printjob::JobWriter writer;
  std::string error;
  ASSERT_TRUE(writer.Load(&error)) << error;
  page::JobOptions options;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(writer.AppendJobSetup(options, &bytes, &error)) << error;
  EXPECT_EQ(bytes, cupstest::ExpectedJobPreamble(options));
  options.resolution = page::Resolution::k300;
  options.media = page::Media::kMatte;
  options.on_option = page::OnOff::kOn;
  for (int level : {1, 24, 25, 100}) {
    options.image_control = level;
    bytes.clear();
    ASSERT_TRUE(writer.AppendJobSetup(options, &bytes, &error)) << error;
    EXPECT_EQ(bytes, cupstest::ExpectedJobPreamble(options)) << level;
  }
  bytes.clear();
  writer.AppendJobEnd(&bytes);
  EXPECT_EQ(bytes, cupstest::ExpectedJobEnd());

  options.image_control = 101;
  EXPECT_FALSE(writer.AppendJobSetup(options, &bytes, &error));
  EXPECT_FALSE(printjob::JobWriter().AppendJobSetup({}, &bytes, &error)) << "nothing loaded";
}

// One page through the job writer, as the filter sends it.
stream::DecodedStream EncodeAndDecode(const page::InkPage& ink, page::DiscType disc_type,
                                      std::vector<uint8_t>* bytes) {
  page::Band band;
  std::string error;
  EXPECT_TRUE(page::MakeBand(ink, false, &band, &error)) << error;
  page::JobOptions options;
  options.resolution = ink.rows_per_inch == 600 ? page::Resolution::k600 : page::Resolution::k300;
  options.disc_type = disc_type;
  printjob::JobWriter::AppendPage(band.View(), options, bytes);
  stream::DecodeOptions decode;
  decode.row_step = ink.RowStep();
  return stream::Decode(bytes->data(), bytes->size(), decode);
}

TEST(PageEncoding, PlanesComeOutYellowMagentaCyanAtBothResolutions) {
  for (int rpi : {300, 600}) {
    const page::InkPage ink = cupstest::RandomInkPage(1416, rpi == 600 ? 2832 : 1416, rpi, true, 3);
    std::vector<uint8_t> bytes;
    const stream::DecodedStream decoded = EncodeAndDecode(ink, page::DiscType::kStandard, &bytes);
    ASSERT_TRUE(decoded.Clean()) << decoded.problems.front().message;
    ASSERT_EQ(decoded.planes.size(), 3u);
    EXPECT_TRUE(cupstest::PlanesMatch(decoded, 0, ink, false)) << rpi;
  }
}

TEST(PageEncoding, MonochromeIsOnePlane) {
  const page::InkPage ink = cupstest::RandomInkPage(1480, 700, 300, false, 4);
  std::vector<uint8_t> bytes;
  const stream::DecodedStream decoded = EncodeAndDecode(ink, page::DiscType::kStandard, &bytes);
  ASSERT_TRUE(decoded.Clean());
  ASSERT_EQ(decoded.planes.size(), 1u);
  EXPECT_TRUE(cupstest::PlanesMatch(decoded, 0, ink, false));
}

TEST(PageEncoding, CentreBandDiscLeavesOutTheHubRows) {
  for (int rpi : {300, 600}) {
    const page::InkPage ink = cupstest::RandomInkPage(1416, rpi == 600 ? 2832 : 1416, rpi, true, 6);
    std::vector<uint8_t> bytes;
    const stream::DecodedStream decoded = EncodeAndDecode(ink, page::DiscType::kCentreBand, &bytes);
    ASSERT_TRUE(decoded.Clean());
    EXPECT_TRUE(cupstest::PlanesMatch(decoded, 0, ink, true)) << rpi;
    // The hub rows of the page do hold ink, so leaving them out is visible.
    std::vector<uint8_t> whole;
    const stream::DecodedStream all = EncodeAndDecode(ink, page::DiscType::kStandard, &whole);
    EXPECT_GT(whole.size(), bytes.size());
    EXPECT_FALSE(cupstest::PlanesMatch(all, 0, ink, true));
  }
}

}  // namespace
