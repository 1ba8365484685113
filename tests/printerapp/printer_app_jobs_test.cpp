// Jobs through a running printer application, as an IPP client sends them:
// every format, the options, the printer's defaults, bad jobs, many jobs at
// once, and cancellation. Each test has a server of its own on loopback.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <thread>

#include "imaging/label.h"
#include "imaging/srgb.h"
#include "page/disc_ring.h"
#include "printjob/job_writer.h"
#include "stream/decoder.h"
#include "tests/printerapp/app_server.h"
#include "tests/printerapp/test_documents.h"

namespace apptest {
namespace {

using testsupport::Bytes;

class PrinterAppJobs : public ServedPrinterTest {
 protected:
  testsupport::TempDir docs_;
};

TEST_F(PrinterAppJobs, PicturesMakeTheToolsBytesAndOptionsChangeThem) {
  struct Case {
    const char* name;
    JobOptions options;
    std::vector<std::string> flags;
  };
  const Case cases[] = {
      {"default", {}, {}},
      {"matte", {"media-type=disc-matte"}, {"--media", "Matte"}},
      {"control40", {"quillory2-image-control=40"}, {"--image-control", "40"}},
      {"centre", {"quillory2-disc-type=centre-band"}, {"--disc", "centre-band"}},
      {"mono", {"print-color-mode=monochrome"}, {"--mono"}},
      {"res300", {"printer-resolution=300x300dpi"}, {"--resolution", "300"}},
      {"textq", {"quillory2-text-quality=on"}, {"--option", "ON"}},
      {"ring", {"quillory2-outer-diameter=100", "quillory2-hub-diameter=40"},
       {"--outer-mm", "100", "--inner-mm", "40"}},
  };
  // All submitted first, so that the printer works through a queue.
  std::vector<int> ids;
  for (const Case& c : cases) {
    ids.push_back(server_.Submit("disc", ExampleLabel(), "image/png", c.name, c.options));
  }
  Bytes plain;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const JobResult job = server_.WaitJob("disc", ids[i]);
    ASSERT_EQ(job.state, IPP_JSTATE_COMPLETED) << cases[i].name << ": " << job.message;
    const Bytes printed = testsupport::ReadFile(server_.DeviceFile("disc", cases[i].name));
    const Bytes encoded = EncodeWithTool(ExampleLabel(), cases[i].flags);
    ASSERT_FALSE(encoded.empty());
    EXPECT_TRUE(printed == encoded) << cases[i].name << ": " << printed.size() << " bytes printed, "
                                    << encoded.size() << " encoded";
    if (i == 0) {
      plain = printed;
    } else {
      EXPECT_FALSE(printed == plain) << cases[i].name << " printed the default job";
    }
  }

