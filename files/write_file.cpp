#include "files/write_file.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <random>

namespace files {

namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string Reason(const std::string& what, const std::string& path) {
  return what + " " + Quoted(path) + ": " + strerror(errno);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A name for a temporary file beside the target, unlikely to exist.
std::string TemporaryName(const std::string& target) {
  static std::random_device seed;
  return FolderOf(target) + ".quillory2-" + std::to_string(seed()) + ".tmp";
}

#ifdef _WIN32

// NUL, CON, PRN, AUX, COM1 to COM9 and LPT1 to LPT9 name devices in every
// folder and with any extension; \\.\ names a device directly.
bool IsDeviceName(const std::string& path) {
  if (path.rfind("\\\\.\\", 0) == 0) return true;
  std::string name = path.substr(FolderOf(path).size());
  name = name.substr(0, name.find('.'));
  for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  if (name == "NUL" || name == "CON" || name == "PRN" || name == "AUX") return true;
  return name.size() == 4 && (name.rfind("COM", 0) == 0 || name.rfind("LPT", 0) == 0) && name[3] >= '1' &&
         name[3] <= '9';
}

#else

// Follows symbolic links to the path they finally name, which need not
// exist yet (a link to a file still to be written).
bool FollowLinks(const std::string& path, std::string* target, std::string* error) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *target = at;
      return true;
    }
    std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = readlink(at.c_str(), buffer.data(), buffer.size());
    if (n < 0 || static_cast<size_t>(n) >= buffer.size()) {
      *error = Reason("cannot follow the link", at);
      return false;
    }
    const std::string next(buffer.data(), static_cast<size_t>(n));
    at = next[0] == '/' ? next : FolderOf(at) + next;
  }
  errno = ELOOP;
  *error = Reason("cannot follow the link", path);
  return false;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// A device or FIFO takes the bytes as they come; it is neither created nor
// truncated, and a failed write is reported, not hidden.
bool WriteInPlace(const std::string& path, const uint8_t* data, size_t size, std::string* error) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = Reason("cannot open", path);
    return false;
  }
  int failure = WriteAll(fd, data, size) ? 0 : errno;
  if (close(fd) != 0 && failure == 0) failure = errno;
  if (failure != 0) {
    errno = failure;
    *error = Reason("cannot write", path);
  }
  return failure == 0;
}

// A regular file (or a new one) is written beside itself and renamed over
// the path, so that a failure at any point leaves what was there.
bool ReplaceFile(const std::string& path, const struct stat* existing, const uint8_t* data, size_t size,
                 std::string* error) {
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = TemporaryName(path);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    *error = Reason("cannot create a file in the folder of", path);
    return false;
  }
  int failure = 0;
  if (existing != nullptr) {
    // The replacement keeps the owner and mode of the file it replaces; an
    // owner that cannot be kept (not root) becomes the writer's, as with
    // any editor.
    (void)!fchown(fd, existing->st_uid, existing->st_gid);
    if (fchmod(fd, existing->st_mode & 07777) != 0) failure = errno;
  }
  if (failure == 0 && !WriteAll(fd, data, size)) failure = errno;
  if (close(fd) != 0 && failure == 0) failure = errno;
  if (failure == 0 && rename(temp.c_str(), path.c_str()) != 0) failure = errno;
  if (failure != 0) {
    unlink(temp.c_str());
    errno = failure;
    *error = Reason("cannot write", path);
  }
  return failure == 0;
}

#endif  // !_WIN32

}  // namespace

bool WouldReplaceInput(const std::string& input, const std::string& output) {
  if (input == "-" || output == "-") return false;
#ifdef _WIN32
  // Windows reports no inode numbers through _stat: only the same name is known.
  return input == output;
#else
  struct stat in, out;
  return stat(input.c_str(), &in) == 0 && stat(output.c_str(), &out) == 0 && S_ISREG(out.st_mode) &&
         in.st_dev == out.st_dev && in.st_ino == out.st_ino;
#endif
}

bool WriteStandardOutput(const void* data, size_t size, std::string* error) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // bytes, not text
#endif
  if ((size > 0 && fwrite(data, 1, size, stdout) != size) || fflush(stdout) != 0) {
    *error = std::string("cannot write to standard output: ") + strerror(errno);
    return false;
  }
  return true;
}

bool CloseStandardOutput(std::string* error) {
  // A write that failed earlier leaves the stream's error mark, even where
  // the program did not look at the result.
  const bool lost = ferror(stdout) != 0;
  if (fflush(stdout) != 0) {
    *error = std::string("cannot write to standard output: ") + strerror(errno);
    fclose(stdout);
    return false;
  }
  if (fclose(stdout) != 0) {
    *error = std::string("cannot write to standard output: ") + strerror(errno);
    return false;
  }
  if (lost) {
    *error = "cannot write to standard output: part of the output was lost";
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size, std::string* error) {
  if (path == "-") return WriteStandardOutput(data, size, error);
#ifdef _WIN32
  // Devices (NUL, LPT1, COM1) take the bytes in place; files are replaced
  // whole through a temporary file.
  struct _stat st;
  if (IsDeviceName(path) || (_stat(path.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFCHR)) {
    FILE* f = fopen(path.c_str(), "wb");
    bool ok = f != nullptr && (size == 0 || fwrite(data, 1, size, f) == size);
    ok = f != nullptr && fclose(f) == 0 && ok;
    if (!ok) *error = Reason("cannot write", path);
    return ok;
  }
  if (_stat(path.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR) {
    *error = Quoted(path) + " is a folder";
    return false;
  }
  const std::string temp = TemporaryName(path);
  FILE* f = fopen(temp.c_str(), "wbx");
  if (!f) {
    *error = Reason("cannot create a file in the folder of", path);
    return false;
  }
  bool ok = size == 0 || fwrite(data, 1, size, f) == size;
  ok = fclose(f) == 0 && ok;
  if (ok) {
    remove(path.c_str());
    ok = rename(temp.c_str(), path.c_str()) == 0;
  }
  if (!ok) {
    *error = Reason("cannot write", path);
    remove(temp.c_str());
  }
  return ok;
#else
  std::string target;
  if (!FollowLinks(path, &target, error)) return false;
  struct stat st;
  if (stat(target.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      *error = Reason("cannot write", path);
      return false;
    }
    return ReplaceFile(target, nullptr, data, size, error);
  }
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) return WriteInPlace(target, data, size, error);
  if (S_ISDIR(st.st_mode)) {
    *error = Quoted(path) + " is a folder";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *error = Quoted(path) + (S_ISBLK(st.st_mode) ? " is a block device (a disk); refusing to write onto it"
                                                 : " is neither a file nor a device that takes a stream");
    return false;
  }
  // Renaming could replace a file the user may not write; the file's own
  // permission decides, as it would for writing in place.
  const int probe = open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (probe < 0) {
    *error = Reason("cannot write", path);
    return false;
  }
  close(probe);
  return ReplaceFile(target, &st, data, size, error);
#endif
}

}  // namespace files
