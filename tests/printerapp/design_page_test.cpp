// The label designer in the printer application: the "Design a label" page
// driven in headless Chromium, and templates sent as IPP documents. Every
// job must be clean and equal `quillory2 design` of the same template.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "designer/label_template.h"
#include "tests/printerapp/app_server.h"
#include "tests/support/jpeg_writer.h"

namespace apptest {
namespace {

class PrinterAppDesign : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Log();
    ASSERT_TRUE(server_.AddPrinter("disc")) << server_.Log();
  }
  void TearDown() override {
    if (!HasFailure()) return;
    const std::string log = server_.Log();  // its end: the jobs of the test
    ADD_FAILURE() << "server log:\n" << log.substr(log.size() > 20000 ? log.size() - 20000 : 0);
  }
  // The job the device received under this name, once complete.
  Bytes Printed(const std::string& job_name) {
    const std::string path = server_.DeviceFile("disc", job_name);
    for (int i = 0; i < 100 && access(path.c_str(), F_OK) != 0; ++i) usleep(100000);
    return testsupport::ReadFile(path);
  }
  Bytes Designed(const std::string& label) {
    const std::string job = dir_.File("designed.prn");
    const testsupport::RunResult run = testsupport::RunProgram({ToolPath(), "design", label, "-o", job});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return testsupport::ReadFile(job);
  }
  bool Clean(const std::string& job_file) {
    return testsupport::RunProgram({ToolPath(), "decode", "--check", "-q", job_file}).exit_code == 0;
  }

  AppServer server_;
  testsupport::TempDir dir_;
};

TEST_F(PrinterAppDesign, PageInABrowserPrintsWhatTheToolPrintsFromTheDownloadedTemplate) {
  // A photo as a phone takes it: a JPEG, landscape.
  std::vector<uint8_t> pixels(640 * 480 * 3);
  for (size_t i = 0; i < pixels.size(); i += 3) {
    const size_t x = (i / 3) % 640, y = (i / 3) / 640;
    pixels[i] = static_cast<uint8_t>(x * 255 / 639), pixels[i + 1] = static_cast<uint8_t>(y * 255 / 479),
    pixels[i + 2] = 160;
  }
  const std::string photo = dir_.File("photo.jpg");
  ASSERT_TRUE(testsupport::WriteFile(photo, testsupport::EncodeJpeg(pixels.data(), 640, 480,
                                                                     testsupport::JpegKind::kRgb)));
  const std::string screenshot = ArtifactDir() + "/design-page.png", label = dir_.File("label.json");
  unlink(screenshot.c_str());
  const testsupport::RunResult browser = testsupport::RunProgram(
      {"/usr/bin/timeout", "180", "/usr/bin/python3", testsupport::SourceDir() + "/tests/printerapp/design_page.py",
       "http://localhost:" + std::to_string(server_.port()), "disc", photo, screenshot, label,
       testsupport::SourceDir() + "/examples/audio-cd.json"});
  ASSERT_EQ(browser.exit_code, 0) << browser.Out() << browser.err;
  EXPECT_GT(testsupport::ReadFile(screenshot).size(), 20000u) << screenshot;

  // The downloaded template holds what was typed and the photo.
  designer::LabelTemplate read;
  std::string error;
  ASSERT_TRUE(designer::ReadTemplate(testsupport::ReadText(label), &read, &error)) << error;
  ASSERT_EQ(read.arcs.size(), 2u);
  EXPECT_EQ(read.arcs[0].text, "Summer Live");
  EXPECT_EQ(read.arcs[1].text, "\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u00b7 "
                               "\u041a\u0438\u0440\u0438\u043b\u043b\u0438\u0446\u0430 \u00b7 Caf\u00e9");
  EXPECT_EQ(read.tracks.entries.size(), 12u);
  EXPECT_EQ(read.background.photo.picture.bytes, testsupport::ReadFile(photo));

  const int id = std::stoi(browser.Out());
  const JobResult job = server_.WaitJob("disc", id);
  ASSERT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.message;
  const Bytes printed = Printed("Designed label");
  ASSERT_FALSE(printed.empty());
  EXPECT_TRUE(Clean(server_.DeviceFile("disc", "Designed label")));
  EXPECT_TRUE(printed == Designed(label)) << "the page's job differs from quillory2 design of its template";
}

