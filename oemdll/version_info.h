// The version resource of the plug-in module as data.
//
// The Windows build compiles version.rc into the DLL; this header carries the
// same values so that builds without a resource compiler can check them, and
// a test holds version.rc to them.
#ifndef QUILLORY2_OEMDLL_VERSION_INFO_H_
#define QUILLORY2_OEMDLL_VERSION_INFO_H_

#include <stdint.h>

namespace oemdll {

struct VersionString {
  const char* key;
  const char* value;
};

struct VersionInfo {
  uint16_t file_version[4];
  uint16_t product_version[4];
  uint32_t file_flags_mask;
  uint32_t file_flags;
  uint32_t file_os;       // VOS_NT_WINDOWS32
  uint32_t file_type;     // VFT_DLL
  uint32_t file_subtype;  // VFT2_UNKNOWN
  const char* string_block;
  uint16_t language;
  uint16_t codepage;
  VersionString strings[10];
};

inline constexpr VersionInfo kVersionInfo = {
    {1, 0, 0, 1},
    {1, 0, 0, 1},
    0x3F,
    0,
    0x40004,
    2,
    0,
    "040904b0",
    0x0409,
    0x04B0,
    {
        {"Comments", "Quillory2 Rendering Plugin"},
        {"FileDescription", "Quillory2 Rendering Plugin"},
        {"FileVersion", "1, 0, 0, 1"},
        {"InternalName", "QUILRY2UNI"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "QUILRY2UNI.DLL"},
        {"PrivateBuild", ""},
        {"ProductName", "QUILRY2UNI"},
        {"ProductVersion", "1.0"},
        {"SpecialBuild", ""},
    },
};

}  // namespace oemdll

#endif  // QUILLORY2_OEMDLL_VERSION_INFO_H_
