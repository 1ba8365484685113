#include "windows/pe_reader.h"

#include <stdio.h>

#include "errors/fail.h"

namespace pe {
namespace {

// A resource tree is three levels deep; a damaged one may point its
// directories at each other and multiply the leaves, so the walk is capped.
constexpr size_t kMaxResourceEntries = 65536;
constexpr size_t kMaxNameBytes = 1024;

std::string Hex(uint64_t value) {
  char text[24];
  snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

void AppendUtf8(std::string* out, uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Bounds-checked little-endian reads over one buffer.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t size() const { return size_; }
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  // A read outside the file yields 0 as well as false, so that a value is
  // never left unset whatever the caller checked before.
  bool U16(uint64_t offset, uint16_t* value) const {
    *value = 0;
    if (!Has(offset, 2)) return false;
    *value = static_cast<uint16_t>(data_[offset] | data_[offset + 1] << 8);
    return true;
  }
  bool U32(uint64_t offset, uint32_t* value) const {
    *value = 0;
    if (!Has(offset, 4)) return false;
    *value = static_cast<uint32_t>(data_[offset]) | static_cast<uint32_t>(data_[offset + 1]) << 8 |
             static_cast<uint32_t>(data_[offset + 2]) << 16 |
             static_cast<uint32_t>(data_[offset + 3]) << 24;
    return true;
  }
  bool U64(uint64_t offset, uint64_t* value) const {
    *value = 0;
    uint32_t lo, hi;
    if (!U32(offset, &lo) || !U32(offset + 4, &hi)) return false;
    *value = static_cast<uint64_t>(hi) << 32 | lo;
    return true;
  }
  // A NUL-terminated byte string that must end before `limit` and the buffer.
  bool CString(uint64_t offset, uint64_t limit, std::string* text) const {
    text->clear();
    if (limit > size_) limit = size_;
    for (uint64_t i = offset; i < limit && text->size() < kMaxNameBytes; ++i) {
      if (data_[i] == 0) return true;
      text->push_back(static_cast<char>(data_[i]));
    }
    return false;
  }
  // count UTF-16 units at offset, converted to UTF-8.
  bool Utf16(uint64_t offset, uint64_t count, std::string* text) const {
    text->clear();
    if (count > size_ / 2 || !Has(offset, count * 2)) return false;
    for (uint64_t i = 0; i < count; ++i) {
      uint16_t unit = static_cast<uint16_t>(data_[offset + 2 * i] | data_[offset + 2 * i + 1] << 8);
      uint32_t cp = unit;
      if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < count) {
        uint16_t low = static_cast<uint16_t>(data_[offset + 2 * i + 2] | data_[offset + 2 * i + 3] << 8);
        if (low >= 0xDC00 && low < 0xE000) {
          cp = 0x10000 + ((unit - 0xD800u) << 10) + (low - 0xDC00u);
          ++i;
        } else {
          cp = 0xFFFD;
        }
      } else if (unit >= 0xD800 && unit < 0xE000) {
        cp = 0xFFFD;
      }
      AppendUtf8(text, cp);
    }
    return true;
  }
  // A NUL-terminated UTF-16 string inside [offset, limit); returns the offset after the NUL.
  bool Utf16z(uint64_t offset, uint64_t limit, std::string* text, uint64_t* after) const {
    if (limit > size_) limit = size_;
    uint64_t end = offset;
    while (true) {
      if (end + 2 > limit) return false;
      if (data_[end] == 0 && data_[end + 1] == 0) break;
      end += 2;
    }
    if (!Utf16(offset, (end - offset) / 2, text)) return false;
    *after = end + 2;
    return true;
  }
  const uint8_t* data() const { return data_; }

 private:
  const uint8_t* data_;
  size_t size_;
};

// Maps relative virtual addresses to file offsets through the section table.
class AddressMap {
 public:
  AddressMap(const Bytes& bytes, const std::vector<Section>& sections, uint32_t headers_size)
      : bytes_(bytes), sections_(sections), headers_size_(headers_size) {}

