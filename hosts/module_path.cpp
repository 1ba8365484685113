#include "hosts/module_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <limits.h>
#include <unistd.h>
#endif

namespace hosts {

std::string PluginModuleName() {
#ifdef _WIN32
  return "QUILRY2UNI.DLL";
#else
  return "libquilry2uni.so";
#endif
}

std::string MinidriverModuleName() {
#ifdef _WIN32
  return "QUILRY2.DLL";
#else
  return "libquilry2.so";
#endif
}

std::string ProgramDirectory() {
#ifdef _WIN32
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ".";
  const std::string program(path, n);
#else
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string program(path, static_cast<size_t>(n));
#endif
  const size_t slash = program.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : program.substr(0, slash);
}

std::string ModuleBesideProgram(const std::string& module_name) {
#ifdef _WIN32
  return ProgramDirectory() + "/" + module_name;
#else
  return ProgramDirectory() + "/../lib/" + module_name;
#endif
}

}  // namespace hosts
