// PDF documents through Ghostscript: gs renders every page at the job's
// resolution, fitted to the 4.72 inch square, as PPM pictures on its
// standard output; each page, once it has arrived whole, goes through the
// picture path on the printer's dots and to the device. Ghostscript runs as
// a program of its own, so a document that crashes or hangs it costs the job
// and nothing else.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/label.h"
#include "printerapp/document_filters.h"
#include "printerapp/job_output.h"
#include "printerapp/job_settings.h"
#include "printerapp/printer_driver.h"

extern char** environ;

namespace printerapp {
namespace {

// The disc's page in PostScript points: 4.72 inch for a 120 mm disc, 3.15
// for an 80 mm one (its own square, which the picture path centres).
std::string PagePoints(page::DiscSize disc) {
  char text[32];
  snprintf(text, sizeof text, "%.2f", page::DiscPageDots(disc) * 72.0 / page::kDotsPerInch);
  return text;
}
// Ghostscript's complaints kept for the job's message.
constexpr size_t kMaxErrorText = 4096;

double Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

// The size of the binary PPM picture at the start of data (header and
// pixels), 0 while its header is incomplete, or -1 when it is no P6 header.
long long PpmSize(const std::vector<uint8_t>& data) {
  size_t at = 0;
  if (data.size() < 2) return 0;
  if (data[0] != 'P' || data[1] != '6') return -1;
  at = 2;
  long long numbers[3];
  for (long long& n : numbers) {
    while (at < data.size() && (data[at] == '#' || isspace(data[at]))) {
      if (data[at] == '#') {
        while (at < data.size() && data[at] != '\n') ++at;
      } else {
        ++at;
      }
    }
    if (at >= data.size()) return 0;
    if (!isdigit(data[at])) return -1;
    n = 0;
    while (at < data.size() && isdigit(data[at])) {
      n = n * 10 + (data[at++] - '0');
      if (n > 100000) return -1;
    }
    if (at >= data.size()) return 0;
  }
  if (numbers[2] != 255) return -1;  // Ghostscript writes 8-bit samples
  return static_cast<long long>(at + 1) + numbers[0] * numbers[1] * 3;
}

// PDF files start with %PDF- within their first kilobyte.
bool LooksLikePdf(const char* path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char head[1024];
  const ssize_t n = read(fd, head, sizeof head);
  close(fd);
  return n > 0 && memmem(head, static_cast<size_t>(n), "%PDF-", 5) != nullptr;
}

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  return line.empty() ? std::string("no message") : line;
}

// One run of gs with its output and errors on pipes.
class GhostscriptRun {
 public:
  ~GhostscriptRun() { Stop(); }

  bool Start(const std::vector<std::string>& args, std::string* error) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return Failed("no pipe", error);
    if (pipe2(err, O_CLOEXEC) != 0) {
      close(out[0]);
      close(out[1]);
      return Failed("no pipe", error);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
    if (spawned != 0) {
      pid_ = -1;
      return Failed(std::string("Ghostscript (") + args[0] + ") cannot be run: " + strerror(spawned),
                    error);
    }
    return true;
  }

