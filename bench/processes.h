// Whole programs as the benchmarks' subjects: run one, and take the CPU time
// (user + system) that it and its own children used. The machine is shared,
// so CPU time, not wall time, is what compares.
#ifndef QUILLORY2_BENCH_PROCESSES_H_
#define QUILLORY2_BENCH_PROCESSES_H_

#include <string>
#include <vector>

namespace bench {

struct ProcessRun {
  std::vector<std::string> argv;            // argv[0] is the program's path
  std::vector<std::string> environment;     // NAME=VALUE added to the inherited ones
  std::string stdin_file;                   // empty: /dev/null
};

// CPU seconds of one run (waited-for descendants included), output
// discarded; negative when the program could not run or exited non-zero.
double RunSeconds(const ProcessRun& run);

// The median of `runs` runs; negative when any run failed.
double MedianSeconds(const ProcessRun& run, int runs);

// A new empty folder under the temporary folder, removed with its contents
// when the object goes; path() is "" when none could be made.
class TempDir {
 public:
  explicit TempDir(const std::string& name);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace bench

#endif  // QUILLORY2_BENCH_PROCESSES_H_
