// The PE reader on images built here byte by byte: the facts it reports, and
// its behaviour on truncated, corrupted and hostile images. Each damaged image
// lives in a buffer that ends right before a page the process may not touch,
// so a read past the end faults, with or without a sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/support.h"
#include "windows/pe_reader.h"

namespace {

constexpr uint32_t kSectionRva = 0x1000;
constexpr uint32_t kSectionFile = 0x200;

void Put16(std::vector<uint8_t>* b, size_t at, uint32_t v) {
  if (b->size() < at + 2) b->resize(at + 2);
  (*b)[at] = static_cast<uint8_t>(v);
  (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>* b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// One data section whose contents are appended piece by piece; Add returns
// the piece's relative virtual address.
struct Section {
  std::vector<uint8_t> bytes;
  uint32_t Add(const std::vector<uint8_t>& piece) {
    while (bytes.size() % 4) bytes.push_back(0);
    uint32_t rva = kSectionRva + static_cast<uint32_t>(bytes.size());
    bytes.insert(bytes.end(), piece.begin(), piece.end());
    return rva;
  }
  uint32_t AddString(const std::string& s) {
    std::vector<uint8_t> piece(s.begin(), s.end());
    piece.push_back(0);
    return Add(piece);
  }
  size_t Offset(uint32_t rva) const { return rva - kSectionRva; }
};

std::vector<uint8_t> Utf16(const std::string& ascii) {
  std::vector<uint8_t> out;
  for (char c : ascii) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(0);
  }
  return out;
}

// A version node: length, value length, type, key, padding, value, children.
std::vector<uint8_t> VersionNode(const std::string& key, uint16_t type, const std::vector<uint8_t>& value,
                                 uint16_t value_length, const std::vector<uint8_t>& children) {
  std::vector<uint8_t> node(6);
  std::vector<uint8_t> k = Utf16(key);
  node.insert(node.end(), k.begin(), k.end());
  node.push_back(0);
  node.push_back(0);
  while (node.size() % 4) node.push_back(0);
  node.insert(node.end(), value.begin(), value.end());
  while (node.size() % 4) node.push_back(0);
  node.insert(node.end(), children.begin(), children.end());
  Put16(&node, 0, static_cast<uint32_t>(node.size()));
  Put16(&node, 2, value_length);
  Put16(&node, 4, type);
  return node;
}

std::vector<uint8_t> VersionString(const std::string& key, const std::string& text) {
  std::vector<uint8_t> value = Utf16(text);
  value.push_back(0);
  value.push_back(0);
  return VersionNode(key, 1, value, static_cast<uint16_t>(text.size() + 1), {});
}

std::vector<uint8_t> VersionBlock() {
  std::vector<uint8_t> fixed(52, 0);
  Put32(&fixed, 0, 0xFEEF04BD);
  Put32(&fixed, 8, 0x00010000);
  Put32(&fixed, 12, 0x00000001);
  Put32(&fixed, 16, 0x00010000);
  Put32(&fixed, 20, 0x00000001);
  Put32(&fixed, 32, 0x40004);
  Put32(&fixed, 36, 2);
  std::vector<uint8_t> strings = VersionString("ProductName", "QUILRY2UNI");
  std::vector<uint8_t> empty = VersionString("SpecialBuild", "");
  strings.insert(strings.end(), empty.begin(), empty.end());
  std::vector<uint8_t> table = VersionNode("040904b0", 1, {}, 0, strings);
  std::vector<uint8_t> string_info = VersionNode("StringFileInfo", 1, {}, 0, table);
  std::vector<uint8_t> translation = {0x09, 0x04, 0xB0, 0x04};
  std::vector<uint8_t> var = VersionNode("Translation", 0, translation, 4, {});
  std::vector<uint8_t> var_info = VersionNode("VarFileInfo", 1, {}, 0, var);
  string_info.insert(string_info.end(), var_info.begin(), var_info.end());
  return VersionNode("VS_VERSION_INFO", 0, fixed, 52, string_info);
}

struct Layout {
  std::vector<uint8_t> image;
  size_t resource_root = 0;  // file offset of the resource directory
  size_t export_dir = 0;     // file offset of the export directory
  size_t leaf_data = 0;      // file offset of the first resource's bytes, the last piece
};

// A 32-bit DLL exporting "Beta" and "Alpha", importing two functions of
// KERNEL32.dll (the second by ordinal), with resources 257/1, 6/17 and the
// version block, all in language 1033.
Layout BuildDll(bool with_imports = true, uint32_t entry = 0x1234) {
  Section s;
  uint32_t beta = s.AddString("Beta");
  uint32_t alpha = s.AddString("Alpha");
  uint32_t module = s.AddString("TEST.dll");
  std::vector<uint8_t> functions(8), names(8), ordinals(4);
  Put32(&functions, 0, 0x1100);
  Put32(&functions, 4, 0x1200);
  Put32(&names, 0, alpha);
  Put32(&names, 4, beta);
  Put16(&ordinals, 0, 1);
  Put16(&ordinals, 2, 0);
  uint32_t functions_rva = s.Add(functions);
  uint32_t names_rva = s.Add(names);
  uint32_t ordinals_rva = s.Add(ordinals);
  std::vector<uint8_t> dir(40, 0);
  Put32(&dir, 12, module);
  Put32(&dir, 16, 1);
  Put32(&dir, 20, 2);
  Put32(&dir, 24, 2);
  Put32(&dir, 28, functions_rva);
  Put32(&dir, 32, names_rva);
  Put32(&dir, 36, ordinals_rva);
  uint32_t export_rva = s.Add(dir);

  uint32_t import_rva = 0;
  if (with_imports) {
    std::vector<uint8_t> hint_name = {0, 0, 'G', 'e', 't', 'L', 'a', 's', 't', 'E', 'r', 'r', 'o', 'r', 0};
    uint32_t hint_rva = s.Add(hint_name);
    std::vector<uint8_t> thunks(12, 0);
    Put32(&thunks, 0, hint_rva);
    Put32(&thunks, 4, 0x80000007u);
    uint32_t thunk_rva = s.Add(thunks);
    uint32_t dll = s.AddString("KERNEL32.dll");
    std::vector<uint8_t> descriptors(40, 0);
    Put32(&descriptors, 0, thunk_rva);
    Put32(&descriptors, 12, dll);
    Put32(&descriptors, 16, thunk_rva);
    import_rva = s.Add(descriptors);
  }

  // Resource tree: root with three types, each one id, each one language.
  std::vector<uint8_t> version = VersionBlock();
  std::vector<uint8_t> gpc = {1, 2, 3, 4, 5};
  std::vector<uint8_t> block(32, 0);  // 16 empty slots ...
  Put16(&block, 0, 2);                // ... but slot 0 holds "CD"
  block.insert(block.begin() + 2, {'C', 0, 'D', 0});
  struct Leaf {
    uint32_t type, id;
    const std::vector<uint8_t>* data;
  };
  const Leaf leaves[] = {{6, 17, &block}, {16, 1, &version}, {257, 1, &gpc}};
  size_t leaf_data = 0;
  std::vector<uint8_t> tree(16 + 3 * 8 + 3 * (16 + 8) + 3 * (16 + 8) + 3 * 16, 0);
  uint32_t root_rva = s.Add(tree);
  size_t root = s.Offset(root_rva);
  Put16(&s.bytes, root + 14, 3);
  size_t name_dirs = root + 16 + 3 * 8;
  size_t lang_dirs = name_dirs + 3 * 24;
  size_t data_entries = lang_dirs + 3 * 24;
  for (int i = 0; i < 3; ++i) {
    uint32_t data_rva = s.Add(*leaves[i].data);
    if (i == 0) leaf_data = s.Offset(data_rva);
    size_t name_dir = name_dirs + 24 * i, lang_dir = lang_dirs + 24 * i, leaf = data_entries + 16 * i;
    Put32(&s.bytes, root + 16 + 8 * i, leaves[i].type);
    Put32(&s.bytes, root + 20 + 8 * i, 0x80000000u | static_cast<uint32_t>(name_dir - root));
    Put16(&s.bytes, name_dir + 14, 1);
    Put32(&s.bytes, name_dir + 16, leaves[i].id);
    Put32(&s.bytes, name_dir + 20, 0x80000000u | static_cast<uint32_t>(lang_dir - root));
    Put16(&s.bytes, lang_dir + 14, 1);
    Put32(&s.bytes, lang_dir + 16, 1033);
    Put32(&s.bytes, lang_dir + 20, static_cast<uint32_t>(leaf - root));
    Put32(&s.bytes, leaf, data_rva);
    Put32(&s.bytes, leaf + 4, static_cast<uint32_t>(leaves[i].data->size()));
  }

  Layout out;
  std::vector<uint8_t>& b = out.image;
  b.assign(kSectionFile, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(&b, 0x3C, 0x40);
  Put32(&b, 0x40, 0x00004550);
  const size_t coff = 0x44, opt = coff + 20;
  Put16(&b, coff, pe::kMachineI386);
  Put16(&b, coff + 2, 1);
  Put16(&b, coff + 16, 224);
  Put16(&b, coff + 18, 0x2102);
  Put16(&b, opt, 0x10B);
  Put32(&b, opt + 16, entry);
  Put32(&b, opt + 28, 0x10000000);
  Put32(&b, opt + 60, kSectionFile);
  Put16(&b, opt + 68, 2);
  Put32(&b, opt + 92, 16);
  Put32(&b, opt + 96, export_rva);
  Put32(&b, opt + 100, 40);
  Put32(&b, opt + 104, import_rva);
  Put32(&b, opt + 108, import_rva ? 40 : 0);
  Put32(&b, opt + 112, root_rva);
  Put32(&b, opt + 116, static_cast<uint32_t>(tree.size()));
  const size_t table = opt + 224;
  std::copy_n(".data\0\0\0", 8, b.begin() + table);
  Put32(&b, table + 8, static_cast<uint32_t>(s.bytes.size()));
  Put32(&b, table + 12, kSectionRva);
  Put32(&b, table + 16, static_cast<uint32_t>(s.bytes.size()));
  Put32(&b, table + 20, kSectionFile);
  b.resize(kSectionFile);
  b.insert(b.end(), s.bytes.begin(), s.bytes.end());
  out.resource_root = kSectionFile + root;
  out.export_dir = kSectionFile + s.Offset(export_rva);
  out.leaf_data = kSectionFile + leaf_data;
  return out;
}

std::optional<pe::Image> Parse(const std::vector<uint8_t>& bytes, std::string* error = nullptr) {
  // The image ends right before a page the process may not touch: an
  // over-read faults, with or without a sanitizer.
  const testsupport::GuardedBuffer exact(bytes);
  std::string ignored;
  auto image = pe::ParseImage(exact.data(), bytes.size(), error ? error : &ignored);
  if (image) {
    for (const pe::Resource& r : image->resources) {
      auto data = pe::ResourceBytes(*image, r, exact.data(), bytes.size());
      if (data && r.type == pe::kResourceTypeVersion) pe::ParseVersionInfo(data->data(), data->size(), &ignored);
      if (data && r.type == pe::kResourceTypeString) pe::ParseStringBlock(data->data(), data->size(), &ignored);
    }
  }
  return image;
}

TEST(PeReader, ReportsMachineEntryExportsAndImports) {
  Layout dll = BuildDll();
  std::string error;
  auto image = Parse(dll.image, &error);
  ASSERT_TRUE(image) << error;
  EXPECT_EQ(image->machine, pe::kMachineI386);
  EXPECT_FALSE(image->pe32_plus);
  EXPECT_TRUE(image->IsDll());
  EXPECT_EQ(image->entry_point_rva, 0x1234u);
  EXPECT_EQ(image->export_dll_name, "TEST.dll");
  ASSERT_EQ(image->exports.size(), 2u);
  EXPECT_EQ(image->exports[0].name, "Alpha");
  EXPECT_EQ(image->exports[0].ordinal, 2u);
  EXPECT_EQ(image->exports[0].rva, 0x1200u);
  EXPECT_EQ(image->exports[1].name, "Beta");
  EXPECT_EQ(image->exports[1].ordinal, 1u);
  ASSERT_EQ(image->imports.size(), 1u);
  EXPECT_EQ(image->imports[0].dll, "KERNEL32.dll");
  EXPECT_EQ(image->imports[0].functions, (std::vector<std::string>{"GetLastError", "#7"}));
}

TEST(PeReader, ImageWithoutImportDirectoryHasNoImports) {
  auto image = Parse(BuildDll(false, 0).image);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->import_directory_rva, 0u);
  EXPECT_EQ(image->import_directory_size, 0u);
  EXPECT_TRUE(image->imports.empty());
  EXPECT_EQ(image->entry_point_rva, 0u);
}

TEST(PeReader, ReadsResourceTreeAndData) {
  Layout dll = BuildDll();
  auto image = Parse(dll.image);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->resources.size(), 3u);
  const pe::Resource* gpc = image->FindResource(257, 1, pe::kLanguageEnglishUs);
  ASSERT_NE(gpc, nullptr);
  auto bytes = pe::ResourceBytes(*image, *gpc, dll.image.data(), dll.image.size());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(image->FindResource(257, 1, 1031), nullptr);

  const pe::Resource* strings = image->FindResource(6, 17, pe::kLanguageEnglishUs);
  ASSERT_NE(strings, nullptr);
  auto block_bytes = pe::ResourceBytes(*image, *strings, dll.image.data(), dll.image.size());
  ASSERT_TRUE(block_bytes);
  auto block = pe::ParseStringBlock(block_bytes->data(), block_bytes->size(), nullptr);
  ASSERT_TRUE(block);
  EXPECT_EQ((*block)[0], "CD");
  EXPECT_EQ((*block)[15], "");
}

TEST(PeReader, DecodesVersionBlock) {
  std::vector<uint8_t> block = VersionBlock();
  std::string error;
  auto info = pe::ParseVersionInfo(block.data(), block.size(), &error);
  ASSERT_TRUE(info) << error;
  EXPECT_EQ(info->file_version_ms, 0x00010000u);
  EXPECT_EQ(info->file_version_ls, 1u);
  EXPECT_EQ(info->file_os, 0x40004u);
  EXPECT_EQ(info->file_type, 2u);
  EXPECT_EQ(info->Value("040904b0", "ProductName"), "QUILRY2UNI");
  EXPECT_EQ(info->Value("040904b0", "SpecialBuild"), "");
  EXPECT_EQ(info->Value("040904b0", "Comments"), std::nullopt);
  ASSERT_EQ(info->translations.size(), 1u);
  EXPECT_EQ(info->translations[0], std::make_pair(uint16_t{0x0409}, uint16_t{0x04B0}));
}

TEST(PeReader, RefusesFilesThatAreNotImages) {
  std::string error;
  EXPECT_FALSE(Parse({}, &error));
  EXPECT_FALSE(Parse({'M'}, &error));
  EXPECT_FALSE(Parse({'Z', 'M', 0, 0}, &error));
  std::vector<uint8_t> far_header(0x40, 0);
  far_header[0] = 'M';
  far_header[1] = 'Z';
  Put32(&far_header, 0x3C, 0xFFFFFFF0u);
  EXPECT_FALSE(Parse(far_header, &error));
  EXPECT_EQ(error, "no PE signature");
}

TEST(PeReader, TruncatedImagesNeverReadPastTheirEnd) {
  Layout dll = BuildDll();
  for (size_t length = 0; length < dll.image.size(); ++length) {
    std::vector<uint8_t> cut(dll.image.begin(), dll.image.begin() + length);
    std::string error;
    auto image = Parse(cut, &error);
    // Everything up to the resources' own bytes is needed to describe the image.
    if (length < dll.leaf_data) {
      EXPECT_FALSE(image) << "length " << length;
      EXPECT_FALSE(error.empty()) << "length " << length;
    }
  }
}

TEST(PeReader, CorruptedBytesNeverReadOutsideTheImage) {
  Layout dll = BuildDll();
  for (size_t at = 0; at < dll.image.size(); ++at) {
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
      std::vector<uint8_t> bad = dll.image;
      bad[at] = value;
      std::string error;
      const bool read = Parse(bad, &error).has_value();
      ASSERT_TRUE(read || !error.empty()) << "byte " << at << " refused without a reason";
    }
  }
}