  // File offset of [rva, rva + length), which must lie in the file data of
  // one section (or in the headers); false otherwise.
  bool Offset(uint32_t rva, uint64_t length, uint64_t* offset, uint64_t* limit = nullptr) const {
    if (rva < headers_size_ && static_cast<uint64_t>(rva) + length <= headers_size_) {
      if (!bytes_.Has(rva, length)) return false;
      *offset = rva;
      if (limit) *limit = headers_size_ < bytes_.size() ? headers_size_ : bytes_.size();
      return true;
    }
    for (const Section& s : sections_) {
      uint64_t start = s.virtual_address;
      uint64_t raw = s.raw_size;
      if (rva < start || rva - start >= raw) continue;
      uint64_t inside = rva - start;
      if (length > raw - inside) return false;
      uint64_t file = static_cast<uint64_t>(s.raw_offset) + inside;
      if (!bytes_.Has(file, length)) return false;
      *offset = file;
      if (limit) {
        uint64_t end = static_cast<uint64_t>(s.raw_offset) + raw;
        *limit = end < bytes_.size() ? end : bytes_.size();
      }
      return true;
    }
    return false;
  }

  bool CStringAt(uint32_t rva, std::string* text) const {
    uint64_t offset, limit;
    return Offset(rva, 1, &offset, &limit) && bytes_.CString(offset, limit, text);
  }

