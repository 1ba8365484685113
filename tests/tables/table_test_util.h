// Helpers shared by the table tests.
#ifndef QUILLORY2_TESTS_TABLES_TABLE_TEST_UTIL_H_
#define QUILLORY2_TESTS_TABLES_TABLE_TEST_UTIL_H_

#include <stdint.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "minidrv/tables/built_tables.h"

namespace tabletest {

inline std::vector<uint8_t> Gpc() {
  const tables::TableBytes t = tables::BuiltGpcTable();
  return std::vector<uint8_t>(t.data, t.data + t.size);
}
inline std::vector<uint8_t> NtExt() {
  const tables::TableBytes t = tables::BuiltNtExtTable();
  return std::vector<uint8_t>(t.data, t.data + t.size);
}

inline int Word(const std::vector<uint8_t>& b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
inline int SWord(const std::vector<uint8_t>& b, size_t at) { return static_cast<int16_t>(Word(b, at)); }
inline uint32_t Dword(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(Word(b, at)) | (static_cast<uint32_t>(Word(b, at + 2)) << 16);
}
inline void SetWord(std::vector<uint8_t>* b, size_t at, int v) {
  (*b)[at] = static_cast<uint8_t>(v);
  (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}

// ESC followed by text.
inline std::vector<uint8_t> Esc(const std::string& text) {
  std::vector<uint8_t> out{0x1B};
  out.insert(out.end(), text.begin(), text.end());
  return out;
}
inline std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline std::string BuildDir() {
  const char* dir = getenv("QUILLORY2_BUILD_DIR");
  return dir == nullptr ? std::string() : std::string(dir);
}

inline bool ReadFile(const std::string& path, std::vector<uint8_t>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace tabletest

#endif  // QUILLORY2_TESTS_TABLES_TABLE_TEST_UTIL_H_
