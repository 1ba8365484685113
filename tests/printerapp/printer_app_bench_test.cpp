// The printer application's speed, measured in the same run as the tool's:
// the time from submitting the example label until the device file is
// closed (the job completed), against `quillory2 encode` of the same
// picture; and twenty jobs at once, in jobs per second and the server's peak
// memory. The numbers go to standard output and to
// <build>/test-artifacts/printerapp/benchmark.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "tests/printerapp/app_server.h"
#include "tests/printerapp/test_documents.h"

namespace apptest {
namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

TEST(PrinterAppBenchmark, ExampleLabelAndTwentyJobsAtOnce) {
  AppServer server;
  ASSERT_TRUE(server.Start()) << server.Log();
  ASSERT_TRUE(server.AddPrinter("disc"));
  constexpr int kRuns = 5;
  std::vector<double> encode_s, app_s;
  testsupport::TempDir dir;
  for (int run = 0; run < kRuns; ++run) {
    double start = NowSeconds();
    ASSERT_EQ(testsupport::RunProgram({ToolPath(), "encode", ExampleLabel(), "-o", dir.File("tool.prn")}).exit_code, 0);
    encode_s.push_back(NowSeconds() - start);

    start = NowSeconds();
    const int id = server.Submit("disc", ExampleLabel(), "image/png", "single-" + std::to_string(run));
    ASSERT_EQ(server.WaitJob("disc", id).state, IPP_JSTATE_COMPLETED);
    app_s.push_back(NowSeconds() - start);
  }

  constexpr int kJobs = 20;
  const double start = NowSeconds();
  const std::vector<int> ids = server.SubmitAtOnce("disc", ExampleLabel(), "image/png", "batch", kJobs);
  for (int i = 0; i < kJobs; ++i) {
    ASSERT_GT(ids[i], 0);
    const JobResult job = server.WaitJob("disc", ids[i], 120);
    if (job.state != IPP_JSTATE_COMPLETED) testsupport::WriteFile(ArtifactDir() + "/benchmark-server.log", server.Log());
    ASSERT_EQ(job.state, IPP_JSTATE_COMPLETED) << "job " << ids[i] << ": " << job.message;
  }
  const double batch_s = NowSeconds() - start;
  const long peak_kb = server.PeakMemoryKb();

  std::ostringstream report;
  report << "Example label (examples/label.png), median of " << kRuns << " runs:\n"
         << "  quillory2 encode:                       " << Median(encode_s) * 1000 << " ms\n"
         << "  printer application, submit to closed:  " << Median(app_s) * 1000 << " ms\n"
         << kJobs << " jobs submitted at once:\n"
         << "  all completed in " << batch_s << " s: " << kJobs / batch_s << " jobs per second\n"
         << "  server's peak memory (VmHWM): " << peak_kb / 1024 << " MB\n";
  std::cout << report.str();
  testsupport::WriteFile(ArtifactDir() + "/benchmark.txt", report.str());
  EXPECT_GT(peak_kb, 0);
}

}  // namespace
}  // namespace apptest