TEST(PeReader, RefusesExportTablesLargerThanTheFile) {
  Layout dll = BuildDll();
  std::vector<uint8_t> bad = dll.image;
  Put32(&bad, dll.export_dir + 20, 0xFFFFFFFFu);
  Put32(&bad, dll.export_dir + 24, 0xFFFFFFFFu);
  std::string error;
  EXPECT_FALSE(Parse(bad, &error));
  EXPECT_NE(error.find("export"), std::string::npos) << error;
}

TEST(PeReader, RefusesResourceDirectoryThatPointsBackAtItself) {
  Layout dll = BuildDll();
  std::vector<uint8_t> bad = dll.image;
  // The first type's subdirectory is the root again.
  Put32(&bad, dll.resource_root + 20, 0x80000000u);
  std::string error;
  EXPECT_FALSE(Parse(bad, &error));
  EXPECT_NE(error.find("resource"), std::string::npos) << error;
}

TEST(PeReader, StringBlockCutShortIsRefused) {
  std::vector<uint8_t> block(32, 0);
  Put16(&block, 30, 5);  // slot 15 claims five characters that are not there
  std::string error;
  EXPECT_FALSE(pe::ParseStringBlock(block.data(), block.size(), &error));
  EXPECT_FALSE(pe::ParseStringBlock(block.data(), 31, &error));
  block.resize(30);
  EXPECT_FALSE(pe::ParseStringBlock(block.data(), block.size(), &error));
}

TEST(PeReader, DamagedVersionBlocksAreRefused) {
  std::vector<uint8_t> block = VersionBlock();
  std::string error;
  for (size_t length = 0; length + 1 < block.size(); ++length) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[length + 1]);
    std::copy_n(block.begin(), length, exact.get());
    // The root's length field says more than there is: always refused.
    EXPECT_FALSE(pe::ParseVersionInfo(exact.get(), length, &error)) << "length " << length;
  }
  std::vector<uint8_t> bad = block;
  Put32(&bad, 40, 0x12345678);  // fixed-info signature
  EXPECT_FALSE(pe::ParseVersionInfo(bad.data(), bad.size(), &error));
}

}  // namespace
