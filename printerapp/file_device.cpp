// A file:// printer whose device is a folder gets one file per job, and
// only a whole one.
//
// PAPPL 1.3.1 creates "<folder>/<job name>.prn" when the job starts and
// writes into it as the job goes: a failed or cut job leaves half a job or
// an empty file, a second job of the same name overwrites the first, the
// names "", "." and ".." make hidden files, and a long name cannot be opened
// at all (the printer then retries every 5 seconds until the job is
// cancelled). This program defines papplDeviceOpen and papplDeviceClose, as
// it defines _papplJobProcess (job_gate.cpp): for such a printer the job is
// written to a hidden file of its own in the folder, and when the device
// closes it is put in place under a safe name that no other file has, as
// `quillory2 encode` puts its output in place, or removed when the job did
// not end whole. Every other device is PAPPL's own.
#include <dlfcn.h>
#include <fcntl.h>
#include <errno.h>
#include <pappl/pappl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <string>

#include "printerapp/job_names.h"
#include "printerapp/job_output.h"

namespace {

struct JobFile {
  std::string folder;  // where the job's file goes
  std::string part;    // the hidden file it is written to
  std::string stem;    // its name without the extension
  std::string ext;
};

std::mutex files_mutex;
std::map<pappl_device_t*, JobFile> files;

template <typename F>
F Pappl(F, const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// The umask, read without changing it (umask() would, for a moment, for
// every thread).
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    FILE* status = fopen("/proc/self/status", "r");
    unsigned value = 022;
    char line[256];
    while (status != nullptr && fgets(line, sizeof line, status) != nullptr) {
      if (sscanf(line, "Umask: %o", &value) == 1) break;
    }
    if (status != nullptr) fclose(status);
    return static_cast<mode_t>(value);
  }();
  return mask;
}

// Links the finished file to the first free name of stem, stem-2, ...; a
// link never replaces a file that is there.
bool PutInPlace(const JobFile& file) {
  for (int n = 1; n < 1000; ++n) {
    const std::string name = file.folder + "/" + file.stem + (n > 1 ? "-" + std::to_string(n) : "") +
                             "." + file.ext;
    if (link(file.part.c_str(), name.c_str()) == 0) return true;
    if (errno == EEXIST) continue;
    // A filesystem without links (FAT, some network ones): a rename that
    // replaces nothing, where the kernel offers it, else a plain one.
    if (renameat2(AT_FDCWD, file.part.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) continue;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (access(name.c_str(), F_OK) == 0) continue;
    return rename(file.part.c_str(), name.c_str()) == 0;
  }
  return false;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) pappl_device_t* papplDeviceOpen(
    const char* device_uri, const char* name, pappl_deverror_cb_t err_cb, void* err_data) {
  static const auto open_device = Pappl(&papplDeviceOpen, "papplDeviceOpen");
  if (open_device == nullptr) return nullptr;
  char scheme[32], userpass[32], host[256], resource[1024];
  int port = 0;
  struct stat info;
  if (device_uri == nullptr ||
      httpSeparateURI(HTTP_URI_CODING_ALL, device_uri, scheme, sizeof scheme, userpass,
                      sizeof userpass, host, sizeof host, &port, resource,
                      sizeof resource) < HTTP_URI_STATUS_OK ||
      strcmp(scheme, "file") != 0) {
    return open_device(device_uri, name, err_cb, err_data);
  }
  JobFile file;
  file.ext = "prn";
  if (char* options = strchr(resource, '?')) {
    *options++ = '\0';
    if (strncmp(options, "ext=", 4) == 0 && strchr(options, '/') == nullptr && options[4] != '\0') {
      file.ext = options + 4;
    }
  }
  if (stat(resource, &info) != 0 || !S_ISDIR(info.st_mode)) {
    return open_device(device_uri, name, err_cb, err_data);
  }
  file.folder = resource;
  file.stem = printerapp::JobFileStem(name != nullptr ? name : "");
  std::string part = file.folder + "/.quillory2-job-XXXXXX";
  const int fd = mkstemp(part.data());
  if (fd < 0) {
    if (err_cb != nullptr) {
      const std::string why = "Unable to create a file in '" + file.folder + "': " + strerror(errno);
      err_cb(why.c_str(), err_data);
    }
    return nullptr;
  }
  // mkstemp makes it private; the job's file gets the mode any new file
  // of this program gets.
  fchmod(fd, 0666 & ~ProcessUmask());
  close(fd);
  file.part = part;
  // PAPPL opens a file that exists for appending: the empty one just made.
  char part_uri[1280];
  httpAssembleURI(HTTP_URI_CODING_ALL, part_uri, sizeof part_uri, "file", nullptr, "", 0,
                  part.c_str());
  pappl_device_t* device = open_device(part_uri, name, err_cb, err_data);
  if (device == nullptr) {
    unlink(part.c_str());
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(files_mutex);
  files[device] = file;
  return device;
}

extern "C" __attribute__((visibility("default"))) void papplDeviceClose(pappl_device_t* device) {
  static const auto close_device = Pappl(&papplDeviceClose, "papplDeviceClose");
  JobFile file;
  bool ours = false;
  {
    std::lock_guard<std::mutex> lock(files_mutex);
    auto it = files.find(device);
    if (it != files.end()) {
      file = it->second;
      files.erase(it);
      ours = true;
    }
  }
  const bool complete = printerapp::TakeDeviceComplete(device);
  if (close_device != nullptr) close_device(device);
  if (!ours) return;
  if (complete && !PutInPlace(file)) {
    fprintf(stderr, "quillory2-printer-app: the job's file cannot be put in '%s': %s\n",
            file.folder.c_str(), strerror(errno));
  }
  unlink(file.part.c_str());
}
