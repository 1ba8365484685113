// Static checks of the cross-built DLLs, read with the project's PE reader:
// what a Windows host sees of each module before it runs any of its code.
// The DLLs come from the mingw32 and mingw64 builds (scripts/windows-tests.sh
// builds them first); a missing build is reported as a skip, never a pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "files/read_file.h"
#include "tables/built_tables.h"
#include "tests/oemdll/version_info.h"
#include "windows/pe_reader.h"
#include "windows_test_paths.h"

namespace {

struct Arch {
  const char* name;
  const char* build_dir;
  uint16_t machine;
};

const Arch kArches[] = {{"i686", QUILLORY2_MINGW32_DIR, pe::kMachineI386},
                        {"x86_64", QUILLORY2_MINGW64_DIR, pe::kMachineAmd64}};

void PrintTo(const Arch& a, std::ostream* out) { *out << a.name; }

struct Loaded {
  std::vector<uint8_t> bytes;
  pe::Image image;
};

// Loads <build>/bin/name; skips the test when the cross build has not made it.
#define LOAD_OR_SKIP(arch, name, loaded)                                                         \
  do {                                                                                           \
    std::string path_ = std::string((arch).build_dir) + "/bin/" + (name);                        \
    std::string error_;                                                                          \
    std::vector<uint8_t> bytes_;                                                                 \
    if (!files::ReadWholeFile(path_, &bytes_, &error_)) {                                        \
      GTEST_SKIP() << path_ << " is not built (run scripts/windows-tests.sh)";                   \
    }                                                                                            \
    auto image_ = pe::ParseImage(bytes_.data(), bytes_.size(), &error_);                         \
    ASSERT_TRUE(image_) << path_ << ": " << error_;                                              \
    (loaded).bytes = std::move(bytes_);                                                          \
    (loaded).image = std::move(*image_);                                                         \
  } while (0)

std::set<std::string> ExportNames(const pe::Image& image) {
  std::set<std::string> names;
  for (const pe::Export& e : image.exports) names.insert(e.name);
  return names;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

class PluginModule : public ::testing::TestWithParam<Arch> {};

TEST_P(PluginModule, ExportsOnlyTheServerEntryPointsByPlainName) {
  Loaded dll;
  LOAD_OR_SKIP(GetParam(), "QUILRY2UNI.DLL", dll);
  EXPECT_EQ(dll.image.machine, GetParam().machine);
  EXPECT_TRUE(dll.image.IsDll());
  EXPECT_EQ(ExportNames(dll.image), (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject"}));
  // DllMain is the entry the loader calls on attach and detach.
  EXPECT_NE(dll.image.entry_point_rva, 0u);
}

TEST_P(PluginModule, ImportsOnlyWindowsSystemDlls) {
  Loaded dll;
  LOAD_OR_SKIP(GetParam(), "QUILRY2UNI.DLL", dll);
  const std::set<std::string> system = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll",
                                        "ntdll.dll"};
  ASSERT_FALSE(dll.image.imports.empty());
  for (const pe::ImportedModule& m : dll.image.imports) {
    EXPECT_TRUE(system.count(Lower(m.dll))) << m.dll << " would have to be shipped with the driver";
  }
}

TEST_P(PluginModule, CarriesTheVersionResource) {
  Loaded dll;
  LOAD_OR_SKIP(GetParam(), "QUILRY2UNI.DLL", dll);
  std::vector<const pe::Resource*> versions;
  for (const pe::Resource& r : dll.image.resources) {
    if (r.type == pe::kResourceTypeVersion) versions.push_back(&r);
  }
  ASSERT_EQ(versions.size(), 1u);
  EXPECT_EQ(versions[0]->language, pe::kLanguageEnglishUs);
  auto bytes = pe::ResourceBytes(dll.image, *versions[0], dll.bytes.data(), dll.bytes.size());
  ASSERT_TRUE(bytes);
  std::string error;
  auto info = pe::ParseVersionInfo(bytes->data(), bytes->size(), &error);
  ASSERT_TRUE(info) << error;

  const oemdll::VersionInfo& want = oemdll::kVersionInfo;
  EXPECT_EQ(info->file_version_ms, uint32_t{want.file_version[0]} << 16 | want.file_version[1]);
  EXPECT_EQ(info->file_version_ls, uint32_t{want.file_version[2]} << 16 | want.file_version[3]);
  EXPECT_EQ(info->product_version_ms, uint32_t{want.product_version[0]} << 16 | want.product_version[1]);
  EXPECT_EQ(info->product_version_ls, uint32_t{want.product_version[2]} << 16 | want.product_version[3]);
  EXPECT_EQ(info->file_os, want.file_os);
  EXPECT_EQ(info->file_type, want.file_type);
  EXPECT_EQ(info->file_flags, want.file_flags);
  ASSERT_EQ(info->translations.size(), 1u);
  EXPECT_EQ(info->translations[0].first, want.language);
  EXPECT_EQ(info->translations[0].second, want.codepage);
  ASSERT_EQ(info->tables.size(), 1u);
  EXPECT_EQ(info->tables[0].first, want.string_block);
  for (const oemdll::VersionString& s : want.strings) {
    EXPECT_EQ(info->Value(want.string_block, s.key), std::string(s.value)) << s.key;
  }
}

class MinidriverModule : public ::testing::TestWithParam<Arch> {};

TEST_P(MinidriverModule, ExportsTheThreeCallbacksByPlainName) {
  Loaded dll;
  LOAD_OR_SKIP(GetParam(), "QUILRY2.DLL", dll);
  EXPECT_EQ(dll.image.machine, GetParam().machine);
  EXPECT_TRUE(dll.image.IsDll());
  EXPECT_EQ(ExportNames(dll.image), (std::set<std::string>{"CBFilterGraphics", "bInitProc", "bSetFuncAddr"}));
}

TEST_P(MinidriverModule, HasNoImportTableAndNoEntryRoutine) {
  Loaded dll;
  LOAD_OR_SKIP(GetParam(), "QUILRY2.DLL", dll);
  EXPECT_EQ(dll.image.import_directory_rva, 0u);
  EXPECT_EQ(dll.image.import_directory_size, 0u);
  EXPECT_TRUE(dll.image.imports.empty());
  EXPECT_EQ(dll.image.entry_point_rva, 0u);
}

TEST_P(MinidriverModule, CarriesTablesAndStringsInUsEnglishAndNoVersion) {
  Loaded dll;
  LOAD_OR_SKIP(GetParam(), "QUILRY2.DLL", dll);
  std::set<std::pair<uint32_t, uint32_t>> seen;
  for (const pe::Resource& r : dll.image.resources) {
    EXPECT_TRUE(r.type_name.empty() && r.id_name.empty()) << "named resource";
    EXPECT_EQ(r.language, pe::kLanguageEnglishUs) << "type " << r.type << " id " << r.id;
    EXPECT_TRUE(seen.insert({r.type, r.id}).second) << "type " << r.type << " id " << r.id << " twice";
  }
  // Printer description table, NT extension table, string blocks 1 and 17 to 23.
  std::set<std::pair<uint32_t, uint32_t>> want = {{257, 1}, {257, 2}, {6, 1}};
  for (uint32_t block = 17; block <= 23; ++block) want.insert({6, block});
  EXPECT_EQ(seen, want);
}

TEST_P(MinidriverModule, ResourcesHoldTheGeneratedTables) {
  Loaded dll;
  LOAD_OR_SKIP(GetParam(), "QUILRY2.DLL", dll);
  const std::pair<uint32_t, tables::TableBytes> tables_by_id[] = {{1, tables::BuiltGpcTable()},
                                                                 {2, tables::BuiltNtExtTable()}};
  for (const auto& [id, table] : tables_by_id) {
    const pe::Resource* r = dll.image.FindResource(257, id, pe::kLanguageEnglishUs);
    ASSERT_NE(r, nullptr) << "257/" << id;
    auto bytes = pe::ResourceBytes(dll.image, *r, dll.bytes.data(), dll.bytes.size());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, std::vector<uint8_t>(table.data, table.data + table.size)) << "257/" << id;
  }
  for (int block = 1; block <= 23; ++block) {
    const pe::Resource* r = dll.image.FindResource(6, block, pe::kLanguageEnglishUs);
    if (!r) continue;
    auto bytes = pe::ResourceBytes(dll.image, *r, dll.bytes.data(), dll.bytes.size());
    ASSERT_TRUE(bytes);
    std::string error;
    auto strings = pe::ParseStringBlock(bytes->data(), bytes->size(), &error);
    ASSERT_TRUE(strings) << error;
    for (int slot = 0; slot < 16; ++slot) {
      const int id = (block - 1) * 16 + slot;
      EXPECT_EQ((*strings)[slot], tables::BuiltString(id)) << "string " << id;
    }
  }
}

TEST_P(MinidriverModule, ReaderSurvivesEveryTruncationOfTheRealImage) {
  Loaded dll;
  LOAD_OR_SKIP(GetParam(), "QUILRY2.DLL", dll);
  for (size_t length = 0; length < dll.bytes.size(); length += 7) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[length + 1]);
    std::copy_n(dll.bytes.begin(), length, exact.get());
    std::string error;
    auto image = pe::ParseImage(exact.get(), length, &error);
    if (!image) continue;
    for (const pe::Resource& r : image->resources) pe::ResourceBytes(*image, r, exact.get(), length);
  }
}

std::string ArchName(const ::testing::TestParamInfo<Arch>& info) {
  return info.param.name[0] == 'i' ? "I686" : "X8664";
}

INSTANTIATE_TEST_SUITE_P(CrossBuilt, PluginModule, ::testing::ValuesIn(kArches), ArchName);
INSTANTIATE_TEST_SUITE_P(CrossBuilt, MinidriverModule, ::testing::ValuesIn(kArches), ArchName);

}  // namespace
