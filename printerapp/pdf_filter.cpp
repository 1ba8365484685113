// PDF documents through Ghostscript: gs renders every page at the job's
// resolution, fitted to the disc's square page, as PPM pictures on its
// standard output; each page, once it has arrived whole, goes through the
// picture path on the printer's dots and to the device.
//
// Ghostscript is a whole PostScript interpreter, so it runs fenced in:
// - only a file that starts with "%PDF-" is taken, and gs is told to run
//   its PDF interpreter on it (runpdf), never to run it as a PostScript
//   program;
// - it runs in a private empty folder (its working and temporary folder),
//   the only place it may write, under -dSAFER;
// - it has a memory limit (RLIMIT_AS), a CPU limit and a wall-clock limit
//   that grow with the document's size, files of bounded size, and a
//   page limit;
// - it runs in a process group of its own and dies with the thread that
//   started it (PR_SET_PDEATHSIG), so a server that ends, even by kill -9,
//   leaves no Ghostscript behind.
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "files/read_file.h"
#include "imaging/label.h"
#include "imaging/netpbm_reader.h"
#include "printerapp/document_filters.h"
#include "printerapp/job_output.h"
#include "printerapp/job_settings.h"
#include "printerapp/printer_driver.h"

namespace printerapp {
namespace {

// The disc's page in PostScript points: 4.72 inch for a 120 mm disc, 3.15
// for an 80 mm one (its own square, which the picture path centres).
std::string PagePoints(page::DiscSize disc) {
  char text[32];
  snprintf(text, sizeof text, "%.2f", page::DiscPageDots(disc) * 72.0 / geometry::kDotsPerInch);
  return text;
}

// Ghostscript's limits (README "Print from any device").
constexpr rlim_t kMemoryBytes = rlim_t{1} << 30;     // address space
constexpr rlim_t kFileBytes = rlim_t{64} << 20;      // any file it writes
constexpr int kMaxPages = 200;                       // pages printed of a document
constexpr off_t kMaxPdfBytes = off_t{256} << 20;     // the document itself
constexpr int kBaseSeconds = 20;                     // CPU seconds for any document,
constexpr int kBytesPerExtraSecond = 100 << 10;      // and one more per 100 KiB
constexpr double kWallPerCpu = 2;                    // wall-clock time for CPU time
constexpr rlim_t kCpuGraceSeconds = 5;              // after SIGXCPU, before SIGKILL

struct Limits {
  int cpu_s;
  double wall_s;
};

Limits LimitsFor(off_t size, const GhostscriptConfig& gs) {
  const int cpu = static_cast<int>(
      std::min<off_t>(gs.time_limit_s, kBaseSeconds + size / kBytesPerExtraSecond));
  return {cpu, cpu * kWallPerCpu};
}

// A PDF reader takes a file by its header at the start; so does this
// filter. *size is the file's size.
bool StartsAsPdf(const char* path, off_t* size, std::string* error) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  struct stat st;
  char head[5];
  const bool ok = fd >= 0 && fstat(fd, &st) == 0 && read(fd, head, 5) == 5 && memcmp(head, "%PDF-", 5) == 0;
  if (fd >= 0) close(fd);
  if (!ok) {
    *error = "The document is not a PDF file (it does not start with %PDF-)";
    return false;
  }
  *size = st.st_size;
  if (*size > kMaxPdfBytes) {
    *error = "The PDF is larger than " + std::to_string(kMaxPdfBytes >> 20) + " MiB";
    return false;
  }
  return true;
}

// An empty folder of the job's own beside its spool file, removed with
// whatever Ghostscript left in it.
class PrivateFolder {
 public:
  explicit PrivateFolder(const std::string& beside) {
    const size_t slash = beside.rfind('/');
    std::string path = (slash == std::string::npos ? std::string(".") : beside.substr(0, slash)) +
                       "/gs-XXXXXX";
    if (mkdtemp(path.data()) != nullptr) path_ = path;
  }
  ~PrivateFolder() {
    if (path_.empty()) return;
    nftw(
        path_.c_str(), [](const char* p, const struct stat*, int, FTW*) { return remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// One run of gs: its pages on a pipe, its complaints in a file of its
// private folder.
class GhostscriptRun {
 public:
  ~GhostscriptRun() {
    Kill();
    Wait();
    if (out_ != nullptr) fclose(out_);
  }

  bool Start(const std::vector<std::string>& args, const std::string& folder, const Limits& limits,
             std::string* error) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
      *error = std::string("no pipe: ") + strerror(errno);
      return false;
    }
    const std::string errors = folder + "/errors.txt";
    const std::string tmp = "TMPDIR=" + folder;
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env_text = {tmp, "TEMP=" + folder, "TMP=" + folder, "HOME=" + folder,
                                         "PATH=/usr/bin:/bin", "LC_ALL=C"};
    std::vector<char*> env;
    for (std::string& e : env_text) env.push_back(e.data());
    env.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      // Only system calls from here to exec: the server has other threads.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      setpgid(0, 0);
      const rlimit memory = {kMemoryBytes, kMemoryBytes};
      // The hard limit a little above the soft one: at the soft limit the
      // kernel sends SIGXCPU, which the job names; at the hard one SIGKILL,
      // which it cannot tell from a crash.
      const rlimit cpu = {static_cast<rlim_t>(limits.cpu_s), static_cast<rlim_t>(limits.cpu_s) + kCpuGraceSeconds};
      const rlimit files = {kFileBytes, kFileBytes};
      const rlimit core = {0, 0};
      setrlimit(RLIMIT_AS, &memory);
      setrlimit(RLIMIT_CPU, &cpu);
      setrlimit(RLIMIT_FSIZE, &files);
      setrlimit(RLIMIT_CORE, &core);
      const int in = open("/dev/null", O_RDONLY);
      const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || err < 0 || chdir(folder.c_str()) != 0 || dup2(in, 0) < 0 || dup2(out[1], 1) < 0 ||
          dup2(err, 2) < 0) {
        _exit(127);
      }
      execve(argv[0], argv.data(), env.data());
      _exit(127);
    }
    close(out[1]);
    if (pid_ < 0) {
      close(out[0]);
      *error = std::string("Ghostscript cannot be run: ") + strerror(errno);
      return false;
    }
    out_ = fdopen(out[0], "rb");
    errors_path_ = errors;
    return out_ != nullptr;
  }

