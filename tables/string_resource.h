// The string table as Windows stores it in a module's resources, and as a
// resource script spells it.
//
// Strings live in blocks of 16 (resource type 6): block b holds the ids
// 16 * (b - 1) to 16 * (b - 1) + 15, each slot a 16-bit character count and
// that many UTF-16LE characters with no terminator; an empty slot is a count
// of 0. Only blocks that hold at least one string exist.
#ifndef QUILLORY2_TABLES_STRING_RESOURCE_H_
#define QUILLORY2_TABLES_STRING_RESOURCE_H_

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

namespace tables {

struct StringEntry {
  int id = 0;
  std::string text;  // UTF-8
};

constexpr int kStringsPerBlock = 16;
constexpr int kMaxStringId = 0xFFFF;
constexpr int StringBlockOf(int id) { return id / kStringsPerBlock + 1; }

// UTF-8 to UTF-16 and back. Utf8ToUtf16 returns false on malformed input.
bool Utf8ToUtf16(const std::string& text, std::u16string* out);
std::string Utf16ToUtf8(const std::u16string& text);

// Lays out the blocks holding entries: block number -> block bytes. Returns
// false with a message for an id outside 0..65535, a repeated id, a string of
// more than 65535 UTF-16 units or malformed UTF-8.
bool EncodeStringBlocks(const std::vector<StringEntry>& entries,
                        std::map<int, std::vector<uint8_t>>* blocks, std::string* error);

// Reads block number `block` (size bytes at data) into strings (id -> text);
// empty slots add nothing. Returns false with a message when a slot runs past
// the block or bytes are left over after the 16th slot.
bool DecodeStringBlock(int block, const uint8_t* data, size_t size,
                       std::map<int, std::string>* strings, std::string* error);

// The text as a quoted string of a resource script: printable ASCII as it is
// with '"' doubled and '\' escaped; any other character makes it a wide
// string with \xHHHH escapes of its UTF-16 units. text must be valid UTF-8.
std::string RcQuote(const std::string& text);

}  // namespace tables

#endif  // QUILLORY2_TABLES_STRING_RESOURCE_H_
