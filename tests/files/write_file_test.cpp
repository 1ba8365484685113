#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "files/read_file.h"
#include "files/write_file.h"
#include "tests/support/support.h"

namespace files {
namespace {

namespace fs = std::filesystem;

class FileIo : public ::testing::Test {
 protected:
  testsupport::TempDir temp_;
  const fs::path dir_ = temp_.path();
};

TEST_F(FileIo, WritesAndReadsBack) {
  const std::string path = (dir_ / "out.bin").string();
  std::vector<uint8_t> data = {1, 2, 3, 0, 255};
  std::string error;
  ASSERT_TRUE(WriteWholeFile(path, data, &error)) << error;
  std::vector<uint8_t> back;
  ASSERT_TRUE(ReadWholeFile(path, &back, &error)) << error;
  EXPECT_EQ(back, data);
  // Nothing but the target is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(FileIo, ReplacesAnExistingFileWhole) {
  const std::string path = (dir_ / "out.bin").string();
  std::string error;
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(1000, 7), &error));
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(3, 9), &error));
  std::vector<uint8_t> back;
  ASSERT_TRUE(ReadWholeFile(path, &back, &error));
  EXPECT_EQ(back, std::vector<uint8_t>(3, 9));
}

TEST_F(FileIo, FailsCleanlyWhereNothingCanBeWritten) {
  std::string error;
  const std::string path = (dir_ / "missing" / "out.bin").string();
  EXPECT_FALSE(WriteWholeFile(path, std::vector<uint8_t>(5, 1), &error));
  EXPECT_NE(error.find("out.bin"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(path));
  std::vector<uint8_t> back;
  EXPECT_FALSE(ReadWholeFile((dir_ / "nothing").string(), &back, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

// A device node of this folder, made like the machine's own: c 1 3 takes
// everything (as /dev/null), c 1 7 takes nothing (as /dev/full).
bool MakeDevice(const fs::path& path, unsigned minor) {
  return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

bool IsDevice(const fs::path& path, unsigned minor) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, minor);
}

std::string Text(const std::string& path) {
  std::vector<uint8_t> back;
  std::string error;
  return ReadWholeFile(path, &back, &error) ? std::string(back.begin(), back.end()) : "(" + error + ")";
}

TEST_F(FileIo, WritesIntoDevicesInPlaceAndReportsWhatTheyRefuse) {
  if (!MakeDevice(dir_ / "null", 3) || !MakeDevice(dir_ / "full", 7)) GTEST_SKIP() << "cannot make device nodes here";
  std::string error;
  EXPECT_TRUE(WriteWholeFile((dir_ / "null").string(), std::vector<uint8_t>(5000, 1), &error)) << error;
  EXPECT_FALSE(WriteWholeFile((dir_ / "full").string(), std::vector<uint8_t>(5000, 1), &error));
  EXPECT_NE(error.find("No space left"), std::string::npos) << error;
  EXPECT_TRUE(IsDevice(dir_ / "null", 3));
  EXPECT_TRUE(IsDevice(dir_ / "full", 7));
  // Through a link too, and nothing else appears in the folder.
  fs::create_symlink("null", dir_ / "printer");
  EXPECT_TRUE(WriteWholeFile((dir_ / "printer").string(), std::vector<uint8_t>(10, 2), &error)) << error;
  EXPECT_TRUE(IsDevice(dir_ / "null", 3));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 3);
}

TEST_F(FileIo, StreamsIntoAFifo) {
  const fs::path fifo = dir_ / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = Text(fifo.string()); });
  std::string error;
  const std::vector<uint8_t> data(200000, 'x');
  EXPECT_TRUE(WriteWholeFile(fifo.string(), data, &error)) << error;
  reader.join();
  EXPECT_EQ(got, std::string(data.begin(), data.end()));
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(FileIo, FollowsLinksToTheFileTheyName) {
  std::string error;
  fs::create_directories(dir_ / "jobs");
  ASSERT_TRUE(WriteWholeFile((dir_ / "jobs" / "label.prn").string(), std::vector<uint8_t>{'o', 'l', 'd'}, &error));
  fs::create_symlink("jobs/label.prn", dir_ / "latest");
  fs::create_symlink("latest", dir_ / "chain");
  ASSERT_TRUE(WriteWholeFile((dir_ / "chain").string(), std::vector<uint8_t>{'n', 'e', 'w'}, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir_ / "latest"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "chain"));
  EXPECT_EQ(Text((dir_ / "jobs" / "label.prn").string()), "new");
  // A link to a file not yet written makes that file.
  fs::create_symlink("jobs/next.prn", dir_ / "pending");
  ASSERT_TRUE(WriteWholeFile((dir_ / "pending").string(), std::vector<uint8_t>{'1'}, &error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir_ / "pending"));
  EXPECT_EQ(Text((dir_ / "jobs" / "next.prn").string()), "1");
  // A loop of links is refused.
  fs::create_symlink("loop-b", dir_ / "loop-a");
  fs::create_symlink("loop-a", dir_ / "loop-b");
  EXPECT_FALSE(WriteWholeFile((dir_ / "loop-a").string(), std::vector<uint8_t>{'1'}, &error));
  EXPECT_NE(error.find("loop-a"), std::string::npos) << error;
}

TEST_F(FileIo, ReplacedFileKeepsItsModeAndFoldersAreRefused) {
  const std::string path = (dir_ / "job.prn").string();
  std::string error;
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>{'a'}, &error));
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>{'b'}, &error));
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
  EXPECT_EQ(Text(path), "b");
  EXPECT_FALSE(WriteWholeFile(dir_.string(), std::vector<uint8_t>{'c'}, &error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
}

// Runs body in a child process, as a user without privileges when asked
// and the test runs as root, so that file permissions bind; the child's
// exit status is the number of failed checks.
int InChild(bool plain_user, const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (plain_user && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST_F(FileIo, RefusesAFileTheUserMayNotWriteEvenInAWritableFolder) {
  const std::string path = (dir_ / "theirs.prn").string();
  std::string error;
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>{'k', 'e', 'e', 'p'}, &error));
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  fs::permissions(dir_, fs::perms::all);  // a rename in the folder would succeed
  EXPECT_EQ(InChild(true, [&] {
              std::string why;
              return (WriteWholeFile(path, std::vector<uint8_t>{'x'}, &why) ? 1 : 0) +
                     (why.find("Permission denied") == std::string::npos ? 1 : 0);
            }),
            0);
  EXPECT_EQ(Text(path), "keep");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(FileIo, FailureWhileWritingLeavesThePreviousFileWhole) {
  const std::string path = (dir_ / "job.prn").string();
  std::string error;
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(100, 'o'), &error));
  // The file size limit stops the write halfway.
  EXPECT_EQ(InChild(false, [&] {
              signal(SIGXFSZ, SIG_IGN);
              struct rlimit limit = {4096, 4096};
              setrlimit(RLIMIT_FSIZE, &limit);
              std::string why;
              return (WriteWholeFile(path, std::vector<uint8_t>(100000, 'n'), &why) ? 1 : 0) +
                     (why.find("too large") == std::string::npos ? 1 : 0);
            }),
            0);
  EXPECT_EQ(Text(path), std::string(100, 'o'));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(FileIo, RefusesFilesAboveTheLimit) {
  const std::string path = (dir_ / "big.bin").string();
  std::string error;
  ASSERT_TRUE(WriteWholeFile(path, std::vector<uint8_t>(100000, 1), &error));
  std::vector<uint8_t> back;
  EXPECT_FALSE(ReadWholeFile(path, &back, &error, 99999));
  EXPECT_TRUE(back.empty());
  EXPECT_TRUE(ReadWholeFile(path, &back, &error, 100000));
}

}  // namespace
}  // namespace files
