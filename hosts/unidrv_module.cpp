#include "hosts/unidrv_module.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace hosts {

namespace {

// The module is the file at this path. A bare name would send the loader
// through its search path (system folders, LD_LIBRARY_PATH) and could load
// some other module of that name; "./" makes it the file in this folder.
std::string AsPath(const std::string& path) {
#ifdef _WIN32
  const bool has_folder = path.find_first_of("/\\:") != std::string::npos;
  return has_folder ? path : ".\\" + path;
#else
  return path.find('/') != std::string::npos ? path : "./" + path;
#endif
}

#ifdef _WIN32
void* OpenModule(const std::string& path, std::string* error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr && error != nullptr) {
    *error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
  }
  return reinterpret_cast<void*>(module);
}
void* FindExport(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseModule(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
void* OpenModule(const std::string& path, std::string* error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr && error != nullptr) {
    const char* why = dlerror();
    *error = "cannot load " + path + ": " + (why != nullptr ? why : "unknown error");
  }
  return handle;
}
void* FindExport(void* handle, const char* name) { return dlsym(handle, name); }
void CloseModule(void* handle) { dlclose(handle); }
#endif

}  // namespace

bool PluginModule::Load(const std::string& path, std::string* error) {
  Unload();
  handle_ = OpenModule(AsPath(path), error);
  if (handle_ == nullptr) return false;
  get_class_object_ =
      reinterpret_cast<plat::DllGetClassObjectFn>(FindExport(handle_, "DllGetClassObject"));
  can_unload_now_ =
      reinterpret_cast<plat::DllCanUnloadNowFn>(FindExport(handle_, "DllCanUnloadNow"));
  if (get_class_object_ == nullptr || can_unload_now_ == nullptr) {
    if (error != nullptr) *error = path + " does not export DllGetClassObject and DllCanUnloadNow";
    Unload();
    return false;
  }
  return true;
}

void PluginModule::Unload() {
  if (handle_ != nullptr) CloseModule(handle_);
  handle_ = nullptr;
  get_class_object_ = nullptr;
  can_unload_now_ = nullptr;
}

}  // namespace hosts
