// What the Windows IPP class driver and Mopria clients send, each checked on
// the job the printer would get: PWG raster in srgb_8 and sgray_8 at both
// resolutions on pages larger and smaller than the disc, raster types the
// printer does not take, a lower-cased resource path, a job-name in UTF-8,
// copies, print-scaling, and the disc loaded on the Media page.
#include <dirent.h>
#include <gtest/gtest.h>
#include <string.h>

#include <set>

#include "imaging/png_writer.h"
#include "tests/printerapp/app_server.h"
#include "tests/printerapp/test_documents.h"
#include "tests/support/printed_dots.h"

namespace apptest {
namespace {

using testsupport::Bytes;
using testsupport::PrintedDots;

class PrinterAppClients : public ServedPrinterTest {
 protected:
  std::string Png(const std::string& name, const imaging::RgbImage& picture) {
    std::vector<uint8_t> png;
    std::string error;
    EXPECT_TRUE(imaging::EncodePng(picture, &png, &error)) << error;
    testsupport::WriteFile(docs_.File(name), png);
    return docs_.File(name);
  }

  testsupport::TempDir docs_;
};

// A solid page of w x h dots with a white cross through its middle.
imaging::RgbImage SolidPage(int32_t w, int32_t h) {
  imaging::RgbImage page(w, h, imaging::Rgb{40, 90, 160});
  page.FillRect(w / 2 - 4, 0, 8, h, imaging::Rgb{});
  page.FillRect(0, h / 2 - 4, w, 8, imaging::Rgb{});
  return page;
}

TEST_F(PrinterAppClients, PwgRasterAtEachResolutionOnPagesLargerAndSmallerThanTheDisc) {
  // The disc's square is 1416 dots (119.9 mm); a client may render Letter
  // (2550 dots) or a smaller page of its own. The page is centred on the
  // disc at its true size and kept to the ring.
  struct Page {
    const char* name;
    int32_t dots;       // side across
    double farthest_mm;  // where the farthest dot must lie, within a dot
  };
  const Page pages[] = {{"larger", 2550, 59.0}, {"smaller", 600, 600 / 300.0 * 25.4 / 2 * 1.41421}};
  for (const RasterKind kind : {RasterKind::kPwgSrgb, RasterKind::kPwgSgray}) {
    for (const int rows_per_inch : {300, 600}) {
      for (const Page& p : pages) {
        const std::string name = std::string(kind == RasterKind::kPwgSrgb ? "srgb" : "sgray") + "-" +
                                 std::to_string(rows_per_inch) + "-" + p.name;
        const imaging::RgbImage dots = SolidPage(p.dots, p.dots * rows_per_inch / 300);
        ASSERT_TRUE(WriteRaster(docs_.File(name + ".pwg"), dots, rows_per_inch, kind));
        // A client sending grey asks for monochrome: black alone.
        const bool grey = kind == RasterKind::kPwgSgray;
        const PrintedDots printed = testsupport::DecodeDots(
            Print(docs_.File(name + ".pwg"), "image/pwg-raster", name,
                  grey ? JobOptions{"print-color-mode=monochrome"} : JobOptions{}));
        EXPECT_TRUE(printed.clean) << name;
        EXPECT_EQ(printed.planes.size(), grey ? 1u : 3u) << name;
        const double farthest = testsupport::FarthestDotMm(printed);
        EXPECT_LE(farthest, p.farthest_mm + 0.1) << name;
        EXPECT_GE(farthest, p.farthest_mm - 0.3) << name;
      }
    }
  }
}

TEST_F(PrinterAppClients, RasterTypesNotOfferedAreRefusedNamingTheType) {
  // PAPPL passes these on unconverted; black_1 even under an sRGB header.
  for (const RasterKind kind : {RasterKind::kPwgBlack1, RasterKind::kPwgCmyk8}) {
    const std::string type = kind == RasterKind::kPwgBlack1 ? "black_1" : "cmyk_8";
    ASSERT_TRUE(WriteRaster(docs_.File(type + ".pwg"), DotsPage(300), 300, kind));
    const int id = server_.Submit("disc", docs_.File(type + ".pwg"), "image/pwg-raster", type);
    ASSERT_GT(id, 0);
    const JobResult job = server_.WaitJobMessage("disc", id, type);
    EXPECT_EQ(job.state, IPP_JSTATE_ABORTED) << type;
    EXPECT_NE(job.message.find("raster type " + type + " is not printed here"), std::string::npos) << job.message;
    EXPECT_NE(job.reasons.find("document-format-error"), std::string::npos) << job.reasons;
    EXPECT_TRUE(testsupport::ReadFile(server_.DeviceFile("disc", type)).empty()) << type;
  }
}

TEST_F(PrinterAppClients, LowerCasedPathAndJobNameInUtf8) {
  // Windows sends the printer's resource path in lower case.
  ASSERT_TRUE(server_.AddPrinter("LabelDisc"));
  const Bytes expected = EncodeWithTool(ExampleLabel(), {});
  const int lower = server_.Submit("labeldisc", ExampleLabel(), "image/png", "lower-case");
  ASSERT_GT(lower, 0);
  EXPECT_EQ(server_.WaitJob("labeldisc", lower).state, IPP_JSTATE_COMPLETED);
  // The job went to the printer the path names, whatever its case.
  EXPECT_TRUE(testsupport::ReadFile(server_.DeviceFile("LabelDisc", "lower-case")) == expected);

  // Any characters in job-name: accents, quotes, slashes, an emoji.
  const std::string name = "Zoë’s «disc» / ..\\ \"mix\" 🎵 日本";
  const int id = server_.Submit("disc", ExampleLabel(), "image/png", name);
  ASSERT_GT(id, 0);
  const JobResult job = server_.WaitJob("disc", id);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.message;
  // Whatever file name the device made of it, the job printed whole.
  DIR* dir = opendir(server_.DeviceFolder("disc").c_str());
  ASSERT_NE(dir, nullptr);
  int found = 0;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    ++found;
    EXPECT_TRUE(testsupport::ReadFile(server_.DeviceFolder("disc") + "/" + e->d_name) == expected) << e->d_name;
  }
  closedir(dir);
  EXPECT_EQ(found, 1);
}

TEST_F(PrinterAppClients, CopiesAreOneDiscEachCollated) {
  const PrintedDots one = testsupport::DecodeDots(Print(ExampleLabel(), "image/png", "one"));
  const PrintedDots three = testsupport::DecodeDots(Print(ExampleLabel(), "image/png", "three", {"copies=3"}));
  ASSERT_TRUE(three.clean);
  ASSERT_EQ(one.planes.size(), 3u);
  ASSERT_EQ(three.planes.size(), 9u);
  for (size_t i = 0; i < 9; ++i) EXPECT_TRUE(three.planes[i] == one.planes[i % 3]) << "plane " << i;

  // A two-page PDF twice: page 1, page 2, page 1, page 2.
  ASSERT_TRUE(WritePdf(docs_.File("two.pdf"), 2));
  const PrintedDots pdf = testsupport::DecodeDots(Print(docs_.File("two.pdf"), "application/pdf", "pdf", {"copies=2"}));
  ASSERT_TRUE(pdf.clean);
  ASSERT_EQ(pdf.planes.size(), 12u);
  EXPECT_FALSE(pdf.planes[0] == pdf.planes[3]);
  for (size_t i = 0; i < 6; ++i) EXPECT_TRUE(pdf.planes[i] == pdf.planes[i + 6]) << "plane " << i;
}

TEST_F(PrinterAppClients, PrintScalingFillCoversTheDiscFitAndAutoShowTheWholePicture) {
  // A picture twice as wide as high, and its centre square.
  imaging::RgbImage wide(800, 400, imaging::Rgb{200, 40, 40});
  wide.FillRect(0, 0, 200, 400, imaging::Rgb{30, 160, 30});
  wide.FillRect(600, 0, 200, 400, imaging::Rgb{30, 30, 160});
  wide.FillRect(390, 0, 20, 400, imaging::Rgb{});
  imaging::RgbImage centre(400, 400);
  for (int32_t y = 0; y < 400; ++y) memcpy(centre.At(0, y), wide.At(200, y), 400 * 3);
  const std::string wide_png = Png("wide.png", wide);
  const Bytes fitted = EncodeWithTool(wide_png, {});
  EXPECT_TRUE(Print(wide_png, "image/png", "fit", {"print-scaling=fit"}) == fitted);
  EXPECT_TRUE(Print(wide_png, "image/png", "auto", {"print-scaling=auto"}) == fitted);
  EXPECT_TRUE(Print(wide_png, "image/png", "fill", {"print-scaling=fill"}) ==
              EncodeWithTool(Png("centre.png", centre), {}));
  EXPECT_FALSE(fitted == EncodeWithTool(Png("centre.png", centre), {}));
}

TEST_F(PrinterAppClients, DiscLoadedOnTheMediaPageIsReportedAndItsRingPrinted) {
  const std::string screenshot = ArtifactDir() + "/media-page-80mm.png";
  const testsupport::RunResult browser = testsupport::RunProgram(
      {"/usr/bin/timeout", "120", "/usr/bin/python3", testsupport::SourceDir() + "/tests/printerapp/media_page.py",
       "http://localhost:" + std::to_string(server_.port()), "disc", "om_cd-80_80x80mm", screenshot});
  ASSERT_EQ(browser.exit_code, 0) << browser.Out() << browser.err;
  ipp_t* attrs = server_.PrinterAttributes("disc", {"media-col-database"});
  ipp_attribute_t* ready = ippFindAttribute(attrs, "media-ready", IPP_TAG_KEYWORD);
  ASSERT_NE(ready, nullptr);
  EXPECT_STREQ(ippGetString(ready, 0, nullptr), "om_cd-80_80x80mm");
  ipp_attribute_t* col_ready = ippFindAttribute(attrs, "media-col-ready", IPP_TAG_BEGIN_COLLECTION);
  ASSERT_NE(col_ready, nullptr);
  ipp_t* size = ippGetCollection(ippFindAttribute(ippGetCollection(col_ready, 0), "media-size",
                                                  IPP_TAG_BEGIN_COLLECTION), 0);
  EXPECT_EQ(ippGetInteger(ippFindAttribute(size, "x-dimension", IPP_TAG_INTEGER), 0), 8000);
  // Both discs in the database, each with zero margins: the ring keeps ink
  // off the tray.
  ipp_attribute_t* database = ippFindAttribute(attrs, "media-col-database", IPP_TAG_BEGIN_COLLECTION);
  ASSERT_NE(database, nullptr);
  std::set<std::string> borderless;
  for (int i = 0; i < ippGetCount(database); ++i) {
    ipp_t* col = ippGetCollection(database, i);
    if (ippGetInteger(ippFindAttribute(col, "media-top-margin", IPP_TAG_INTEGER), 0) == 0) {
      borderless.insert(ippGetString(ippFindAttribute(col, "media-size-name", IPP_TAG_ZERO), 0, nullptr));
    }
  }
  EXPECT_EQ(borderless, (std::set<std::string>{"oe_cd_4.72x4.72in", "om_cd-80_80x80mm"}));
  ippDelete(attrs);

  // A job that names no media prints on the disc loaded, keeping to the
  // 80 mm disc's 78 mm ring; one that asks for the 120 mm disc to 118 mm.
  for (const JobOptions& options : {JobOptions{}, JobOptions{"media=om_cd-80_80x80mm"}}) {
    const PrintedDots small = testsupport::DecodeDots(Print(ExampleLabel(), "image/png", "80mm", options));
    EXPECT_TRUE(small.clean);
    EXPECT_LE(testsupport::FarthestDotMm(small), 39.1);
    EXPECT_GE(testsupport::FarthestDotMm(small), 38.0);
  }
  const PrintedDots large =
      testsupport::DecodeDots(Print(ExampleLabel(), "image/png", "120mm", {"media=oe_cd_4.72x4.72in"}));
  EXPECT_LE(testsupport::FarthestDotMm(large), 59.1);
  EXPECT_GE(testsupport::FarthestDotMm(large), 58.0);
}

}  // namespace
}  // namespace apptest
