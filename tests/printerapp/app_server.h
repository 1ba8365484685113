// A printer application server for one test: started on a free loopback
// port in a temporary folder that holds its state, spool, log, control
// socket and the printers' device folders; every wait is bounded; stopped
// when the test ends, also when it fails.
#ifndef QUILLORY2_TESTS_PRINTERAPP_APP_SERVER_H_
#define QUILLORY2_TESTS_PRINTERAPP_APP_SERVER_H_

#include <cups/cups.h>
#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/support.h"

namespace apptest {

using testsupport::Bytes;
using testsupport::RunResult;

// <build>/bin/quillory2-printer-app and <build>/bin/quillory2.
std::string AppPath();
std::string ToolPath();
// A folder for what the tests keep (screenshots, logs, numbers):
// <build>/test-artifacts/printerapp, created when missing.
std::string ArtifactDir();

// A loopback port that was free a moment ago.
int FreeLoopbackPort();

// An IPP attribute of a job, as the mainloop's -o options write it:
// "print-color-mode=monochrome", "quillory2-image-control=40".
using JobOptions = std::vector<std::string>;

struct JobResult {
  int id = 0;
  ipp_jstate_t state = IPP_JSTATE_PENDING;
  std::string message;  // job-state-message
  std::string reasons;  // job-state-reasons, comma-separated
};

class AppServer {
 public:
  // Extra environment entries for the server (NAME=value) and extra -o
  // options of the server sub-command.
  explicit AppServer(std::vector<std::string> env = {}, std::vector<std::string> options = {});
  ~AppServer();
  AppServer(const AppServer&) = delete;
  AppServer& operator=(const AppServer&) = delete;

  // Runs the server through a launcher (its argv comes first, the
  // server's after it), for a test that gives the server a namespace of its
  // own.
  void SetLauncher(std::vector<std::string> launcher) { launcher_ = std::move(launcher); }
  // Starts the server and waits until it answers (up to 20 s).
  bool Start();
  // SIGTERM, then SIGKILL if it has not ended within 10 s.
  void Stop();
  // SIGKILL, as a crash or a power cut would end it.
  void Kill();
  bool Running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  int port() const { return port_; }
  const testsupport::TempDir& dir() const { return dir_; }
  std::string Log() const;

  // A mainloop sub-command against this server, through its control socket.
  RunResult Command(const std::vector<std::string>& args) const;
  // Adds a printer whose device is the folder <dir>/<name>-out (created).
  bool AddPrinter(const std::string& name);
  std::string DeviceFolder(const std::string& name) const { return dir_.File(name + "-out"); }
  // The file a job named job_name printed to on printer name.
  std::string DeviceFile(const std::string& name, const std::string& job_name) const {
    return DeviceFolder(name) + "/" + job_name + ".prn";
  }
  std::string PrinterUri(const std::string& name) const;
  // What the job printing on printer name has written so far: a folder's
  // job is written to a hidden file there and put in place only when whole.
  Bytes PartialOutput(const std::string& name) const;

  // Submits a file over IPP (Print-Job); the job id, or 0 with the
  // response's status in *refusal.
  int Submit(const std::string& printer, const std::string& file, const std::string& format,
             const std::string& job_name, const JobOptions& options = {},
             std::string* refusal = nullptr) const;
  // Submits the same file as `count` jobs named prefix-0, prefix-1, ...,
  // each over its own connection from its own thread, all released in the
  // same instant; their ids in order (0 for a refused one).
  std::vector<int> SubmitAtOnce(const std::string& printer, const std::string& file,
                                const std::string& format, const std::string& prefix, int count) const;
  JobResult Job(const std::string& printer, int id) const;
  // Waits until the job ends (completed, cancelled or aborted), up to
  // timeout_s; the last state seen.
  JobResult WaitJob(const std::string& printer, int id, int timeout_s = 60) const;
  // The same, and then until the job's message holds `part`: a job refused
  // for its format gets its reason as its end is announced, a moment after
  // its state.
  JobResult WaitJobMessage(const std::string& printer, int id, const std::string& part,
                           int timeout_s = 60) const;
  bool CancelJob(const std::string& printer, int id) const;
  // Sets printer defaults over IPP (Set-Printer-Attributes with NAME-default).
  bool SetDefaults(const std::string& printer, const JobOptions& defaults) const;
  // The printer's attributes (Get-Printer-Attributes, all and those named;
  // media-col-database only when named), or nullptr.
  ipp_t* PrinterAttributes(const std::string& printer, const std::vector<std::string>& also = {}) const;
  // Peak resident memory of the server so far, in kB (VmHWM).
  long PeakMemoryKb() const;

 private:
  std::vector<std::string> Environment() const;

  testsupport::TempDir dir_;
  std::vector<std::string> env_;
  std::vector<std::string> options_;
  std::vector<std::string> launcher_;
  int port_ = 0;
  pid_t pid_ = -1;
};

// A print job through `quillory2 encode` with the given encode flags, for
// comparison with the printer application's job.
Bytes EncodeWithTool(const std::string& picture, const std::vector<std::string>& flags);

// The size of an inclusive range of seconds since some point, for benchmarks.
double NowSeconds();

// A test with a server of its own and one folder printer, "disc".
class ServedPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;  // the server's log, when the test failed

  // Prints a file and returns what reached the device (empty, with the
  // job's reason as a failure, when the job did not complete).
  Bytes Print(const std::string& file, const std::string& format, const std::string& name,
              const JobOptions& options = {}, const std::string& printer = "disc");

  AppServer server_;
};

}  // namespace apptest

#endif  // QUILLORY2_TESTS_PRINTERAPP_APP_SERVER_H_
