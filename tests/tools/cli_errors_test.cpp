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
  const std::string job = dir.Path("out.prn");
  ExpectError(Quillory2("encode '" + input + "' -o '" + job + "'"), 1, words);
  EXPECT_FALSE(fs::exists(job));
  // Nothing else either: no temporary file left in the folder.
  for (const auto& entry : fs::directory_iterator(fs::path(job).parent_path())) {
    EXPECT_EQ(entry.path().filename().string().find(".quillory2-"), std::string::npos) << entry.path();
  }
}

TEST(EncodeErrors, MissingFile) {
  TempDir dir;
  ExpectEncodeRefused(dir, dir.Path("no-such.png"), "no-such.png");
}

TEST(EncodeErrors, TruncatedPng) {
  TempDir dir;
  std::vector<uint8_t> png = clitest::ReadFile(clitest::ExampleLabel());
  ASSERT_GT(png.size(), 1000u);
  clitest::WriteFile(dir.Path("cut.png"), std::string(png.begin(), png.begin() + png.size() / 2));
  ExpectEncodeRefused(dir, dir.Path("cut.png"), "PNG");
  clitest::WriteFile(dir.Path("head.png"), std::string(png.begin(), png.begin() + 20));
  ExpectEncodeRefused(dir, dir.Path("head.png"), "PNG");
}

TEST(EncodeErrors, NotAnImage) {
  TempDir dir;
  clitest::WriteFile(dir.Path("notes.txt"), "just some words\n");
  ExpectEncodeRefused(dir, dir.Path("notes.txt"), "not a PNG or PNM image");
  clitest::WriteFile(dir.Path("empty.png"), "");
  ExpectEncodeRefused(dir, dir.Path("empty.png"), "empty");
}

TEST(EncodeErrors, EmptyAndHugeImages) {
  TempDir dir;
  clitest::WriteFile(dir.Path("zero.ppm"), "P6 0 0 255\n");
  ExpectEncodeRefused(dir, dir.Path("zero.ppm"), "image is empty");
  clitest::WriteFile(dir.Path("huge.pgm"), "P5 50000 50000 255\n\x01\x02");
  ExpectEncodeRefused(dir, dir.Path("huge.pgm"), "too large");
  // A PNG whose header claims 100000 x 100000 pixels.
  std::vector<uint8_t> png = clitest::ReadFile(clitest::ExampleLabel());
  std::string huge(png.begin(), png.end());
  const char size[4] = {0x00, 0x01, char(0x86), char(0xA0)};
  huge.replace(16, 4, size, 4);
  huge.replace(20, 4, size, 4);
  clitest::WriteFile(dir.Path("huge.png"), huge);
  ExpectEncodeRefused(dir, dir.Path("huge.png"), "too large");
}

TEST(EncodeErrors, FailureKeepsAnExistingOutputFile) {
  TempDir dir;
  clitest::WriteFile(dir.Path("job.prn"), "previous job");
  clitest::WriteFile(dir.Path("bad.ppm"), "P6 4 4 255\n\x01");
  RunResult r = Quillory2("encode '" + dir.Path("bad.ppm") + "' -o '" + dir.Path("job.prn") + "'");
  ExpectError(r, 1, "truncated");
  std::vector<uint8_t> kept = clitest::ReadFile(dir.Path("job.prn"));
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous job");
}

TEST(EncodeErrors, UnwritableOutput) {
  TempDir dir;
  RunResult r = Quillory2("encode '" + clitest::ExampleLabel() + "' -o '" + dir.Path("no/such/dir/job.prn") + "'");
  ExpectError(r, 1, "job.prn");
}

TEST(UsageErrors, UnknownOptionsAndValues) {
  TempDir dir;
  const std::string base = "encode '" + clitest::ExampleLabel() + "' -o '" + dir.Path("j.prn") + "' ";
  ExpectError(Quillory2(base + "--frobnicate"), 2, "frobnicate");
  ExpectError(Quillory2(base + "--media Glossy"), 2, "Glossy");
  ExpectError(Quillory2(base + "--resolution 1200"), 2, "1200");
  ExpectError(Quillory2(base + "--image-control 101"), 2, "101");
  ExpectError(Quillory2(base + "--image-control 0"), 2, "image control");
  ExpectError(Quillory2(base + "--option MAYBE"), 2, "MAYBE");
  ExpectError(Quillory2(base + "--disc square"), 2, "square");
  ExpectError(Quillory2(base + "--driver gdi"), 2, "gdi");
  ExpectError(Quillory2(base + "--outer-mm 130"), 2, "outer diameter");
  ExpectError(Quillory2(base + "--inner-mm 200"), 2, "hub");
  ExpectError(Quillory2(base + "--driver minidriver --disc centre-band"), 2, "plug-in");
  ExpectError(Quillory2(base + "--driver minidriver --landscape"), 2, "plug-in");
  ExpectError(Quillory2("transmogrify"), 2, "transmogrify");
  // One short line, not the range of a double.
  const RunResult page = Quillory2("preview --page 0 '" + dir.Path("j.prn") + "' -o '" + dir.Path("p.png") + "'");
  ExpectError(page, 2, "pages count from 1");
  EXPECT_LT(page.err.size(), 160u) << page.err;
  ExpectError(Quillory2(""), 2, "");
  EXPECT_FALSE(fs::exists(dir.Path("j.prn")));
}