  ASSERT_TRUE(WriteLabelJpeg(docs_.File("label.jpg")));
  for (const Case& c : {cases[0], cases[4]}) {
    const Bytes printed = Print(docs_.File("label.jpg"), "image/jpeg", std::string("jpeg-") + c.name, c.options);
    EXPECT_TRUE(printed == EncodeWithTool(docs_.File("label.jpg"), c.flags)) << c.name;
  }
}

TEST_F(PrinterAppJobs, LeftOutOptionsTakeThePrintersDefaults) {
  ASSERT_TRUE(server_.SetDefaults("disc", {"quillory2-image-control=40", "quillory2-disc-type=centre-band",
                                           "media-type=disc-matte"}));
  EXPECT_TRUE(Print(ExampleLabel(), "image/png", "defaults") ==
              EncodeWithTool(ExampleLabel(), {"--image-control", "40", "--disc", "centre-band", "--media", "Matte"}));
  // A value in the job wins over the default.
  EXPECT_TRUE(Print(ExampleLabel(), "image/png", "given", {"quillory2-image-control=7"}) ==
              EncodeWithTool(ExampleLabel(), {"--image-control", "7", "--disc", "centre-band", "--media", "Matte"}));
}

// The job the picture path makes of a page on the dots, through the core
// directly.
Bytes ExpectedRasterJob(const imaging::RgbImage& dots, page::JobOptions options) {
  std::vector<uint8_t> job;
  std::string error;
  EXPECT_TRUE(printjob::WriteJob({imaging::MakeLabelPageOnDots(dots, options, imaging::LabelLayout{})},
                                 options, &job, &error))
      << error;
  return job;
}

TEST_F(PrinterAppJobs, RasterPagesGoThroughThePicturePathDotForDot) {
  struct Case {
    const char* name;
    RasterKind kind;
    int rows_per_inch;
    JobOptions options;
  };
  const Case cases[] = {{"pwg-srgb-600", RasterKind::kPwgSrgb, 600, {}},
                        {"pwg-sgray-300", RasterKind::kPwgSgray, 300, {"print-color-mode=monochrome"}},
                        {"urf-srgb-300", RasterKind::kAppleSrgb, 300, {"quillory2-image-control=12"}}};
  for (const Case& c : cases) {
    const imaging::RgbImage dots = DotsPage(c.rows_per_inch);
    const std::string file = docs_.File(c.name);
    ASSERT_TRUE(WriteRaster(file, dots, c.rows_per_inch, c.kind));
    const Bytes printed = Print(file, c.kind == RasterKind::kAppleSrgb ? "image/urf" : "image/pwg-raster", c.name,
                                c.options);
    ASSERT_TRUE(stream::Decode(printed).Clean()) << c.name;
    page::JobOptions o;
    o.resolution = c.rows_per_inch == 600 ? page::Resolution::k600 : page::Resolution::k300;
    imaging::RgbImage source = dots;
    if (c.kind == RasterKind::kPwgSgray) {
      o.colour = page::ColourMode::kMonochrome;
      // What the client sent: grey of the picture.
      for (size_t i = 0; i < source.pixels.size(); i += 3) {
        const uint8_t v = static_cast<uint8_t>(
            (source.pixels[i] * 299 + source.pixels[i + 1] * 587 + source.pixels[i + 2] * 114) / 1000);
        source.pixels[i] = source.pixels[i + 1] = source.pixels[i + 2] = v;
      }
    }
    if (c.kind == RasterKind::kAppleSrgb) o.image_control = 12;
    EXPECT_TRUE(printed == ExpectedRasterJob(source, o)) << c.name;
  }
}

// Ink per block of 24 x 24 dots in the printed planes against the ink the
// source asks for there, on blocks wholly on the ring.
TEST_F(PrinterAppJobs, PdfPrintsWhatItShowsAtThePagesSize) {
  ASSERT_TRUE(WritePdf(docs_.File("label.pdf"), 1));
  const Bytes printed = Print(docs_.File("label.pdf"), "application/pdf", "pdf");
  const stream::DecodedStream decoded = stream::Decode(printed);
  ASSERT_TRUE(decoded.Clean());
  ASSERT_EQ(decoded.planes.size(), 3u);
  // The source as Ghostscript draws it at the page's size, 300 x 600 dpi.
  ASSERT_EQ(testsupport::RunProgram({"/usr/bin/gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ppmraw",
                                     "-r300x600", "-sOutputFile=" + docs_.File("source.ppm"),
                                     docs_.File("label.pdf")})
                .exit_code,
            0);
  const Bytes ppm = testsupport::ReadFile(docs_.File("source.ppm"));
  imaging::RgbImage source;
  std::string error;
  ASSERT_TRUE(imaging::DecodeImage(ppm.data(), ppm.size(), &source, &error)) << error;
  ASSERT_EQ(source.width, 1416);
  ASSERT_EQ(source.height, 2832);
  const page::DiscMask mask(page::DiscRing{}, 600);
  constexpr int kBlock = 24;
  int compared = 0;
  for (int32_t by = 0; by + kBlock <= 2832; by += kBlock) {
    for (int32_t bx = 0; bx + kBlock <= 1416; bx += kBlock) {
      bool on_ring = true;
      for (int32_t y = by; y < by + kBlock && on_ring; y += kBlock - 1)
        for (int32_t x = bx; x < bx + kBlock && on_ring; x += kBlock - 1) on_ring = mask.Printable(x, y);
      if (!on_ring) continue;
      // Planes in the printer's order: yellow, magenta, cyan (blue, green,
      // red). Each ink is 1 - the linear light of its primary (sRGB), where
      // the media's ink limit leaves it (totals under 240 %).
      double ink[3] = {}, want[3] = {};
      for (int k = 0; k < 3; ++k) {
        for (int32_t y = by; y < by + kBlock; ++y) {
          for (int32_t x = bx; x < bx + kBlock; ++x) {
            const imaging::Rgb c = source.Get(x, y);
            ink[k] += decoded.planes[k].Dot(y, x + 56) ? 1 : 0;
            want[k] += 1 - imaging::SrgbToLinear((k == 0 ? c.b : k == 1 ? c.g : c.r) / 255.0);
          }
        }
      }
      if ((want[0] + want[1] + want[2]) / (kBlock * kBlock) > 2.4) continue;
      for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(ink[k] / (kBlock * kBlock), want[k] / (kBlock * kBlock), 0.08)
            << "plane " << k << " block at dot " << bx << ", row " << by;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 3000);
}

TEST_F(PrinterAppJobs, BadJobsEndWithAClearMessageAndTheNextOnePrints) {
  const Bytes png = testsupport::ReadFile(ExampleLabel());
  ASSERT_TRUE(testsupport::WriteFile(docs_.File("cut.png"), Bytes(png.begin(), png.begin() + png.size() / 2)));
  ASSERT_TRUE(testsupport::WriteFile(docs_.File("letter.pdf"), std::string("Dear printer,\nthis is no PDF.\n")));
  ASSERT_TRUE(testsupport::WriteFile(docs_.File("letter.txt"), std::string("Dear printer,\nplain text.\n")));
  ASSERT_TRUE(WriteRaster(docs_.File("cut.pwg"), DotsPage(600), 600, RasterKind::kPwgSrgb, 100));
  struct Case {
    const char* file;
    const char* format;
    const char* says;
  };
  for (const Case& c : {Case{"cut.png", "image/png", "PNG"}, Case{"letter.pdf", "application/pdf", "not a PDF"},
                        Case{"cut.pwg", "image/pwg-raster", "ended early"},
                        Case{"letter.txt", "text/plain", "'text/plain' is not supported"}}) {
    const int id = server_.Submit("disc", docs_.File(c.file), c.format, c.file);
    ASSERT_GT(id, 0) << c.file;
    const JobResult job = server_.WaitJobMessage("disc", id, c.says, 20);
    EXPECT_EQ(job.state, IPP_JSTATE_ABORTED) << c.file;
    EXPECT_NE(job.message.find(c.says), std::string::npos) << c.file << ": " << job.message;
    // Nothing of a bad document reaches the printer.
    EXPECT_TRUE(testsupport::ReadFile(server_.DeviceFile("disc", c.file)).empty()) << c.file;
  }

  EXPECT_TRUE(Print(ExampleLabel(), "image/png", "after") == EncodeWithTool(ExampleLabel(), {}));
  EXPECT_EQ(waitpid(server_.pid(), nullptr, WNOHANG), 0) << "the server ended";
}

// Twenty clients sending in the same instant: PAPPL 1.3.1 would start
// several jobs at once on its one device, unless the program's job gate
// holds them to one at a time.
TEST_F(PrinterAppJobs, TwentyJobsAtOnceAllCompleteInBoundedMemory) {
  constexpr int kJobs = 20;
  const std::vector<int> ids = server_.SubmitAtOnce("disc", ExampleLabel(), "image/png", "many", kJobs);
  const Bytes expected = EncodeWithTool(ExampleLabel(), {});
  for (int i = 0; i < kJobs; ++i) {
    ASSERT_GT(ids[i], 0) << i;
    const JobResult job = server_.WaitJob("disc", ids[i], 60);
    if (job.state != IPP_JSTATE_COMPLETED) testsupport::WriteFile(ArtifactDir() + "/twenty-server.log", server_.Log());
    EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << i << ": " << job.message;
    EXPECT_TRUE(testsupport::ReadFile(server_.DeviceFile("disc", "many-" + std::to_string(i))) == expected) << i;
  }
  // One job at a time is held in memory, whatever the queue's length.
  EXPECT_LT(server_.PeakMemoryKb(), 400 * 1024);
}

TEST_F(PrinterAppJobs, CancelledJobsLeaveNoPartOfAPage) {
  ASSERT_TRUE(WritePdf(docs_.File("long.pdf"), 40));
  // Once during the first page, once after some pages have gone out.
  for (const bool after_a_page : {false, true}) {
    const std::string name = after_a_page ? "later" : "early";
    const int id = server_.Submit("disc", docs_.File("long.pdf"), "application/pdf", name);
    ASSERT_GT(id, 0);
    const double deadline = NowSeconds() + 60;
    while (NowSeconds() < deadline) {
      const JobResult job = server_.Job("disc", id);
      if (job.state == IPP_JSTATE_PROCESSING &&
          (!after_a_page || server_.PartialOutput("disc").size() > 0)) {
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(after_a_page ? 20 : 5));
    }
    ASSERT_TRUE(server_.CancelJob("disc", id));
    EXPECT_EQ(server_.WaitJob("disc", id).state, IPP_JSTATE_CANCELED);
    // A device gets whole pages and the job's end; a folder keeps no file
    // of a job that did not end whole.
    EXPECT_TRUE(testsupport::ReadFile(server_.DeviceFile("disc", name)).empty());
    EXPECT_TRUE(server_.PartialOutput("disc").empty());
  }
}

}  // namespace
}  // namespace apptest
