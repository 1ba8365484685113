// The printer application against clients that try to knock it over, stall
// it or lie to it: each case on its own server, with the seconds the printer
// was held and the server's peak memory kept in
// test-artifacts/printerapp/hardening.txt.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "tests/printerapp/app_server.h"
#include "tests/printerapp/test_documents.h"

namespace apptest {
namespace {

// One line of the report: the case, what happened, how long the printer was
// held and the server's peak memory.
void Note(const AppServer& server, const std::string& which, const JobResult& job, double seconds) {
  std::ofstream(ArtifactDir() + "/hardening.txt", std::ios::app)
      << which << ": " << ippEnumString("job-state", job.state) << " \"" << job.message << "\", held "
      << static_cast<int>(seconds * 10) / 10.0 << " s, server peak " << server.PeakMemoryKb() / 1024
      << " MiB\n";
}

// Submits and waits; the job's end and the seconds it took.
JobResult Print(const AppServer& server, const std::string& printer, const std::string& file,
                const std::string& format, const std::string& name, double* seconds, int timeout_s = 60) {
  const double start = NowSeconds();
  const int id = server.Submit(printer, file, format, name);
  const JobResult job = server.WaitJobMessage(printer, id, "", timeout_s);
  *seconds = NowSeconds() - start;
  return job;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* e = readdir(dir)) {
      if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Connects to the server's loopback port; -1 when it does not answer.
int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string HttpGet(int port, const std::string& path) {
  const int fd = Connect(port);
  if (fd < 0) return "";
  const std::string request = "GET " + path + " HTTP/1.0\r\nHost: localhost\r\n\r\n";
  std::string answer;
  if (write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) answer.append(buffer, n);
  }
  close(fd);
  return answer;
}

bool Alive(pid_t pid) { return pid > 0 && kill(pid, 0) == 0; }

// A Print-Job request as a client writes it, its document to follow.
std::string PrintJobRequest(const AppServer& server, const std::string& format, size_t document_size) {
  ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, server.PrinterUri("disc").c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, "staller");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, format.c_str());
  std::string body;
  ippWriteIO(&body, [](void* to, ipp_uchar_t* data, size_t n) -> ssize_t {
    static_cast<std::string*>(to)->append(reinterpret_cast<char*>(data), n);
    return static_cast<ssize_t>(n);
  }, 1, nullptr, request);
  ippDelete(request);
  return "POST /ipp/print/disc HTTP/1.1\r\nHost: localhost:" + std::to_string(server.port()) +
         "\r\nContent-Type: application/ipp\r\nContent-Length: " + std::to_string(body.size() + document_size) +
         "\r\n\r\n" + body;
}

TEST(PrinterAppHardening, DeviceDiscoveryWithoutAvahiDegrades) {
  testsupport::TempDir nowhere;
  AppServer server({"DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + nowhere.File("no-bus")});
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  EXPECT_EQ(HttpGet(server.port(), "/addprinter").rfind("HTTP/1.0 200", 0), 0u);
  const RunResult devices = server.Command({"devices"});
  EXPECT_NE((devices.Out() + devices.err).find("Unable to create service browser"), std::string::npos)
      << devices.Out() << devices.err;
  ASSERT_TRUE(Alive(server.pid())) << server.Log();
  double seconds = 0;
  EXPECT_EQ(Print(server, "disc", ExampleLabel(), "image/png", "after", &seconds).state, IPP_JSTATE_COMPLETED);
}

TEST(PrinterAppHardening, JobNamesMakeOneSafeFileEachAndSurviveARestart) {
  AppServer server;
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  const std::vector<std::string> names = {std::string(300, 'n'), "line\nbreak", "", ".", "..", "same", "same"};
  std::vector<int> ids;
  for (const std::string& name : names) ids.push_back(server.Submit("disc", ExampleLabel(), "image/png", name));
  for (int id : ids) ASSERT_EQ(server.WaitJob("disc", id).state, IPP_JSTATE_COMPLETED) << id;
  const std::vector<std::string> files = FolderEntries(server.DeviceFolder("disc"));
  EXPECT_EQ(files, (std::vector<std::string>{"_..prn", "_.prn", "job.prn", "line break.prn",
                                             std::string(200, 'n') + ".prn", "same-2.prn", "same.prn"}));
  for (const std::string& f : files) {
    EXPECT_EQ(testsupport::ReadFile(server.DeviceFolder("disc") + "/" + f), EncodeWithTool(ExampleLabel(), {}));
  }
  server.Stop();
  ASSERT_TRUE(server.Start()) << server.Log();
  for (int id : ids) {
    EXPECT_EQ(server.Job("disc", id).state, IPP_JSTATE_COMPLETED)
        << id << "\n" << testsupport::ReadText(server.dir().File("state/app.state")) << server.Log();
  }
  const int after = server.Submit("disc", ExampleLabel(), "image/png", "after-restart");
  EXPECT_EQ(server.WaitJob("disc", after).state, IPP_JSTATE_COMPLETED);
  Note(server, "300-byte and newline job names, restart", server.Job("disc", ids[1]), 0);
}

TEST(PrinterAppHardening, ADeviceThatTakesNothingFailsTheJob) {
  AppServer server;
  ASSERT_TRUE(server.Start()) << server.Log();
  const std::string node = server.dir().File("full");  // /dev/full's numbers, in the test's folder
  ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0600, makedev(1, 7)), 0) << strerror(errno);
  ASSERT_EQ(server.Command({"add", "-d", "full", "-m", "quillory2", "-v", "file://" + node}).exit_code, 0);
  double seconds = 0;
  const JobResult job = Print(server, "full", ExampleLabel(), "image/png", "label", &seconds);
  EXPECT_EQ(job.state, IPP_JSTATE_ABORTED);
  EXPECT_NE(job.message.find("No space left on device"), std::string::npos) << job.message;
  Note(server, "device made with mknod c 1 7", job, seconds);
}

