#include "hosts/nt4_module.h"

#include <errno.h>
#include <string.h>

#include <fstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>
#endif

#include "files/read_file.h"

namespace hosts {

namespace {

#ifdef _WIN32

void* OpenCopy(const std::vector<uint8_t>& bytes, std::string* copy_path, std::string* error) {
  char dir[MAX_PATH];
  char name[MAX_PATH];
  if (GetTempPathA(MAX_PATH, dir) == 0 || GetTempFileNameA(dir, "q2m", 0, name) == 0) {
    *error = "cannot create a temporary copy of the minidriver module";
    return nullptr;
  }
  *copy_path = name;
  {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      *error = std::string("cannot write the copy of the minidriver module ") + name + ": " + strerror(errno);
      DeleteFileA(name);
      return nullptr;
    }
  }
  HMODULE module = LoadLibraryA(name);
  if (module == nullptr) {
    *error = std::string("cannot load the minidriver module (error ") +
             std::to_string(GetLastError()) + ")";
    DeleteFileA(name);
    return nullptr;
  }
  return reinterpret_cast<void*>(module);
}

void* Symbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
}

void Close(void* handle, const std::string& copy_path) {
  FreeLibrary(reinterpret_cast<HMODULE>(handle));
  if (!copy_path.empty()) DeleteFileA(copy_path.c_str());
}

#else

void* OpenCopy(const std::vector<uint8_t>& bytes, std::string* copy_path, std::string* error) {
  const char* tmp = getenv("TMPDIR");
  std::string name = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/quilry2-XXXXXX.so";
  std::vector<char> templ(name.begin(), name.end());
  templ.push_back('\0');
  int fd = mkstemps(templ.data(), 3);
  if (fd < 0) {
    *error = "cannot create a temporary copy of the minidriver module: " + std::string(strerror(errno));
    return nullptr;
  }
  size_t done = 0;
  int failure = 0;
  while (done < bytes.size() && failure == 0) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) failure = n < 0 ? errno : ENOSPC;
    if (n > 0) done += static_cast<size_t>(n);
  }
  if (close(fd) != 0 && failure == 0) failure = errno;
  if (failure != 0) {
    *error = std::string("cannot write the copy of the minidriver module ") + templ.data() + ": " +
             strerror(failure);
    unlink(templ.data());
    return nullptr;
  }
  void* handle = dlopen(templ.data(), RTLD_NOW | RTLD_LOCAL);
  // The mapping keeps the file's contents; its name is no longer needed.
  unlink(templ.data());
  copy_path->clear();
  if (handle == nullptr) {
    const char* why = dlerror();
    *error = std::string("cannot load the minidriver module: ") + (why != nullptr ? why : "unknown error");
    return nullptr;
  }
  return handle;
}

void* Symbol(void* handle, const char* name) { return dlsym(handle, name); }

void Close(void* handle, const std::string&) { dlclose(handle); }

#endif

}  // namespace

std::unique_ptr<Nt4Module> Nt4Module::Load(const std::string& path, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  std::vector<uint8_t> bytes;
  std::string why;
  // A minidriver is some hundred kilobytes: anything near this is no module.
  constexpr size_t kMaxModuleBytes = size_t{64} << 20;
  if (!files::ReadWholeFile(path, &bytes, &why, kMaxModuleBytes)) {
    *error = "the minidriver module: " + why;
    return nullptr;
  }
  if (bytes.empty()) {
    *error = "the minidriver module " + path + " is empty";
    return nullptr;
  }

  std::unique_ptr<Nt4Module> module(new Nt4Module());
  module->handle_ = OpenCopy(bytes, &module->copy_path_, error);
  if (module->handle_ == nullptr) return nullptr;

  module->init_proc_ = reinterpret_cast<Q2InitProc>(Symbol(module->handle_, "bInitProc"));
  module->set_func_addr_ = reinterpret_cast<Q2SetFuncAddrProc>(Symbol(module->handle_, "bSetFuncAddr"));
  module->filter_graphics_ =
      reinterpret_cast<Q2FilterGraphicsProc>(Symbol(module->handle_, "CBFilterGraphics"));
  const char* missing = module->init_proc_ == nullptr       ? "bInitProc"
                        : module->set_func_addr_ == nullptr ? "bSetFuncAddr"
                        : module->filter_graphics_ == nullptr ? "CBFilterGraphics"
                                                              : nullptr;
  if (missing != nullptr) {
    *error = path + " is not a minidriver module: it does not export " + missing;
    return nullptr;  // the destructor unloads the copy
  }
  return module;
}

Nt4Module::~Nt4Module() {
  if (handle_ != nullptr) Close(handle_, copy_path_);
}

}  // namespace hosts
