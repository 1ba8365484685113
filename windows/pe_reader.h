// A reader for the facts of a Windows PE image that decide whether a host
// can load one of our DLLs: machine, entry point, exported names, imported
// modules, resources and the version block.
//
// The reader trusts nothing in the file. Every offset, count and size is
// checked against the bytes it was given before it is followed, loops are
// bounded by the input size, and a damaged image yields an error message
// instead of a partial or invented answer.
#ifndef QUILLORY2_WINDOWS_PE_READER_H_
#define QUILLORY2_WINDOWS_PE_READER_H_

#include <stddef.h>
#include <stdint.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pe {

constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;

constexpr uint32_t kResourceTypeString = 6;
constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint16_t kLanguageEnglishUs = 1033;

struct Section {
  std::string name;
  uint32_t virtual_address = 0;
  uint32_t virtual_size = 0;
  uint32_t raw_offset = 0;
  uint32_t raw_size = 0;
};

struct Export {
  std::string name;  // empty for an export by ordinal only
  uint32_t ordinal = 0;
  uint32_t rva = 0;
};

struct ImportedModule {
  std::string dll;
  std::vector<std::string> functions;  // "#n" for an import by ordinal
};

// One leaf of the three-level resource tree (type, name, language). Named
// types or names (strings instead of numbers) keep their text in *_name and
// carry 0 as the number.
struct Resource {
  uint32_t type = 0;
  std::string type_name;
  uint32_t id = 0;
  std::string id_name;
  uint16_t language = 0;
  uint32_t data_rva = 0;
  uint32_t size = 0;
};

struct VersionInfo {
  uint32_t file_version_ms = 0, file_version_ls = 0;
  uint32_t product_version_ms = 0, product_version_ls = 0;
  uint32_t file_flags_mask = 0, file_flags = 0;
  uint32_t file_os = 0, file_type = 0, file_subtype = 0;
  // Each string table's key ("040904b0") and its name/value pairs, UTF-8.
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> tables;
  // The VarFileInfo\Translation pairs (language, code page).
  std::vector<std::pair<uint16_t, uint16_t>> translations;

  // The value of `name` in the table `key`, or nullopt when absent.
  std::optional<std::string> Value(const std::string& key, const std::string& name) const;
};

struct Image {
  uint16_t machine = 0;
  bool pe32_plus = false;
  uint16_t characteristics = 0;
  uint16_t subsystem = 0;
  uint64_t image_base = 0;
  uint32_t entry_point_rva = 0;
  uint32_t import_directory_rva = 0, import_directory_size = 0;
  uint32_t resource_directory_rva = 0, resource_directory_size = 0;
  std::vector<Section> sections;
  std::string export_dll_name;
  std::vector<Export> exports;
  std::vector<ImportedModule> imports;
  std::vector<Resource> resources;

  bool IsDll() const { return (characteristics & 0x2000) != 0; }
  const Resource* FindResource(uint32_t type, uint32_t id, uint16_t language) const;
};

// Parses the image in data[0 .. size-1]. On failure returns nullopt and, if
// error is not null, says what was wrong and where.
std::optional<Image> ParseImage(const uint8_t* data, size_t size, std::string* error);

// The bytes of a resource leaf, or nullopt when its data lies outside the file.
std::optional<std::vector<uint8_t>> ResourceBytes(const Image& image, const Resource& resource,
                                                  const uint8_t* data, size_t size);

// Decodes a VS_VERSIONINFO block.
std::optional<VersionInfo> ParseVersionInfo(const uint8_t* data, size_t size, std::string* error);

// Decodes one string-table block: its 16 strings in UTF-8 (empty slots empty).
std::optional<std::vector<std::string>> ParseStringBlock(const uint8_t* data, size_t size,
                                                         std::string* error);

const char* MachineName(uint16_t machine);

}  // namespace pe

#endif  // QUILLORY2_WINDOWS_PE_READER_H_
