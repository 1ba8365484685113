#include "tables/string_resource.h"

#include <stdio.h>

namespace tables {

bool Utf8ToUtf16(const std::string& text, std::u16string* out) {
  out->clear();
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    int extra = 0;
    uint32_t cp = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      return false;
    }
    if (text.size() - i <= static_cast<size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      const uint8_t c = static_cast<uint8_t>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not text.
    static const uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
    i += 1 + extra;
  }
  return true;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

bool EncodeStringBlocks(const std::vector<StringEntry>& entries,
                        std::map<int, std::vector<uint8_t>>* blocks, std::string* error) {
  std::map<int, std::u16string> by_id;
  for (const StringEntry& entry : entries) {
    if (entry.id < 0 || entry.id > kMaxStringId) {
      *error = "string id " + std::to_string(entry.id) + " is outside 0..65535";
      return false;
    }
    std::u16string wide;
    if (!Utf8ToUtf16(entry.text, &wide)) {
      *error = "string " + std::to_string(entry.id) + " is not valid UTF-8";
      return false;
    }
    if (wide.size() > 0xFFFF) {
      *error = "string " + std::to_string(entry.id) + " is longer than 65535 characters";
      return false;
    }
    if (!by_id.emplace(entry.id, wide).second) {
      *error = "string id " + std::to_string(entry.id) + " is given twice";
      return false;
    }
  }
  blocks->clear();
  for (const auto& [id, wide] : by_id) {
    const int block = StringBlockOf(id);
    if (blocks->count(block) != 0) continue;
    std::vector<uint8_t>& bytes = (*blocks)[block];
    const int first = (block - 1) * kStringsPerBlock;
    for (int slot = 0; slot < kStringsPerBlock; ++slot) {
      const auto it = by_id.find(first + slot);
      const std::u16string empty;
      const std::u16string& text = it == by_id.end() ? empty : it->second;
      bytes.push_back(static_cast<uint8_t>(text.size()));
      bytes.push_back(static_cast<uint8_t>(text.size() >> 8));
      for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
      }
    }
  }
  return true;
}

bool DecodeStringBlock(int block, const uint8_t* data, size_t size,
                       std::map<int, std::string>* strings, std::string* error) {
  if (block < 1 || block > StringBlockOf(kMaxStringId)) {
    *error = "string block number " + std::to_string(block) + " is outside 1..4096";
    return false;
  }
  size_t pos = 0;
  for (int slot = 0; slot < kStringsPerBlock; ++slot) {
    const int id = (block - 1) * kStringsPerBlock + slot;
    if (size - pos < 2) {
      *error = "string block " + std::to_string(block) + " ends inside the count of id " +
               std::to_string(id);
      return false;
    }
    const size_t count = static_cast<size_t>(data[pos] | (data[pos + 1] << 8));
    pos += 2;
    if ((size - pos) / 2 < count) {
      *error = "string " + std::to_string(id) + " runs past the end of its block";
      return false;
    }
    if (count == 0) continue;
    std::u16string wide;
    for (size_t k = 0; k < count; ++k, pos += 2) {
      wide.push_back(static_cast<char16_t>(data[pos] | (data[pos + 1] << 8)));
    }
    (*strings)[id] = Utf16ToUtf8(wide);
  }
  if (pos != size) {
    *error = "string block " + std::to_string(block) + " has " + std::to_string(size - pos) +
             " bytes after its 16th string";
    return false;
  }
  return true;
}

std::string RcQuote(const std::string& text) {
  bool plain = true;
  for (char c : text) {
    if (c < 0x20 || c > 0x7E) plain = false;
  }
  std::string out = plain ? "\"" : "L\"";
  if (plain) {
    for (char c : text) {
      if (c == '"') {
        out += "\"\"";
      } else if (c == '\\') {
        out += "\\\\";
      } else {
        out.push_back(c);
      }
    }
  } else {
    std::u16string wide;
    Utf8ToUtf16(text, &wide);
    for (char16_t c : wide) {
      if (c == '"') {
        out += "\"\"";
      } else if (c == '\\') {
        out += "\\\\";
      } else if (c >= 0x20 && c <= 0x7E) {
        out.push_back(static_cast<char>(c));
      } else {
        char hex[8];
        snprintf(hex, sizeof hex, "\\x%04X", static_cast<unsigned>(c));
        out += hex;
      }
    }
  }
  out.push_back('"');
  return out;
}

}  // namespace tables
