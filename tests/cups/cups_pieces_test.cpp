// The filter's pieces: header checks, page reading in every colour order,
// option resolution, the helper interface and the page encoder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string.h>
#include <unistd.h>

#include <random>

#include "cups/job_choices.h"
#include "cups/job_framing.h"
#include "cups/page_encoder.h"
#include "cups/raster_page.h"
#include "hosts/unidrv_band.h"
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
                             PixelLayout::kCmyPlanar}) {
    for (int rpi : {300, 600}) {
      cupsdrv::PageGeometry g;
      std::string error;
      ASSERT_TRUE(cupsdrv::CheckPageHeader(Header(layout, 1416, 40, rpi), &g, &error)) << error;
      EXPECT_EQ(g.layout, layout);
      EXPECT_EQ(g.colour, layout != PixelLayout::kBlack);
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
      {"8-bit black",
       [](cups_page_header2_t* h) {
         h->cupsBitsPerColor = 8;
         h->cupsBitsPerPixel = 8;
         h->cupsBytesPerLine = h->cupsWidth;
       },
       "bit depth 8"},
      {"RGB", [](cups_page_header2_t* h) { h->cupsColorSpace = CUPS_CSPACE_RGB; }, "colour space RGB"},
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
}

// Writes pages to a raster file and reads them back with the filter's reader.
std::vector<hosts::InkPage> RoundTrip(const std::vector<RasterPage>& pages, cups_mode_t mode) {
  cupstest::TempDir dir;
  std::vector<hosts::InkPage> read;
  std::vector<cups_page_header2_t> headers;
  EXPECT_TRUE(cupstest::WriteRaster(dir.File("in.ras"), pages, mode));
  EXPECT_TRUE(cupstest::ReadRaster(dir.File("in.ras"), &read, &headers));
  return read;
}

TEST(RasterPageReading, EveryColourOrderGivesTheSamePlanes) {
  const hosts::InkPage ink = cupstest::PatternPage(203, 61, 600, true, 5);
  for (PixelLayout layout : {PixelLayout::kCmyChunked, PixelLayout::kCmyBanded, PixelLayout::kCmyPlanar}) {
    for (cups_mode_t mode : {CUPS_RASTER_WRITE, CUPS_RASTER_WRITE_COMPRESSED}) {
      RasterPage page;
      page.ink = ink;
      page.layout = layout;
      const std::vector<hosts::InkPage> read = RoundTrip({page}, mode);
      ASSERT_EQ(read.size(), 1u);
      EXPECT_TRUE(read[0].colour);
      for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(read[0].planes[p], ink.planes[p]) << "layout " << static_cast<int>(layout)
                                                   << " plane " << p;
      }
    }
  }
}

TEST(RasterPageReading, CroppingDropsDotsBeyondTheLineAndRowsBeyondTheDisc) {
  RasterPage page;
  page.ink = cupstest::PatternPage(1500, 1500, 300, false, 2);
  page.layout = PixelLayout::kBlack;
  for (int32_t r = 0; r < page.ink.rows; ++r) page.ink.SetDot(0, r, 1480);  // first dot cut off
  const std::vector<hosts::InkPage> read = RoundTrip({page}, CUPS_RASTER_WRITE);
  ASSERT_EQ(read.size(), 1u);
  ASSERT_EQ(read[0].width_dots, 1480);
  ASSERT_EQ(read[0].rows, 1416);
  for (int32_t r = 0; r < read[0].rows; ++r) {
    for (int32_t x = 0; x < 1480; ++x) {
      ASSERT_EQ(read[0].Dot(0, r, x), page.ink.Dot(0, r, x)) << r << "," << x;
    }
  }
}

TEST(RasterPageReading, OddWidthPaddingNeverBecomesInk) {
  // A rasterizer may leave rubbish in the padding bits of the last byte.
  cupstest::TempDir dir;
  RasterPage page;
  page.ink.width_dots = 13;
  page.ink.rows = 2;
  page.ink.rows_per_inch = 600;
  page.ink.colour = false;
  page.ink.Allocate();
  page.layout = PixelLayout::kBlack;
  page.ink.Row(0, 0)[1] = 0xFF;  // dots 8..12 plus three padding bits
  ASSERT_TRUE(cupstest::WriteRaster(dir.File("in.ras"), {page}));
  std::vector<hosts::InkPage> read;
  std::vector<cups_page_header2_t> headers;
  ASSERT_TRUE(cupstest::ReadRaster(dir.File("in.ras"), &read, &headers));
  EXPECT_EQ(read[0].Row(0, 0)[1], 0xF8);
}