// A printer folder on a 1.6 MB filesystem of the server's own (a tmpfs in a
// mount namespace, seen from here through /proc/PID/root): the first job
// fits, the second fills it and fails with the reason, and leaves nothing.
TEST(PrinterAppHardening, AFullFilesystemFailsTheJobAndLeavesNoFile) {
  AppServer server;
  const std::string folder = server.DeviceFolder("disc");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  server.SetLauncher({"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c",
                      "mount -t tmpfs -o size=1600k tmpfs \"$0\" && exec \"$@\"", folder});
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  double seconds = 0;
  EXPECT_EQ(Print(server, "disc", ExampleLabel(), "image/png", "first", &seconds).state, IPP_JSTATE_COMPLETED);
  const JobResult job = Print(server, "disc", ExampleLabel(), "image/png", "second", &seconds);
  EXPECT_EQ(job.state, IPP_JSTATE_ABORTED);
  EXPECT_NE(job.message.find("No space left on device"), std::string::npos) << job.message;
  const std::string seen = "/proc/" + std::to_string(server.pid()) + "/root" + folder;
  EXPECT_EQ(FolderEntries(seen), std::vector<std::string>{"first.prn"});
  EXPECT_TRUE(FolderEntries(folder).empty()) << "the tmpfs is the server's alone";
  Note(server, "full filesystem (1.6 MB tmpfs)", job, seconds);
}

TEST(PrinterAppHardening, ACutRasterDocumentFailsAndLeavesNoFile) {
  AppServer server;
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  testsupport::TempDir docs;
  ASSERT_TRUE(WriteRaster(docs.File("cut.pwg"), DotsPage(600), 600, RasterKind::kPwgSrgb, 900));
  double seconds = 0;
  const JobResult job = Print(server, "disc", docs.File("cut.pwg"), "image/pwg-raster", "cut", &seconds);
  EXPECT_EQ(job.state, IPP_JSTATE_ABORTED);
  EXPECT_LT(seconds, 30);
  EXPECT_TRUE(FolderEntries(server.DeviceFolder("disc")).empty());
  Note(server, "cut PWG raster document", job, seconds);
}