 private:
  const Bytes& bytes_;
  const std::vector<Section>& sections_;
  uint32_t headers_size_;
};

bool ReadExports(const Bytes& bytes, const AddressMap& map, uint32_t rva, uint32_t size,
                 Image* image, std::string* error) {
  uint64_t dir;
  if (!map.Offset(rva, 40, &dir)) return errors::Fail(error, "export directory at " + Hex(rva) + " lies outside the file");
  uint32_t name_rva, base, functions, names, functions_rva, names_rva, ordinals_rva;
  bytes.U32(dir + 12, &name_rva);
  bytes.U32(dir + 16, &base);
  bytes.U32(dir + 20, &functions);
  bytes.U32(dir + 24, &names);
  bytes.U32(dir + 28, &functions_rva);
  bytes.U32(dir + 32, &names_rva);
  bytes.U32(dir + 36, &ordinals_rva);
  if (name_rva != 0 && !map.CStringAt(name_rva, &image->export_dll_name)) {
    return errors::Fail(error, "export directory: module name at " + Hex(name_rva) + " is unreadable");
  }
  uint64_t functions_at = 0, names_at = 0, ordinals_at = 0;
  if (functions > bytes.size() / 4 || names > functions ||
      (functions && !map.Offset(functions_rva, uint64_t{functions} * 4, &functions_at)) ||
      (names && !map.Offset(names_rva, uint64_t{names} * 4, &names_at)) ||
      (names && !map.Offset(ordinals_rva, uint64_t{names} * 2, &ordinals_at))) {
    return errors::Fail(error, "export directory: its tables lie outside the file");
  }
  std::vector<bool> named(functions, false);
  for (uint32_t i = 0; i < names; ++i) {
    uint32_t name_at;
    uint16_t index;
    bytes.U32(names_at + 4 * i, &name_at);
    bytes.U16(ordinals_at + 2 * i, &index);
    Export e;
    if (!map.CStringAt(name_at, &e.name)) return errors::Fail(error, "export name " + std::to_string(i) + " is unreadable");
    if (index >= functions) return errors::Fail(error, "export " + e.name + " has an ordinal beyond the address table");
    bytes.U32(functions_at + 4 * index, &e.rva);
    e.ordinal = base + index;
    named[index] = true;
    image->exports.push_back(e);
  }
  for (uint32_t i = 0; i < functions; ++i) {
    Export e;
    bytes.U32(functions_at + 4 * i, &e.rva);
    if (named[i] || e.rva == 0) continue;
    e.ordinal = base + i;
    image->exports.push_back(e);
  }
  (void)size;
  return true;
}

bool ReadImports(const Bytes& bytes, const AddressMap& map, uint32_t rva, Image* image,
                 std::string* error) {
  const uint64_t thunk_size = image->pe32_plus ? 8 : 4;
  for (uint32_t n = 0;; ++n) {
    if (n > bytes.size() / 20) return errors::Fail(error, "import directory has no terminating entry");
    uint64_t desc;
    if (!map.Offset(rva + 20 * n, 20, &desc)) return errors::Fail(error, "import descriptor " + std::to_string(n) + " lies outside the file");
    uint32_t lookup, name_rva, first_thunk;
    bytes.U32(desc, &lookup);
    bytes.U32(desc + 12, &name_rva);
    bytes.U32(desc + 16, &first_thunk);
    if (lookup == 0 && name_rva == 0 && first_thunk == 0) break;
    ImportedModule module;
    if (!map.CStringAt(name_rva, &module.dll)) return errors::Fail(error, "import descriptor " + std::to_string(n) + ": module name is unreadable");
    uint32_t table = lookup ? lookup : first_thunk;
    for (uint64_t k = 0;; ++k) {
      uint64_t at;
      if (k > bytes.size() / thunk_size || !map.Offset(static_cast<uint32_t>(table + k * thunk_size), thunk_size, &at)) {
        return errors::Fail(error, "import table of " + module.dll + " runs outside the file");
      }
      uint64_t entry;
      if (image->pe32_plus) {
        bytes.U64(at, &entry);
      } else {
        uint32_t e32;
        bytes.U32(at, &e32);
        entry = e32;
      }
      if (entry == 0) break;
      const uint64_t ordinal_flag = image->pe32_plus ? (uint64_t{1} << 63) : (uint64_t{1} << 31);
      if (entry & ordinal_flag) {
        module.functions.push_back("#" + std::to_string(entry & 0xFFFF));
        continue;
      }
      std::string name;
      if (entry > 0xFFFFFFFFu || !map.CStringAt(static_cast<uint32_t>(entry + 2), &name)) {
        return errors::Fail(error, "an import name of " + module.dll + " is unreadable");
      }
      module.functions.push_back(name);
    }
    image->imports.push_back(module);
  }
  return true;
}

struct ResourceWalk {
  const Bytes& bytes;
  const AddressMap& map;
  uint32_t root_rva;
  Image* image;
  std::string* error;
  size_t visited = 0;

  bool Name(uint32_t field, uint32_t* id, std::string* name) {
    if (!(field & 0x80000000u)) {
      *id = field;
      return true;
    }
    uint64_t at;
    uint16_t length;
    uint32_t rva = root_rva + (field & 0x7FFFFFFFu);
    if (!map.Offset(rva, 2, &at) || !bytes.U16(at, &length) || !map.Offset(rva + 2, uint64_t{length} * 2, &at)) {
      return errors::Fail(error, "resource name at " + Hex(rva) + " lies outside the file");
    }
    *id = 0;
    return bytes.Utf16(at, length, name);
  }

