// The module's version data, and the resource script that must say the same.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "tests/oemdll/version_info.h"
#include "tests/support/support.h"

namespace {

using oemdll::kVersionInfo;

std::string Value(const char* key) {
  for (const oemdll::VersionString& entry : kVersionInfo.strings) {
    if (entry.key != nullptr && strcmp(entry.key, key) == 0) return entry.value;
  }
  return "<missing>";
}

// The resource script the build configured from oemdll/version.rc.in.
std::string ResourceScript() {
  return testsupport::ReadText(testsupport::BuildDir() + "/oemdll/version.rc");
}

// The project's version, major.minor.patch.tweak, joined by sep.
std::string Version(const std::string& sep) {
  const int parts[4] = {QUILLORY2_VERSION_MAJOR, QUILLORY2_VERSION_MINOR, QUILLORY2_VERSION_PATCH,
                        QUILLORY2_VERSION_TWEAK};
  std::string out = std::to_string(parts[0]);
  for (int i = 1; i < 4; ++i) out += sep + std::to_string(parts[i]);
  return out;
}

TEST(VersionInfo, StringsNameThePlugin) {
  EXPECT_EQ(Value("Comments"), "Quillory2 Rendering Plugin");
  EXPECT_EQ(Value("FileDescription"), "Quillory2 Rendering Plugin");
  EXPECT_EQ(Value("FileVersion"), Version(", "));
  EXPECT_EQ(Value("InternalName"), "QUILRY2UNI");
  EXPECT_EQ(Value("ProductName"), "QUILRY2UNI");
  EXPECT_EQ(Value("OriginalFilename"), "QUILRY2UNI.DLL");
  EXPECT_EQ(Value("ProductVersion"), std::to_string(QUILLORY2_VERSION_MAJOR) + "." +
                                        std::to_string(QUILLORY2_VERSION_MINOR));
  EXPECT_EQ(Value("LegalTrademarks"), "");
  EXPECT_EQ(Value("PrivateBuild"), "");
  EXPECT_EQ(Value("SpecialBuild"), "");
}

TEST(VersionInfo, FixedPartIsADllForWindowsNt) {
  EXPECT_EQ(kVersionInfo.file_os, 0x40004u);
  EXPECT_EQ(kVersionInfo.file_type, 2u);
  EXPECT_EQ(kVersionInfo.file_flags, 0u);
  EXPECT_STREQ(kVersionInfo.string_block, "040904b0");
  EXPECT_EQ(kVersionInfo.language, 0x0409);
  EXPECT_EQ(kVersionInfo.codepage, 0x04B0);
}

TEST(VersionInfo, ResourceScriptSaysTheSame) {
  const std::string rc = ResourceScript();
  ASSERT_FALSE(rc.empty()) << "version.rc not configured";
  EXPECT_NE(rc.find("FILEVERSION " + Version(",") + "\n"), std::string::npos);
  EXPECT_NE(rc.find("PRODUCTVERSION " + Version(",") + "\n"), std::string::npos);
  EXPECT_NE(rc.find("FILEOS 0x40004L"), std::string::npos);
  EXPECT_NE(rc.find("FILETYPE 0x2L"), std::string::npos);
  EXPECT_NE(rc.find("FILEFLAGS 0x0L"), std::string::npos);
  EXPECT_NE(rc.find("BLOCK \"" + std::string(kVersionInfo.string_block) + "\""), std::string::npos);
  EXPECT_NE(rc.find("VALUE \"Translation\", 0x409, 1200"), std::string::npos);
  size_t values = 0;
  for (size_t at = 0; (at = rc.find("VALUE \"", at)) != std::string::npos; ++at) ++values;
  EXPECT_EQ(values, std::size(kVersionInfo.strings) + 1) << "strings not mirrored in version_info.h";
  for (const oemdll::VersionString& entry : kVersionInfo.strings) {
    const std::string line =
        "VALUE \"" + std::string(entry.key) + "\", \"" + entry.value + "\\0\"";
    EXPECT_NE(rc.find(line), std::string::npos) << line;
  }
}

}  // namespace