// A client that sends a raster header and 200 bytes of the page and then
// waits: its job fails after the stall limit and the printer moves on.
TEST(PrinterAppHardening, AStalledClientHoldsThePrinterForABoundedTime) {
  AppServer server;
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  testsupport::TempDir docs;
  ASSERT_TRUE(WriteRaster(docs.File("page.pwg"), DotsPage(600), 600, RasterKind::kPwgSrgb));
  const Bytes raster = testsupport::ReadFile(docs.File("page.pwg"));
  const int fd = Connect(server.port());
  ASSERT_GE(fd, 0);
  const std::string sent = PrintJobRequest(server, "image/pwg-raster", raster.size()) +
                           std::string(raster.begin(), raster.begin() + 4 + 1796 + 200);
  ASSERT_EQ(write(fd, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
  const double start = NowSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  double waited = 0;
  const JobResult next = Print(server, "disc", ExampleLabel(), "image/png", "next", &waited, 40);
  EXPECT_EQ(next.state, IPP_JSTATE_COMPLETED) << next.message;
  const JobResult stalled = server.WaitJob("disc", 1, 30);
  const double held = NowSeconds() - start;
  close(fd);
  EXPECT_EQ(stalled.state, IPP_JSTATE_ABORTED) << stalled.message;
  EXPECT_NE(stalled.message.find("sent nothing for 15 seconds"), std::string::npos) << stalled.message;
  EXPECT_LT(held, 30);
  Note(server, "stalled client (raster header and 200 bytes)", stalled, held);
  Note(server, "the next job, waiting behind it", next, waited);
}

// A client that sends two whole pages of three and goes away: its job is
// aborted, not completed, and leaves no file.
TEST(PrinterAppHardening, AClientThatLeavesMidDocumentAbortsItsJob) {
  AppServer server;
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  testsupport::TempDir docs;
  ASSERT_TRUE(WriteRaster(docs.File("page.pwg"), DotsPage(300), 300, RasterKind::kPwgSrgb));
  const Bytes page = testsupport::ReadFile(docs.File("page.pwg"));
  const std::string one_page(page.begin() + 4, page.end());  // without the file's "RaS2"
  const int fd = Connect(server.port());
  ASSERT_GE(fd, 0);
  const std::string sent =
      PrintJobRequest(server, "image/pwg-raster", 4 + 3 * one_page.size()) + "RaS2" + one_page + one_page;
  ASSERT_EQ(write(fd, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  close(fd);
  const double start = NowSeconds();
  const JobResult job = server.WaitJob("disc", 1, 30);
  EXPECT_EQ(job.state, IPP_JSTATE_ABORTED) << job.message;
  EXPECT_NE(job.message.find("stopped sending before the document ended; 2 page(s)"), std::string::npos)
      << job.message;
  EXPECT_TRUE(FolderEntries(server.DeviceFolder("disc")).empty());
  Note(server, "client gone after 2 of 3 raster pages", job, NowSeconds() - start);
}

// A JPEG cut at a third and closed with an end marker, and a small one whose
// header claims 20000 x 10000 pixels: both fail with their reason, the
// second before anything is allocated for it; the tool says the same.
TEST(PrinterAppHardening, JpegsThatLieFailBeforeTheyCostMemory) {
  AppServer server;
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  testsupport::TempDir docs;
  ASSERT_TRUE(WriteLabelJpeg(docs.File("label.jpg")));
  const Bytes jpeg = testsupport::ReadFile(docs.File("label.jpg"));
  Bytes cut(jpeg.begin(), jpeg.begin() + jpeg.size() / 3);
  cut.insert(cut.end(), {0xFF, 0xD9});
  Bytes lying = jpeg;
  for (size_t i = 2; i + 8 < lying.size(); ++i) {
    if (lying[i] == 0xFF && lying[i + 1] == 0xC0) {
      lying[i + 5] = 10000 >> 8, lying[i + 6] = 10000 & 0xFF;
      lying[i + 7] = 20000 >> 8, lying[i + 8] = 20000 & 0xFF;
      break;
    }
  }
  const struct {
    const char* name;
    Bytes bytes;
    const char* reason;
  } cases[] = {{"cut", cut, "premature end of data segment"}, {"lying", lying, "more than"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(testsupport::WriteFile(docs.File(c.name), c.bytes));
    double seconds = 0;
    const JobResult job = Print(server, "disc", docs.File(c.name), "image/jpeg", c.name, &seconds);
    EXPECT_EQ(job.state, IPP_JSTATE_ABORTED) << c.name;
    EXPECT_NE(job.message.find(c.reason), std::string::npos) << job.message;
    Note(server, std::string(c.name) + " JPEG", job, seconds);
    const RunResult tool = testsupport::RunProgram({ToolPath(), "encode", docs.File(c.name), "-o", docs.File("job.prn")});
    EXPECT_EQ(tool.exit_code, 1) << c.name;
    EXPECT_NE(tool.err.find(c.reason), std::string::npos) << tool.err;
  }
  EXPECT_LT(server.PeakMemoryKb(), 100 * 1024);
  EXPECT_TRUE(FolderEntries(server.DeviceFolder("disc")).empty());
}

// Documents that are not what their format says end with their fault named.
TEST(PrinterAppHardening, DocumentsThatAreNotTheirFormatSaySo) {
  AppServer server;
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  testsupport::TempDir docs;
  ASSERT_TRUE(testsupport::WriteFile(docs.File("bad.pwg"), "RaS2" + std::string(100, '\xff')));
  const struct {
    std::string file, format, reason;
  } cases[] = {{ExampleLabel(), "image/pwg-raster", "raster"},
               {docs.File("bad.pwg"), "image/pwg-raster", "raster"},
               {ExampleLabel(), "image/urf", "raster"}};
  for (const auto& c : cases) {
    const double start = NowSeconds();
    const int id = server.Submit("disc", c.file, c.format, "wrong");
    const JobResult job = server.WaitJobMessage("disc", id, c.reason, 20);
    EXPECT_EQ(job.state, IPP_JSTATE_ABORTED) << c.format;
    EXPECT_NE(job.message.find(c.reason), std::string::npos) << c.format << ": " << job.message;
    Note(server, c.format + " that is not", job, NowSeconds() - start);
  }
}

// A PDF that is really a PostScript program, and one that claims to be PDF
// and carries PostScript after its header: neither writes its file.
TEST(PrinterAppHardening, OnlyPdfReachesGhostscriptAndItWritesNothingOutside) {
  AppServer server;
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  testsupport::TempDir docs;
  const std::string target = docs.File("written-by-the-document");
  const std::string program = "(" + target + ") (w) file dup (x) writestring closefile showpage\n";
  ASSERT_TRUE(testsupport::WriteFile(docs.File("ps.pdf"), "%!PS\n%PDF-1.4\n" + program));
  ASSERT_TRUE(testsupport::WriteFile(docs.File("pdf-ps.pdf"), "%PDF-1.4\n" + program));
  double seconds = 0;
  JobResult job = Print(server, "disc", docs.File("ps.pdf"), "application/pdf", "ps", &seconds);
  EXPECT_EQ(job.state, IPP_JSTATE_ABORTED);
  EXPECT_NE(job.message.find("not a PDF file"), std::string::npos) << job.message;
  Note(server, "PostScript disguised as PDF", job, seconds);
  job = Print(server, "disc", docs.File("pdf-ps.pdf"), "application/pdf", "pdf-ps", &seconds);
  EXPECT_EQ(job.state, IPP_JSTATE_ABORTED);
  Note(server, "PDF header over a PostScript file-write", job, seconds);
  EXPECT_NE(access(target.c_str(), F_OK), 0) << "the document wrote " << target;
  EXPECT_TRUE(FolderEntries(server.DeviceFolder("disc")).empty());
}

// Ghostscript stand-ins that behave as a hostile document makes gs behave:
// one grabs memory, one loops forever. The limits end both, a server that
// is killed takes its Ghostscript with it, and the job it was printing is
// aborted, with its reason, when the server comes back.
TEST(PrinterAppHardening, GhostscriptLimitsEndMemoryBombsLoopsAndDieWithTheServer) {
  testsupport::TempDir tools;
  const std::string pid_file = tools.File("gs.pid");
  ASSERT_TRUE(testsupport::WriteFile(tools.File("bomb"),
                                     "#!/usr/bin/python3\nimport sys\ntry:\n    b = bytearray(3 << 30)\n"
                                     "except MemoryError:\n    sys.exit('refused 3 GiB')\n"
                                     "sys.exit('got 3 GiB')\n"));
  ASSERT_TRUE(testsupport::WriteFile(tools.File("loop"),
                                     "#!/bin/sh\necho $$ > " + pid_file + "\nwhile :; do :; done\n"));
  chmod(tools.File("bomb").c_str(), 0755);
  chmod(tools.File("loop").c_str(), 0755);
  testsupport::TempDir docs;
  ASSERT_TRUE(WritePdf(docs.File("label.pdf"), 1));

  AppServer bomb({"QUILLORY2_GHOSTSCRIPT=" + tools.File("bomb")});
  ASSERT_TRUE(bomb.Start()) << bomb.Log();
  ASSERT_TRUE(bomb.AddPrinter("disc"));
  double seconds = 0;
  JobResult job = Print(bomb, "disc", docs.File("label.pdf"), "application/pdf", "bomb", &seconds);
  EXPECT_EQ(job.state, IPP_JSTATE_ABORTED);
  EXPECT_NE(job.message.find("refused 3 GiB"), std::string::npos) << job.message;
  Note(bomb, "Ghostscript memory bomb (3 GiB asked)", job, seconds);

  // The administrator's lower CPU cap (3 s instead of 20 s) ends the loop.
  AppServer loop({"QUILLORY2_GHOSTSCRIPT=" + tools.File("loop"), "QUILLORY2_GHOSTSCRIPT_SECONDS=3"});
  ASSERT_TRUE(loop.Start()) << loop.Log();
  ASSERT_TRUE(loop.AddPrinter("disc"));
  job = Print(loop, "disc", docs.File("label.pdf"), "application/pdf", "loop", &seconds, 90);
  EXPECT_EQ(job.state, IPP_JSTATE_ABORTED);
  // Its CPU limit or, on a busy machine, its wall-clock limit (twice that).
  EXPECT_NE(job.message.find("the document was abandoned"), std::string::npos) << job.message;
  EXPECT_LT(seconds, 15);
  Note(loop, "Ghostscript endless loop", job, seconds);

  unlink(pid_file.c_str());
  const int id = loop.Submit("disc", docs.File("label.pdf"), "application/pdf", "killed");
  for (int i = 0; i < 100 && testsupport::ReadText(pid_file).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const pid_t gs = atoi(testsupport::ReadText(pid_file).c_str());
  ASSERT_TRUE(Alive(gs));
  // A change of settings saves the state, with the job printing.
  ASSERT_TRUE(loop.SetDefaults("disc", {"quillory2-image-control=50"}));
  std::this_thread::sleep_for(std::chrono::seconds(2));
  loop.Kill();
  const std::string saved = testsupport::ReadText(loop.dir().File("state/app.state"));
  for (int i = 0; i < 50 && Alive(gs); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(Alive(gs)) << "Ghostscript outlived the server";
  ASSERT_TRUE(loop.Start()) << loop.Log();
  job = loop.Job("disc", id);
  EXPECT_EQ(job.state, IPP_JSTATE_ABORTED) << saved;
  EXPECT_NE(job.message.find("server ended while this job printed"), std::string::npos) << job.message;
  Note(loop, "kill -9 mid-job, then a restart", job, 0);
  const double start = NowSeconds();
  loop.Stop();
  EXPECT_LT(NowSeconds() - start, 15) << "shutdown waited for the cut-off job";
}

TEST(PrinterAppHardening, OneServerPerStateFileAndADamagedStateIsKeptAside) {
  AppServer first;
  ASSERT_TRUE(first.Start()) << first.Log();
  ASSERT_TRUE(first.AddPrinter("disc"));
  const std::string state = first.dir().File("state/app.state");
  const RunResult second = testsupport::RunProgram(
      {AppPath(), "server", "-o", "server-port=" + std::to_string(FreeLoopbackPort()), "-o",
       "state-file=" + state, "-o", "spool-directory=" + first.dir().File("spool2"), "-o", "log-file=-"},
      "", {"SNAP_COMMON=" + first.dir().path()});
  EXPECT_NE(second.exit_code, 0);
  EXPECT_NE(second.err.find("another server is running"), std::string::npos) << second.err;
  first.Stop();

  const std::string text = testsupport::ReadText(state);
  ASSERT_TRUE(testsupport::WriteFile(state, text.substr(0, text.find("<Printer ") + 20)));
  ASSERT_TRUE(first.Start()) << first.Log();
  EXPECT_NE(first.Log().find("is damaged"), std::string::npos) << first.Log();
  const std::vector<std::string> kept = FolderEntries(first.dir().File("state"));
  EXPECT_NE(std::find_if(kept.begin(), kept.end(),
                         [](const std::string& f) { return f.find("app.state.damaged-") == 0; }),
            kept.end());
}

}  // namespace
}  // namespace apptest
