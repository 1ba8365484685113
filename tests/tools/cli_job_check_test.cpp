// `decode --check` against whole jobs: every job the components make passes
// it, and hostile jobs are decoded and drawn within a fixed memory and time
// limit, their faults reported.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/tools/cli_harness.h"
#include "windows/corpus.h"

namespace {

using clitest::Quillory2;
using clitest::RunOptions;
using clitest::RunResult;
using clitest::TempDir;

// The jobs of the Windows comparison, made by the native host programs:
// both drivers at both resolutions, monochrome and colour, the centre band,
// landscape, several pages, every option.
TEST(ComponentJobs, EveryCorpusJobPassesTheCheck) {
  TempDir dir;
  for (const corpus::Job& job : corpus::Jobs()) {
    std::string args, error;
    bool colour = false;
    for (const std::string& a : job.args) args += " " + a;
    for (const std::string& page : job.pages) {
      const std::string path = dir.File(corpus::PageFile(page));
      ASSERT_TRUE(corpus::WritePage(corpus::MakePage(page), path, &error)) << error;
      args += " '" + path + "'";
      colour = page.rfind("colour", 0) == 0;
    }
    const std::string out = dir.File(job.name + ".prn");
    const RunResult made = clitest::RunProgram(job.host == "unidrv" ? "unidrv_host" : "nt4_host",
                                               args + " -o '" + out + "'");
    ASSERT_EQ(made.status, 0) << job.name << ": " << made.err;
    const RunResult check = Quillory2(std::string("decode --check -q ") + (colour ? "--colour " : "") + "'" + out + "'");
    EXPECT_EQ(check.status, 0) << job.name << ": " << check.out << check.err;
    EXPECT_NE(check.out.find("No problems"), std::string::npos) << job.name;
  }
}

// The minidriver keeps its monochrome packing mode from page to page, while
// every page starts plain: a page whose first row goes packed after a page
// that ended packed sends its pairs unannounced, and they print as plain
// data. The check must not call that job clean.
TEST(ComponentJobs, MinidriverPackingCarriedIntoTheNextPageIsReported) {
  TempDir dir;
  // One black row per page: packed, 6 bytes for 177.
  clitest::WriteFile(dir.File("row.pbm"), "P4\n1416 1\n" + std::string(177, '\xff'));
  const std::string job = dir.File("two.prn");
  const std::string page = " '" + dir.File("row.pbm") + "'";
  ASSERT_EQ(clitest::RunProgram("nt4_host", "-o '" + job + "'" + page + page).status, 0);
  const RunResult check = Quillory2("decode --check -q '" + job + "'");
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.out.find("no column position command"), std::string::npos) << check.out;
}

// --- hostile jobs ---------------------------------------------------------

std::string Esc(const std::string& text) { return "\x1b" + text; }

std::string JobStart() {
  return Esc("!c2Q") + std::string("\xFF\x00\x55\xAA\x01\x02\x04\x08\x10\x20\x40\x80", 12) + Esc("!t000Q") +
         Esc("*t600R") + Esc("!s0Q");
}

std::string Job(const std::string& planes) { return JobStart() + planes + Esc("!d0Q"); }

std::string Repeat(const std::string& piece, size_t bytes) {
  std::string out;
  out.reserve(bytes + piece.size());
  while (out.size() < bytes) out += piece;
  return out;
}

class HostileJobs : public ::testing::Test {
 protected:
  // Decodes and previews the job under the limits; returns decode's summary.
  std::string Run(const std::string& name, const std::string& bytes, int check_status) {
    const std::string path = dir_.File(name);
    clitest::WriteFile(path, bytes);
    const RunResult check = clitest::RunProgram("quillory2", "decode -q --check '" + path + "'", clitest::Limited());
    EXPECT_EQ(check.status, check_status) << name << ": " << check.err;
    const RunResult listing = clitest::RunProgram("quillory2", "decode '" + path + "'", WithOutput(clitest::Limited()));
    EXPECT_EQ(listing.status, 0) << name << ": " << listing.err;
    const RunResult preview =
        clitest::RunProgram("quillory2", "preview --force '" + path + "' -o '" + dir_.File("p.png") + "'", clitest::Limited());
    // Drawn, or refused with a reason; never killed.
    EXPECT_TRUE(preview.status == 0 || (preview.status == 1 && preview.err.find("error:") != std::string::npos))
        << name << ": status " << preview.status << " " << preview.err;
    return check.out;
  }

  // The listing runs to hundreds of megabytes: it goes to a node of the
  // test's folder that takes everything, as /dev/null does, where one can
  // be made.
  RunOptions WithOutput(RunOptions options) const {
    const std::string sink = dir_.File("sink");
    if (access(sink.c_str(), F_OK) != 0 && mknod(sink.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
      clitest::WriteFile(sink, "");
    }
    options.stdout_path = sink;
    return options;
  }

  TempDir dir_;
};

TEST_F(HostileJobs, RowsFarBelowThePageAreReportedNotDrawn) {
  const std::string far = Job(Esc("!d4Q") + Esc("*b0M") + Esc("*p999999999Y") + Esc("*b1W") + "\x80");
  EXPECT_NE(Run("far.prn", far, 1).find("row address 999999999 lies below the page"), std::string::npos);
  Run("below.prn", Job(Esc("!d4Q") + Esc("*b0M") + Esc("*p200000Y") + Esc("*b1W") + "\x80"), 1);
  const RunResult refused = Quillory2("preview '" + dir_.File("far.prn") + "' -o '" + dir_.File("p.png") + "'");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("below the page"), std::string::npos) << refused.err;
}

TEST_F(HostileJobs, FloodsOfCommandsAndProblems) {
  // Escape bytes alone: one piece of the stream, one problem.
  const std::string summary = Run("escapes.prn", std::string(5 << 20, '\x1b'), 1);
  EXPECT_NE(summary.find("5242879 ESC bytes"), std::string::npos) << summary;
  // A transfer per byte of data, running far below the page: the problems
  // past the first 300 are counted.
  const std::string rows = Run("rows.prn", Job(Esc("!d4Q") + Esc("*b0M") + Repeat(Esc("*b1W") + "\x80", 8 << 20)), 1);
  EXPECT_NE(rows.find("more problems, not listed"), std::string::npos);
  // Plane starts by the million.
  Run("planes.prn", Job(Repeat(Esc("!d4Q"), 10 << 20)), 1);
}

TEST_F(HostileJobs, ManyPagesTakeTheMemoryOfOne) {
  ASSERT_EQ(Quillory2("encode '" + clitest::ExampleLabel() + "' --mono -o '" + dir_.File("one.prn") + "'").status, 0);
  const std::vector<uint8_t> one = clitest::ReadFile(dir_.File("one.prn"));
  const std::string bytes(one.begin(), one.end());
  // The page's plane, from its plane start to the end-document command.
  const size_t plane = bytes.find(Esc("!d4Q"));
  ASSERT_NE(plane, std::string::npos);
  const std::string page = bytes.substr(plane, bytes.size() - 5 - plane);
  // About a hundred pages of 400 kB; each page alone is held.
  const std::string summary = Run("pages.prn", Job(Repeat(page, 40 << 20)), 0);
  EXPECT_NE(summary.find("\nPlane 100 at"), std::string::npos) << summary.substr(0, 400);
  EXPECT_NE(summary.find("No problems"), std::string::npos);
}

}  // namespace
