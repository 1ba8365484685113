// Bad input gets a one-line error, a non-zero status and no output file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/tools/cli_harness.h"

namespace {

namespace fs = std::filesystem;
using clitest::Quillory2;
using clitest::RunResult;
using clitest::TempDir;

void ExpectError(const RunResult& r, int status, const std::string& words) {
  EXPECT_EQ(r.status, status) << r.err;
  EXPECT_EQ(r.err.rfind("quillory2: error: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
}

// Encodes `input` and expects a refusal that leaves no job behind.
void ExpectEncodeRefused(const TempDir& dir, const std::string& input, const std::string& words) {
  const std::string job = dir.File("out.prn");
  ExpectError(Quillory2("encode '" + input + "' -o '" + job + "'"), 1, words);
  EXPECT_FALSE(fs::exists(job));
  // Nothing else either: no temporary file left in the folder.
  for (const auto& entry : fs::directory_iterator(fs::path(job).parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find(".quillory2-"), std::string::npos) << entry.path();
  }
}

TEST(EncodeErrors, MissingFile) {
  TempDir dir;
  ExpectEncodeRefused(dir, dir.File("no-such.png"), "no-such.png");
}

TEST(EncodeErrors, TruncatedPng) {
  TempDir dir;
  std::vector<uint8_t> png = clitest::ReadFile(clitest::ExampleLabel());
  ASSERT_GT(png.size(), 1000u);
  clitest::WriteFile(dir.File("cut.png"), std::string(png.begin(), png.begin() + png.size() / 2));
  ExpectEncodeRefused(dir, dir.File("cut.png"), "PNG");
  clitest::WriteFile(dir.File("head.png"), std::string(png.begin(), png.begin() + 20));
  ExpectEncodeRefused(dir, dir.File("head.png"), "PNG");
}

TEST(EncodeErrors, NotAnImage) {
  TempDir dir;
  clitest::WriteFile(dir.File("notes.txt"), "just some words\n");
  ExpectEncodeRefused(dir, dir.File("notes.txt"), "not a PNG, JPEG or PNM image");
  clitest::WriteFile(dir.File("empty.png"), "");
  ExpectEncodeRefused(dir, dir.File("empty.png"), "empty");
}

TEST(EncodeErrors, EmptyAndHugeImages) {
  TempDir dir;
  clitest::WriteFile(dir.File("zero.ppm"), "P6 0 0 255\n");
  ExpectEncodeRefused(dir, dir.File("zero.ppm"), "image is empty");
  clitest::WriteFile(dir.File("huge.pgm"), "P5 50000 50000 255\n\x01\x02");
  ExpectEncodeRefused(dir, dir.File("huge.pgm"), "too large");
  // A PNG whose header claims 100000 x 100000 pixels.
  std::vector<uint8_t> png = clitest::ReadFile(clitest::ExampleLabel());
  std::string huge(png.begin(), png.end());
  const char size[4] = {0x00, 0x01, char(0x86), char(0xA0)};
  huge.replace(16, 4, size, 4);
  huge.replace(20, 4, size, 4);
  clitest::WriteFile(dir.File("huge.png"), huge);
  ExpectEncodeRefused(dir, dir.File("huge.png"), "too large");
}

TEST(EncodeErrors, FailureKeepsAnExistingOutputFile) {
  TempDir dir;
  clitest::WriteFile(dir.File("job.prn"), "previous job");
  clitest::WriteFile(dir.File("bad.ppm"), "P6 4 4 255\n\x01");
  RunResult r = Quillory2("encode '" + dir.File("bad.ppm") + "' -o '" + dir.File("job.prn") + "'");
  ExpectError(r, 1, "truncated");
  std::vector<uint8_t> kept = clitest::ReadFile(dir.File("job.prn"));
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous job");
}

TEST(EncodeErrors, UnwritableOutput) {
  TempDir dir;
  RunResult r = Quillory2("encode '" + clitest::ExampleLabel() + "' -o '" + dir.File("no/such/dir/job.prn") + "'");
  ExpectError(r, 1, "job.prn");
}

TEST(UsageErrors, UnknownOptionsAndValues) {
  TempDir dir;
  const std::string base = "encode '" + clitest::ExampleLabel() + "' -o '" + dir.File("j.prn") + "' ";
  ExpectError(Quillory2(base + "--frobnicate"), 2, "frobnicate");
  ExpectError(Quillory2(base + "--media Glossy"), 2, "Glossy");
  ExpectError(Quillory2(base + "--resolution 1200"), 2, "1200");
  ExpectError(Quillory2(base + "--image-control 101"), 2, "101");
  ExpectError(Quillory2(base + "--image-control 0"), 2, "image control");
  ExpectError(Quillory2(base + "--ink-limit 100"), 2, "ink limit");
  ExpectError(Quillory2(base + "--ink-limit 80%"), 2, "ink limit");
  ExpectError(Quillory2(base + "--tone 41"), 2, "tone");
  ExpectError(Quillory2(base + "--option MAYBE"), 2, "MAYBE");
  ExpectError(Quillory2(base + "--disc square"), 2, "square");
  ExpectError(Quillory2(base + "--driver gdi"), 2, "gdi");
  ExpectError(Quillory2(base + "--outer-mm 130"), 2, "outer diameter");
  ExpectError(Quillory2(base + "--inner-mm 200"), 2, "hub");
  ExpectError(Quillory2(base + "--driver minidriver --disc centre-band"), 2, "plug-in");
  ExpectError(Quillory2(base + "--driver minidriver --landscape"), 2, "plug-in");
  ExpectError(Quillory2("transmogrify"), 2, "transmogrify");
  // One short line, not the range of a double.
  const RunResult page = Quillory2("preview --page 0 '" + dir.File("j.prn") + "' -o '" + dir.File("p.png") + "'");
  ExpectError(page, 2, "pages count from 1");
  EXPECT_LT(page.err.size(), 160u) << page.err;
  ExpectError(Quillory2(""), 2, "");
  EXPECT_FALSE(fs::exists(dir.File("j.prn")));
}

TEST(UsageErrors, OptionNamesAreAcceptedAsThePrinterSpellsThem) {
  TempDir dir;
  const std::string base = "encode '" + clitest::ExampleLabel() + "' -o '" + dir.File("j.prn") + "' ";
  EXPECT_EQ(Quillory2(base + "--resolution '600 x 300 DPI ' --media Matte --option ON --image-control 25").status, 0);
  RunResult r = Quillory2("decode -q '" + dir.File("j.prn") + "'");
  EXPECT_NE(r.out.find("media Matte"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ON option ON"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("image control 25"), std::string::npos) << r.out;
  EXPECT_EQ(Quillory2(base + "--resolution '300 x 300' --image-control auto").status, 0);
  r = Quillory2("decode -q '" + dir.File("j.prn") + "'");
  EXPECT_NE(r.out.find("300 x 300 DPI"), std::string::npos) << r.out;
  // The picture path's own settings.
  EXPECT_EQ(Quillory2(base + "--tone -15 --ink-limit off").status, 0);
  EXPECT_EQ(Quillory2(base + "--ink-limit 250 --media Matte").status, 0);
}

TEST(Help, EveryCommandExplainsItselfWithAnExample) {
  for (const char* cmd : {"", "encode", "decode", "preview", "tables"}) {
    RunResult r = Quillory2(std::string(cmd) + " --help");
    EXPECT_EQ(r.status, 0) << cmd;
    EXPECT_NE(r.out.find("Example"), std::string::npos) << cmd << "\n" << r.out;
  }
}

// A valid job cut inside a raster transfer, and one with junk in the middle.
class DamagedJob : public ::testing::Test {
 protected:
  void SetUp() override {
    RunResult r = Quillory2("encode '" + clitest::ExampleLabel() + "' --resolution 300 -o '" + dir_.File("good.prn") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> good = clitest::ReadFile(dir_.File("good.prn"));
    std::string s(good.begin(), good.end());
    // Cut right after the header of a transfer in the middle of the job.
    size_t at = s.find("\x1b*b", s.size() / 2);
    at = s.find('W', at);
    clitest::WriteFile(dir_.File("cut.prn"), s.substr(0, at + 3));
    std::string junk = s;
    junk.insert(s.size() / 3, "\x1b*b99999999999W garbage");
    clitest::WriteFile(dir_.File("junk.prn"), junk);
  }
  TempDir dir_;
};

TEST_F(DamagedJob, DecodeCheckFailsAndListsProblemsByOffset) {
  for (const char* name : {"cut.prn", "junk.prn"}) {
    RunResult r = Quillory2("decode --check -q '" + dir_.File(name) + "'");
    ExpectError(r, 1, "problem");
    EXPECT_NE(r.out.find("  @"), std::string::npos) << r.out;
    // Without --check the listing is still given and the status is 0.
    r = Quillory2("decode '" + dir_.File(name) + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("raster transfer"), std::string::npos);
  }
  EXPECT_EQ(Quillory2("decode --check -q '" + dir_.File("good.prn") + "'").status, 0);
}

TEST_F(DamagedJob, PreviewRefusesUnlessForced) {
  for (const char* name : {"cut.prn", "junk.prn"}) {
    const std::string png = dir_.File(std::string(name) + ".png");
    ExpectError(Quillory2("preview '" + dir_.File(name) + "' -o '" + png + "'"), 1, "damaged");
    EXPECT_FALSE(fs::exists(png));
    EXPECT_EQ(Quillory2("preview --force '" + dir_.File(name) + "' -o '" + png + "'").status, 0);
    EXPECT_TRUE(fs::exists(png));
  }
}

TEST(PreviewErrors, JobWithoutPlanesOrPages) {
  TempDir dir;
  clitest::WriteFile(dir.File("framing.prn"), "\x1b!d0Q");
  ExpectError(Quillory2("preview '" + dir.File("framing.prn") + "' -o '" + dir.File("p.png") + "'"), 1, "damaged");
  ExpectError(Quillory2("preview --force '" + dir.File("framing.prn") + "' -o '" + dir.File("p.png") + "'"), 1,
              "no plane");
  EXPECT_FALSE(fs::exists(dir.File("p.png")));
  ExpectError(Quillory2("preview '" + dir.File("missing.prn") + "' -o '" + dir.File("p.png") + "'"), 1, "missing.prn");
  RunResult enc = Quillory2("encode '" + clitest::ExampleLabel() + "' --resolution 300 -o '" + dir.File("j.prn") + "'");
  ASSERT_EQ(enc.status, 0);
  ExpectError(Quillory2("preview --page 2 '" + dir.File("j.prn") + "' -o '" + dir.File("p.png") + "'"), 1, "no page 2");
  EXPECT_FALSE(fs::exists(dir.File("p.png")));
}

TEST(Tables, DumpsTheDescriptionStringsAndExtension) {
  RunResult r = Quillory2("tables");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* text : {"Quillory2", "CD Tray", "600 x 300 DPI", "Matte", "String table"}) {
    EXPECT_NE(r.out.find(text), std::string::npos) << text;
  }
}

}  // namespace