// Reads a page cut 500 bytes before its end, and the whole page with the
// cancel flag already raised, through read(raster, geometry, flag, row).
template <class Read>
void ExpectTruncationAndCancellation(PixelLayout layout, Read read) {
  cupstest::TempDir dir;
  RasterPage page;
  page.ink = cupstest::PatternPage(300, 100, 600, true, 1);
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

TEST(RasterPageReading, ReportsTruncationAndCancellation) {
  ExpectTruncationAndCancellation(
      PixelLayout::kCmyBanded, [](cups_raster_t* raster, const cupsdrv::PageGeometry& g,
                                  volatile sig_atomic_t* flag, std::vector<uint8_t>* row) {
        hosts::InkPage ink;
        return cupsdrv::ReadPage(raster, g, flag, row, &ink);
      });
}

// Reads every page of a raster file twice, into ink planes (then made into
// a band by hosts::MakeBand) and straight into one reused band, and checks
// that both give the same band and, through the encoder, the same stream.
void ExpectSameBandBothWays(const std::string& path, size_t pages_expected) {
  const int fd_planes = open(path.c_str(), O_RDONLY);
  const int fd_band = open(path.c_str(), O_RDONLY);
  cups_raster_t* planes_in = cupsRasterOpen(fd_planes, CUPS_RASTER_READ);
  cups_raster_t* band_in = cupsRasterOpen(fd_band, CUPS_RASTER_READ);
  ASSERT_NE(planes_in, nullptr);
  ASSERT_NE(band_in, nullptr);
  std::vector<uint8_t> row;
  cupsdrv::PageBand band;  // kept across the pages, as the filter keeps it
  cupsdrv::PageEncoder encoder;
  size_t pages = 0;
  cups_page_header2_t h;
  cups_page_header2_t h2;
  while (cupsRasterReadHeader2(planes_in, &h)) {
    ASSERT_TRUE(cupsRasterReadHeader2(band_in, &h2));
    cupsdrv::PageGeometry g;
    std::string error;
    ASSERT_TRUE(cupsdrv::CheckPageHeader(h, &g, &error)) << error;
    hosts::InkPage ink;
    ASSERT_EQ(cupsdrv::ReadPage(planes_in, g, nullptr, &row, &ink), cupsdrv::ReadResult::kComplete);
    ASSERT_EQ(cupsdrv::ReadPageBand(band_in, g, nullptr, &row, &band),
              cupsdrv::ReadResult::kComplete);
    std::vector<uint8_t> made;
    BITMAPINFOHEADER header{};
    ASSERT_TRUE(hosts::MakeBand(ink, false, &made, &header, &error)) << error;
    const std::string what = "page " + std::to_string(pages + 1) + " of " + path;
    EXPECT_EQ(memcmp(&band.header, &header, sizeof header), 0) << what;
    ASSERT_EQ(band.header.biSizeImage, made.size()) << what;
    EXPECT_EQ(std::vector<uint8_t>(band.bits.get(), band.bits.get() + made.size()), made) << what;
    EXPECT_EQ(band.rows_per_inch, ink.rows_per_inch) << what;

    for (const char* disc : {"DISC_S", "DISC_D"}) {
      std::vector<uint8_t> from_planes;
      std::vector<uint8_t> from_band;
      ASSERT_TRUE(encoder.Encode(ink, disc, &from_planes, &error));
      cupsdrv::PageEncoder::EncodeBand(band, disc, &from_band);
      EXPECT_EQ(from_band, from_planes) << what << " " << disc;
      EXPECT_LE(from_band.size(), cupsdrv::PageStreamBound(band));
      EXPECT_EQ(cupsdrv::PageStreamBound(band), cupsdrv::PageStreamBound(ink));
    }
    ++pages;
  }
  EXPECT_FALSE(cupsRasterReadHeader2(band_in, &h2));
  EXPECT_EQ(pages, pages_expected);
  cupsRasterClose(planes_in);
  cupsRasterClose(band_in);
  close(fd_planes);
  close(fd_band);
}

TEST(RasterPageBand, IsTheBandMakeBandMakesInEveryOrderAndSize) {
  struct Size {
    int32_t width;
    int32_t rows;
    int rpi;
  };
  // Odd widths, a width of whole 32-dot groups, one dot, and pages cut to
  // the disc area across and down; a large page first, so that the reused
  // band holds old bytes where the smaller pages that follow land.
  const Size sizes[] = {{1500, 1500, 300}, {203, 61, 600}, {13, 5, 600}, {1, 3, 300},
                        {1472, 40, 600},   {1480, 2900, 600}, {97, 33, 300}};
  uint32_t seed = 1;
  for (PixelLayout layout : {PixelLayout::kBlack, PixelLayout::kCmyChunked,
                             PixelLayout::kCmyBanded, PixelLayout::kCmyPlanar}) {
    std::vector<RasterPage> pages;
    for (const Size& size : sizes) {
      RasterPage page;
      page.layout = layout;
      page.ink = cupstest::PatternPage(size.width, size.rows, size.rpi,
                                       layout != PixelLayout::kBlack, seed++);
      // Rubbish in the padding bits of each row's last byte.
      if (size.width % 8 != 0) {
        for (int p = 0; p < page.ink.PlaneCount(); ++p) {
          for (int32_t r = 0; r < page.ink.rows; r += 2) page.ink.SetDot(p, r, size.width);
        }
      }
      pages.push_back(page);
    }
    for (cups_mode_t mode : {CUPS_RASTER_WRITE, CUPS_RASTER_WRITE_COMPRESSED}) {
      cupstest::TempDir dir;
      ASSERT_TRUE(cupstest::WriteRaster(dir.File("in.ras"), pages, mode));
      SCOPED_TRACE("layout " + std::to_string(static_cast<int>(layout)));
      ExpectSameBandBothWays(dir.File("in.ras"), pages.size());
    }
  }
}

TEST(RasterPageBand, ReportsTruncationAndCancellation) {
  // Planar, cut within the last (yellow) plane: the band is nearly complete.
  ExpectTruncationAndCancellation(
      PixelLayout::kCmyPlanar, [](cups_raster_t* raster, const cupsdrv::PageGeometry& g,
                                  volatile sig_atomic_t* flag, std::vector<uint8_t>* row) {
        cupsdrv::PageBand band;
        return cupsdrv::ReadPageBand(raster, g, flag, row, &band);
      });
}

cups_page_header2_t PlainHeader(int rows_per_inch = 600) {
  return Header(PixelLayout::kCmyBanded, 100, 10, rows_per_inch);
}

bool Resolve(const cups_page_header2_t& h, const char* options, cupsdrv::JobChoices* c,
             std::string* error) {
  cups_option_t* parsed = nullptr;
  const int n = cupsParseOptions(options, 0, &parsed);
  const bool ok = cupsdrv::ResolveJobChoices(h, n, parsed, c, error);
  cupsFreeOptions(n, parsed);
  return ok;
}

TEST(JobChoiceResolution, DefaultsAreThePrintersDefaults) {
  cupsdrv::JobChoices c;
  std::string error;
  ASSERT_TRUE(Resolve(PlainHeader(), "", &c, &error)) << error;
  EXPECT_EQ(c.resolution, 2);
  EXPECT_EQ(c.paper_quality, 1);
  EXPECT_EQ(c.text_quality, 1);
  EXPECT_EQ(c.image_control, 1);
  EXPECT_STREQ(c.DiscTypeKeyword(), "DISC_S");
  ASSERT_TRUE(Resolve(PlainHeader(300), "", &c, &error));
  EXPECT_EQ(c.resolution, 1);
}

TEST(JobChoiceResolution, JobOptionsFillWhatTheHeaderLeavesOpen) {
  cupsdrv::JobChoices c;
  std::string error;
  ASSERT_TRUE(Resolve(PlainHeader(),
                      "MediaType=matte TextQuality=ON ImageControl=100 DiscType=DISC_D", &c,
                      &error))
      << error;
  EXPECT_EQ(c.paper_quality, 2);
  EXPECT_EQ(c.text_quality, 2);
  EXPECT_EQ(c.image_control, 101);
  EXPECT_STREQ(c.DiscTypeKeyword(), "DISC_D");
  ASSERT_TRUE(Resolve(PlainHeader(), "ImageControl=1", &c, &error));
  EXPECT_EQ(c.image_control, 2);
  ASSERT_TRUE(Resolve(PlainHeader(), "ImageControl=auto", &c, &error));
  EXPECT_EQ(c.image_control, 1);
}

TEST(JobChoiceResolution, HeaderFieldsWinOverJobOptions) {
  cups_page_header2_t h = PlainHeader();
  h.cupsMediaType = 1;
  h.cupsInteger[0] = 25;
  h.cupsInteger[1] = 1;
  h.cupsInteger[2] = 2;
  cupsdrv::JobChoices c;
  std::string error;
  ASSERT_TRUE(Resolve(h, "MediaType=Matte TextQuality=ON ImageControl=3 DiscType=DISC_S", &c,
                      &error));
  EXPECT_EQ(c.paper_quality, 1);
  EXPECT_EQ(c.text_quality, 1);
  EXPECT_EQ(c.image_control, 25);
  EXPECT_STREQ(c.DiscTypeKeyword(), "DISC_D");

  cups_page_header2_t named = PlainHeader();
  strcpy(named.MediaType, "Matte");
  ASSERT_TRUE(Resolve(named, "MediaType=Regular", &c, &error));
  EXPECT_EQ(c.paper_quality, 2);
}

TEST(JobChoiceResolution, RefusesUnknownValues) {
  const char* bad_options[] = {"ImageControl=0",  "ImageControl=101", "ImageControl=5x",
                               "ImageControl=",   "ImageControl=0050", "DiscType=DISC_X",
                               "TextQuality=MAYBE", "MediaType=Glossy"};
  for (const char* options : bad_options) {
    cupsdrv::JobChoices c;
    std::string error;
    EXPECT_FALSE(Resolve(PlainHeader(), options, &c, &error)) << options;
    EXPECT_NE(error.find("Unknown"), std::string::npos) << options << ": " << error;
  }
  for (int field = 0; field < 3; ++field) {
    cups_page_header2_t h = PlainHeader();
    h.cupsInteger[field] = field == 0 ? 102 : 3;
    cupsdrv::JobChoices c;
    std::string error;
    EXPECT_FALSE(Resolve(h, "", &c, &error)) << "cupsInteger" << field;
  }
  cups_page_header2_t h = PlainHeader();
  h.cupsMediaType = 3;
  cupsdrv::JobChoices c;
  std::string error;
  EXPECT_FALSE(Resolve(h, "", &c, &error));
}

TEST(JobFramingCommands, EveryChoiceHasItsSetupCommands) {
  cupsdrv::JobFraming framing;
  std::string error;
  ASSERT_TRUE(framing.Load(&error)) << error;
  cupsdrv::JobChoices choices;
  choices.resolution = 1;
  choices.paper_quality = 2;
  choices.text_quality = 2;
  choices.image_control = 101;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(framing.AppendJobSetup(choices, &bytes));
  const stream::DecodedStream decoded = stream::Decode(bytes.data(), bytes.size());
  EXPECT_TRUE(decoded.has_begin_document);
  EXPECT_TRUE(decoded.on_option);
  EXPECT_EQ(decoded.media, "Matte");
  EXPECT_EQ(decoded.resolution_rows_per_inch, 300);
  EXPECT_EQ(decoded.image_control, "100");
  // Pages bring their own plane starts: the setup ends before any plane.
  EXPECT_TRUE(decoded.planes.empty());
  EXPECT_FALSE(decoded.has_end_document);

  std::vector<uint8_t> end;
  framing.AppendJobEnd(&end);
  EXPECT_TRUE(stream::Decode(end.data(), end.size()).has_end_document);

  choices.image_control = 102;
  EXPECT_FALSE(framing.AppendJobSetup(choices, &bytes));
}

TEST(FilterSpoolInterface, AnswersTheDiscTypeOnly) {
  std::vector<uint8_t> out;
  cupsdrv::FilterSpool spool(&out, "DISC_D");
  plat::IPrintOemDriverUni* helper = &spool.iface;
  char buffer[200];
  memset(buffer, 'x', sizeof buffer);
  DWORD needed = 0;
  DWORD returned = 0;
  ASSERT_EQ(helper->lpVtbl->DrvGetDriverSetting(helper, nullptr, "DISCTYPE", buffer, sizeof buffer,
                                                &needed, &returned),
            S_OK);
  EXPECT_STREQ(buffer, "DISC_D");
  EXPECT_EQ(needed, 7u);
  EXPECT_EQ(returned, 1u);

  char small[6];
  memset(small, 'x', sizeof small);
  EXPECT_NE(helper->lpVtbl->DrvGetDriverSetting(helper, nullptr, "DISCTYPE", small, sizeof small,
                                                &needed, &returned),
            S_OK);
  EXPECT_EQ(needed, 7u);
  EXPECT_EQ(small[5], 'x') << "nothing written past a buffer too small";
  EXPECT_NE(helper->lpVtbl->DrvGetDriverSetting(helper, nullptr, "Resolution", buffer,
                                                sizeof buffer, &needed, &returned),
            S_OK);

  const uint8_t bytes[] = {1, 2, 3};
  DWORD written = 0;
  EXPECT_EQ(helper->lpVtbl->DrvWriteSpoolBuf(helper, nullptr, const_cast<uint8_t*>(bytes), 3,
                                             &written),
            S_OK);
  EXPECT_EQ(helper->lpVtbl->DrvWriteSpoolBuf(helper, nullptr, const_cast<uint8_t*>(bytes), 2,
                                             &written),
            S_OK);
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 1, 2}));
  void* self = nullptr;
  EXPECT_EQ(helper->lpVtbl->QueryInterface(helper, plat::kIidIPrintOemDriverUni, &self), S_OK);
  EXPECT_EQ(self, helper);
  EXPECT_EQ(helper->lpVtbl->QueryInterface(helper, plat::kIidIPrintOemUni, &self), E_NOINTERFACE);
}