TEST(UsageErrors, OptionNamesAreAcceptedAsThePrinterSpellsThem) {
  TempDir dir;
  const std::string base = "encode '" + clitest::ExampleLabel() + "' -o '" + dir.Path("j.prn") + "' ";
  EXPECT_EQ(Quillory2(base + "--resolution '600 x 300 DPI ' --media Matte --option ON --image-control 25").status, 0);
  RunResult r = Quillory2("decode -q '" + dir.Path("j.prn") + "'");
  EXPECT_NE(r.out.find("media Matte"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ON option ON"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("image control 25"), std::string::npos) << r.out;
  EXPECT_EQ(Quillory2(base + "--resolution '300 x 300' --image-control auto").status, 0);
  r = Quillory2("decode -q '" + dir.Path("j.prn") + "'");
  EXPECT_NE(r.out.find("300 x 300 DPI"), std::string::npos) << r.out;
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
    RunResult r = Quillory2("encode '" + clitest::ExampleLabel() + "' --resolution 300 -o '" + dir_.Path("good.prn") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<uint8_t> good = clitest::ReadFile(dir_.Path("good.prn"));
    std::string s(good.begin(), good.end());
    // Cut right after the header of a transfer in the middle of the job.
    size_t at = s.find("\x1b*b", s.size() / 2);
    at = s.find('W', at);
    clitest::WriteFile(dir_.Path("cut.prn"), s.substr(0, at + 3));
    std::string junk = s;
    junk.insert(s.size() / 3, "\x1b*b99999999999W garbage");
    clitest::WriteFile(dir_.Path("junk.prn"), junk);
  }
  TempDir dir_;
};

TEST_F(DamagedJob, DecodeCheckFailsAndListsProblemsByOffset) {
  for (const char* name : {"cut.prn", "junk.prn"}) {
    RunResult r = Quillory2("decode --check -q '" + dir_.Path(name) + "'");
    ExpectError(r, 1, "problem");
    EXPECT_NE(r.out.find("  @"), std::string::npos) << r.out;
    // Without --check the listing is still given and the status is 0.
    r = Quillory2("decode '" + dir_.Path(name) + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("raster transfer"), std::string::npos);
  }
  EXPECT_EQ(Quillory2("decode --check -q '" + dir_.Path("good.prn") + "'").status, 0);
}

TEST_F(DamagedJob, PreviewRefusesUnlessForced) {
  for (const char* name : {"cut.prn", "junk.prn"}) {
    const std::string png = dir_.Path(std::string(name) + ".png");
    ExpectError(Quillory2("preview '" + dir_.Path(name) + "' -o '" + png + "'"), 1, "damaged");
    EXPECT_FALSE(fs::exists(png));
    EXPECT_EQ(Quillory2("preview --force '" + dir_.Path(name) + "' -o '" + png + "'").status, 0);
    EXPECT_TRUE(fs::exists(png));
  }
}

TEST(PreviewErrors, JobWithoutPlanesOrPages) {
  TempDir dir;
  clitest::WriteFile(dir.Path("framing.prn"), "\x1b!d0Q");
  ExpectError(Quillory2("preview '" + dir.Path("framing.prn") + "' -o '" + dir.Path("p.png") + "'"), 1, "damaged");
  ExpectError(Quillory2("preview --force '" + dir.Path("framing.prn") + "' -o '" + dir.Path("p.png") + "'"), 1,
              "no plane");
  EXPECT_FALSE(fs::exists(dir.Path("p.png")));
  ExpectError(Quillory2("preview '" + dir.Path("missing.prn") + "' -o '" + dir.Path("p.png") + "'"), 1, "missing.prn");
  RunResult enc = Quillory2("encode '" + clitest::ExampleLabel() + "' --resolution 300 -o '" + dir.Path("j.prn") + "'");
  ASSERT_EQ(enc.status, 0);
  ExpectError(Quillory2("preview --page 2 '" + dir.Path("j.prn") + "' -o '" + dir.Path("p.png") + "'"), 1, "no page 2");
  EXPECT_FALSE(fs::exists(dir.Path("p.png")));
}

TEST(Tables, DumpsTheDescriptionStringsAndExtension) {
  RunResult r = Quillory2("tables");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* text : {"Quillory2", "CD Tray", "600 x 300 DPI", "Matte", "String table"}) {
    EXPECT_NE(r.out.find(text), std::string::npos) << text;
  }
}

}  // namespace
