// What the version resource of the plug-in module must hold, for the tests
// that read the resource script and the built DLLs. The numbers come from
// the project's version, the one place it is stated.
#ifndef QUILLORY2_TESTS_OEMDLL_VERSION_INFO_H_
#define QUILLORY2_TESTS_OEMDLL_VERSION_INFO_H_

#include <stdint.h>

#include "quillory2/version.h"

#define Q2_TEXT(x) #x
#define Q2_STRING(x) Q2_TEXT(x)

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
    {QUILLORY2_VERSION_MAJOR, QUILLORY2_VERSION_MINOR, QUILLORY2_VERSION_PATCH, QUILLORY2_VERSION_TWEAK},
    {QUILLORY2_VERSION_MAJOR, QUILLORY2_VERSION_MINOR, QUILLORY2_VERSION_PATCH, QUILLORY2_VERSION_TWEAK},
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
        {"FileVersion", Q2_STRING(QUILLORY2_VERSION_MAJOR) ", " Q2_STRING(QUILLORY2_VERSION_MINOR) ", " Q2_STRING(
                            QUILLORY2_VERSION_PATCH) ", " Q2_STRING(QUILLORY2_VERSION_TWEAK)},
        {"InternalName", "QUILRY2UNI"},
        {"LegalTrademarks", ""},
        {"OriginalFilename", "QUILRY2UNI.DLL"},
        {"PrivateBuild", ""},
        {"ProductName", "QUILRY2UNI"},
        {"ProductVersion", Q2_STRING(QUILLORY2_VERSION_MAJOR) "." Q2_STRING(QUILLORY2_VERSION_MINOR)},
        {"SpecialBuild", ""},
    },
};

}  // namespace oemdll

#endif  // QUILLORY2_TESTS_OEMDLL_VERSION_INFO_H_