stream::DecodedStream EncodeAndDecode(const hosts::InkPage& page, const char* disc_type,
                                      std::vector<uint8_t>* bytes) {
  cupsdrv::PageEncoder encoder;
  std::string error;
  EXPECT_TRUE(encoder.Encode(page, disc_type, bytes, &error)) << error;
  stream::DecodeOptions options;
  options.row_step = page.RowStep();
  return stream::Decode(bytes->data(), bytes->size(), options);
}

TEST(PageEncoding, PlanesComeOutYellowMagentaCyanAtBothResolutions) {
  for (int rpi : {300, 600}) {
    const hosts::InkPage page = cupstest::PatternPage(1416, rpi == 600 ? 2832 : 1416, rpi, true, 3);
    std::vector<uint8_t> bytes;
    const stream::DecodedStream decoded = EncodeAndDecode(page, "DISC_S", &bytes);
    ASSERT_TRUE(decoded.Clean()) << decoded.problems.front().message;
    ASSERT_EQ(decoded.planes.size(), 3u);
    EXPECT_TRUE(cupstest::PlanesMatch(decoded, 0, page, false)) << rpi;
  }
}

TEST(PageEncoding, MonochromeIsOnePlane) {
  const hosts::InkPage page = cupstest::PatternPage(1480, 700, 300, false, 4);
  std::vector<uint8_t> bytes;
  const stream::DecodedStream decoded = EncodeAndDecode(page, "DISC_S", &bytes);
  ASSERT_TRUE(decoded.Clean());
  ASSERT_EQ(decoded.planes.size(), 1u);
  EXPECT_TRUE(cupstest::PlanesMatch(decoded, 0, page, false));
}