TEST_F(PrinterAppDesign, TemplatesAsIppDocumentsPrintOrSayWhereTheyAreWrong) {
  const std::string example = testsupport::SourceDir() + "/examples/audio-cd.json";
  // Under the vendor type, and sent with no type (told by its first bytes).
  for (const char* format : {designer::kTemplateMimeType, "application/octet-stream"}) {
    const std::string name = std::string("cd-") + (format[12] == 'v' ? "typed" : "untyped");
    const int id = server_.Submit("disc", example, format, name);
    ASSERT_GT(id, 0) << format;
    const JobResult job = server_.WaitJob("disc", id);
    ASSERT_EQ(job.state, IPP_JSTATE_COMPLETED) << format << ": " << job.message;
    EXPECT_TRUE(Printed(name) == Designed(example)) << format;
  }
  // The printer application's own submit command.
  const testsupport::RunResult submit = server_.Command({"submit", "-d", "disc", "-t", "submitted", example});
  ASSERT_EQ(submit.exit_code, 0) << submit.Out() << submit.err;
  EXPECT_TRUE(Printed("submitted") == Designed(example));
  EXPECT_TRUE(Clean(server_.DeviceFile("disc", "submitted")));

  // A template with a fault is refused with its place.
  std::string bad = testsupport::ReadText(example);
  bad.replace(bad.find("\"x_mm\""), 6, "\"x_cm\"");
  ASSERT_TRUE(testsupport::WriteFile(dir_.File("bad.json"), bad));
  const int id = server_.Submit("disc", dir_.File("bad.json"), designer::kTemplateMimeType, "bad");
  ASSERT_GT(id, 0);
  const JobResult job = server_.WaitJobMessage("disc", id, "$.texts[0].x_cm");
  EXPECT_NE(job.state, IPP_JSTATE_COMPLETED);
  EXPECT_EQ(job.message.rfind("The label template cannot be printed: $.texts[0].x_cm: unknown key", 0), 0u)
      << job.message;
}

// The HTTP status of a form POSTed to the server, as a page from elsewhere
// (a forged request) would send it.
http_status_t Post(int port, const std::string& path, const std::string& body) {
  http_t* http = httpConnect2("localhost", port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 30000, nullptr);
  if (http == nullptr) return HTTP_STATUS_ERROR;
  httpClearFields(http);
  httpSetField(http, HTTP_FIELD_CONTENT_TYPE, "application/x-www-form-urlencoded");
  httpSetLength(http, body.size());
  http_status_t status = HTTP_STATUS_ERROR;
  if (httpPost(http, path.c_str()) == 0 && httpWrite2(http, body.data(), body.size()) >= 0) {
    while ((status = httpUpdate(http)) == HTTP_STATUS_CONTINUE) {
    }
  }
  httpFlush(http);
  httpClose(http);
  return status;
}

http_status_t Get(int port, const std::string& path) {
  http_t* http = httpConnect2("localhost", port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 30000, nullptr);
  if (http == nullptr) return HTTP_STATUS_ERROR;
  httpClearFields(http);
  http_status_t status = HTTP_STATUS_ERROR;
  if (httpGet(http, path.c_str()) == 0) {
    while ((status = httpUpdate(http)) == HTTP_STATUS_CONTINUE) {
    }
  }
  httpFlush(http);
  httpClose(http);
  return status;
}

TEST_F(PrinterAppDesign, ASavedPrinterHasItsPageAfterARestart) {
  EXPECT_EQ(Get(server_.port(), "/disc/design"), HTTP_STATUS_OK);
  server_.Stop();
  ASSERT_TRUE(server_.Start()) << server_.Log();
  EXPECT_EQ(Get(server_.port(), "/disc/design"), HTTP_STATUS_OK);
}

TEST_F(PrinterAppDesign, RequestsWithoutTheSessionFieldAreRefused) {
  const std::string label = "template=" + std::string("%7B%22format%22%3A%22quillory2-label%22%2C%22version%22%3A1%7D");
  EXPECT_EQ(Post(server_.port(), "/disc/design/print", label), HTTP_STATUS_FORBIDDEN);
  EXPECT_EQ(Post(server_.port(), "/disc/design/preview", label + "&session=0123"), HTTP_STATUS_FORBIDDEN);
  usleep(300000);
  const testsupport::RunResult ls = testsupport::RunProgram({"/bin/ls", "-A", server_.DeviceFolder("disc")});
  EXPECT_EQ(ls.Out(), "") << "a refused request printed";
}

}  // namespace
}  // namespace apptest
