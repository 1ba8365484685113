// q2resdump: loads a DLL with the Windows loader and writes back what a host
// sees of it through the resource and version calls, so that the tests can
// hold the Windows view against the files the build generated.
//
//   q2resdump --probe                      prints "probe ok" (can Wine start us?)
//   q2resdump --resources DLL OUTDIR       257-1.bin, 257-2.bin, strings.txt, list.txt
//   q2resdump --version DLL                the version strings, one "name=value" a line
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* text, int length) {
  if (length <= 0) return "";
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(bytes, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], bytes, nullptr, nullptr);
  return out;
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(data, 1, size, f) == size;
  return fclose(f) == 0 && ok;
}

BOOL CALLBACK ListLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR out) {
  auto* lines = reinterpret_cast<std::string*>(out);
  char line[96];
  snprintf(line, sizeof line, "%u %u %u\n", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(type)),
           static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)), language);
  *lines += line;
  return TRUE;
}

BOOL CALLBACK ListName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR out) {
  if (!IS_INTRESOURCE(name)) {
    *reinterpret_cast<std::string*>(out) += "named resource\n";
    return TRUE;
  }
  EnumResourceLanguagesA(module, type, name, ListLanguage, out);
  return TRUE;
}

BOOL CALLBACK ListType(HMODULE module, LPSTR type, LONG_PTR out) {
  if (!IS_INTRESOURCE(type)) {
    *reinterpret_cast<std::string*>(out) += "named type\n";
    return TRUE;
  }
  EnumResourceNamesA(module, type, ListName, out);
  return TRUE;
}

int DumpResources(const char* dll, const std::string& dir) {
  HMODULE module = LoadLibraryA(dll);
  if (!module) {
    fprintf(stderr, "q2resdump: LoadLibrary(%s) failed, error %lu\n", dll, GetLastError());
    return 1;
  }
  int status = 0;
  for (int id = 1; id <= 2; ++id) {
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(257), MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
      fprintf(stderr, "q2resdump: resource 257/%d not found\n", id);
      status = 1;
      continue;
    }
    if (!WriteFile(dir + "/257-" + std::to_string(id) + ".bin", bytes, SizeofResource(module, found))) status = 1;
  }
  // Every string a host can load by id, in the order of the ids.
  std::string strings;
  for (UINT id = 0; id < 4096; ++id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer to the resource text.
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length > 0) strings += std::to_string(id) + "\t" + Utf8(text, length) + "\n";
  }
  std::string list;
  EnumResourceTypesA(module, ListType, reinterpret_cast<LONG_PTR>(&list));
  if (!WriteFile(dir + "/strings.txt", strings.data(), strings.size()) ||
      !WriteFile(dir + "/list.txt", list.data(), list.size())) {
    fprintf(stderr, "q2resdump: cannot write into %s\n", dir.c_str());
    status = 1;
  }
  FreeLibrary(module);
  return status;
}

int DumpVersion(const char* dll) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(dll, &ignored);
  std::vector<char> block(size ? size : 1);
  if (!size || !GetFileVersionInfoA(dll, 0, size, block.data())) {
    fprintf(stderr, "q2resdump: %s has no version resource (error %lu)\n", dll, GetLastError());
    return 1;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    printf("FixedFileVersion=%lu.%lu.%lu.%lu\n", fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
           fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF);
    printf("FixedFileOS=0x%lX\nFixedFileType=%lu\n", fixed->dwFileOS, fixed->dwFileType);
  }
  static const char* const kNames[] = {"Comments", "FileDescription", "FileVersion", "InternalName",
                                       "LegalTrademarks", "OriginalFilename", "PrivateBuild",
                                       "ProductName", "ProductVersion", "SpecialBuild"};
  for (const char* name : kNames) {
    char* value = nullptr;
    std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) && value) {
      printf("%s=%s\n", name, value);
    } else {
      printf("%s missing\n", name);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A failure must end the process, never wait at a dialog.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  // The tests compare the output with text made on Linux: no CR before LF.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc == 2 && !strcmp(argv[1], "--probe")) {
    printf("probe ok\n");
    return 0;
  }
  if (argc == 4 && !strcmp(argv[1], "--resources")) return DumpResources(argv[2], argv[3]);
  if (argc == 3 && !strcmp(argv[1], "--version")) return DumpVersion(argv[2]);
  fprintf(stderr,
          "usage: q2resdump --probe | --resources DLL OUTDIR | --version DLL\n"
          "Loads DLL with the Windows loader and writes its printer tables (257-1.bin,\n"
          "257-2.bin), its strings (strings.txt: id TAB text) and its resource list\n"
          "(list.txt: type id language) into OUTDIR, or prints its version strings.\n");
  return 2;
}