  // Waits up to timeout_ms for output; appends it to *out. False at the end
  // of the output.
  bool Read(int timeout_ms, std::vector<uint8_t>* out) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    const int nfds = err_ >= 0 ? 2 : 1;
    if (poll(fds, nfds, timeout_ms) <= 0) return true;
    uint8_t buffer[65536];
    if (nfds == 2 && (fds[1].revents & (POLLIN | POLLHUP))) {
      const ssize_t n = read(err_, buffer, sizeof buffer);
      if (n > 0 && errors_.size() < kMaxErrorText) errors_.append(reinterpret_cast<char*>(buffer), n);
      if (n <= 0) {
        close(err_);
        err_ = -1;
      }
    }
    if (fds[0].revents & (POLLIN | POLLHUP)) {
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n == 0 || (n < 0 && errno != EINTR)) return false;
      if (n > 0) out->insert(out->end(), buffer, buffer + n);
    }
    return true;
  }

  // Waits for the program to end; its exit status, or -1 when it was
  // killed by a signal.
  int Wait() {
    if (err_ >= 0) {
      // Whatever it still had to say.
      char buffer[4096];
      ssize_t n;
      while ((n = read(err_, buffer, sizeof buffer)) > 0) {
        if (errors_.size() < kMaxErrorText) errors_.append(buffer, n);
      }
    }
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
      }
      pid_ = -1;
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
    out_ = err_ = -1;
  }

  const std::string& errors() const { return errors_; }

 private:
  static bool Failed(const std::string& why, std::string* error) {
    *error = why;
    return false;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string errors_;
};

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
  // Ghostscript reads PostScript too; a document sent as PDF must be one.
  if (!LooksLikePdf(papplJobGetFilename(job))) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, "The document is not a PDF file");
    return false;
  }
  JobOutput output(job, device, settings.options);
  output.SetPosition(settings.offset, settings.layout.ring);
  if (!output.Load(&error)) {
    FailJob(job, PAPPL_JREASON_NONE, "The printer description is unusable: " + error);
    return false;
  }

  const std::string resolution = "-r300x" + std::to_string(settings.options.RowsPerInch());
  GhostscriptRun run;
  // PostScript's own output (error reports included) goes to standard
  // error, so that standard output carries pictures only.
  if (!run.Start({gs.program, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sstdout=%stderr",
                  "-sDEVICE=ppmraw", resolution,
                  "-dDEVICEWIDTHPOINTS=" + PagePoints(settings.layout.disc),
                  "-dDEVICEHEIGHTPOINTS=" + PagePoints(settings.layout.disc), "-dFIXEDMEDIA",
                  "-dPDFFitPage", "-sOutputFile=-", "-f", papplJobGetFilename(job)},
                 &error)) {
    FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, error);
    return false;
  }

  const double deadline = Now() + gs.time_limit_s;
  std::vector<uint8_t> pending;
  int page = 0;
  bool ok = true;
  while (ok) {
    if (papplJobIsCanceled(job)) {
      run.Stop();
      break;
    }
    if (Now() > deadline) {
      run.Stop();
      FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR,
              "Ghostscript took longer than " + std::to_string(gs.time_limit_s) +
                  " seconds; the document was abandoned after " + std::to_string(page) + " page(s)");
      ok = false;
      break;
    }
    const bool more = run.Read(200, &pending);
    // Every page that has arrived whole goes out now.
    for (long long size = PpmSize(pending); size > 0 && pending.size() >= static_cast<size_t>(size);
         size = PpmSize(pending)) {
      imaging::RgbImage dots;
      if (!imaging::DecodeImage(pending.data(), static_cast<size_t>(size), &dots, &error)) {
        FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, "Ghostscript's page cannot be read: " + error);
        ok = false;
        break;
      }
      pending.erase(pending.begin(), pending.begin() + size);
      ++page;
      papplJobSetImpressions(job, page);
      if (!output.SendPage(imaging::MakeLabelPageOnDots(dots, settings.options, settings.layout),
                           &error)) {
        FailJob(job, PAPPL_JREASON_NONE, "Page " + std::to_string(page) + ": " + error);
        ok = false;
        break;
      }
    }
    if (ok && PpmSize(pending) < 0) {
      FailJob(job, PAPPL_JREASON_DOCUMENT_UNPRINTABLE_ERROR, "Ghostscript wrote something that is no picture");
      ok = false;
    }
    if (!more) break;
  }
  if (ok && !papplJobIsCanceled(job)) {
    const int status = run.Wait();
    if (status != 0 || page == 0 || !pending.empty()) {
      FailJob(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR,
              "The PDF cannot be printed" +
                  std::string(page > 0 ? " past page " + std::to_string(page) : "") +
                  ": Ghostscript: " + FirstLine(run.errors()));
      ok = false;
    }
  }
  run.Stop();
  if (!output.Finish(&error) && ok) {
    FailJob(job, PAPPL_JREASON_NONE, error);
    ok = false;
  }
  return ok;
}

}  // namespace printerapp
