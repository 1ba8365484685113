// CUPS's own way to a driverless printer: a queue made with lpadmin -m
// everywhere pointing at the printer application, on a private cupsd with
// its own configuration folder and port (never the machine's CUPS), prints
// a PDF from lp through to the printer's device.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "stream/decoder.h"
#include "tests/printerapp/app_server.h"
#include "tests/printerapp/test_documents.h"

namespace apptest {
namespace {

using testsupport::Bytes;

class PrivateCupsd {
 public:
  ~PrivateCupsd() { Stop(); }

  bool Start(int port) {
    port_ = port;
    chmod(dir_.path().c_str(), 0755);  // the filters run as lp
    for (const char* sub : {"conf", "spool", "cache", "state", "tmp", "log"}) {
      mkdir(dir_.File(sub).c_str(), 0755);
    }
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    testsupport::WriteFile(dir_.File("conf/cupsd.conf"),
                           "Listen " + listen + "\nLogLevel debug\nWebInterface No\nBrowsing Off\n"
                           "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                           "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                           "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
    std::string files = "ServerRoot " + dir_.File("conf") + "\nRequestRoot " + dir_.File("spool") +
                        "\nCacheDir " + dir_.File("cache") + "\nStateDir " + dir_.File("state") +
                        "\nTempDir " + dir_.File("tmp") + "\nErrorLog " + dir_.File("log/error_log") +
                        "\nAccessLog " + dir_.File("log/access_log") + "\nPageLog " +
                        dir_.File("log/page_log") + "\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n";
    if (getuid() == 0) files += "User lp\nGroup lp\nSystemGroup root\n";
    testsupport::WriteFile(dir_.File("conf/cups-files.conf"), files);
    pid_ = fork();
    if (pid_ == 0) {
      freopen("/dev/null", "r", stdin);
      freopen(dir_.File("cupsd.out").c_str(), "w", stdout);
      freopen(dir_.File("cupsd.out").c_str(), "a", stderr);
      execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", dir_.File("conf/cupsd.conf").c_str(), "-s",
            dir_.File("conf/cups-files.conf").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 100; ++i) {
      if (Lp({"/usr/bin/lpstat", "-r"}).Out().find("scheduler is running") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) != pid_; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  // A CUPS client program against this cupsd.
  testsupport::RunResult Lp(std::vector<std::string> argv) const {
    argv.insert(argv.begin() + 1, {"-h", "127.0.0.1:" + std::to_string(port_)});
    return testsupport::RunProgram(argv);
  }
  std::string Log() const { return testsupport::ReadText(dir_.File("log/error_log")); }

 private:
  testsupport::TempDir dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

size_t InkedDots(const stream::Plane& plane) {
  size_t dots = 0;
  for (const auto& row : plane.rows)
    for (uint8_t b : row.second) dots += static_cast<size_t>(__builtin_popcount(b));
  return dots;
}

TEST(PrinterAppCupsQueue, EverywhereQueuePrintsAPdfFromLp) {
  AppServer app;
  ASSERT_TRUE(app.Start()) << app.Log();
  ASSERT_TRUE(app.AddPrinter("disc"));
  testsupport::TempDir docs;
  ASSERT_TRUE(WritePdf(docs.File("label.pdf"), 1));
  // The same PDF straight to the printer application, for comparison.
  const int direct = app.Submit("disc", docs.File("label.pdf"), "application/pdf", "direct");
  ASSERT_EQ(app.WaitJob("disc", direct).state, IPP_JSTATE_COMPLETED);
  const stream::DecodedStream expected = stream::Decode(testsupport::ReadFile(app.DeviceFile("disc", "direct")));

  PrivateCupsd cupsd;
  ASSERT_TRUE(cupsd.Start(FreeLoopbackPort())) << cupsd.Log();
  const testsupport::RunResult added =
      cupsd.Lp({"/usr/sbin/lpadmin", "-p", "disc", "-E", "-v", "ipp://127.0.0.1:" + std::to_string(app.port()) + "/ipp/print/disc",
                "-m", "everywhere"});
  ASSERT_EQ(added.exit_code, 0) << added.Out() << added.err;
  // In colour by name: CUPS 2.4's queue now and then sends the job as
  // monochrome although the printer's default is colour (ColorModel=Gray
  // in the job's options, with the same PPD).
  const testsupport::RunResult printed = cupsd.Lp(
      {"/usr/bin/lp", "-d", "disc", "-t", "through-cups", "-o", "print-color-mode=color", docs.File("label.pdf")});
  ASSERT_EQ(printed.exit_code, 0) << printed.err;

  // Bounded wait for the printer application to finish the job CUPS sent.
  Bytes job;
  const double deadline = NowSeconds() + 120;
  while (NowSeconds() < deadline) {
    job = testsupport::ReadFile(app.DeviceFile("disc", "through-cups"));
    if (!job.empty() && stream::Decode(job).has_end_document) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  const stream::DecodedStream decoded = stream::Decode(job);
  ASSERT_TRUE(decoded.has_end_document) << cupsd.Log().substr(0, 20000);
  EXPECT_TRUE(decoded.Clean());
  // The whole label, at its size: each ink within a few percent of the
  // direct job's (CUPS hands on a rewritten PDF, drawn the same).
  if (decoded.planes.size() != expected.planes.size()) {  // kept to tell why
    testsupport::WriteFile(ArtifactDir() + "/cups-queue-app.log", app.Log());
    testsupport::WriteFile(ArtifactDir() + "/cups-queue-cupsd.log", cupsd.Log());
    testsupport::WriteFile(ArtifactDir() + "/cups-queue-job.prn", job);
  }
  ASSERT_EQ(decoded.planes.size(), expected.planes.size());
  for (size_t p = 0; p < decoded.planes.size(); ++p) {
    const double want = static_cast<double>(InkedDots(expected.planes[p]));
    EXPECT_NEAR(static_cast<double>(InkedDots(decoded.planes[p])), want, want * 0.03 + 100) << "plane " << p;
  }
}

}  // namespace
}  // namespace apptest
