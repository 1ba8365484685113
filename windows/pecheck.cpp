// pecheck: prints what a Windows host will see of a DLL before it runs any of
// its code: machine, entry point, exports, imports, resources and version.
#include <stdio.h>
#include <string.h>

#include <string>

#include "files/read_file.h"
#include "windows/pe_reader.h"

namespace {

void Usage(FILE* out) {
  fputs(
      "Usage: pecheck [--strings] FILE...\n"
      "Prints the facts of each Windows PE image that decide how a host loads it:\n"
      "  machine       target processor (i386, x86-64)\n"
      "  entry         entry point address, or 'none' for an image without one\n"
      "  export        each exported name with its ordinal\n"
      "  import        each imported DLL with its functions, or 'import: none'\n"
      "  resource      each resource: type, id, language, size\n"
      "  version       the fixed version numbers and every version string\n"
      "  --strings     also prints every string of the string table resources\n"
      "Exit status: 0 when every file was read, 1 when one is missing or damaged,\n"
      "2 on a usage error.\n",
      out);
}

std::string Version(uint32_t ms, uint32_t ls) {
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) +
         "." + std::to_string(ls & 0xFFFF);
}

std::string ResourceKey(uint32_t number, const std::string& name) {
  return name.empty() ? std::to_string(number) : "\"" + name + "\"";
}

bool Check(const std::string& path, bool strings) {
  std::string error;
  std::vector<uint8_t> file;
  if (!files::ReadWholeFile(path, &file, &error)) {
    fprintf(stderr, "pecheck: %s\n", error.c_str());
    return false;
  }
  auto image = pe::ParseImage(file.data(), file.size(), &error);
  if (!image) {
    fprintf(stderr, "pecheck: %s: %s\n", path.c_str(), error.c_str());
    return false;
  }
  printf("file: %s\n", path.c_str());
  printf("machine: %s (0x%04X)\n", pe::MachineName(image->machine), image->machine);
  printf("format: %s %s\n", image->pe32_plus ? "PE32+" : "PE32", image->IsDll() ? "DLL" : "program");
  if (image->entry_point_rva == 0) {
    printf("entry: none\n");
  } else {
    printf("entry: 0x%X\n", image->entry_point_rva);
  }
  if (!image->export_dll_name.empty()) printf("export module: %s\n", image->export_dll_name.c_str());
  for (const pe::Export& e : image->exports) {
    printf("export: %s @%u\n", e.name.empty() ? "(by ordinal)" : e.name.c_str(), e.ordinal);
  }
  if (image->import_directory_rva == 0 && image->import_directory_size == 0) {
    printf("import directory: none\n");
  } else {
    printf("import directory: 0x%X, %u bytes\n", image->import_directory_rva, image->import_directory_size);
  }
  if (image->imports.empty()) printf("import: none\n");
  for (const pe::ImportedModule& m : image->imports) {
    std::string functions;
    for (const std::string& f : m.functions) functions += " " + f;
    printf("import: %s:%s\n", m.dll.c_str(), functions.c_str());
  }
  for (const pe::Resource& r : image->resources) {
    printf("resource: type %s id %s language %u size %u\n", ResourceKey(r.type, r.type_name).c_str(),
           ResourceKey(r.id, r.id_name).c_str(), r.language, r.size);
  }
  bool ok = true;
  for (const pe::Resource& r : image->resources) {
    if (!r.type_name.empty()) continue;
    auto bytes = pe::ResourceBytes(*image, r, file.data(), file.size());
    if (!bytes) {
      fprintf(stderr, "pecheck: %s: resource %u/%u lies outside the file\n", path.c_str(), r.type, r.id);
      ok = false;
      continue;
    }
    if (r.type == pe::kResourceTypeVersion) {
      auto info = pe::ParseVersionInfo(bytes->data(), bytes->size(), &error);
      if (!info) {
        fprintf(stderr, "pecheck: %s: version resource: %s\n", path.c_str(), error.c_str());
        ok = false;
        continue;
      }
      printf("version: file %s product %s os 0x%X type %u flags 0x%X\n",
             Version(info->file_version_ms, info->file_version_ls).c_str(),
             Version(info->product_version_ms, info->product_version_ls).c_str(), info->file_os,
             info->file_type, info->file_flags);
      for (const auto& t : info->translations) printf("version translation: 0x%04X 0x%04X\n", t.first, t.second);
      for (const auto& table : info->tables) {
        for (const auto& s : table.second) {
          printf("version %s: %s = \"%s\"\n", table.first.c_str(), s.first.c_str(), s.second.c_str());
        }
      }
    } else if (r.type == pe::kResourceTypeString && strings) {
      auto block = pe::ParseStringBlock(bytes->data(), bytes->size(), &error);
      if (!block) {
        fprintf(stderr, "pecheck: %s: string block %u: %s\n", path.c_str(), r.id, error.c_str());
        ok = false;
        continue;
      }
      for (int i = 0; i < 16; ++i) {
        if (!(*block)[i].empty()) printf("string %u: \"%s\"\n", (r.id - 1) * 16 + i, (*block)[i].c_str());
      }
    }
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  bool strings = false;
  int files = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
      Usage(stdout);
      return 0;
    }
    if (!strcmp(argv[i], "--strings")) {
      strings = true;
      continue;
    }
    if (argv[i][0] == '-' && argv[i][1] != '\0') {
      fprintf(stderr, "pecheck: unknown option %s\n", argv[i]);
      Usage(stderr);
      return 2;
    }
  }
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-' && argv[i][1] != '\0') continue;
    ++files;
    ok = Check(argv[i], strings) && ok;
  }
  if (files == 0) {
    Usage(stderr);
    return 2;
  }
  return ok ? 0 : 1;
}
