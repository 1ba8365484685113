// Pictures and pages in: the tool and both host programs read netpbm with
// one reader, so hostile files are refused early, within a fixed memory and
// time limit, and with the same words; the hosts cut pages to the disc area
// alike; a module argument is a file, never a name to search for.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hosts/module_path.h"
#include "tests/tools/cli_harness.h"

namespace {

namespace fs = std::filesystem;
using clitest::Quillory2;
using clitest::RunOptions;
using clitest::RunProgram;
using clitest::RunResult;
using clitest::TempDir;

// The limits of clitest::Limited() with standard input fed by a shell
// command (the program reads "-").
RunOptions FedBy(const std::string& producer) {
  RunOptions options = clitest::Limited();
  const size_t timeout = options.limits.find("timeout");
  options.limits.insert(timeout, "(" + producer + ") | ");
  return options;
}

struct Reader {
  const char* program;
  const char* args;  // the input's place is marked by @IN, the output's by @OUT
};
const Reader kReaders[] = {
    {"quillory2", "encode @IN -o @OUT"},
    {"unidrv_host", "@IN -o @OUT"},
    {"nt4_host", "@IN -o @OUT"},
};

std::string Args(const Reader& reader, const std::string& input, const std::string& output) {
  std::string args = reader.args;
  args.replace(args.find("@IN"), 3, input);
  args.replace(args.find("@OUT"), 4, output);
  return args;
}

TEST(HostileInput, EveryReaderRefusesEarlyWithTheSameWords) {
  TempDir dir;
  clitest::WriteFile(dir.File("wide.ppm"), "P6 " + std::string(26, '7') + " 2 255\n");
  clitest::WriteFile(dir.File("zero.pgm"), std::string("P5 2 2 0\n\0\0\0\0", 13));
  clitest::WriteFile(dir.File("deep.pgm"), std::string("P5 2 2 70000\n\0\0\0\0", 17));
  // 17 bytes that promise 25 MB of bitmap.
  const std::string promise = "P4 20000 10000\n\xff\xff";
  clitest::WriteFile(dir.File("promise.pbm"), promise);
  struct Case {
    std::string file;      // a file to read, or
    std::string producer;  // a shell command whose output is read
    std::string words;
  };
  const Case cases[] = {
      {"/dev/zero", "", "not a "},
      {dir.File("wide.ppm"), "", "image is too large (a width of 26 digits"},
      {dir.File("zero.pgm"), "", "maximum sample value 0; it must be 1 to 65535"},
      {dir.File("deep.pgm"), "", "maximum sample value 70000 is above 65535"},
      {dir.File("promise.pbm"), "", "truncated PNM file (25000000 bytes of pixel data expected, 2 found)"},
      {"", "printf '" + promise.substr(0, 15) + "'; head -c 100000 /dev/zero", "the pixel data ends in row 41 of 10000"},
      {"", "printf 'P6\\n'; yes ' '", "more than 65536 bytes of blanks and comments before the width"},
      {"", "printf 'P6 1 #'; yes x | tr -d '\\n'", "blanks and comments before the height"},
      {"", "printf 'P6 '; yes 9 | tr -d '\\n'", "a width of more than 64 digits"},
  };
  for (const Case& c : cases) {
    for (const Reader& reader : kReaders) {
      const std::string out = dir.File("out.prn");
      const RunResult r =
          c.file.empty() ? RunProgram(reader.program, Args(reader, "-", "'" + out + "'"), FedBy(c.producer))
                         : RunProgram(reader.program, Args(reader, "'" + c.file + "'", "'" + out + "'"),
                                      clitest::Limited());
      const std::string what = std::string(reader.program) + " " + c.file + c.producer;
      EXPECT_EQ(r.status, 1) << what << "\n" << r.err;
      EXPECT_NE(r.err.find(c.words), std::string::npos) << what << "\n" << r.err;
      EXPECT_FALSE(fs::exists(out)) << what;
    }
  }
}

// A PNG is read whole, but not past what the picture its header claims can
// need, and a header it cannot back is refused before the rest is read.
TEST(HostileInput, EncodeReadsAPngNoFurtherThanItsHeaderAllows) {
  TempDir dir;
  const std::string head = "head -c 33 '" + clitest::ExampleLabel() + "'";
  const RunResult endless =
      RunProgram("quillory2", "encode - -o '" + dir.File("job.prn") + "'", FedBy(head + "; cat /dev/zero"));
  EXPECT_EQ(endless.status, 1) << endless.err;
  EXPECT_NE(endless.err.find("standard input is larger than"), std::string::npos) << endless.err;
}

// Each host prints the disc area of a larger page, as its Windows host would
// render only the paper, and says so; the job never leaves the page.
TEST(HostPrograms, PagesBeyondTheDiscAreaAreCutWithAWarning) {
  TempDir dir;
  clitest::WriteFile(dir.File("tall.pbm"), "P4 1600 3000\n" + std::string(200 * 3000, '\xff'));
  struct Case {
    const char* program;
    const char* resolution;
    const char* kept;
  };
  const Case cases[] = {
      {"unidrv_host", "600", "only the disc area of 1480 x 2832 dots is printed"},
      {"unidrv_host", "300", "only the disc area of 1480 x 1416 dots is printed"},
      {"nt4_host", "600", "only the disc area of 1472 x 2832 dots is printed"},
  };
  for (const Case& c : cases) {
    const std::string job = dir.File("job.prn");
    const RunResult r = RunProgram(c.program, "--resolution " + std::string(c.resolution) + " '" +
                                                  dir.File("tall.pbm") + "' -o '" + job + "'");
    EXPECT_EQ(r.status, 0) << c.program << ": " << r.err;
    EXPECT_NE(r.err.find(std::string(c.program) + ": warning: '" + dir.File("tall.pbm") + "' is 1600 x 3000 dots; " +
                         c.kept),
              std::string::npos)
        << r.err;
    const RunResult check = Quillory2("decode --check -q '" + job + "'");
    EXPECT_EQ(check.status, 0) << c.program << " " << c.resolution << ": " << check.out;
  }
}

// No program writes its result over the file it reads, by name or through
// a link: the picture, job or page would be lost.
TEST(HostileInput, OutputOverTheInputIsRefused) {
  TempDir dir;
  fs::copy_file(clitest::ExampleLabel(), dir.File("label.png"));
  ASSERT_EQ(Quillory2("encode '" + dir.File("label.png") + "' -o '" + dir.File("job.prn") + "'").status, 0);
  clitest::WriteFile(dir.File("page.pbm"), "P4\n16 4\n" + std::string(8, '\xff'));
  fs::create_symlink(dir.File("page.pbm"), dir.File("link.pbm"));
  struct Case {
    const char* program;
    std::string args;
    std::string input;
  };
  const Case cases[] = {
      {"quillory2", "encode '@' -o '@'", dir.File("label.png")},
      {"quillory2", "preview '@' -o '@'", dir.File("job.prn")},
      {"unidrv_host", "'@' -o '" + dir.File("link.pbm") + "'", dir.File("page.pbm")},
      {"nt4_host", "'@' -o '@'", dir.File("page.pbm")},
  };
  for (const Case& c : cases) {
    std::string args = c.args;
    for (size_t at; (at = args.find('@')) != std::string::npos;) args.replace(at, 1, c.input);
    const std::vector<uint8_t> before = clitest::ReadFile(c.input);
    const RunResult r = RunProgram(c.program, args);
    EXPECT_EQ(r.status, 2) << c.program << " " << args << ": " << r.err;
    EXPECT_NE(r.err.find("refusing to write"), std::string::npos) << r.err;
    EXPECT_EQ(clitest::ReadFile(c.input), before) << c.input;
  }
}

// A module named without a folder is the file of that name here, not one
// the loader would find on its search path.
TEST(HostPrograms, AModuleArgumentIsAPath) {
  TempDir dir;
  clitest::WriteFile(dir.File("page.pbm"), "P4\n16 4\n" + std::string(8, '\xff'));
  const std::string module = hosts::PluginModuleName();
  const std::string lib = testsupport::BuildDir() + "/lib";
  const std::string run = "cd '" + dir.path() + "' && LD_LIBRARY_PATH='" + lib + "' ";
  const std::string encode = "encode '" + clitest::ExampleLabel() + "' -o job.prn --module " + module;
  for (const std::string& command :
       {run + "'" + clitest::ProgramPath("unidrv_host") + "' page.pbm -o job.prn --module " + module,
        run + "'" + clitest::ProgramPath() + "' " + encode}) {
    const testsupport::RunResult missing = testsupport::RunShell(command);
    EXPECT_EQ(missing.exit_code, 1) << command;
    EXPECT_NE(missing.err.find("./" + module), std::string::npos) << missing.err;
  }
  fs::copy_file(lib + "/" + module, dir.File(module));
  const testsupport::RunResult here = testsupport::RunShell(
      run + "'" + clitest::ProgramPath("unidrv_host") + "' page.pbm -o job.prn --module " + module);
  EXPECT_EQ(here.exit_code, 0) << here.err;
}

}  // namespace