  bool Directory(uint32_t offset, int level, Resource leaf) {
    uint64_t at;
    if (!map.Offset(root_rva + offset, 16, &at)) return errors::Fail(error, "resource directory at offset " + Hex(offset) + " lies outside the file");
    uint16_t named, ids;
    bytes.U16(at + 12, &named);
    bytes.U16(at + 14, &ids);
    uint32_t count = uint32_t{named} + ids;
    uint64_t entries;
    if (!map.Offset(root_rva + offset + 16, uint64_t{count} * 8, &entries)) {
      return errors::Fail(error, "resource directory at offset " + Hex(offset) + " has entries outside the file");
    }
    for (uint32_t i = 0; i < count; ++i) {
      if (++visited > kMaxResourceEntries) return errors::Fail(error, "resource tree has too many entries");
      uint32_t name_field, target;
      bytes.U32(entries + 8 * i, &name_field);
      bytes.U32(entries + 8 * i + 4, &target);
      Resource next = leaf;
      if (level == 0) {
        if (!Name(name_field, &next.type, &next.type_name)) return false;
      } else if (level == 1) {
        if (!Name(name_field, &next.id, &next.id_name)) return false;
      } else {
        if (name_field & 0x80000000u) return errors::Fail(error, "resource language entry has a name");
        next.language = static_cast<uint16_t>(name_field);
      }
      bool subdirectory = (target & 0x80000000u) != 0;
      if (level < 2) {
        if (!subdirectory) return errors::Fail(error, "resource tree ends above the language level");
        if (!Directory(target & 0x7FFFFFFFu, level + 1, next)) return false;
        continue;
      }
      if (subdirectory) return errors::Fail(error, "resource tree is deeper than three levels");
      uint64_t data_entry;
      if (!map.Offset(root_rva + target, 16, &data_entry)) return errors::Fail(error, "resource data entry lies outside the file");
      bytes.U32(data_entry, &next.data_rva);
      bytes.U32(data_entry + 4, &next.size);
      image->resources.push_back(next);
    }
    return true;
  }
};

// The nodes of a version block: length, value length, type, key, value, children.
struct VersionNode {
  uint64_t start = 0, end = 0;
  uint16_t value_length = 0, type = 0;
  std::string key;
  uint64_t value = 0;     // offset of the value
  uint64_t children = 0;  // offset of the first child
};

uint64_t Align4(uint64_t offset) { return (offset + 3) & ~uint64_t{3}; }

bool ReadNode(const Bytes& bytes, uint64_t start, uint64_t limit, VersionNode* node) {
  uint16_t length;
  if (!bytes.U16(start, &length) || length < 6 || start + length > limit) return false;
  node->start = start;
  node->end = start + length;
  bytes.U16(start + 2, &node->value_length);
  bytes.U16(start + 4, &node->type);
  uint64_t after;
  if (!bytes.Utf16z(start + 6, node->end, &node->key, &after)) return false;
  node->value = Align4(after);
  if (node->value > node->end) node->value = node->end;
  return true;
}

}  // namespace

std::optional<std::string> VersionInfo::Value(const std::string& key, const std::string& name) const {
  for (const auto& table : tables) {
    if (table.first != key) continue;
    for (const auto& entry : table.second) {
      if (entry.first == name) return entry.second;
    }
  }
  return std::nullopt;
}

const Resource* Image::FindResource(uint32_t type, uint32_t id, uint16_t language) const {
  for (const Resource& r : resources) {
    if (r.type == type && r.type_name.empty() && r.id == id && r.id_name.empty() && r.language == language) {
      return &r;
    }
  }
  return nullptr;
}

const char* MachineName(uint16_t machine) {
  switch (machine) {
    case kMachineI386: return "i386";
    case kMachineAmd64: return "x86-64";
    case 0xAA64: return "arm64";
    default: return "unknown";
  }
}

std::optional<Image> ParseImage(const uint8_t* data, size_t size, std::string* error) {
  Bytes bytes(data, size);
  uint16_t mz;
  uint32_t pe_offset, signature;
  if (!bytes.U16(0, &mz) || mz != 0x5A4D) return errors::Fail(error, "not an MZ executable"), std::nullopt;
  if (!bytes.U32(0x3C, &pe_offset) || !bytes.U32(pe_offset, &signature) || signature != 0x00004550) {
    return errors::Fail(error, "no PE signature"), std::nullopt;
  }
  Image image;
  const uint64_t coff = uint64_t{pe_offset} + 4;
  uint16_t sections, optional_size;
  if (!bytes.Has(coff, 20)) return errors::Fail(error, "file header is cut off"), std::nullopt;
  bytes.U16(coff, &image.machine);
  bytes.U16(coff + 2, &sections);
  bytes.U16(coff + 16, &optional_size);
  bytes.U16(coff + 18, &image.characteristics);

  const uint64_t opt = coff + 20;
  uint16_t magic;
  if (!bytes.U16(opt, &magic) || (magic != 0x10B && magic != 0x20B)) {
    return errors::Fail(error, "unknown optional header"), std::nullopt;
  }
  image.pe32_plus = magic == 0x20B;
  const uint64_t directories = opt + (image.pe32_plus ? 112 : 96);
  uint32_t directory_count, headers_size;
  if (optional_size < directories - opt || !bytes.Has(opt, optional_size)) {
    return errors::Fail(error, "optional header is cut off"), std::nullopt;
  }
  bytes.U32(opt + 16, &image.entry_point_rva);
  if (image.pe32_plus) {
    bytes.U64(opt + 24, &image.image_base);
  } else {
    uint32_t base32;
    bytes.U32(opt + 28, &base32);
    image.image_base = base32;
  }
  bytes.U32(opt + 60, &headers_size);
  bytes.U16(opt + 68, &image.subsystem);
  bytes.U32(directories - 4, &directory_count);
  if (directory_count > (optional_size - (directories - opt)) / 8) {
    return errors::Fail(error, "data directories run past the optional header"), std::nullopt;
  }
  uint32_t export_rva = 0, export_size = 0;
  if (directory_count > 0) {
    bytes.U32(directories, &export_rva);
    bytes.U32(directories + 4, &export_size);
  }
  if (directory_count > 1) {
    bytes.U32(directories + 8, &image.import_directory_rva);
    bytes.U32(directories + 12, &image.import_directory_size);
  }
  if (directory_count > 2) {
    bytes.U32(directories + 16, &image.resource_directory_rva);
    bytes.U32(directories + 20, &image.resource_directory_size);
  }

  const uint64_t table = opt + optional_size;
  if (!bytes.Has(table, uint64_t{sections} * 40)) return errors::Fail(error, "section table is cut off"), std::nullopt;
  for (uint16_t i = 0; i < sections; ++i) {
    Section s;
    const uint64_t at = table + 40 * i;
    std::string raw_name(reinterpret_cast<const char*>(data + at), 8);
    s.name = raw_name.substr(0, raw_name.find('\0'));
    bytes.U32(at + 8, &s.virtual_size);
    bytes.U32(at + 12, &s.virtual_address);
    bytes.U32(at + 16, &s.raw_size);
    bytes.U32(at + 20, &s.raw_offset);
    image.sections.push_back(s);
  }

  AddressMap map(bytes, image.sections, headers_size);
  if (export_rva && !ReadExports(bytes, map, export_rva, export_size, &image, error)) return std::nullopt;
  if (image.import_directory_rva && !ReadImports(bytes, map, image.import_directory_rva, &image, error)) {
    return std::nullopt;
  }
  if (image.resource_directory_rva) {
    ResourceWalk walk{bytes, map, image.resource_directory_rva, &image, error};
    if (!walk.Directory(0, 0, Resource{})) return std::nullopt;
  }
  return image;
}

std::optional<std::vector<uint8_t>> ResourceBytes(const Image& image, const Resource& resource,
                                                  const uint8_t* data, size_t size) {
  Bytes bytes(data, size);
  // Headers size does not matter here: resource data always lives in a section.
  AddressMap map(bytes, image.sections, 0);
  uint64_t at;
  if (!map.Offset(resource.data_rva, resource.size, &at)) return std::nullopt;
  return std::vector<uint8_t>(data + at, data + at + resource.size);
}

std::optional<VersionInfo> ParseVersionInfo(const uint8_t* data, size_t size, std::string* error) {
  Bytes bytes(data, size);
  VersionNode root;
  if (!ReadNode(bytes, 0, size, &root) || root.key != "VS_VERSION_INFO") {
    return errors::Fail(error, "no VS_VERSION_INFO block"), std::nullopt;
  }
  VersionInfo info;
  uint32_t signature = 0;
  if (root.value_length < 52 || !bytes.Has(root.value, 52) || root.value + 52 > root.end ||
      !bytes.U32(root.value, &signature) || signature != 0xFEEF04BDu) {
    return errors::Fail(error, "fixed file information is missing or damaged"), std::nullopt;
  }
  bytes.U32(root.value + 8, &info.file_version_ms);
  bytes.U32(root.value + 12, &info.file_version_ls);
  bytes.U32(root.value + 16, &info.product_version_ms);
  bytes.U32(root.value + 20, &info.product_version_ls);
  bytes.U32(root.value + 24, &info.file_flags_mask);
  bytes.U32(root.value + 28, &info.file_flags);
  bytes.U32(root.value + 32, &info.file_os);
  bytes.U32(root.value + 36, &info.file_type);
  bytes.U32(root.value + 40, &info.file_subtype);

  for (uint64_t at = Align4(root.value + root.value_length); at < root.end;) {
    VersionNode block;
    if (!ReadNode(bytes, at, root.end, &block)) return errors::Fail(error, "damaged block at " + Hex(at)), std::nullopt;
    if (block.key == "StringFileInfo") {
      for (uint64_t t = block.value; t < block.end;) {
        VersionNode table;
        if (!ReadNode(bytes, t, block.end, &table)) return errors::Fail(error, "damaged string table at " + Hex(t)), std::nullopt;
        std::vector<std::pair<std::string, std::string>> strings;
        for (uint64_t s = table.value; s < table.end;) {
          VersionNode entry;
          if (!ReadNode(bytes, s, table.end, &entry)) return errors::Fail(error, "damaged string at " + Hex(s)), std::nullopt;
          std::string value;
          uint64_t after;
          if (entry.value_length > 0 && !bytes.Utf16z(entry.value, entry.end, &value, &after)) {
            // A value that fills its node exactly carries no terminator.
            if (!bytes.Utf16(entry.value, (entry.end - entry.value) / 2, &value)) {
              return errors::Fail(error, "damaged string value at " + Hex(s)), std::nullopt;
            }
          }
          strings.emplace_back(entry.key, value);
          s = Align4(entry.end);
        }
        info.tables.emplace_back(table.key, strings);
        t = Align4(table.end);
      }
    } else if (block.key == "VarFileInfo") {
      for (uint64_t v = block.value; v < block.end;) {
        VersionNode var;
        if (!ReadNode(bytes, v, block.end, &var)) return errors::Fail(error, "damaged variable at " + Hex(v)), std::nullopt;
        if (var.key == "Translation") {
          for (uint64_t p = var.value; p + 4 <= var.end && p + 4 <= var.value + var.value_length; p += 4) {
            uint16_t language, code_page;
            bytes.U16(p, &language);
            bytes.U16(p + 2, &code_page);
            info.translations.emplace_back(language, code_page);
          }
        }
        v = Align4(var.end);
      }
    }
    at = Align4(block.end);
  }
  return info;
}

std::optional<std::vector<std::string>> ParseStringBlock(const uint8_t* data, size_t size,
                                                         std::string* error) {
  Bytes bytes(data, size);
  std::vector<std::string> strings(16);
  uint64_t at = 0;
  for (int i = 0; i < 16; ++i) {
    uint16_t count;
    if (!bytes.U16(at, &count) || !bytes.Utf16(at + 2, count, &strings[i])) {
      return errors::Fail(error, "string slot " + std::to_string(i) + " runs past the block"), std::nullopt;
    }
    at += 2 + uint64_t{count} * 2;
  }
  return strings;
}

}  // namespace pe
