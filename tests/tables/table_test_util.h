// Helpers shared by the table tests.
#ifndef QUILLORY2_TESTS_TABLES_TABLE_TEST_UTIL_H_
#define QUILLORY2_TESTS_TABLES_TABLE_TEST_UTIL_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "tables/built_tables.h"
#include "tests/support/support.h"

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

using testsupport::Esc;
inline std::vector<uint8_t> Cat(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  return testsupport::Concat({a, b});
}

}  // namespace tabletest

#endif  // QUILLORY2_TESTS_TABLES_TABLE_TEST_UTIL_H_