  FILE* output() const { return out_; }

  // Ends it and everything it started.
  void Kill() {
    if (pid_ > 0) kill(-pid_, SIGKILL), kill(pid_, SIGKILL);
  }

  // Waits for the end: its exit status, or 128 + the signal that ended it.
  int Wait() {
    if (pid_ <= 0) return status_;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
  }

  // The first line Ghostscript wrote to its standard error.
  std::string FirstError() const {
    std::vector<uint8_t> text;
    std::string ignored;
    files::ReadWholeFile(errors_path_, &text, &ignored, 4096);
    std::string line(text.begin(), std::find(text.begin(), text.end(), '\n'));
    return line.empty() ? "no message" : line;
  }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  FILE* out_ = nullptr;
  std::string errors_path_;
};

// Ends the run when the job is cancelled or its time is up.
class Watchdog {
 public:
  Watchdog(pappl_job_t* job, GhostscriptRun* run, double seconds)
      : thread_([this, job, run, seconds] {
          const auto deadline = std::chrono::steady_clock::now() +
                                std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
          std::unique_lock<std::mutex> lock(mutex_);
          while (!done_) {
            if (papplJobIsCanceled(job) || std::chrono::steady_clock::now() > deadline) {
              timed_out_ = !papplJobIsCanceled(job);
              run->Kill();
              return;
            }
            changed_.wait_for(lock, std::chrono::milliseconds(200));
          }
        }) {}
  ~Watchdog() { Stop(); }

  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  bool timed_out() const { return timed_out_; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
  std::atomic<bool> timed_out_{false};
  std::thread thread_;
};

// A PostScript string literal's body: its delimiters and escape character
// escaped, so any spool path reads back as itself.
std::string PostScriptString(const char* text) {
  std::string out;
  for (const char* c = text; *c; ++c) {
    if (*c == '(' || *c == ')' || *c == '\\') out += '\\';
    out += *c;
  }
  return out;
}

std::vector<std::string> GhostscriptArgs(const GhostscriptConfig& gs, const JobSettings& settings,
                                         const std::string& folder, const char* document) {
  // PostScript's own output (error reports included) goes to standard
  // error, so that standard output carries pictures only.
  return {gs.program, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sstdout=%stderr",
          "--permit-file-write=" + folder + "/", "-sDEVICE=ppmraw",
          "-r300x" + std::to_string(settings.options.RowsPerInch()),
          "-dDEVICEWIDTHPOINTS=" + PagePoints(settings.layout.disc),
          "-dDEVICEHEIGHTPOINTS=" + PagePoints(settings.layout.disc), "-dFIXEDMEDIA", "-dPDFFitPage",
          "-dLastPage=" + std::to_string(kMaxPages), "-sOutputFile=-",
          // runpdf, not a file name: gs would pick its interpreter from the
          // file's first bytes, and this names the PDF one.
          "--permit-file-read=" + std::string(document), "-c",
          "(" + PostScriptString(document) + ") (r) file runpdf"};
}

// Sends every page Ghostscript writes; false (the job failed, with its
// message) when one cannot be sent. *pages counts those sent; *cut tells
// that Ghostscript's output ended inside a page or was no picture.
// Each copy is one more disc per page, collated: the first copy goes out as
// Ghostscript draws it, the others from the pages kept in *kept.
bool SendPages(pappl_job_t* job, GhostscriptRun* run, const JobSettings& settings, JobOutput* output,
               int copies, std::vector<page::InkPage>* kept, int* pages, bool* cut) {
  imaging::NetpbmReader reader(run->output());
  std::string error;
  while (!papplJobIsCanceled(job) && !reader.AtEnd()) {
    imaging::RgbImage dots;
    if (!imaging::ReadNetpbmImage(&reader, imaging::ImageLimits{}, &dots, &error)) {
      // Cut short: the reason is Ghostscript's, told by the caller.
      *cut = true;
      return true;
    }
    papplJobSetImpressions(job, (*pages + 1) * copies);
    page::InkPage ink = imaging::MakeLabelPageOnDots(dots, settings.options, settings.layout);
    if (!output->SendPage(ink, &error)) {
      FailJob(job, PAPPL_JREASON_NONE, "Page " + std::to_string(*pages + 1) + ": " + error);
      return false;
    }
    if (copies > 1) kept->push_back(std::move(ink));
    ++*pages;
  }
  return true;
}

// The copies after the first, from the pages kept.
bool SendCopies(pappl_job_t* job, const std::vector<page::InkPage>& kept, int copies, JobOutput* output) {
  std::string error;
  for (int copy = 1; copy < copies; ++copy) {
    for (const page::InkPage& ink : kept) {
      if (papplJobIsCanceled(job)) return true;
      if (!output->SendPage(ink, &error)) {
        FailJob(job, PAPPL_JREASON_NONE, "Copy " + std::to_string(copy + 1) + ": " + error);
        return false;
      }
    }
  }
  return true;
}

// Why Ghostscript's run did not give the whole document, or "" when it did.
std::string RunFault(int status, bool timed_out, const Limits& limits, int pages, bool cut,
                     const std::string& first_error) {
  const std::string after = pages > 0 ? " after " + std::to_string(pages) + " page(s)" : "";
  if (timed_out) {
    return "Ghostscript took longer than " + std::to_string(static_cast<int>(limits.wall_s)) +
           " seconds; the document was abandoned" + after;
  }
  if (status == 128 + SIGXCPU) {
    return "Ghostscript used more than its " + std::to_string(limits.cpu_s) +
           " seconds of processor time; the document was abandoned" + after;
  }
  if (status != 0 || pages == 0 || cut) {
    return "The PDF cannot be printed" + std::string(pages > 0 ? " past page " + std::to_string(pages) : "") +
           ": Ghostscript: " + (status == 128 + SIGSEGV || status == 128 + SIGABRT
                                     ? "it ran out of memory or crashed"
                                     : first_error);
  }
  return "";
}

}  // namespace

std::string FindGhostscript() {
  if (const char* chosen = getenv("QUILLORY2_GHOSTSCRIPT")) {
    return access(chosen, X_OK) == 0 ? chosen : "";
  }
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t from = 0;
  while (from <= dirs.size()) {
    size_t to = dirs.find(':', from);
    if (to == std::string::npos) to = dirs.size();
    const std::string dir = dirs.substr(from, to - from);
    if (!dir.empty()) {
      const std::string candidate = dir + "/gs";
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    from = to + 1;
  }
  return "";
}

int GhostscriptTimeLimit(const char* text) {
  const int kMostSeconds = GhostscriptConfig().time_limit_s;
  if (text == nullptr) return kMostSeconds;
  char* end = nullptr;
  const long seconds = strtol(text, &end, 10);
  return end != text && *end == '\0' && seconds >= 1 && seconds <= kMostSeconds ? static_cast<int>(seconds)
                                                                                : kMostSeconds;
}

extern "C" bool PrintPdf(pappl_job_t* job, pappl_device_t* device, void* data) {
  const GhostscriptConfig& gs = *static_cast<const GhostscriptConfig*>(data);
  std::unique_ptr<pappl_pr_options_t, void (*)(pappl_pr_options_t*)> options(
      papplJobCreatePrintOptions(job, 0, true), papplJobDeletePrintOptions);
  JobSettings settings;
  std::string error;
  if (!options || !ResolveJobSettings(job, options.get(), &settings, &error)) {
    FailJob(job, PAPPL_JREASON_JOB_COMPLETED_WITH_ERRORS, "Cannot print this job: " + error);
    return false;
  }
  if (gs.program.empty()) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, "PDF cannot be printed: Ghostscript is not installed");
    return false;
  }
  const char* document = papplJobGetFilename(job);
  off_t size = 0;
  if (!StartsAsPdf(document, &size, &error)) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, error);
    return false;
  }
  JobOutput output(job, device, settings.options);
  output.SetPosition(settings.offset, settings.layout.ring);
  if (!output.Load(&error)) {
    FailJob(job, PAPPL_JREASON_NONE, "The printer description is unusable: " + error);
    return false;
  }
  const PrivateFolder folder(document);
  if (folder.path().empty()) {
    FailJob(job, PAPPL_JREASON_NONE, std::string("No folder for Ghostscript: ") + strerror(errno));
    return false;
  }
  const Limits limits = LimitsFor(size, gs);
  GhostscriptRun run;
  if (!run.Start(GhostscriptArgs(gs, settings, folder.path(), document), folder.path(), limits, &error)) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, error);
    return false;
  }
  Watchdog watchdog(job, &run, limits.wall_s);
  int pages = 0;
  bool cut = false;
  const int copies = options->copies > 1 ? options->copies : 1;
  std::vector<page::InkPage> kept;
  bool ok = SendPages(job, &run, settings, &output, copies, &kept, &pages, &cut);
  if (!ok || cut || papplJobIsCanceled(job)) run.Kill();
  const int status = run.Wait();
  watchdog.Stop();
  if (ok && !papplJobIsCanceled(job)) {
    const std::string fault = RunFault(status, watchdog.timed_out(), limits, pages, cut, run.FirstError());
    if (!fault.empty()) {
      FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, fault);
      output.MarkFailed();
      ok = false;
    }
  }
  if (ok && !SendCopies(job, kept, copies, &output)) {
    output.MarkFailed();
    ok = false;
  }
  if (!output.Finish(&error) && ok) {
    FailJob(job, PAPPL_JREASON_NONE, error);
    ok = false;
  }
  return ok;
}

}  // namespace printerapp
