// `quillory2 design` as a user runs it: the example templates print clean
// jobs at both resolutions, --new starts a template that prints, and a bad
// template or a missing font is told in one line.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/support.h"

namespace {

using testsupport::RunProgram;

std::string Tool() { return testsupport::BuildDir() + "/bin/quillory2"; }

TEST(DesignCommand, ExamplesPrintCleanJobsAndPreviews) {
  testsupport::TempDir dir;
  for (const char* name : {"photo-label", "audio-cd", "data-disc"}) {
    for (const char* resolution : {"600", "300"}) {
      SCOPED_TRACE(std::string(name) + " at " + resolution);
      const std::string job = dir.File("label.prn"), png = dir.File("label.png");
      const auto run = RunProgram({Tool(), "design", testsupport::SourceDir() + "/examples/" + name + ".json", "-o",
                                   job, "--preview", png, "--resolution", resolution});
      ASSERT_EQ(run.exit_code, 0) << run.err;
      EXPECT_EQ(run.err, "");  // no font fell back, nothing shrunk
      const auto check = RunProgram({Tool(), "decode", "--check", "--colour", "-q", job});
      EXPECT_EQ(check.exit_code, 0) << check.Out() << check.err;
      const testsupport::Bytes preview = testsupport::ReadFile(png);
      ASSERT_GT(preview.size(), 8u);
      EXPECT_EQ(preview[1], 'P');
    }
  }
}

TEST(DesignCommand, NewTemplatePrintsAndFaultsAreOneLine) {
  testsupport::TempDir dir;
  const std::string label = dir.File("new.json");
  ASSERT_EQ(RunProgram({Tool(), "design", "--new", "-o", label}).exit_code, 0);
  auto run = RunProgram({Tool(), "design", label, "-o", dir.File("new.prn"), "--mono"});
  EXPECT_EQ(run.exit_code, 0) << run.err;

  std::string text = testsupport::ReadText(label);
  text.replace(text.find("\"DejaVu Serif\""), 14, "\"Comic Nonexistent\"");
  ASSERT_TRUE(testsupport::WriteFile(label, text));
  run = RunProgram({Tool(), "design", label, "-o", dir.File("new.prn")});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, "quillory2: warning: font family 'Comic Nonexistent' is not installed; using 'DejaVu Sans'\n");

  text.replace(text.find("\"x_mm\""), 6, "\"x_cm\"");
  ASSERT_TRUE(testsupport::WriteFile(label, text));
  run = RunProgram({Tool(), "design", label, "-o", dir.File("bad.prn")});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.err.rfind("quillory2: error: '" + label + "': $.texts[0].x_cm: unknown key (known here: ", 0), 0u)
      << run.err;
  EXPECT_TRUE(testsupport::ReadFile(dir.File("bad.prn")).empty());  // nothing written
  EXPECT_EQ(RunProgram({Tool(), "design", label}).exit_code, 2);  // neither -o nor --preview
}

}  // namespace
