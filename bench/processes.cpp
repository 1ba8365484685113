#include "bench/processes.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

namespace bench {

double RunSeconds(const ProcessRun& run) {
  if (run.argv.empty()) return -1;
  std::vector<char*> argv;
  for (const std::string& a : run.argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null_fd = open("/dev/null", O_RDWR);
    const int in_fd = run.stdin_file.empty() ? null_fd : open(run.stdin_file.c_str(), O_RDONLY);
    dup2(in_fd, 0);
    dup2(null_fd, 1);
    dup2(null_fd, 2);
    for (const std::string& e : run.environment) putenv(const_cast<char*>(e.c_str()));
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (pid < 0) return -1;
  // wait4 gives this child's own usage, which includes the children it
  // waited for (cupsfilter's filters).
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return -1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double MedianSeconds(const ProcessRun& run, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double t = RunSeconds(run);
    if (t < 0) return -1;
    times.push_back(t);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

TempDir::TempDir(const std::string& name) {
  std::string templ = std::string(P_tmpdir) + "/q2bench-" + name + "-XXXXXX";
  if (mkdtemp(templ.data()) != nullptr) path_ = templ;
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  const int status = system(("rm -rf '" + path_ + "'").c_str());
  (void)status;
}

}  // namespace bench
