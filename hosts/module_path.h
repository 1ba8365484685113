// Where the programs find the driver modules they load: beside the program
// on Windows, in the build's lib folder (<program dir>/../lib) elsewhere,
// under the names the build gives them.
#ifndef QUILLORY2_HOSTS_MODULE_PATH_H_
#define QUILLORY2_HOSTS_MODULE_PATH_H_

#include <string>

namespace hosts {

// libquilry2uni.so and libquilry2.so; QUILRY2UNI.DLL and QUILRY2.DLL on Windows.
std::string PluginModuleName();
std::string MinidriverModuleName();

// The folder of the running program ("." when it cannot be found).
std::string ProgramDirectory();

// The module of that name where the build puts it for the running program.
std::string ModuleBesideProgram(const std::string& module_name);

}  // namespace hosts

#endif  // QUILLORY2_HOSTS_MODULE_PATH_H_