TEST(PageEncoding, CentreBandDiscLeavesOutTheHubRows) {
  for (int rpi : {300, 600}) {
    hosts::InkPage page = cupstest::PatternPage(1416, rpi == 600 ? 2832 : 1416, rpi, true, 6);
    std::vector<uint8_t> bytes;
    const stream::DecodedStream decoded = EncodeAndDecode(page, "DISC_D", &bytes);
    ASSERT_TRUE(decoded.Clean());
    EXPECT_TRUE(cupstest::PlanesMatch(decoded, 0, page, true)) << rpi;
    // The hub rows of the page do hold ink, so leaving them out is visible.
    std::vector<uint8_t> whole;
    const stream::DecodedStream all = EncodeAndDecode(page, "DISC_S", &whole);
    EXPECT_GT(whole.size(), bytes.size());
    EXPECT_FALSE(cupstest::PlanesMatch(all, 0, page, true));
  }
}

TEST(PageEncoding, StreamStaysWithinItsStatedBound) {
  // Random dots defeat the packer: every line goes plain with all its commands.
  std::mt19937 random(7);
  for (bool colour : {true, false}) {
    hosts::InkPage page;
    page.width_dots = 1480;
    page.rows = 2832;
    page.rows_per_inch = 600;
    page.colour = colour;
    page.Allocate();
    for (int p = 0; p < page.PlaneCount(); ++p) {
      for (uint8_t& b : page.planes[p]) b = static_cast<uint8_t>(random() | 0x81);
    }
    std::vector<uint8_t> bytes;
    cupsdrv::PageEncoder encoder;
    std::string error;
    ASSERT_TRUE(encoder.Encode(page, "DISC_S", &bytes, &error));
    EXPECT_LE(bytes.size(), cupsdrv::PageStreamBound(page));
    EXPECT_GT(bytes.size(), cupsdrv::PageStreamBound(page) * 3 / 4) << "bound far too loose";
  }
}

}  // namespace
